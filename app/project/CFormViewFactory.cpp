#include "app/project/CFormViewFactory.h"

#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "project/QMediatorFileFields.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeMediator.h"

#include <filesystem>
#include <system_error>

namespace orv {
namespace {

CFormViewFactory::FrameMaker& Maker() {
    static CFormViewFactory::FrameMaker maker;
    return maker;
}

CFormViewFactory::SettingsMaker& SettingsMakers() {
    static CFormViewFactory::SettingsMaker maker;
    return maker;
}

CFormViewFactory::ReportFileOpener& ReportOpener() {
    static CFormViewFactory::ReportFileOpener opener;
    return opener;
}

} // namespace

void CFormViewFactory::SetFrameMaker(FrameMaker maker) {
    Maker() = std::move(maker);
}

const CFormViewFactory::FrameMaker& CFormViewFactory::GetFrameMaker() {
    return Maker();
}

void CFormViewFactory::SetSettingsMaker(SettingsMaker maker) {
    SettingsMakers() = std::move(maker);
}

const CFormViewFactory::SettingsMaker& CFormViewFactory::GetSettingsMaker() {
    return SettingsMakers();
}

void CFormViewFactory::SetReportFileOpener(ReportFileOpener opener) {
    ReportOpener() = std::move(opener);
}

std::unique_ptr<QViewFrame> CFormViewFactory::CreateFrame(const QFrameRequest& request) {
    if (Maker()) {
        return Maker()(request, m_formView);
    }
    AddInformationMessage(0, FormatC("No view window is available for \"%s\" (frame class %d).",
                                     request.title.c_str(), static_cast<int>(request.frameClass)));
    return nullptr;
}

std::unique_ptr<QSettingsSheet> CFormViewFactory::CreateSettingsSheet(const std::string& caption,
                                                                      QProjectWindow* /*parent*/,
                                                                      int32_t firstPage) {
    if (SettingsMakers().makeSheet) {
        return SettingsMakers().makeSheet(caption, m_formView, firstPage);
    }
    AddInformationMessage(0, "No settings sheet is available for \"" + caption + "\".");
    return nullptr;
}

std::unique_ptr<QSettingsPage>
CFormViewFactory::CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator, uint16_t scanKind) {
    std::unique_ptr<QSettingsPage> page;
    if (SettingsMakers().makePage) {
        page = SettingsMakers().makePage(kind, mediator, scanKind);
    }
    if (page == nullptr) {
        AddInformationMessage(0, FormatC("No settings page %d is available for the node \"%s\".",
                                         static_cast<int>(kind), mediator.GetName().c_str()));
    }
    return page;
}

QReportOpenResult CFormViewFactory::OpenReportFile(QNodeMediator& mediator) {
    const QMediatorFileFields* fields = QMediatorProjectFileModel::FindFileFields(mediator);
    const std::string path = fields != nullptr ? fields->GetReportText() : std::string();
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return QReportOpenResult::FileMissing;
    }
    if (!ReportOpener()) {
        AddInformationMessage(0, "The report file of the node \"" + mediator.GetName() +
                                     "\" cannot be shown: no word processor is available.");
        return QReportOpenResult::Opened;
    }
    return ReportOpener()(path) ? QReportOpenResult::Opened : QReportOpenResult::WordProcessorFailed;
}

} // namespace orv
