#include "tests/app/support/ProjectWindowSupport.h"

#include "core/WriteRegistryString.h"
#include "platform/registry/SettingsStore.h"
#include "platform/sync/Event.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFile.h"

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace orv::testing {

void TestMainFrame::ExitProgram(int exitCode) {
    throw std::runtime_error("the program would end with " + std::to_string(exitCode));
}

std::unique_ptr<QViewFrame> RecordingViewFactory::CreateFrame(const QFrameRequest& request) {
    log.push_back("frame " + std::to_string(static_cast<int>(request.frameClass)));
    return nullptr;
}

std::unique_ptr<QSettingsSheet> RecordingViewFactory::CreateSettingsSheet(const std::string& caption,
                                                                          QProjectWindow* /*parent*/,
                                                                          int32_t /*firstPage*/) {
    log.push_back("sheet " + caption);
    return std::make_unique<RecordingSheet>(caption, log);
}

QReportOpenResult RecordingViewFactory::OpenReportFile(QNodeMediator& mediator) {
    log.push_back("report " + mediator.GetName());
    return QReportOpenResult::Opened;
}

NoWorkerScanHost::NoWorkerScanHost() : m_event(std::make_unique<Event>(Event::Reset::Manual)) {}
NoWorkerScanHost::~NoWorkerScanHost() = default;

ProjectSandbox::ProjectSandbox(const std::string& name) {
    m_folder =
        (std::filesystem::temp_directory_path() / ("orv-apptest-" + std::to_string(getpid()) + "-" + name))
            .string();
    std::filesystem::remove_all(m_folder);
    m_repository = m_folder + "/repo";
    std::filesystem::create_directories(m_repository + "/Data");
    m_promptInstall = std::make_unique<ScopedPromptInstall>(m_prompt);
    SettingsStore::Instance().SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
    WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                        TfrmMainApp::kLastRepositoryValue, m_repository);
}

ProjectSandbox::~ProjectSandbox() {
    m_promptInstall.reset();
    SettingsStore::Instance().SetLocations("", "");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

QNodeFactory::FundamentalMediatorMaker ProjectSandbox::Maker(QMainFrame& frame, MessageThread& thread) {
    return QFundamentalNodeMediator::MakeMaker(thread, &frame);
}

std::shared_ptr<QProjectStorageManagerFactory> ProjectSandbox::StorageFactory(QMainFrame& frame,
                                                                              MessageThread& thread) {
    if (m_model == nullptr) {
        m_model = std::make_unique<QMediatorProjectFileModel>(Maker(frame, thread));
    }
    return std::make_shared<QFileSystemProjectStorageManagerFactory>(
        std::make_shared<QProjectFile>(*m_model));
}

std::unique_ptr<TfrmMainApp> ProjectSandbox::MakeApp(QMainFrame& frame, MessageThread& thread,
                                                     bool noPreferences) {
    return std::make_unique<TfrmMainApp>(frame, noPreferences, StorageFactory(frame, thread),
                                         Maker(frame, thread));
}

} // namespace orv::testing
