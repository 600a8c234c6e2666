#include "project/QScanDataExportCommand.h"

#include "core/QException.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "project/QExportFileChooser.h"
#include "project/QExportTextSink.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataExporter.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace orv {

namespace {

void ShowFailure(const std::string& reason) {
    std::string text = kExportFailedMessage;
    if (!reason.empty()) {
        text += "\n\n" + reason;
    }
    ShowPrompt(text, kExportCaption, PromptButtons::Ok, PromptIcon::Warning);
}

} // namespace

int32_t ResolveExportScanID(QNodeMediator& mediator, int32_t scanID, bool spatial) {
    QNode* node = mediator.GetNode();
    const uint16_t kind = node != nullptr ? node->GetTypeID() : uint16_t{0};
    const bool exported = kind == kTypeSpatialScanNode || kind == kTypeSpectralSpatialScanNode ||
                          kind == kTypeHandHeldProbeScanNode || (kind == kTypeSpectralScanNode && !spatial);
    if (!exported) {
        return 0;
    }
    const std::vector<int32_t> ids = mediator.GetScanIDs(kind);
    if (ids.empty()) {
        return 0;
    }
    if (scanID == 0) {
        // The newest scan has the largest ID (each new scan takes the largest + 1), wherever the
        // user moved it in the list.
        return *std::max_element(ids.begin(), ids.end());
    }
    return std::find(ids.begin(), ids.end(), scanID) != ids.end() ? scanID : 0;
}

void RunScanDataExport(QNodeMediator& mediator, QScanDataExporter& exporter, int32_t scanID, bool spatial) {
    const int32_t exportedID = ResolveExportScanID(mediator, scanID, spatial);
    if (exportedID == 0) {
        ShowPrompt(kNoScanToExportMessage, kExportCaption, PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    const std::shared_ptr<QExportFileChooser> chooser = GetExportFileChooser();
    if (chooser == nullptr) {
        return;
    }
    QExportFileRequest request;
    request.m_Title = kExportCaption;
    request.m_Filter = kExportFilter;
    request.m_DefaultExtension = "txt";
    request.m_ConfirmOverwrite = true;
    const std::optional<std::string> path = chooser->ChooseSaveFile(request);
    if (!path) {
        return;
    }
    std::string failure;
    bool failed = false;
    {
        WaitCursorGuard busy;
        try {
            QExportTextSink sink(*path);
            exporter.ExportScan(mediator, sink, exportedID, *path);
        } catch (const QException& error) {
            failed = true;
            failure = error.m_message;
        } catch (const std::exception& error) {
            failed = true;
            failure = error.what();
        }
    }
    // The box comes once the cursor is back and nothing of the run is held.
    if (failed) {
        ShowFailure(failure);
    }
}

QExportAllPeaksGuard::QExportAllPeaksGuard(QNodeMediator& mediator) : m_mediator(mediator) {
    if (QScanOptions* options = m_mediator.GetScanOptions()) {
        m_previous = options->IsExportAllPeaks();
        options->SetExportAllPeaks(true);
    }
}

QExportAllPeaksGuard::~QExportAllPeaksGuard() {
    if (QScanOptions* options = m_mediator.GetScanOptions()) {
        options->SetExportAllPeaks(m_previous);
    }
}

} // namespace orv
