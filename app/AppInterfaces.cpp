#include "app/CConnectionLink.h"
#include "app/CProjectDocument.h"
#include "app/CStopScanFrame.h"

namespace orv {

CConnectionLink::~CConnectionLink() = default;
CStopScanFrame::~CStopScanFrame() = default;
CProjectDocumentFactory::~CProjectDocumentFactory() = default;
CProjectDocumentWindow::~CProjectDocumentWindow() = default;

} // namespace orv
