#pragma once

// The overlay editor's test fixture: a project with a form view and a tree, an owner that records
// what the editor hands it, and small drawings and pictures.

#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CUsefulSplitterWnd.h"
#include "app/controls/ClipboardFormats.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/QOverlayOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/drawing/DrawList.h"
#include "overlay/COverlayUnitView.h"
#include "overlay/COverlayUnitWnd.h"
#include "overlay/COverlayUtility.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/COverlayViewOwner.h"
#include "overlay/OverlayMessages.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv::overlay_test {

using testing::ProjectSandbox;

inline std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

// The program's main window is a widget; the editor finds it through the project's main frame.
class WidgetMainFrame : public QWidget, public testing::TestMainFrame {};

class TestOwner : public COverlayViewOwner {
public:
    Kind GetOverlayOwnerKind() const override { return kind; }
    bool ReadOverlayPlacement(COverlayPlacement& out) override {
        if (!placement) {
            return false;
        }
        out = *placement;
        return true;
    }
    void WriteOverlayPlacement(const COverlayPlacement& written, bool /*drawing*/) override {
        writes.push_back(written);
    }
    void OnOverlayPlacementApplied() override { ++applied; }
    void TakeOverlayDrawing(DrawList turned, int32_t opacity) override {
        drawings.push_back(fake::WrittenRecords(turned.Head()));
        opacities.push_back(opacity);
    }
    MessageTarget* GetOverlayOwnerTarget() override { return &target; }
    bool IsOverlayCellMarked(int32_t row, int32_t column) const override {
        return marked.count({row, column}) != 0;
    }

    Kind kind = Kind::DescriptionDialog;
    std::optional<COverlayPlacement> placement;
    std::set<std::pair<int32_t, int32_t>> marked;
    std::vector<COverlayPlacement> writes;
    int applied = 0;
    // The stored records of each drawing taken, and the opacity it came with.
    std::vector<std::vector<uint8_t>> drawings;
    std::vector<int32_t> opacities;
    test::RecordingTarget target{GetUiMessageThread()};
};

inline void Point(DrawList& list, int32_t kind, int32_t x, int32_t y) {
    auto* point = list.Append<DrawPoint_t>(kind);
    point->m_x = x;
    point->m_y = y;
}

// A box outline from (0, 0) to (width, height) in drawing units.
inline DrawList Box(int32_t width, int32_t height) {
    DrawList list;
    Point(list, draw_kind::kMoveTo, 0, 0);
    Point(list, draw_kind::kLineTo, width, 0);
    Point(list, draw_kind::kLineTo, width, height);
    Point(list, draw_kind::kLineTo, 0, height);
    Point(list, draw_kind::kLineTo, 0, 0);
    return list;
}

inline std::vector<uint8_t> PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

inline bool Near(QColor actual, QColor expected, int tolerance = 3) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

MATCHER_P(IsColour, expected, "") {
    *result_listener << "is " << arg.name().toStdString();
    return Near(arg, expected);
}

class OverlayEditorTest : public testing::QtWidgetTest {
protected:
    OverlayEditorTest() : m_sandbox(TestName()) {
        m_app = m_sandbox.MakeApp(m_main, GetUiMessageThread(), false);
        m_app->SetProjectId(1);
        m_app->RegisterProjectTree(1, &m_tree);
        EXPECT_TRUE(m_app->NewProject(1, &m_formView));
        m_main.resize(300, 200);
        m_main.show();
    }
    ~OverlayEditorTest() override {
        delete m_frame.data();
        COverlayUnitWnd::InstallMenuRunner({});
        InstallDragRunner({});
    }

    void AddDrawing(uint32_t id, const DrawList& drawing) {
        ASSERT_TRUE(m_app->AddPcbOverlayControl(fake::WrittenRecords(drawing.Head()), id, 1000 + id, false));
    }
    void AddPicture(uint32_t id, const QImage& image) {
        const std::vector<uint8_t> bytes = PngBytes(image);
        ASSERT_TRUE(m_app->AddPictureOverlayControl(bytes.data(), static_cast<uint32_t>(bytes.size()), id,
                                                    2000 + id, false));
    }
    void Open(bool modal = false) {
        m_frame = new COverlayViewFrame(m_app.get(), "Overlay View", 0);
        m_frame->SetOwner(&m_owner);
        m_frame->SetModal(modal);
        m_frame->Create();
        testing::FlushEvents();
    }
    COverlayView& View() { return *m_frame->GetOverlayView(); }
    COverlayUnitView& Units() { return *m_frame->GetUnitView(); }
    // The view as painted now, and a pixel of it by grid cell (row, column) and offset inside it.
    QImage Painted() { return testing::Grab(View()); }
    QPoint CellPoint(int32_t row, int32_t column, int dx = 0, int dy = 0) {
        const float scale = View().GetScale();
        return View().GetAreaRect().topLeft() +
               QPoint(static_cast<int>(column * scale) + dx, static_cast<int>(row * scale) + dy);
    }
    std::vector<uint32_t> ProjectIds() {
        std::vector<uint32_t> ids;
        for (const auto& control : m_app->GetOverlayControls().GetControls()) {
            ids.push_back(control->GetOverlayId());
        }
        return ids;
    }
    std::vector<uint32_t> UnitIds() {
        std::vector<uint32_t> ids;
        for (const COverlayUnitWnd* unit : Units().GetUnits()) {
            ids.push_back(unit->GetOverlayId());
        }
        return ids;
    }

    ProjectSandbox m_sandbox;
    WidgetMainFrame m_main;
    testing::RecordingFormView m_formView{GetUiMessageThread()};
    CViewTreeWidget m_tree;
    std::unique_ptr<TfrmMainApp> m_app;
    TestOwner m_owner;
    QPointer<COverlayViewFrame> m_frame;
};

} // namespace orv::overlay_test
