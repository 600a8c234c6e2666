#pragma once

// The tab strip of the view bars and panels: a tab bar of its own type, drawn as the base one.

#include <QTabBar>

namespace orv {

class CDisplayTab : public QTabBar {
public:
    using QTabBar::QTabBar;
};

} // namespace orv
