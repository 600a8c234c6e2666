// The scan probes page's board overlay over a real project window: a picture blended over the cells
// (its turns, the wheel's opacity, a JPEG at half opacity), real board drawings of gerbv's and hp2xx's
// examples placed through the overlay editor opened with the page as owner, the drawing's bitmap
// cache and an empty placement, and what Apply stores in the node.

#include "core/QOverlayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CPageScanProbes.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/import/DetectDrawingFileType.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/HPGLConvert.h"
#include "overlay/import/ImportSource.h"
#include "platform/log/InformationLog.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/core/support/DrawingFixtures.h"
#include "tests/dialogs/support/ProbesPageProjectFixture.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPointer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using Page = CPageScanProbes;

::testing::AssertionResult Near(const QColor& actual, const QColor& expected, int tolerance = 3) {
    const int worst =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue())});
    if (worst <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << actual.name().toStdString() << " instead of " << expected.name().toStdString();
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

DrawList ImportDrawing(const std::string& path, int32_t expectedType) {
    std::unique_ptr<ImportFileSource> detected = ImportFileSource::Open(path);
    if (detected == nullptr) {
        return {};
    }
    EXPECT_EQ(DetectDrawingFileType(*detected), expectedType) << path;
    std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(path);
    return expectedType == kDrawingFileGerber ? GerberConvert(*source) : HPGLConvert(*source);
}

class ProbesPageOverlayTest : public testing::ProbesPageProjectFixture {
protected:
    // A picture overlay in the project, chosen by the node over the whole grid at that opacity.
    void ChoosePicture(QNodeMediator& node, const QImage& image, const char* format, uint32_t id,
                       int32_t opacity, uint8_t turns,
                       std::array<float, 4> place = {0.0F, 0.0F, 1.0F, 1.0F}) {
        const QByteArray bytes = Encoded(image, format);
        ASSERT_TRUE(Project().AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                       static_cast<uint32_t>(bytes.size()), id, 500 + id,
                                                       true));
        QOverlayOptions& options = *node.GetOverlayOptions();
        options.m_overlayId = static_cast<int32_t>(id);
        options.m_sourceKind = QOverlayOptions::kSourcePicture;
        options.m_pictureInt = opacity;
        std::copy(place.begin(), place.end(), options.m_pictureValues);
        options.m_pictureFlags[0] = 7;
        options.m_pictureFlags[1] = 9;
        options.m_pictureFlags[2] = turns;
    }
    static void Wheel(Page& page, int steps) {
        for (int i = 0; i < std::abs(steps); ++i) {
            const QPointF at(100, 100);
            QWheelEvent event(at, page.mapToGlobal(at), QPoint(), QPoint(0, steps > 0 ? 120 : -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&page, &event);
        }
    }
};

TEST_F(ProbesPageOverlayTest, APictureIsTurnedByItsQuarterTurnsModuloFourAndTheWheelKeepsTheOpacityInRange) {
    // Left half red, right half blue: one clockwise turn puts red on top.
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 10; ++y) {
        for (int x = 10; x < 20; ++x) {
            image.setPixelColor(x, y, Qt::blue);
        }
    }
    // The colours at the picture's top-left and top-right.
    const struct {
        uint8_t turns;
        QColor topLeft;
        QColor topRight;
    } cases[] = {{0, Qt::red, Qt::blue}, {1, Qt::red, Qt::red},   {5, Qt::red, Qt::red},
                 {2, Qt::blue, Qt::red}, {3, Qt::blue, Qt::blue}, {7, Qt::blue, Qt::blue}};
    uint32_t id = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.turns));
        QNodeMediator& node = AddNode(kTypeSpatialScanNode);
        ChoosePicture(node, image, "PNG", ++id, 100, c.turns);
        auto page = Open(node);
        const QImage& grid = page->GetGridImage();
        EXPECT_TRUE(Near(grid.pixelColor(grid.width() / 8 + 3, grid.height() / 8 + 3), c.topLeft));
        EXPECT_TRUE(Near(grid.pixelColor(grid.width() * 3 / 4 + 3, grid.height() / 8 + 3), c.topRight));
    }

    QNodeMediator& node = AddNode(kTypeSpatialScanNode);
    ChoosePicture(node, image, "PNG", 90, 98, 0);
    auto page = Open(node);
    EXPECT_FALSE(page->IsModified());
    const struct {
        int steps;
        int32_t opacity;
    } wheel[] = {{1, 99}, {5, 100}, {-3, 97}, {-200, 0}, {-1, 0}, {2, 2}};
    for (const auto& w : wheel) {
        Wheel(*page, w.steps);
        EXPECT_EQ(page->GetOverlayOpacity(), w.opacity) << w.steps;
    }
    EXPECT_TRUE(page->IsModified());
    // At 2 % the red barely tints the white band-free cell.
    const QImage& grid = page->GetGridImage();
    const QColor mixed = grid.pixelColor(grid.width() / 8 + 3, grid.height() / 8 + 3);
    EXPECT_GE(mixed.red(), 250);
    EXPECT_LT(mixed.green(), 255);
}

TEST_F(ProbesPageOverlayTest, AJpegIsBlendedAtHalfOpacityInsideItsPlaceOnlyAndApplyStoresTheSettings) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 200));
    QNodeMediator& node = AddNode(kTypeSpatialScanNode);
    ChoosePicture(node, image, "JPG", 77, 50, 4, {0.5F, 0.25F, 0.25F, 0.5F});
    auto plain = [&] {
        QNodeMediator& other = AddNode(kTypeSpatialScanNode);
        return Open(other)->GetGridImage().copy();
    }();
    auto page = Open(node);
    const QImage& grid = page->GetGridImage();
    const QRect place(Page::kPictureWidth / 2, Page::kPictureHeight / 4, Page::kPictureWidth / 4,
                      Page::kPictureHeight / 2);
    int inside = 0;
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            const QColor below = plain.pixelColor(x, y);
            if (place.contains(x, y)) {
                const QColor expected((below.red() + 0) / 2, (below.green() + 0) / 2,
                                      (below.blue() + 200) / 2);
                inside += Near(grid.pixelColor(x, y), expected, 6) ? 1 : 0;
            } else {
                ASSERT_EQ(grid.pixelColor(x, y), below) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, place.width() * place.height() * 95 / 100);

    // Apply writes the page's settings back, the two further flag bytes untouched.
    Wheel(*page, -10);
    ASSERT_TRUE(page->OnApply());
    const QOverlayOptions& options = *node.GetOverlayOptions();
    EXPECT_EQ(options.m_overlayId, 77);
    EXPECT_EQ(options.m_sourceKind, COverlayControl::kPictureFile);
    EXPECT_EQ(options.m_pictureInt, 40);
    EXPECT_FLOAT_EQ(options.m_pictureValues[0], 0.5F);
    EXPECT_FLOAT_EQ(options.m_pictureValues[3], 0.5F);
    EXPECT_EQ(options.m_pictureFlags[0], 7);
    EXPECT_EQ(options.m_pictureFlags[1], 9);
    EXPECT_EQ(options.m_pictureFlags[2], 4);

    // An ID with no control: nothing drawn, only the ID kept.
    QNodeMediator& orphan = AddNode(kTypeSpatialScanNode);
    orphan.GetOverlayOptions()->m_overlayId = 4242;
    orphan.GetOverlayOptions()->m_pictureInt = 33;
    auto lonely = Open(orphan);
    EXPECT_EQ(lonely->GetGridImage(), plain);
    ASSERT_TRUE(lonely->OnApply());
    EXPECT_EQ(orphan.GetOverlayOptions()->m_overlayId, 4242);
    EXPECT_EQ(orphan.GetOverlayOptions()->m_pictureInt, 33);
}

TEST_F(ProbesPageOverlayTest, RealBoardDrawingsPlacedThroughTheEditorLandInsideTheirPlacement) {
    struct Case {
        const char* path;
        int32_t type;
    };
    const Case cases[] = {
        {"/usr/share/doc/gerbv/examples/dan/top.gbx", kDrawingFileGerber},
        {"/usr/share/doc/hp2xx/hp-tests/colors.hp", kDrawingFileHpgl},
    };
    uint32_t id = 300;
    for (const Case& c : cases) {
        if (!std::filesystem::exists(c.path)) {
            GTEST_SKIP() << c.path << " is not installed (scripts/deps.sh --tests)";
        }
        SCOPED_TRACE(c.path);
        const DrawList drawing = ImportDrawing(c.path, c.type);
        ASSERT_FALSE(drawing.IsEmpty());
        ++id;
        ASSERT_TRUE(
            Project().AddPcbOverlayControl(fake::WrittenRecords(drawing.Head()), id, 1000 + id, true));
        QNodeMediator& node = AddNode(kTypeSpatialScanNode);
        auto page = Open(node);
        const QImage plain = page->GetGridImage().copy();

        // The editor opens over the page for it, titled, and comes forward when asked again.
        page->OnCommand(Page::kOverlayEditor);
        QPointer<COverlayViewFrame> frame = page->GetOverlayFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetOwner(), page.get());
        EXPECT_EQ(frame->windowTitle().toStdString(), Page::kEditorTitle);
        page->OnCommand(Page::kOverlayEditor);
        EXPECT_EQ(page->GetOverlayFrame(), frame.data());

        COverlayView* view = frame->GetOverlayView();
        ASSERT_NE(view, nullptr);
        // The unit is chosen through the page's message, as the editor's units pane asks it.
        page->Post(Page::kSelectOverlayPictureMessage, id);
        testing::FlushEvents();
        EXPECT_EQ(view->GetSelectedOverlayId(), id);
        view->Apply();
        testing::FlushEvents();
        EXPECT_EQ(page->GetOverlayId(), id);
        EXPECT_TRUE(page->IsModified());
        ASSERT_FALSE(page->GetOverlayBitmap().isNull());
        const QRect placed = page->GetOverlayBitmapPlace().intersected(QRect(QPoint(0, 0), plain.size()));
        ASSERT_FALSE(placed.isEmpty());
        const QImage& grid = page->GetGridImage();
        int dark = 0;
        int through = 0;
        for (int y = 0; y < grid.height(); ++y) {
            for (int x = 0; x < grid.width(); ++x) {
                const QColor now = grid.pixelColor(x, y);
                if (!placed.contains(x, y)) {
                    ASSERT_EQ(now, plain.pixelColor(x, y)) << x << "," << y;
                } else if (now == plain.pixelColor(x, y)) {
                    ++through;
                } else {
                    dark += now.lightness() < 60 ? 1 : 0;
                }
            }
        }
        EXPECT_GT(dark, 40) << "the drawing";
        EXPECT_GT(through, 40) << "the cells through its white";
        // The frame's top-left corner is black.
        EXPECT_EQ(grid.pixelColor(page->GetOverlayBitmapPlace().topLeft()), QColor(Qt::black));

        // The cache: the same size renders nothing new, forcing does.
        const uint32_t renders = page->GetOverlayRenderCount();
        page->RenderOverlayBitmap(false);
        EXPECT_EQ(page->GetOverlayRenderCount(), renders);
        page->RenderOverlayBitmap(true);
        EXPECT_EQ(page->GetOverlayRenderCount(), renders + 1);

        // Stored, and read back by the next page of the node.
        ASSERT_TRUE(page->OnApply());
        EXPECT_EQ(node.GetOverlayOptions()->m_overlayId, static_cast<int32_t>(id));
        EXPECT_EQ(node.GetOverlayOptions()->m_sourceKind, QOverlayOptions::kSourceDrawing);
        auto again = Open(node);
        EXPECT_EQ(again->GetOverlayBitmapPlace(), page->GetOverlayBitmapPlace());
        EXPECT_EQ(again->GetGridImage(), page->GetGridImage());

#ifdef ORV_SCREENSHOT_DIR
        QDir().mkpath(QStringLiteral(ORV_SCREENSHOT_DIR));
        testing::Grab(*again).save(QStringLiteral(ORV_SCREENSHOT_DIR "/probes_page_") +
                                   (c.type == kDrawingFileGerber ? "gerber" : "hpgl") + ".png");
#endif

        // An empty placement draws nothing and makes no bitmap.
        QOverlayOptions& options = *node.GetOverlayOptions();
        options.m_placement.c = options.m_placement.a;
        auto empty = Open(node);
        EXPECT_TRUE(empty->GetOverlayBitmap().isNull());
        EXPECT_EQ(empty->GetGridImage(), plain);

        // The editor goes with the page.
        page.reset();
        EXPECT_TRUE(frame.isNull());
    }
}

TEST_F(ProbesPageOverlayTest, ADrawingWithNothingToDrawIsLogged) {
    std::vector<std::string> lines;
    InformationLog::Sink previous = InformationLog::Instance().SetSink(
        [&lines](uint8_t /*kind*/, const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(Project().AddPcbOverlayControl(fake::WrittenRecords(nullptr), 808, 1808, true));
    QNodeMediator& node = AddNode(kTypeSpatialScanNode);
    QOverlayOptions& options = *node.GetOverlayOptions();
    options.m_overlayId = 808;
    options.m_sourceKind = QOverlayOptions::kSourceDrawing;
    options.m_placement = {0, 0, 1000, 1000};
    auto page = Open(node);
    InformationLog::Instance().SetSink(std::move(previous));
    EXPECT_TRUE(page->GetOverlayBitmap().isNull());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find(Page::kNoDrawingText) != std::string::npos;
    })) << ::testing::PrintToString(lines);
}

} // namespace
} // namespace orv
