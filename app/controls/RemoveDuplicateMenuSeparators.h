#pragma once

class QMenu;

namespace orv {

// Walks the menu by position and removes every separator that directly follows another one (menus
// built from parts leave doubled separators where a part added nothing).
void RemoveDuplicateMenuSeparators(QMenu* menu);

} // namespace orv
