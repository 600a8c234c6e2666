#pragma once

// Menu 315, the project tree's context menus: ten popups made from one table of captions and
// command ids. Every action carries its command id as its data.

#include <cstdint>
#include <initializer_list>
#include <memory>

class QAction;
class QMenu;

namespace orv {

namespace TreeCommand {
inline constexpr uint32_t kAddHandHeldProbe = 32778;
inline constexpr uint32_t kProperties = 32779;
inline constexpr uint32_t kAddSpectral = 32809;
inline constexpr uint32_t kAddSpatial = 32810;
inline constexpr uint32_t kAddSpectralSpatial = 32811;
inline constexpr uint32_t kDeleteNode = 32812;
inline constexpr uint32_t kNodeViews = 32816;
inline constexpr uint32_t kSettings = 32817;
inline constexpr uint32_t kAddSpectralOverlay = 32818;
inline constexpr uint32_t kAddNote = 32821;
inline constexpr uint32_t kNodeScanData = 32826;
inline constexpr uint32_t kRunOnce = 32827;
inline constexpr uint32_t kRunContinuously = 32828;
inline constexpr uint32_t kOpenView = 32879;
inline constexpr uint32_t kAddModule = 32899;
inline constexpr uint32_t kAddSpatialComparison = 32906;
inline constexpr uint32_t kAddSpectralComparison = 32908;
inline constexpr uint32_t kAddBlindSpotReduction = 32909;
inline constexpr uint32_t kAddScripting = 32910;
inline constexpr uint32_t kCopyNodeWithSettings = 32916;
inline constexpr uint32_t kCopyNodeWithSettingsAndData = 32917;
inline constexpr uint32_t kMoveNode = 32918;
inline constexpr uint32_t kAddSpatialBlindSpotReduction = 32940;
inline constexpr uint32_t kAddReportGenerator = 32943;
inline constexpr uint32_t kCancelCopy = 32948;
// The one item of the "Report Generator" and "Ongoing Scan" popups.
inline constexpr uint32_t kNoOperationReport = 32997;
inline constexpr uint32_t kNoOperationScan = 32998;
} // namespace TreeCommand

class CViewTreeMenu {
public:
    static constexpr int kPopupCount = 10;
    static constexpr int kProjectPopup = 0;
    static constexpr int kScriptingPopup = 4;
    static constexpr int kCopyMovePopup = 5;
    static constexpr int kComparisonPopup = 6;
    static constexpr int kReportGeneratorPopup = 7;
    static constexpr int kUserCompositePopup = 8;
    static constexpr int kOngoingScanPopup = 9;
    // Where the "Add Node" submenu stands in the popups that have one.
    static constexpr int kAddNodePosition = 3;

    // "Project Popup", "Spectral Popup", ...; empty for an index outside 0-9.
    static const char* PopupName(int index);
    // A new menu with the popup's items; null for an index outside 0-9.
    static std::unique_ptr<QMenu> BuildPopup(int index);

    static uint32_t CommandOf(const QAction* action);
    // The action of the command in the menu or its submenus; null when none.
    static QAction* FindCommand(const QMenu& menu, uint32_t command);
    // Removes the command's action wherever it stands; false when the menu has none.
    static bool RemoveCommand(QMenu& menu, uint32_t command);
    // Removes each command's action wherever it stands; commands the menu lacks are passed over.
    static void RemoveCommands(QMenu& menu, std::initializer_list<uint32_t> commands);
    static void EnableCommand(QMenu& menu, uint32_t command, bool enable);
    // Removes the submenu shown with the caption (a submenu carries no command of its own); false
    // when the menu has none.
    static bool RemoveSubmenu(QMenu& menu, const char* caption);
};

} // namespace orv
