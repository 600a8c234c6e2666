#include "app/panes/CViewContextMenu.h"

#include "app/panes/CViewTreeMenu.h"

#include <QAction>
#include <QMenu>

#include <span>

namespace orv {
namespace {

using namespace ViewCommand;

// One entry of a popup: a command, a separator (id 0, no caption) or a submenu (its entries given).
struct Entry {
    uint32_t id;
    const char* caption;
    std::span<const Entry> submenu = {};
};

constexpr uint32_t kSeparator = 0;
constexpr uint32_t kSubmenu = 1;

constexpr Entry kExportSpectralDataItems[] = {
    {kExportAllData, "All Data"},
    {kExportAllPeaks, "All Peaks"},
};

// The spectral view of a node with shown data. The scripting module's removals by position (5, then
// 8 twice, counted after its removals by command) take out the separators that its missing groups
// leave: the groups are ordered so that exactly separators stand there.
constexpr Entry kSpectralItems[] = {
    {kRunOnce, "Run Once"},
    {kRunContinuously, "Run Continuously"},
    {kStopScan, "Stop Scan"},
    {kSeparator, nullptr},
    {kResetZoom, "Reset Zoom"},
    {kPreviousZoom, "Previous Zoom"},
    {kSeparator, nullptr},
    {kDeltaMarker, "Delta Marker Select"},
    {kSingleFrequencyMarker, "Single Frequency Marker Select"},
    {kMultiFrequencyMarkers, "Multi-Frequency Markers Select"},
    {kFrequencyMarkerSelect, "Frequency Marker Select"},
    {kFrequencyMarkerExclude, "Frequency Marker Exclude"},
    {kSeparator, nullptr},
    {kClearDeltaMarker, "Clear Selected Delta Marker"},
    {kClearFrequencyMarkers, "Clear Selected Frequency Markers"},
    {kSeparator, nullptr},
    {kOpenScanDataDescription, "Open Scan Data Description"},
    {kSeparator, nullptr},
    {kExportSpectralSpatialFull, "Export Spectral/Spatial Full Scan Data"},
    {kSeparator, nullptr},
    {kSubmenu, CViewContextMenu::kExportSpectralDataCaption, kExportSpectralDataItems},
    {kSeparator, nullptr},
    {kCopyScanData, "Copy Scan Data"},
    {kCopyImage, "Copy Image"},
    {kPaste, "Paste"},
    {kSeparator, nullptr},
    {kAddUserComposite, "Add User Composite Node"},
    {kSeparator, nullptr},
    {kSettings, "Settings"},
};

constexpr Entry kSpectralNoDataItems[] = {
    {kRunOnce, "Run Once"},   {kRunContinuously, "Run Continuously"},
    {kStopScan, "Stop Scan"}, {kSeparator, nullptr},
    {kSettings, "Settings"},
};

// A user composite is never run and exports nothing of its own: its scan belongs to the parent node.
constexpr Entry kSpectralUserCompositeItems[] = {
    {kResetZoom, "Reset Zoom"},
    {kPreviousZoom, "Previous Zoom"},
    {kSeparator, nullptr},
    {kDeltaMarker, "Delta Marker Select"},
    {kSingleFrequencyMarker, "Single Frequency Marker Select"},
    {kMultiFrequencyMarkers, "Multi-Frequency Markers Select"},
    {kFrequencyMarkerSelect, "Frequency Marker Select"},
    {kFrequencyMarkerExclude, "Frequency Marker Exclude"},
    {kSeparator, nullptr},
    {kClearDeltaMarker, "Clear Selected Delta Marker"},
    {kClearFrequencyMarkers, "Clear Selected Frequency Markers"},
    {kSeparator, nullptr},
    {kCopyImage, "Copy Image"},
    {kSeparator, nullptr},
    {kSettings, "Settings"},
};

// The views of a comparison or overlay node; each tab takes away what does not apply to it.
constexpr Entry kSpectralOverlayItems[] = {
    {kResetZoom, "Reset Zoom"},
    {kPreviousZoom, "Previous Zoom"},
    {kSeparator, nullptr},
    {kClearDeltaMarker, "Clear Selected Delta Marker"},
    {kSeparator, nullptr},
    {kCopyScanData, "Copy Scan Data"},
    {kSubmenu, CViewContextMenu::kExportSpectralDataCaption, kExportSpectralDataItems},
    {kOpenScanDataDescription, "Open Scan Data Description"},
    {kSeparator, nullptr},
    {kCopyImage, "Copy Image"},
    {kPaste, "Paste"},
};

constexpr Entry kSpectralComparisonItems[] = {
    {kPaste, "Paste"},
};

// The heat map of a node with shown data: what a node kind offers is taken out of it.
constexpr Entry kSpatialItems[] = {
    {SpatialCommand::kRunOnce, "Run Once"},
    {SpatialCommand::kRunContinuously, "Run Continuously"},
    {SpatialCommand::kStopScan, "Stop Scan"},
    {kSeparator, nullptr},
    {SpatialCommand::kResetZoom, "Reset Zoom"},
    {SpatialCommand::kPreviousZoom, "Previous Zoom"},
    {kSeparator, nullptr},
    {SpatialCommand::kSingleCellSelect, "Single Cell Select"},
    {SpatialCommand::kMultiCellsSelect, "Multi-Cells Select"},
    {SpatialCommand::kSingleCellExcluding, "Single Cell Excluding"},
    {SpatialCommand::kMultiCellsExcluding, "Multi-Cells Excluding"},
    {kSeparator, nullptr},
    {SpatialCommand::kClearSelectedCells, "Clear Selected Cells"},
    {kSeparator, nullptr},
    {SpatialCommand::kExportSpatialData, "Export Spatial Data"},
    {SpatialCommand::kExportSpectralSpatialFull, "Export Spectral/Spatial Full Scan Data"},
    {SpatialCommand::kOpenScanDataDescription, "Open Scan Data Description"},
    {SpatialCommand::kEditOverlay, "Edit Overlay"},
    {SpatialCommand::kSelectZoomCells, "Select Zoom Cells For New Scan"},
    {kSeparator, nullptr},
    {SpatialCommand::kCopyScanData, "Copy Scan Data"},
    {SpatialCommand::kCopyImage, "Copy Image"},
    {SpatialCommand::kPaste, "Paste"},
    {SpatialCommand::kSettings, "Settings"},
};

constexpr Entry kSpatialNoDataItems[] = {
    {SpatialCommand::kRunOnce, "Run Once"},         {SpatialCommand::kRunContinuously, "Run Continuously"},
    {SpatialCommand::kStopScanNoData, "Stop Scan"}, {kSeparator, nullptr},
    {SpatialCommand::kSettings, "Settings"},
};

constexpr Entry kSpatialUserCompositeItems[] = {
    {SpatialCommand::kResetZoom, "Reset Zoom"},
    {SpatialCommand::kPreviousZoom, "Previous Zoom"},
    {SpatialCommand::kOpenScanDataDescription, "Open Scan Data Description"},
    {SpatialCommand::kEditOverlay, "Edit Overlay"},
    {kSeparator, nullptr},
    {SpatialCommand::kCopyImage, "Copy Image"},
    {SpatialCommand::kSettings, "Settings"},
};

// The comparison and blind-spot views; the result pane takes away what belongs to an input scan.
constexpr Entry kSpatialComparisonItems[] = {
    {SpatialCommand::kResetZoom, "Reset Zoom"},
    {SpatialCommand::kPreviousZoom, "Previous Zoom"},
    {kSeparator, nullptr},
    {SpatialCommand::kOpenScanDataDescription, "Open Scan Data Description"},
    {kSeparator, nullptr},
    {SpatialCommand::kCopyImage, "Copy Image"},
    {SpatialCommand::kPaste, "Paste"},
};

constexpr Entry kSpatialComparisonPasteItems[] = {
    {SpatialCommand::kPaste, "Paste"},
};

bool IsCheckable(uint32_t id) {
    switch (id) {
    case SpatialCommand::kSingleCellSelect:
    case SpatialCommand::kMultiCellsSelect:
    case SpatialCommand::kSingleCellExcluding:
    case SpatialCommand::kMultiCellsExcluding:
    case kDeltaMarker:
    case kSingleFrequencyMarker:
    case kMultiFrequencyMarkers:
    case kFrequencyMarkerSelect:
    case kFrequencyMarkerExclude:
        return true;
    default:
        return false;
    }
}

void Fill(QMenu& menu, std::span<const Entry> entries) {
    for (const Entry& entry : entries) {
        if (entry.id == kSeparator) {
            menu.addSeparator();
        } else if (entry.id == kSubmenu) {
            Fill(*menu.addMenu(QString::fromLatin1(entry.caption)), entry.submenu);
        } else {
            QAction* action = menu.addAction(QString::fromLatin1(entry.caption));
            action->setData(QVariant::fromValue<uint>(entry.id));
            action->setCheckable(IsCheckable(entry.id));
        }
    }
}

struct Popup {
    uint32_t menu;
    int index;
    const char* name;
    std::span<const Entry> entries;
};

constexpr Popup kPopups[] = {
    {CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralPopup, "Spectral Right Click",
     kSpectralItems},
    {CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralNoDataPopup, "Right click When No Data",
     kSpectralNoDataItems},
    {CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralUserCompositePopup,
     "Spectral Right Click in SS User Composite", kSpectralUserCompositeItems},
    {CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralOverlayPopup, "Spectral Overlay Right Click",
     kSpectralOverlayItems},
    {CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralComparisonPopup,
     "Spectral Comparison Right Click", kSpectralComparisonItems},
    {CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialPopup, "Spatial Right Click", kSpatialItems},
    {CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialNoDataPopup, "Right Click When No Data",
     kSpatialNoDataItems},
    {CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialUserCompositePopup,
     "Spatial Right Click in SS User Composite", kSpatialUserCompositeItems},
    {CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialComparisonPopup,
     "Spatial Comparison Right Click", kSpatialComparisonItems},
    {CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialComparisonPastePopup,
     "Spatial Comparison Right Click-1", kSpatialComparisonPasteItems},
};

const Popup* FindPopup(uint32_t menu, int index) {
    for (const Popup& popup : kPopups) {
        if (popup.menu == menu && popup.index == index) {
            return &popup;
        }
    }
    return nullptr;
}

} // namespace

const char* CViewContextMenu::PopupName(uint32_t menu, int popup) {
    const Popup* found = FindPopup(menu, popup);
    return found != nullptr ? found->name : "";
}

std::unique_ptr<QMenu> CViewContextMenu::BuildPopup(uint32_t menu, int popup) {
    const Popup* found = FindPopup(menu, popup);
    if (found == nullptr) {
        return nullptr;
    }
    auto built = std::make_unique<QMenu>(QString::fromLatin1(found->name));
    Fill(*built, found->entries);
    return built;
}

void CViewContextMenu::CheckCommand(QMenu& menu, uint32_t command, bool checked) {
    if (QAction* action = CViewTreeMenu::FindCommand(menu, command)) {
        action->setChecked(checked);
    }
}

bool CViewContextMenu::RemoveSeparatorAt(QMenu& menu, int position) {
    const QList<QAction*> actions = menu.actions();
    if (position < 0 || position >= actions.size() || !actions[position]->isSeparator()) {
        return false;
    }
    QAction* separator = actions[position];
    menu.removeAction(separator);
    if (separator->parent() == &menu) {
        delete separator;
    }
    return true;
}

} // namespace orv
