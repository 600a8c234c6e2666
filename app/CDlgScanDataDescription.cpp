#include "app/CDlgScanDataDescription.h"

#include "platform/log/InformationLog.h"

#include <utility>

namespace orv {
namespace {

CDlgScanDataDescription::Maker& InstalledMaker() {
    static CDlgScanDataDescription::Maker maker;
    return maker;
}

} // namespace

CDlgScanDataDescription::~CDlgScanDataDescription() = default;

CDlgScanDataDescription::Maker CDlgScanDataDescription::InstallMaker(Maker maker) {
    return std::exchange(InstalledMaker(), std::move(maker));
}

bool CDlgScanDataDescription::Run(QNodeMediator& mediator, int32_t scanId, int32_t tabIndex,
                                  QWidget* parent) {
    const Maker& maker = InstalledMaker();
    std::unique_ptr<CDlgScanDataDescription> dialog =
        maker ? maker(mediator, scanId, tabIndex, parent) : nullptr;
    if (dialog == nullptr) {
        AddInformationMessage(0, "The scan-data description dialog is not available.");
        return false;
    }
    return dialog->DoModal();
}

} // namespace orv
