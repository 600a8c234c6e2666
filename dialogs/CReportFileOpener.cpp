#include "dialogs/CReportFileOpener.h"

#include "app/project/CFormViewFactory.h"
#include "dialogs/CWordAutomation.h"

namespace orv {

bool CReportFileOpener::Open(const std::string& path) {
    CWordAutomation automation;
    if (automation.OpenDocument(path, true) != S_OK) {
        return false;
    }
    // The word processor keeps the document when the automation object is gone.
    automation.SetQuitOnRelease(false);
    automation.Release();
    return automation.GetLastResult() == S_OK;
}

void CReportFileOpener::Install() {
    CFormViewFactory::SetReportFileOpener(&CReportFileOpener::Open);
}

} // namespace orv
