#pragma once

// A spectral view in a test frame, wired to a test mediator as a view frame would wire it, with a
// recording option panel; the scans are made in the test.

#include "core/QSpatialDisplayOptions.h"
#include "project/QScanDataRecord.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/project/support/MediatorFakes.h"
#include "views/spectral/CFormViewSpectral.h"
#include "views/spectral/CSpectralView.h"
#include "views/spectral/QLinkedSpatialPane.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orv::test {

// The option panel: counts the refreshes a render ends with and runs a hook at each.
class RecordingSpectralPanel : public CFormViewSpectral {
public:
    explicit RecordingSpectralPanel(QWidget* parent) : m_widget(parent) {}
    QWidget* GetWidget() override { return &m_widget; }
    void OnInitialUpdate() override { ++initialUpdates; }
    void UpdateScaleOptionFields() override {
        ++scaleUpdates;
        if (onUpdate) {
            onUpdate();
        }
    }
    void UpdatePeakOptionFields() override { ++peakUpdates; }

    int initialUpdates = 0;
    int scaleUpdates = 0;
    int peakUpdates = 0;
    std::function<void()> onUpdate;

private:
    QWidget m_widget;
};

// The spatial pane of the frame as the spectral view reaches it: counts the marker updates and
// takes the markers each time, as the spatial view does.
class RecordingLinkedPane : public FakeSpatialView, public QLinkedSpatialPane {
public:
    explicit RecordingLinkedPane(MessageThread& thread) : FakeSpatialView(thread) {}
    void LoadLinkedSpectralSpatialScanData() override { ++linkedLoads; }
    void UpdateSelectedFrequencies() override;
    void GetSelectedCells(std::vector<CScanPoint>& out) override { out = selectedCells; }

    CSpectralView* spectral = nullptr;
    // The cells the pane answers as selected.
    std::vector<CScanPoint> selectedCells;
    int linkedLoads = 0;
    int markerUpdates = 0;
    std::vector<_FrequencyMarkerPoint> markers;
};

// A frame holding one real spectral view and a recording spatial pane.
class SpectralTestFrame : public FakeFrame {
public:
    SpectralTestFrame(MessageThread& thread, const QFrameRequest& request, int* destroyedWindows,
                      std::unique_ptr<CSpectralView> made);
    QSpectralViewInterface* GetSpectralView() override { return view.get(); }
    QSpatialViewInterface* GetSpatialView() override { return &pane; }
    std::unique_ptr<CSpectralView> view;
    RecordingLinkedPane pane;
};

class SpectralViewFactory : public FakeViewFactory {
public:
    explicit SpectralViewFactory(MessageThread& thread) : FakeViewFactory(thread), m_thread(thread) {}
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::vector<SpectralTestFrame*> spectralFrames;
    // Makes the view of the next frames (a variant the test defines); the base view when empty.
    std::function<std::unique_ptr<CSpectralView>(MessageThread&)> makeView;

private:
    MessageThread& m_thread;
};

// A spectral addition with Mirt levels (tenths of a dBuV) between the two frequencies.
QSpectralScanAddition MirtSpectrum(int32_t id, const std::vector<int16_t>& levels, float start = 100.0F,
                                   float stop = 200.0F);
QSpectralScanAddition ZeltSpectrum(int32_t id, const std::vector<float>& levels, float start = 100.0F,
                                   float stop = 200.0F);

// The Preferences node, with the spatial display options whose label switch the read-out reads.
class SpectralTestPreferences : public TestMediator {
public:
    SpectralTestPreferences() : TestMediator(2000, "Preferences") {}
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &spatialDisplay; }
    QSpatialDisplayOptions spatialDisplay;
};

class SpectralViewTest : public orv::testing::QtWidgetTest {
protected:
    SpectralViewTest();
    ~SpectralViewTest() override;

    // A node of the kind with its frame and view open (ready, initial update done, 800 x 712).
    TestMediator& Open(uint16_t kind);
    CSpectralView& View() { return *factory.spectralFrames.back()->view; }
    // Delivers the queued messages (and the relayout they post) until none is left.
    void Pump();
    // The panel the view made.
    RecordingSpectralPanel& Panel();

    MessageThread thread;
    SpectralViewFactory factory;
    FakeProjectWindow window;
    FakeProjectTree tree;
    FakeScanDataList list;
    FakeNodeContainer container;
    std::unique_ptr<TestMediator> mediator;
    std::unique_ptr<SpectralTestPreferences> preferences;
    CFormViewSpectral::Maker previousMaker;
};

} // namespace orv::test
