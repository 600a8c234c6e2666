#include "project/QSettingsSheet.h"

namespace orv {

QSettingsPage::~QSettingsPage() = default;
QSettingsSheet::~QSettingsSheet() = default;

} // namespace orv
