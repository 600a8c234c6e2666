#include "app/panes/CViewTreeMenu.h"

#include <QMenu>

#include <initializer_list>

namespace orv {
namespace {

using namespace TreeCommand;

// One entry of a popup: a command, a separator (id 0, no caption) or the "Add Node" submenu.
struct Entry {
    uint32_t id;
    const char* caption;
};

constexpr uint32_t kSeparator = 0;
constexpr uint32_t kAddNodeSubmenu = 1;

constexpr Entry kAddNodeItems[] = {
    {kAddSpectral, "Spectral"},
    {kAddSpatial, "Spatial"},
    {kAddSpectralSpatial, "Spectral/Spatial"},
    {kAddHandHeldProbe, "Hand-Held Probe"},
    {kAddModule, "Module"},
    {kAddSpectralComparison, "Spectral Comparison"},
    {kAddSpatialComparison, "Spatial Comparison"},
    {kAddSpectralOverlay, "Spectral Overlay"},
    {kAddBlindSpotReduction, "Blind Spot Reduction"},
    {kAddSpatialBlindSpotReduction, "Spatial Blind Spot Reduction"},
    {kAddScripting, "Spectral/Spatial Scripting"},
    {kAddNote, "Note"},
    {kAddReportGenerator, "Report Generator"},
};

// The node popups share one layout; "Add Node" is the fourth item.
constexpr Entry kNodeItems[] = {
    {kRunOnce, "Run Once"},
    {kRunContinuously, "Run Continuously"},
    {kOpenView, "Open View"},
    {kAddNodeSubmenu, "Add Node"},
    {kSeparator, nullptr},
    {kDeleteNode, "Delete Node"},
    {kSeparator, nullptr},
    {kSettings, "Settings"},
    {kProperties, "Properties"},
    {kNodeViews, "Node Views"},
    {kNodeScanData, "Node Scan Data"},
};

constexpr Entry kUserCompositeItems[] = {
    {kOpenView, "Open View"}, {kSeparator, nullptr},   {kDeleteNode, "Delete Node"},
    {kSeparator, nullptr},    {kSettings, "Settings"},
};

constexpr Entry kCopyMoveItems[] = {
    {kCopyNodeWithSettings, "Copy Node With Settings"},
    {kCopyNodeWithSettingsAndData, "Copy Node With Settings And Data"},
    {kMoveNode, "Move Node"},
    {kSeparator, nullptr},
    {kCancelCopy, "Cancel"},
};

constexpr Entry kReportGeneratorItems[] = {
    {kNoOperationReport, "No operation untill the report generator is closed !"},
};

constexpr Entry kOngoingScanItems[] = {
    {kNoOperationScan, "No operation untill the scan is done !"},
};

constexpr const char* kPopupNames[CViewTreeMenu::kPopupCount] = {
    "Project Popup",
    "Spectral Popup",
    "Spatial Popup",
    "Spectral/Spatial Popup",
    "Spectral/Spatial Scripting",
    "Copy/Move Nodes",
    "Comparison Node",
    "Report Generator",
    "SS User Composite Node",
    "Ongoing Scan",
};

QAction* AddCommand(QMenu& menu, const Entry& entry) {
    QAction* action = menu.addAction(QString::fromLatin1(entry.caption));
    action->setData(QVariant::fromValue<uint>(entry.id));
    return action;
}

template <size_t N> void Fill(QMenu& menu, const Entry (&entries)[N]) {
    for (const Entry& entry : entries) {
        if (entry.id == kSeparator) {
            menu.addSeparator();
        } else if (entry.id == kAddNodeSubmenu) {
            QMenu* submenu = menu.addMenu(QString::fromLatin1(entry.caption));
            Fill(*submenu, kAddNodeItems);
        } else {
            AddCommand(menu, entry);
        }
    }
}

} // namespace

const char* CViewTreeMenu::PopupName(int index) {
    return index >= 0 && index < kPopupCount ? kPopupNames[index] : "";
}

std::unique_ptr<QMenu> CViewTreeMenu::BuildPopup(int index) {
    if (index < 0 || index >= kPopupCount) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(QString::fromLatin1(kPopupNames[index]));
    switch (index) {
    case kCopyMovePopup:
        Fill(*menu, kCopyMoveItems);
        break;
    case kReportGeneratorPopup:
        Fill(*menu, kReportGeneratorItems);
        break;
    case kUserCompositePopup:
        Fill(*menu, kUserCompositeItems);
        break;
    case kOngoingScanPopup:
        Fill(*menu, kOngoingScanItems);
        break;
    default:
        Fill(*menu, kNodeItems);
        break;
    }
    return menu;
}

uint32_t CViewTreeMenu::CommandOf(const QAction* action) {
    return action != nullptr && !action->isSeparator() && action->menu() == nullptr ? action->data().toUInt()
                                                                                    : 0;
}

QAction* CViewTreeMenu::FindCommand(const QMenu& menu, uint32_t command) {
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = FindCommand(*submenu, command)) {
                return found;
            }
        } else if (CommandOf(action) == command) {
            return action;
        }
    }
    return nullptr;
}

bool CViewTreeMenu::RemoveCommand(QMenu& menu, uint32_t command) {
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu()) {
            if (RemoveCommand(*submenu, command)) {
                return true;
            }
        } else if (CommandOf(action) == command) {
            menu.removeAction(action);
            delete action;
            return true;
        }
    }
    return false;
}

void CViewTreeMenu::RemoveCommands(QMenu& menu, std::initializer_list<uint32_t> commands) {
    for (const uint32_t command : commands) {
        RemoveCommand(menu, command);
    }
}

bool CViewTreeMenu::RemoveSubmenu(QMenu& menu, const char* caption) {
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr && action->text() == QLatin1String(caption)) {
            menu.removeAction(action);
            delete action->menu();
            return true;
        }
    }
    return false;
}

void CViewTreeMenu::EnableCommand(QMenu& menu, uint32_t command, bool enable) {
    if (QAction* action = FindCommand(menu, command)) {
        action->setEnabled(enable);
    }
}

} // namespace orv
