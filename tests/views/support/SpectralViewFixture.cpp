#include "tests/views/support/SpectralViewFixture.h"

namespace orv::test {

void RecordingLinkedPane::UpdateSelectedFrequencies() {
    ++markerUpdates;
    if (spectral != nullptr) {
        spectral->GetSelectedFrequencies(markers);
    }
}

SpectralTestFrame::SpectralTestFrame(MessageThread& thread, const QFrameRequest& request,
                                     int* destroyedWindows, std::unique_ptr<CSpectralView> made)
    : FakeFrame(thread, request, destroyedWindows), view(std::move(made)), pane(thread) {
    if (view == nullptr) {
        view = std::make_unique<CSpectralView>(thread);
    }
    pane.spectral = view.get();
}

std::unique_ptr<QViewFrame> SpectralViewFactory::CreateFrame(const QFrameRequest& request) {
    auto frame = std::make_unique<SpectralTestFrame>(m_thread, request, &destroyedWindows,
                                                     makeView ? makeView(m_thread) : nullptr);
    CSpectralView& view = *frame->view;
    view.SetBorder(false);
    view.SetNodeKind(request.spectralSpatialKind != 0 ? request.spectralSpatialKind
                                                      : request.mediator->GetKind());
    view.SetFrame(frame.get());
    view.SetMediator(request.mediator);
    view.SetScanDataList(request.scanDataList);
    view.SetReady(true);
    view.resize(800, 712);
    view.show();
    view.OnInitialUpdate();
    spectralFrames.push_back(frame.get());
    return frame;
}

namespace {
QScanDataRecord Record(int32_t id, float start, float stop, uint8_t zelt) {
    QScanDataRecord record;
    record.m_ScanId = id;
    record.m_Texts = {"user", "analyser", "module A", "2026-12-10", "head", ""};
    record.m_StartFrequency = start;
    record.m_StopFrequency = stop;
    record.m_Rows = 29;
    record.m_Columns = 42;
    record.m_IsZeltData = zelt;
    return record;
}
} // namespace

QSpectralScanAddition MirtSpectrum(int32_t id, const std::vector<int16_t>& levels, float start, float stop) {
    QSpectralScanAddition addition;
    addition.m_Record = Record(id, start, stop, 0);
    addition.m_HasPoints = true;
    for (int16_t level : levels) {
        addition.m_MirtPoints.push_back(QSpectralPoint{level, 3, 4});
    }
    return addition;
}

QSpectralScanAddition ZeltSpectrum(int32_t id, const std::vector<float>& levels, float start, float stop) {
    QSpectralScanAddition addition;
    addition.m_Record = Record(id, start, stop, 1);
    addition.m_HasPoints = true;
    for (float level : levels) {
        addition.m_ZeltPoints.push_back(CFloatSpectralPoint{level, 3, 4, 5, 6});
    }
    return addition;
}

SpectralViewTest::SpectralViewTest() : factory(thread), window(thread) {
    previousMaker = CFormViewSpectral::InstallMaker([](CSpectralView& /*view*/, QWidget* parent) {
        return std::make_unique<RecordingSpectralPanel>(parent);
    });
    preferences = std::make_unique<SpectralTestPreferences>();
    container.preferences = preferences.get();
}

SpectralViewTest::~SpectralViewTest() {
    mediator.reset();
    CFormViewSpectral::InstallMaker(previousMaker);
}

TestMediator& SpectralViewTest::Open(uint16_t kind) {
    mediator = std::make_unique<TestMediator>(kind, "Board");
    mediator->Wire(&factory, &window, &tree, &list, &container);
    bool created = false;
    mediator->OpenView(kind, created, true);
    Pump();
    return *mediator;
}

void SpectralViewTest::Pump() {
    while (thread.GetPendingCount() > 0) {
        thread.Pump();
    }
}

RecordingSpectralPanel& SpectralViewTest::Panel() {
    return *static_cast<RecordingSpectralPanel*>(View().GetFormView());
}

} // namespace orv::test
