#include "core/QDataWriter.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/COverlayImport.h"
#include "overlay/COverlayImportFileChooser.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/HPGLConvert.h"
#include "overlay/import/ImportSource.h"
#include "tests/overlay/support/OverlayEditorFixture.h"
#include "tests/views/support/MenuItems.h"

#include <QWheelEvent>

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orv {
namespace {

using overlay_test::Box;
using overlay_test::OverlayEditorTest;
using overlay_test::Point;
using overlay_test::TestOwner;

// The small hand-written drawings of the importer tests.
std::string DataFile(const char* name) {
    return std::string(ORV_DRAWING_TEST_DATA) + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Records(const DrawList& drawing) {
    return fake::WrittenRecords(drawing.Head());
}

// Names the files the test chooses, one per import, and keeps what it was asked.
class NamedFileChooser : public COverlayImportFileChooser {
public:
    std::optional<std::string> ChooseOpenFile(const COverlayImportFileRequest& request, QWidget*) override {
        requests.push_back(request);
        if (files.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> file = files.front();
        files.pop_front();
        return file;
    }
    std::deque<std::optional<std::string>> files;
    std::vector<COverlayImportFileRequest> requests;
};

// Near-black pixels of a rendered drawing (white holes are see-through).
std::vector<QPoint> DarkPixels(const QImage& image) {
    std::vector<QPoint> dark;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 128 && qGray(pixel) < 100) {
                dark.emplace_back(x, y);
            }
        }
    }
    return dark;
}

// The share of the dark pixels of `a` with no dark pixel of `b` within two pixels (the turned and
// the plain rendering round their edges apart by a pixel).
double UnmatchedShare(const QImage& a, const QImage& b) {
    const std::vector<QPoint> dark = DarkPixels(a);
    if (dark.empty()) {
        return 1.0;
    }
    const QImage gray = b.convertToFormat(QImage::Format_ARGB32);
    size_t unmatched = 0;
    for (const QPoint& p : dark) {
        bool found = false;
        for (int dy = -2; dy <= 2 && !found; ++dy) {
            for (int dx = -2; dx <= 2 && !found; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                if (gray.rect().contains(q)) {
                    const QRgb pixel = gray.pixel(q);
                    found = qAlpha(pixel) > 128 && qGray(pixel) < 100;
                }
            }
        }
        unmatched += found ? 0 : 1;
    }
    return static_cast<double>(unmatched) / static_cast<double>(dark.size());
}

// An "F" with a round pad at its foot: no turn or mirror of it looks like another.
DrawList FShape() {
    DrawList list;
    Point(list, draw_kind::kMoveTo, 0, 0);
    Point(list, draw_kind::kLineTo, 1000, 0);
    Point(list, draw_kind::kMoveTo, 0, 0);
    Point(list, draw_kind::kLineTo, 0, 800);
    Point(list, draw_kind::kMoveTo, 0, 400);
    Point(list, draw_kind::kLineTo, 600, 400);
    auto* pad = list.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
    pad->m_x = 100;
    pad->m_y = 700;
    pad->m_paramCount = 1;
    pad->m_diameter = 150;
    return list;
}

class OverlayEditorCommandsTest : public OverlayEditorTest {
public:
    OverlayEditorCommandsTest() : m_chooser(std::make_shared<NamedFileChooser>()) {
        m_previousChooser = COverlayImportFileChooser::Install(m_chooser);
    }
    ~OverlayEditorCommandsTest() override {
        COverlayImportFileChooser::Install(m_previousChooser);
        COverlayView::InstallMenuRunner({});
    }

protected:
    void AddRedPicture(uint32_t id) {
        QImage red(20, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        AddPicture(id, red);
    }
    // Selects the overlay and lets the view paint it, with Apply greyed again.
    void SelectAndPaint(uint32_t id) {
        View().SelectOverlayControl(id);
        Painted();
        View().GetButton(COverlayView::kApplyId)->setEnabled(false);
    }
    bool ApplyEnabled() { return View().GetButton(COverlayView::kApplyId)->isEnabled(); }
    void Wheel(int delta) {
        const QPointF at = View().GetAreaRect().center();
        QWheelEvent event(at, View().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &event);
    }
    // The menu the right button shows, as a list.
    std::vector<std::string> MenuShown() {
        std::vector<std::string> items;
        COverlayView::InstallMenuRunner([&items](QMenu& menu, const QPoint&) -> QAction* {
            EXPECT_EQ(menu.title().toStdString(), COverlayView::kMenuCaption);
            items = testing::MenuItems(menu);
            return nullptr;
        });
        QTest::mouseClick(&View(), Qt::RightButton, Qt::NoModifier, View().GetAreaRect().center());
        return items;
    }
    // Imports the file as the menu's import command does.
    void Import(const std::string& path) {
        m_chooser->files.emplace_back(path);
        View().OnCommand(OverlayCommand::kImport);
        testing::FlushEvents();
    }
    size_t ModifiedPosts() {
        const std::vector<uint32_t> ids = m_formView.target.Ids();
        return static_cast<size_t>(std::count(ids.begin(), ids.end(), NodeMessage::kProjectModified));
    }
    std::string TempFile(const std::string& name) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("orv-" + overlay_test::TestName());
        std::filesystem::create_directories(folder);
        return (folder / name).string();
    }

    std::shared_ptr<NamedFileChooser> m_chooser;
    std::shared_ptr<COverlayImportFileChooser> m_previousChooser;
};

// --- Mouse, wheel and keys ---

TEST_F(OverlayEditorCommandsTest, TheWheelChangesAPicturesOpacityByANotchWithinItsRange) {
    AddRedPicture(1);
    AddDrawing(2, Box(500, 500));
    Open();
    SelectAndPaint(1);
    ASSERT_EQ(View().GetPlacement().m_opacity, 50);
    Wheel(120);
    EXPECT_EQ(View().GetPlacement().m_opacity, 51);
    EXPECT_TRUE(ApplyEnabled());
    // A touchpad's small steps make a notch together.
    Wheel(40);
    Wheel(40);
    EXPECT_EQ(View().GetPlacement().m_opacity, 51);
    Wheel(40);
    EXPECT_EQ(View().GetPlacement().m_opacity, 52);
    for (int i = 0; i < 60; ++i) {
        Wheel(120);
    }
    EXPECT_EQ(View().GetPlacement().m_opacity, 100);
    Wheel(-120 * 150);
    EXPECT_EQ(View().GetPlacement().m_opacity, 0);
    Wheel(-120);
    EXPECT_EQ(View().GetPlacement().m_opacity, 0);
    // The picture shows no more: the white cell under it.
    const QImage painted = Painted();
    const QPoint inside = CellPoint(1, 1, 3, 3);
    EXPECT_THAT(testing::PixelAt(painted, inside.x(), inside.y()), overlay_test::IsColour(QColor(Qt::white)));

    // A drawing ignores the wheel.
    SelectAndPaint(2);
    const COverlayPlacement before = View().GetPlacement();
    Wheel(120);
    EXPECT_EQ(View().GetPlacement(), before);
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(OverlayEditorCommandsTest, ArrowsMoveAndCtrlOrShiftArrowsResizeByOnePixel) {
    AddRedPicture(1);
    AddDrawing(2, Box(500, 500));
    Open();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QMargins change; // left, top, right, bottom edges moved
    };
    const Case cases[] = {
        {Qt::Key_Right, Qt::NoModifier, QMargins(1, 0, 1, 0)},
        {Qt::Key_Left, Qt::NoModifier, QMargins(-1, 0, -1, 0)},
        {Qt::Key_Down, Qt::NoModifier, QMargins(0, 1, 0, 1)},
        {Qt::Key_Up, Qt::NoModifier, QMargins(0, -1, 0, -1)},
        {Qt::Key_Right, Qt::ControlModifier, QMargins(0, 0, 1, 0)},
        {Qt::Key_Left, Qt::ShiftModifier, QMargins(0, 0, -1, 0)},
        {Qt::Key_Down, Qt::ShiftModifier, QMargins(0, 0, 0, 1)},
        {Qt::Key_Up, Qt::ControlModifier, QMargins(0, 0, 0, -1)},
    };
    // The grid takes the keys from the start.
    EXPECT_EQ(m_frame->focusWidget(), &View());
    SelectAndPaint(1);
    const float width = static_cast<float>(View().GetAreaRect().width());
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(static_cast<int>(c.modifiers.toInt()) | c.key).toString().toStdString());
        const QRect before = View().GetPictureRect();
        View().GetButton(COverlayView::kApplyId)->setEnabled(false);
        QTest::keyClick(&View(), c.key, c.modifiers);
        testing::FlushEvents();
        Painted();
        const QRect after = View().GetPictureRect();
        EXPECT_EQ(after,
                  QRect(QPoint(before.left() + c.change.left(), before.top() + c.change.top()),
                        QPoint(before.right() + c.change.right(), before.bottom() + c.change.bottom())));
        EXPECT_FLOAT_EQ(View().GetPlacement().m_pictureWidth, static_cast<float>(after.width()) / width);
        EXPECT_TRUE(ApplyEnabled());
    }

    // A drawing moves by a pixel and keeps its size.
    SelectAndPaint(2);
    const QPoint origin = View().GetDrawingOrigin();
    const int64_t drawingWidth = View().GetDrawingPixelWidth();
    QTest::keyClick(&View(), Qt::Key_Right);
    QTest::keyClick(&View(), Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&View(), Qt::Key_Down);
    testing::FlushEvents();
    Painted();
    EXPECT_EQ(View().GetDrawingOrigin(), origin + QPoint(1, 1));
    EXPECT_EQ(View().GetDrawingPixelWidth(), drawingWidth);
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(OverlayEditorCommandsTest, DraggingThePictureMovesItAndDraggingTheHandleResizesIt) {
    AddRedPicture(1);
    Open();
    SelectAndPaint(1);
    const QRect start = View().GetPictureRect();
    const QRect area = View().GetAreaRect();
    // Pressed inside the picture, dragged in steps, released.
    QPoint at = start.center();
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, at);
    for (int step = 0; step < 4; ++step) {
        at += QPoint(5, 3);
        testing::SendMouse(View(), QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        testing::FlushEvents();
    }
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, at);
    testing::FlushEvents();
    Painted();
    const QRect moved = View().GetPictureRect();
    EXPECT_EQ(moved, start.translated(20, 12));
    EXPECT_FLOAT_EQ(View().GetPlacement().m_pictureLeft,
                    static_cast<float>(moved.left() - area.left()) / static_cast<float>(area.width()));
    EXPECT_FLOAT_EQ(View().GetPlacement().m_pictureTop,
                    static_cast<float>(moved.top() - area.top()) / static_cast<float>(area.height()));
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(View().cursor().shape(), Qt::CrossCursor);

    // The handle resizes; the top-left corner stays.
    at = View().GetHandleRect().center();
    testing::SendMouse(View(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(View().cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, at);
    at += QPoint(-30, 15);
    testing::SendMouse(View(), QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, at);
    testing::FlushEvents();
    Painted();
    const QRect resized = View().GetPictureRect();
    EXPECT_EQ(resized.topLeft(), moved.topLeft());
    EXPECT_EQ(resized.size(), moved.size() + QSize(-30, 15));
    EXPECT_FLOAT_EQ(View().GetPlacement().m_pictureWidth,
                    static_cast<float>(resized.width()) / static_cast<float>(area.width()));

    // A press beside the picture moves nothing.
    const COverlayPlacement placed = View().GetPlacement();
    at = QPoint(area.right() - 3, area.bottom() - 3);
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, at);
    testing::SendMouse(View(), QEvent::MouseMove, at - QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, at - QPoint(40, 40));
    testing::FlushEvents();
    Painted();
    EXPECT_EQ(View().GetPlacement(), placed);
}

// --- The menu ---

TEST_F(OverlayEditorCommandsTest, TheMenuOffersWhatTheSelectionAndTheClipboardAllow) {
    AddRedPicture(1);
    AddDrawing(2, Box(500, 500));
    Open();
    const std::vector<std::string> imports{"Import New PCB File", "Import New Jpeg File",
                                           "Import Webcam Image", "-"};
    auto with = [&imports](std::vector<std::string> rest) {
        std::vector<std::string> items = imports;
        items.insert(items.end(), rest.begin(), rest.end());
        return items;
    };
    // Nothing selected, nothing copied.
    EXPECT_EQ(MenuShown(), with({"Copy Overlay [off]", "Paste Overlay [off]"}));

    SelectAndPaint(2);
    EXPECT_EQ(MenuShown(), with({"Copy Overlay", "Paste Overlay [off]", "-", "Reset [off]",
                                 "Unselect Picture", "-", "Mirror Horizontally", "Mirror Vertically", "-",
                                 "Rotate Clockwise", "Rotate Counter Clockwise"}));

    SelectAndPaint(1);
    View().OnCommand(OverlayCommand::kCopyOverlay);
    EXPECT_EQ(MenuShown(), with({"Copy Overlay", "Paste Overlay", "-", "Reset [off]", "Unselect Picture"}));

    // Unselect through the menu; Paste stays while the copied overlay exists.
    COverlayView::InstallMenuRunner([](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* action : menu.actions()) {
            if (action->text() == QStringLiteral("Unselect Picture")) {
                return action;
            }
        }
        return nullptr;
    });
    View().GetButton(COverlayView::kApplyId)->setEnabled(false);
    QTest::mouseClick(&View(), Qt::RightButton, Qt::NoModifier, View().GetAreaRect().center());
    EXPECT_EQ(View().GetSelectedOverlayId(), 0U);
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(MenuShown(), with({"Copy Overlay [off]", "Paste Overlay"}));

    // The copied overlay deleted: nothing to paste.
    ASSERT_TRUE(m_app->DeleteOverlayControl(1));
    EXPECT_EQ(MenuShown(), with({"Copy Overlay [off]", "Paste Overlay [off]"}));
}

// --- Mirror and rotate ---

TEST_F(OverlayEditorCommandsTest, FourClockwiseTurnsGiveTheDrawingBackAndEachTurnIsUndoneTheOtherWay) {
    const DrawList shape = FShape();
    AddDrawing(3, shape);
    Open();
    SelectAndPaint(3);
    const COverlayPlacement start = View().GetPlacement();
    const std::vector<uint8_t> records = Records(View().GetTurnedDrawing());
    const std::vector<int> clockwiseTurns{-1, -2, -3, 0};
    for (int expected : clockwiseTurns) {
        View().OnCommand(OverlayCommand::kRotateClockwise);
        EXPECT_EQ(View().GetPlacement().m_drawingQuarterTurns, expected);
        EXPECT_TRUE(ApplyEnabled());
    }
    EXPECT_EQ(View().GetPlacement(), start);
    EXPECT_EQ(Records(View().GetTurnedDrawing()), records);

    // Counter-clockwise: +1 a turn, within 3; each undone by a clockwise turn.
    for (int expected : {1, 2, 3, 0}) {
        View().OnCommand(OverlayCommand::kRotateCounterClockwise);
        EXPECT_EQ(View().GetPlacement().m_drawingQuarterTurns, expected);
        // The turned copy is the original turned that many times.
        EXPECT_EQ(Records(View().GetTurnedDrawing()),
                  Records(COverlayUtility::BuildDrawList(shape.Head(), expected)));
    }
    View().OnCommand(OverlayCommand::kRotateCounterClockwise);
    View().OnCommand(OverlayCommand::kRotateClockwise);
    EXPECT_EQ(View().GetPlacement(), start);
    // The extent formulas of one clockwise turn.
    View().OnCommand(OverlayCommand::kRotateClockwise);
    const COverlayPlacement& turned = View().GetPlacement();
    EXPECT_EQ(
        std::vector<int32_t>({turned.m_extentX1, turned.m_extentY1, turned.m_extentX2, turned.m_extentY2}),
        std::vector<int32_t>({start.m_extentY2, -start.m_extentX1, start.m_extentY1, -start.m_extentX2}));
}

TEST_F(OverlayEditorCommandsTest, TurnsAndMirrorsRenderTheTurnedAndMirroredPicture) {
    AddDrawing(3, FShape());
    Open();
    SelectAndPaint(3);
    const QImage plain = View().GetRenderedDrawing().copy();
    ASSERT_GT(plain.width(), 100);
    ASSERT_NE(plain.width(), plain.height());
    struct Case {
        const char* name;
        std::vector<uint32_t> commands;
        QImage expected;
    };
    const Case cases[] = {
        {"clockwise", {OverlayCommand::kRotateClockwise}, plain.transformed(QTransform().rotate(90))},
        {"counter-clockwise",
         {OverlayCommand::kRotateCounterClockwise},
         plain.transformed(QTransform().rotate(-90))},
        {"mirrored left to right", {OverlayCommand::kMirrorHorizontally}, plain.mirrored(true, false)},
        {"mirrored top to bottom", {OverlayCommand::kMirrorVertically}, plain.mirrored(false, true)},
        {"mirrored, then turned",
         {OverlayCommand::kMirrorHorizontally, OverlayCommand::kRotateClockwise},
         plain.mirrored(true, false).transformed(QTransform().rotate(90))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View().SelectOverlayControl(0);
        SelectAndPaint(3);
        for (uint32_t command : c.commands) {
            View().OnCommand(command);
        }
        Painted();
        const QImage rendered = View().GetRenderedDrawing();
        EXPECT_LE(std::abs(rendered.width() - c.expected.width()), 2);
        EXPECT_LE(std::abs(rendered.height() - c.expected.height()), 2);
        EXPECT_LT(UnmatchedShare(c.expected, rendered), 0.02);
        EXPECT_LT(UnmatchedShare(rendered, c.expected), 0.02);
        EXPECT_TRUE(ApplyEnabled());
    }
    // The plain rendering is no match for a turned one: the comparison sees the turn.
    EXPECT_GT(UnmatchedShare(plain.transformed(QTransform().rotate(-90)), View().GetRenderedDrawing()), 0.1);
}

// --- Copy and paste ---

TEST_F(OverlayEditorCommandsTest, AnOverlayCopiedInOneEditorPastesWithItsPlacementInAnother) {
    AddDrawing(3, FShape());
    AddRedPicture(4);
    Open();
    for (uint32_t id : {3U, 4U}) {
        SCOPED_TRACE(id);
        View().SelectOverlayControl(0);
        SelectAndPaint(id);
        QTest::keyClick(&View(), Qt::Key_Right);
        QTest::keyClick(&View(), Qt::Key_Down);
        testing::FlushEvents();
        if (id == 3) {
            View().OnCommand(OverlayCommand::kRotateCounterClockwise);
            View().OnCommand(OverlayCommand::kMirrorVertically);
        } else {
            Wheel(120 * 7);
        }
        Painted();
        View().OnCommand(OverlayCommand::kCopyOverlay);
        const COverlayPlacement copied = View().GetPlacement();
        EXPECT_EQ(m_app->GetOverlayClipboard(), copied);

        TestOwner other;
        QPointer<COverlayViewFrame> second = new COverlayViewFrame(m_app.get(), "Overlay View", 0);
        second->SetOwner(&other);
        second->Create();
        testing::FlushEvents();
        COverlayView& pasted = *second->GetOverlayView();
        ASSERT_EQ(pasted.GetSelectedOverlayId(), 0U);
        pasted.OnCommand(OverlayCommand::kPasteOverlay);
        testing::FlushEvents();
        testing::Grab(pasted);
        EXPECT_EQ(pasted.GetPlacement(), copied);
        EXPECT_TRUE(pasted.GetButton(COverlayView::kApplyId)->isEnabled());
        if (id == 3) {
            EXPECT_EQ(Records(pasted.GetTurnedDrawing()), Records(View().GetTurnedDrawing()));
        } else {
            EXPECT_EQ(pasted.GetPictureRect(), View().GetPictureRect());
        }
        QTest::mouseClick(pasted.GetButton(COverlayView::kApplyId), Qt::LeftButton);
        ASSERT_EQ(other.writes.size(), 1U);
        EXPECT_EQ(other.writes[0], copied);
        delete second.data();
    }
}

// --- Import ---

TEST_F(OverlayEditorCommandsTest, ImportAddsEachDrawingFirstThroughItsConverterAndFindsOneImportedBefore) {
    AddRedPicture(1);
    Open();
    const std::string gerber = DataFile("arcs.gbr");
    const std::string hpgl = DataFile("plotter.plt");
    Import(gerber);
    ASSERT_EQ(m_chooser->requests.size(), 1U);
    EXPECT_EQ(m_chooser->requests[0].m_title, "Input PCB File");
    EXPECT_EQ(m_chooser->requests[0].m_defaultExtension, "ovp");
    EXPECT_EQ(m_chooser->requests[0].m_filter, "JPG Files(*.jpg);;JPG Files(*.jpeg);;All Files (*)");

    const uint32_t gerberId = View().GetSelectedOverlayId();
    ASSERT_EQ(ProjectIds().size(), 2U);
    EXPECT_EQ(ProjectIds(), (std::vector<uint32_t>{gerberId, 1U}));
    EXPECT_EQ(UnitIds(), ProjectIds());
    COverlayControl* control = m_app->FindOverlayControl(gerberId);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->GetSourceKind(), COverlayControl::kPcbDrawing);
    EXPECT_EQ(control->GetSourceFileSize(), std::filesystem::file_size(gerber));
    std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(gerber);
    EXPECT_EQ(control->GetDrawingBlob(), Records(GerberConvert(*source)));
    EXPECT_EQ(ModifiedPosts(), 1U);

    Import(hpgl);
    const uint32_t hpglId = View().GetSelectedOverlayId();
    EXPECT_EQ(ProjectIds(), (std::vector<uint32_t>{hpglId, gerberId, 1U}));
    EXPECT_EQ(UnitIds(), ProjectIds());
    source = ImportFileSource::Open(hpgl);
    EXPECT_EQ(m_app->FindOverlayControl(hpglId)->GetDrawingBlob(), Records(HPGLConvert(*source)));
    EXPECT_EQ(ModifiedPosts(), 2U);

    // The same Gerber file again: the first overlay is selected, nothing is added.
    Import(gerber);
    EXPECT_EQ(View().GetSelectedOverlayId(), gerberId);
    EXPECT_EQ(ProjectIds().size(), 3U);
    EXPECT_EQ(ModifiedPosts(), 2U);

    // Another board of the same size is a board of its own.
    std::string text = ReadFile(gerber);
    const size_t digit = text.find("X10000");
    ASSERT_NE(digit, std::string::npos);
    text[digit + 1] = '3';
    const std::string other = TempFile("other.gbr");
    WriteFile(other, text);
    ASSERT_EQ(std::filesystem::file_size(other), std::filesystem::file_size(gerber));
    Import(other);
    EXPECT_NE(View().GetSelectedOverlayId(), gerberId);
    EXPECT_EQ(ProjectIds().size(), 4U);
    EXPECT_EQ(ProjectIds().front(), View().GetSelectedOverlayId());
    EXPECT_EQ(ModifiedPosts(), 3U);
    EXPECT_TRUE(m_sandbox.Prompt().Texts().empty());

    // Cancelled: nothing happens.
    View().OnCommand(OverlayCommand::kImport);
    EXPECT_EQ(ProjectIds().size(), 4U);
}

TEST_F(OverlayEditorCommandsTest, ImportOfAPictureAddsItsStoredBytesOnceWhateverTheExtensionsCase) {
    Open();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const std::string path = TempFile("board.JPEG");
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPG"));
    Import(path);
    const uint32_t id = View().GetSelectedOverlayId();
    ASSERT_NE(id, 0U);
    const COverlayControl* control = m_app->FindOverlayControl(id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->GetSourceKind(), COverlayControl::kPictureFile);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(control->GetPictureBytes(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(View().GetPicture().size(), QSize(30, 20));
    EXPECT_EQ(UnitIds(), (std::vector<uint32_t>{id}));
    EXPECT_EQ(ModifiedPosts(), 1U);
    View().SelectOverlayControl(0);
    Import(path);
    EXPECT_EQ(View().GetSelectedOverlayId(), id);
    EXPECT_EQ(ProjectIds().size(), 1U);
    EXPECT_EQ(ModifiedPosts(), 1U);
}

TEST_F(OverlayEditorCommandsTest, FilesThatCannotBeImportedShowTheirBoxAndAddNothing) {
    Open();
    const std::string unknown = TempFile("notes.txt");
    WriteFile(unknown, "Board notes: the second layer comes next week.\n");
    const std::string folder = TempFile("folder.gbr");
    std::filesystem::create_directories(folder);
    const std::string fifo = TempFile("pipe.gbr");
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Detected as Gerber, but its coordinate does not fit a drawing: the converter gives nothing.
    const std::string hostile = TempFile("hostile.gbr");
    WriteFile(hostile, "%FSLAX24Y24*%%MOIN*%X999999999Y0D02*X0Y0D01*M02*");
    const std::string corrupt = TempFile("corrupt.jpg");
    std::string jpeg = "\xFF\xD8\xFF\xE0";
    jpeg += std::string(600, '\x5A');
    WriteFile(corrupt, jpeg);
    const std::string emptyPicture = TempFile("empty.jpeg");
    WriteFile(emptyPicture, "");

    struct Case {
        const char* name;
        std::string path;
        std::vector<std::string> texts;
    };
    const std::string problem = COverlayImport::kUnreadableDrawingText;
    const std::vector<std::string> openFailed{COverlayImport::kOpenFailedText,
                                              COverlayImport::kInputFailedText};
    const Case cases[] = {
        {"unrecognised text", unknown, {problem}},
        {"a folder", folder, openFailed},
        {"a FIFO", fifo, openFailed},
        {"a missing file", TempFile("missing.plt"), openFailed},
        {"a Gerber file beyond a drawing's numbers", hostile, {problem}},
        {"a corrupt JPEG", corrupt, {COverlayImport::kUnreadablePictureText}},
        {"an empty JPEG", emptyPicture, {COverlayImport::kUnreadablePictureText}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t asked = m_sandbox.Prompt().Requests().size();
        Import(c.path);
        const std::vector<PromptRequest> requests = m_sandbox.Prompt().Requests();
        std::vector<std::string> texts;
        for (size_t i = asked; i < requests.size(); ++i) {
            texts.push_back(requests[i].text);
            EXPECT_EQ(requests[i].caption, COverlayImport::kCaption);
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_TRUE(ProjectIds().empty());
        EXPECT_TRUE(UnitIds().empty());
        EXPECT_EQ(View().GetSelectedOverlayId(), 0U);
        EXPECT_EQ(ModifiedPosts(), 0U);
    }
}

// --- Apply ---

TEST_F(OverlayEditorCommandsTest, ApplyHandsEachKindOfOwnerItsFieldsAndNotice) {
    const DrawList shape = FShape();
    AddDrawing(3, shape);
    AddRedPicture(4);
    struct Case {
        std::vector<test::ReceivedMessage> notices;
        uint32_t overlay;
        COverlayViewOwner::Kind kind;
        bool drawingTaken;
    };
    const Case cases[] = {
        {{{OverlayMessage::kPlacementChanged, 1, 0}}, 3, COverlayViewOwner::Kind::DescriptionDialog, true},
        {{{OverlayMessage::kPlacementChanged, 1, 0}}, 4, COverlayViewOwner::Kind::DescriptionDialog, false},
        {{{OverlayMessage::kPlacementChanged, 0, 0}}, 3, COverlayViewOwner::Kind::ProbesPage, true},
        {{{OverlayMessage::kPlacementChanged, 0, 0}}, 4, COverlayViewOwner::Kind::ProbesPage, false},
        {{}, 3, COverlayViewOwner::Kind::SpatialView, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.kind)) + " " + std::to_string(c.overlay));
        TestOwner owner;
        owner.kind = c.kind;
        QPointer<COverlayViewFrame> frame = new COverlayViewFrame(m_app.get(), "Overlay View", 0);
        frame->SetOwner(&owner);
        frame->Create();
        testing::FlushEvents();
        COverlayView& view = *frame->GetOverlayView();
        view.SelectOverlayControl(c.overlay);
        view.OnCommand(OverlayCommand::kRotateCounterClockwise);
        QTest::keyClick(&view, Qt::Key_Left);
        testing::FlushEvents();
        testing::Grab(view);
        QTest::mouseClick(view.GetButton(COverlayView::kApplyId), Qt::LeftButton);
        testing::FlushEvents();
        ASSERT_EQ(owner.writes.size(), 1U);
        EXPECT_EQ(owner.writes[0], view.GetPlacement());
        EXPECT_EQ(owner.applied, 1);
        EXPECT_EQ(owner.target.received, c.notices);
        if (c.drawingTaken) {
            ASSERT_EQ(owner.drawings.size(), 1U);
            EXPECT_EQ(owner.drawings[0], Records(COverlayUtility::BuildDrawList(shape.Head(), 1)));
            EXPECT_EQ(owner.opacities, std::vector<int32_t>{50});
        } else {
            EXPECT_TRUE(owner.drawings.empty());
        }
        EXPECT_FALSE(view.GetButton(COverlayView::kApplyId)->isEnabled());

        // OK applies and closes.
        QTest::keyClick(&view, Qt::Key_Up);
        testing::FlushEvents();
        testing::Grab(view);
        QTest::mouseClick(view.GetButton(COverlayView::kOkId), Qt::LeftButton);
        EXPECT_TRUE(testing::ProcessEventsUntil([&frame] { return frame.isNull(); }));
        EXPECT_EQ(owner.writes.size(), 2U);
    }
}

} // namespace
} // namespace orv
