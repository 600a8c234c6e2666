#include "tests/project/support/MediatorFakes.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "project/NodeMessages.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <algorithm>

namespace orv::test {

std::vector<uint32_t> RecordingTarget::Ids() const {
    std::vector<uint32_t> ids;
    for (const ReceivedMessage& message : received) {
        ids.push_back(message.id);
    }
    return ids;
}

int64_t RecordingTarget::HandleMessage(Message& message) {
    received.push_back({message.id, message.wParam, message.lParam});
    return 0;
}

FakeFrame::FakeFrame(MessageThread& thread, const QFrameRequest& request, int* destroyedWindows)
    : request(request), destroyedWindows(destroyedWindows), target(thread, *this) {
    switch (request.frameClass) {
    case QFrameClass::Spectral:
    case QFrameClass::SpectralComparison:
    case QFrameClass::SpectralOverlay:
    case QFrameClass::Scripting:
        spectral = std::make_unique<FakeSpectralView>(thread);
        break;
    case QFrameClass::Spatial:
    case QFrameClass::SpatialComparison:
    case QFrameClass::BlindSpotReduction:
        spatial = std::make_unique<FakeSpatialView>(thread);
        break;
    case QFrameClass::SpectralSpatial:
        spectral = std::make_unique<FakeSpectralView>(thread);
        spatial = std::make_unique<FakeSpatialView>(thread);
        break;
    }
    title = request.title;
}

void FakeFrame::SetShowState(QShowState newState) {
    state = newState;
    placements.push_back(newState);
}

void FakeFrame::CloseWindow() {
    if (!window) {
        return;
    }
    window = false;
    visible = false;
    if (spectral != nullptr) {
        spectral->window = false;
    }
    if (spatial != nullptr) {
        spatial->window = false;
    }
    request.mediator->ResetDisplayedScanIds();
}

void FakeFrame::DestroyWindow() {
    ++*destroyedWindows;
    CloseWindow();
}

int64_t FakeFrame::FrameTarget::HandleMessage(Message& message) {
    RecordingTarget::HandleMessage(message);
    if (message.id == NodeMessage::kClose) {
        m_frame.CloseWindow();
    }
    return 0;
}

std::unique_ptr<QViewFrame> FakeViewFactory::CreateFrame(const QFrameRequest& request) {
    auto frame = std::make_unique<FakeFrame>(m_thread, request, &destroyedWindows);
    frames.push_back(frame.get());
    return frame;
}

std::unique_ptr<QSettingsSheet> FakeViewFactory::CreateSettingsSheet(const std::string& caption,
                                                                     QProjectWindow* /*parent*/,
                                                                     int32_t firstPage) {
    auto sheet = std::make_unique<FakeSheet>(caption, &destroyedWindows);
    sheets.push_back(sheet.get());
    firstPages.push_back(firstPage);
    return sheet;
}

std::unique_ptr<QSettingsPage>
FakeViewFactory::CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& /*mediator*/, uint16_t scanKind) {
    auto page = std::make_unique<FakePage>(kind, scanKind);
    pages.push_back(page.get());
    return page;
}

QReportOpenResult FakeViewFactory::OpenReportFile(QNodeMediator& /*mediator*/) {
    ++reportOpens;
    return reportResult;
}

void FakeNodeContainer::AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                                  QNodeMediator& mediator) {
    listCalls.push_back({"spectral", scan.m_ScanId, live, newEntry});
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
}

void FakeNodeContainer::AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                                 QNodeMediator& mediator) {
    listCalls.push_back({"spatial", scan.m_ScanId, live, newEntry});
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
}

void FakeNodeContainer::AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                         QNodeMediator& /*mediator*/) {
    listCalls.push_back({"spectral/spatial", scan.m_ScanId, live, true});
}

void FakeNodeContainer::AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                                       QNodeMediator& /*mediator*/) {
    listCalls.push_back({"hand-held", scan.m_ScanId, live, true});
}

TestMediator::TestMediator(uint16_t kind, std::string name, uint32_t id) : name(std::move(name)), id(id) {
    SetKind(kind);
}

TestMediator::~TestMediator() {
    StopScanThread();
}

void TestMediator::GetTopLevelMenuItems(std::vector<std::string>& items) {
    items.insert(items.end(), menu.begin(), menu.end());
}

void TestMediator::WriteData(QDataWriter& writer) {
    writer.WriteU32(0);
}

void TestMediator::ReadData(QDataReader& reader) {
    reader.ReadU32();
}

void TestMediator::RemoveLinkedProxy(QNodeMediator& proxy) {
    linkedProxies.erase(std::remove(linkedProxies.begin(), linkedProxies.end(), &proxy), linkedProxies.end());
}

void TestMediator::Wire(FakeViewFactory* factory, FakeProjectWindow* window, FakeProjectTree* tree,
                        FakeScanDataList* list, FakeNodeContainer* container) {
    SetViewFactory(factory);
    SetMainWindow(window);
    SetProjectTree(tree);
    SetScanDataList(list);
    SetContainer(container);
    SetTreeContainer(container);
}

} // namespace orv::test
