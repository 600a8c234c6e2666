// The frames on a real X server (Xvfb): scans arriving as a run delivers them open the node's frame,
// a Spectral node's with its trace, a Spectral/Spatial node's maximised with the twelve cells of its
// map coloured and the colour-scale bar beside the map; a Spatial node's map under a board picture
// and under a board drawing; a Spatial node's multi-level map at level 3. The screen is written out
// as pictures.

#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "overlay/COverlayDrawList.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProjectWindowOnXServer.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpatialViewZeltp.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CSpectralViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace orv {
namespace {

// One cell of a 3 x 4 spectral/spatial scan (cells numbered from 1, row by row) with its spectrum.
QCellAddition Cell(uint32_t index) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = 1;
    addition.m_Record.m_Rows = 3;
    addition.m_Record.m_Columns = 4;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Texts = {"user", "analyser", "module", "2026-12-10", "head", ""};
    addition.m_CellIndex = index;
    addition.m_CellCount = 12;
    addition.m_CellWord1 = static_cast<uint16_t>((index - 1) / 4);
    addition.m_CellWord2 = static_cast<uint16_t>((index - 1) % 4);
    addition.m_HasValues = true;
    const auto peak = static_cast<int16_t>(200 + 40 * static_cast<int>(index));
    addition.m_Values = {100, peak, 150};
    return addition;
}

// A board outline with a track and a pad ring, in board units 0..152 x 0..114.
class BoardDrawing : public COverlayDrawList {
public:
    size_t GetPrimitiveCount() const override { return 3; }
    void PaintPrimitive(QPainter& painter, size_t index) const override {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        if (index == 0) {
            painter.drawRect(4, 4, 144, 106);
        } else if (index == 1) {
            painter.drawPolyline(QPolygon({QPoint(10, 57), QPoint(60, 57), QPoint(90, 30), QPoint(140, 30)}));
        } else {
            painter.drawEllipse(QPoint(110, 80), 12, 12);
        }
    }
};

// A board photograph stand-in: green with copper tracks, as the PNG bytes a picture file holds.
QByteArray BoardPicturePng() {
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(0x1B, 0x6B, 0x2F));
    QPainter painter(&picture);
    painter.setPen(QPen(QColor(0xD8, 0x9A, 0x3C), 8));
    painter.drawLine(30, 150, 370, 150);
    painter.drawLine(200, 40, 200, 260);
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRect(260, 60, 80, 60);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}

class FrameScreenshots : public testing::ProjectWindowOnXServerTest {
protected:
    FrameScreenshots() : ProjectWindowOnXServerTest("FrameScreenshots", QRect(0, 0, 1280, 1000)) {}

    static void Save(const std::string& name) {
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(QString::fromStdString(std::string(ORV_SCREENSHOT_DIR) + "/" + name)));
    }
};

TEST_F(FrameScreenshots, ASpectralScanOpensItsTraceAndASpectralSpatialScanItsMaximisedMap) {
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
    std::vector<int16_t> levels;
    for (int i = 0; i < 200; ++i) {
        levels.push_back(static_cast<int16_t>(300 + (i % 40 == 20 ? 350 : (i * 7) % 90)));
    }
    ASSERT_TRUE(spectral.AddSpectralScanData(test::MirtSpectrum(1, levels), true, false));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        auto* view = dynamic_cast<CSpectralView*>(spectral.GetSpectralView());
        return view != nullptr && view->isVisible() && view->GetPoints().size() == levels.size() &&
               view->GetRenderCount() > 1;
    }));
    auto* spectralFrame = dynamic_cast<CSpectralViewFrame*>(spectral.GetFrame(QFrameClass::Spectral));
    ASSERT_NE(spectralFrame, nullptr);
    EXPECT_EQ(spectralFrame->GetIconResource(), 438);
    testing::FlushEvents();
    Save("spectral-view.png");

    QNodeMediator& split = AddNode(kTypeSpectralSpatialScanNode);
    for (uint32_t index = 1; index <= 12; ++index) {
        ASSERT_TRUE(split.AddSpectralSpatialScanData(Cell(index), true));
    }
    CSpectralSpatialViewFrame* frame = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        frame = dynamic_cast<CSpectralSpatialViewFrame*>(split.GetFrame(QFrameClass::SpectralSpatial));
        return frame != nullptr && frame->GetSpatialPane()->GetMapBuildCount() > 0 &&
               frame->GetSpatialPane()->GetCell(2, 3).m_HasData != 0;
    }));
    testing::FlushEvents();
    CSpatialView& map = *frame->GetSpatialPane();
    EXPECT_TRUE(frame->GetWindow()->isMaximized());
    EXPECT_EQ(frame->GetWindow()->windowTitle().toStdString().rfind("Spectral/Spatial", 0), 0U);
    // Every cell of the scan is coloured on the screen (the map is drawn by the view's next ticks).
    std::vector<QRgb> colours;
    auto shownColours = [&] {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        colours.clear();
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                const CSpatialCell& cell = map.GetCell(row, column);
                const QPoint centre =
                    map.mapToGlobal(QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                           (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2));
                colours.push_back(screen.pixel(centre) & 0xFFFFFFU);
            }
        }
        return std::none_of(colours.begin(), colours.end(), [](QRgb pixel) { return pixel == 0xE8E8E8U; });
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(shownColours, std::chrono::seconds(5)));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NE(map.GetCell(row, column).m_HasData, 0) << row << "," << column;
        }
    }
    EXPECT_NE(colours.front(), colours.back());
    // The colour-scale bar stands beside the map.
    EXPECT_TRUE(map.GetColourBar().isVisible());
    EXPECT_GE(map.GetColourBar().geometry().left(), map.GetMapRect().right());
    Save("spectral-spatial-view.png");
}

TEST_F(FrameScreenshots, ASpatialMapUnderItsBoardPictureAndUnderItsBoardDrawing) {
    TfrmMainApp& project = *m_projects.FindProjectById(m_project->GetProjectId());
    const QByteArray png = BoardPicturePng();
    ASSERT_TRUE(project.AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(png.constData()),
                                                 static_cast<uint32_t>(png.size()), 41,
                                                 static_cast<uint32_t>(png.size()), false));
    ASSERT_TRUE(project.AddPcbOverlayControl({}, 42, 0, false));
    BoardDrawing drawing;

    struct Shot {
        uint32_t overlayId;
        const char* file;
    };
    for (const Shot& shot :
         {Shot{41, "spatial-view-picture-overlay.png"}, Shot{42, "spatial-view-drawing-overlay.png"}}) {
        SCOPED_TRACE(shot.file);
        QNodeMediator& node = AddNode(kTypeSpatialScanNode);
        for (QNodeMediator* owner : {&node, project.GetPreferencesMediator()}) {
            if (QSpatialDisplayOptions* options =
                    owner != nullptr ? owner->GetSpatialDisplayOptions() : nullptr) {
                options->m_flag6 = 1; // overlay shown
                options->m_flag7 = 1; // and blended
            }
        }
        QSpatialScanAddition scan;
        scan.m_Record.m_ScanId = 1;
        scan.m_Record.m_Rows = 6;
        scan.m_Record.m_Columns = 8;
        scan.m_Record.m_CenterFrequency = 150.0F;
        scan.m_Record.m_Texts = {"user", "analyser", "module", "2026-12-10", "head", ""};
        for (int i = 0; i < 48; ++i) {
            scan.m_Values.push_back(static_cast<int16_t>(200 + 60 * ((i % 8) + (i / 8)) % 700));
        }
        CScanAreaRecord& area = scan.m_Record.m_Area;
        area.m_OverlayId = shot.overlayId;
        if (shot.overlayId == 41) {
            area.m_Variant = 1; // a picture, over the whole grid at 60 %
            area.m_OtherValues = {0.0F, 0.0F, 1.0F, 1.0F};
            area.m_OtherWord = 60;
        } else {
            area.m_Values = {0.25F, 0.25F}; // the board from a quarter in, half the grid wide
            area.m_Right = 152;
            area.m_Bottom = 114;
        }
        ASSERT_TRUE(node.AddSpatialScanData(scan, true, false));
        CSpatialView* view = nullptr;
        ASSERT_TRUE(testing::ProcessEventsUntil([&] {
            view = dynamic_cast<CSpatialView*>(node.GetSpatialView());
            return view != nullptr && view->isVisible() && view->GetMapBuildCount() > 0;
        }));
        // The drawing's painter, as the overlay editor's import hands it over; then the map rebuilt.
        view->SetOverlayDrawLists(
            [&drawing](uint32_t id, int32_t /*quarterTurns*/) -> const COverlayDrawList* {
                return id == 42 ? &drawing : nullptr;
            });
        view->GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return !view->GetPictureRect().isEmpty(); }));
        testing::FlushEvents();
        // The overlay is on the screen: inside the picture's rectangle the map is mixed with it.
        const QRect placed = view->GetPictureRect();
        EXPECT_GT(placed.width(), 0);
        Save(shot.file);
    }
}

TEST_F(FrameScreenshots, ASpatialFrameShowsAMultiLevelScanSubCellBySubCell) {
    QNodeMediator& node = AddNode(kTypeSpatialScanNode);
    // Level 3 on 6 x 8 cells: 8 x 8 sub-cells each, a ripple across the board and two cells left out.
    QSpatialScanAddition scan;
    scan.m_Record.m_ScanId = 1;
    scan.m_Record.m_Rows = 6;
    scan.m_Record.m_Columns = 8;
    scan.m_Record.m_CenterFrequency = 150.0F;
    scan.m_Record.m_Texts = {"user", "analyser", "module", "2026-12-11", "head", ""};
    scan.m_Record.m_IsZeltData = 1;
    scan.m_Record.m_ZeltLevel = 3;
    for (uint16_t r = 0; r < 6; ++r) {
        for (uint16_t c = 0; c < 8; ++c) {
            if ((r == 1 && c == 6) || (r == 4 && c == 1)) {
                continue;
            }
            for (uint16_t sr = 0; sr < 8; ++sr) {
                for (uint16_t sc = 0; sc < 8; ++sc) {
                    const double x = c * 8 + sc;
                    const double y = r * 8 + sr;
                    const auto value =
                        static_cast<float>(400.0 + 250.0 * std::sin(x / 9.0) * std::cos(y / 7.0));
                    const uint16_t words[4] = {r, c, sr, sc};
                    uint8_t record[12];
                    std::memcpy(record, words, 8);
                    std::memcpy(record + 8, &value, 4);
                    scan.m_ZeltRecords.insert(scan.m_ZeltRecords.end(), record, record + 12);
                }
            }
        }
    }
    ASSERT_TRUE(node.AddSpatialScanData(scan, true, false));
    CSpatialViewZeltp* view = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        view = dynamic_cast<CSpatialViewZeltp*>(node.GetSpatialView());
        return view != nullptr && view->isVisible() && view->GetReceivedPointCount() > 0;
    }));
    // The sub-cells of one cell show on the screen in colours of their own.
    auto subCellColours = [&] {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const CCellRect& cell = view->GetCell(2, 3).m_ViewRect;
        const int w = (cell.right - cell.left) / 8;
        std::vector<QRgb> colours;
        for (int k = 0; k < 8; ++k) {
            const QPoint centre =
                view->mapToGlobal(QPoint(cell.left + k * w + w / 2, cell.top + k * w + w / 2));
            colours.push_back(screen.pixel(centre) & 0xFFFFFFU);
        }
        std::sort(colours.begin(), colours.end());
        return std::unique(colours.begin(), colours.end()) - colours.begin() >= 3;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(subCellColours, std::chrono::seconds(5)));
    const auto& texts = view->GetDrawnTexts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const auto& text) { return text.text == "Level: 4 --- 0.94 mm"; }));
    testing::FlushEvents();
    Save("spatial-view-level-3.png");
}

} // namespace
} // namespace orv
