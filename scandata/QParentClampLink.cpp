#include "scandata/QParentClampLink.h"

#include "scandata/QContainerNodeMediator.h"

namespace orv {

bool QParentClampLink::Synchronise(QContainerNodeMediator& child) {
    QContainerNodeMediator* parent = nullptr;
    std::optional<std::vector<float>> handUp;
    {
        // Lock 1 of 3: the child's own, alone.
        QAcquiredScanContainer own(&child);
        auto* client = own.As<QParentClampClient>();
        if (client == nullptr) {
            return false;
        }
        parent = client->GetParentClampMediator(child);
        if (parent == nullptr) {
            return false;
        }
        handUp = client->TakeFrequencyHandUp();
    }

    QClampSetupTexts texts;
    {
        // Lock 2 of 3: the parent's, with the child's already given back.
        QAcquiredScanContainer parentAccess(parent);
        auto* clamp = parentAccess.As<QCurrentClampModuleContainer>();
        if (clamp == nullptr) {
            return false;
        }
        if (handUp) {
            clamp->SetFrequencyList(std::move(*handUp));
            clamp->SetHasScanData(true);
        }
        texts = clamp->GetSetupTexts();
    }

    // Lock 3 of 3: the child's again, with the parent's given back.
    QAcquiredScanContainer own(&child);
    if (auto* client = own.As<QParentClampClient>()) {
        client->SetParentSetup(texts);
    }
    return true;
}

} // namespace orv
