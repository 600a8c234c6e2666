#pragma once

// A spatial view (and, in spectral/spatial frames, the spectral view beside it) in a test frame,
// wired to a test mediator with its own spatial display and overlay options; a recording panel.

#include "core/QOverlayOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "project/QScanDataRecord.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/project/support/MediatorFakes.h"
#include "views/spatial/CFormViewSpatial.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/CSpectralView.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

class RecordingSpatialPanel : public CFormViewSpatial {
public:
    explicit RecordingSpatialPanel(QWidget* parent) : m_widget(parent) {}
    QWidget* GetWidget() override { return &m_widget; }
    void OnInitialUpdate() override {}
    void RefreshCurrentOptionTab() override { ++currentTabRefreshes; }
    void RefreshOverlayOptionTab() override { ++overlayTabRefreshes; }
    void UpdateScaleOptionFields() override { ++scaleUpdates; }
    bool IsRepositionOverlayChecked() const override { return reposition; }
    void ClickRepositionOverlay() override {
        reposition = !reposition;
        ++repositionClicks;
    }
    bool IsOverlayChecked() const override { return overlay; }
    void ClickOverlay() override {
        overlay = !overlay;
        calls.emplace_back("click Overlay");
    }
    void EditOverlay() override {
        calls.emplace_back(overlay ? "Edit Overlay, shown" : "Edit Overlay, hidden");
    }

    int currentTabRefreshes = 0;
    int overlayTabRefreshes = 0;
    int scaleUpdates = 0;
    int repositionClicks = 0;
    bool reposition = false;
    bool overlay = false;
    // The overlay box's clicks and the edit requests, in order.
    std::vector<std::string> calls;

private:
    QWidget m_widget;
};

class SpatialTestMediator : public TestMediator {
public:
    using TestMediator::TestMediator;
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &spatialDisplay; }
    QOverlayOptions* GetOverlayOptions() override { return &overlay; }
    // The Preferences node's compensation settings the node's scans read (none unless given).
    bool GetCompensationSettings(QScanCompensationSettings& out) const override {
        if (compensation.has_value()) {
            out = *compensation;
        }
        return compensation.has_value();
    }
    QSpatialDisplayOptions spatialDisplay;
    QOverlayOptions overlay;
    std::optional<QScanCompensationSettings> compensation;
};

class ViewTestFrame : public FakeFrame {
public:
    ViewTestFrame(MessageThread& thread, const QFrameRequest& request, int* destroyedWindows);
    QSpectralViewInterface* GetSpectralView() override { return spectralView.get(); }
    QSpatialViewInterface* GetSpatialView() override { return spatialView.get(); }
    std::unique_ptr<CSpectralView> spectralView;
    std::unique_ptr<CSpatialView> spatialView;
};

class ViewTestFactory : public FakeViewFactory {
public:
    explicit ViewTestFactory(MessageThread& thread) : FakeViewFactory(thread), m_thread(thread) {}
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::vector<ViewTestFrame*> viewFrames;
    // Makes the spatial views in place of a plain CSpatialView (a test's own kind of view).
    std::function<std::unique_ptr<CSpatialView>(MessageThread&)> makeSpatialView;

private:
    MessageThread& m_thread;
};

// A spatial grid of Mirt values (tenths of a dBuV), row by row.
QSpatialScanAddition SpatialGrid(int32_t id, uint16_t rows, uint16_t columns, std::vector<int16_t> values);
// One cell of a spectral/spatial scan at (row, column) with its spectrum.
QCellAddition SpectralSpatialCell(int32_t id, uint32_t index, uint32_t count, uint16_t row, uint16_t column,
                                  std::vector<int16_t> values);

class SpatialViewTest : public orv::testing::QtWidgetTest {
protected:
    SpatialViewTest();
    ~SpatialViewTest() override;

    // A node of the kind with its frame open (800 x 600 spatial view, initial update done).
    SpatialTestMediator& Open(uint16_t kind);
    CSpatialView& View() { return *factory.viewFrames.back()->spatialView; }
    void Pump();
    RecordingSpatialPanel& Panel() { return *static_cast<RecordingSpatialPanel*>(View().GetFormView()); }

    MessageThread thread;
    ViewTestFactory factory;
    FakeProjectWindow window;
    FakeProjectTree tree;
    FakeScanDataList list;
    FakeNodeContainer container;
    std::unique_ptr<SpatialTestMediator> mediator;
    std::unique_ptr<SpatialTestMediator> preferences;
    CFormViewSpatial::Maker previousMaker;
};

} // namespace orv::test
