#include "project/QReportDocument.h"

namespace orv {

QReportDocument::~QReportDocument() = default;

} // namespace orv
