#pragma once

// A menu read as a list for the menu tables of the view tests: each entry's caption, "-" for a
// separator, ">" and the submenu's entries joined by "|" after a submenu's caption, " [off]" on a
// greyed entry and " [x]" on a checked one.

#include <QAction>
#include <QMenu>

#include <string>
#include <vector>

namespace orv::testing {

inline std::string DescribeMenuAction(const QAction& action) {
    if (action.isSeparator()) {
        return "-";
    }
    std::string text = action.text().toStdString();
    if (const QMenu* submenu = action.menu()) {
        text += ">";
        bool first = true;
        for (const QAction* item : submenu->actions()) {
            text += (first ? "" : "|") + DescribeMenuAction(*item);
            first = false;
        }
    }
    if (!action.isEnabled()) {
        text += " [off]";
    }
    if (action.isChecked()) {
        text += " [x]";
    }
    return text;
}

inline std::vector<std::string> MenuItems(const QMenu& menu) {
    std::vector<std::string> items;
    for (const QAction* action : menu.actions()) {
        items.push_back(DescribeMenuAction(*action));
    }
    return items;
}

} // namespace orv::testing
