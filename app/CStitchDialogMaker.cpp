#include "app/CStitchDialogMaker.h"

#include "platform/log/InformationLog.h"

#include <utility>

namespace orv {
namespace {

CStitchDialogMaker::Maker& InstalledMaker() {
    static CStitchDialogMaker::Maker maker;
    return maker;
}

} // namespace

CStitchDialogMaker::Maker CStitchDialogMaker::Install(Maker maker) {
    return std::exchange(InstalledMaker(), std::move(maker));
}

bool CStitchDialogMaker::Run(QNodeMediator& mediator, QWidget* parent) {
    const Maker& maker = InstalledMaker();
    if (!maker) {
        AddInformationMessage(0, "The scan stitcher is not available.");
        return false;
    }
    return maker(mediator, parent);
}

} // namespace orv
