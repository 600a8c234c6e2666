#pragma once

// The right-click menus of the result views (menu 316 of the spectral views), made from one table of
// entries: a command (id and caption), a separator, or a submenu with entries of its own. Every action
// carries its command id as its data; the marker-mode commands are checkable. The popups are found by
// their position in the menu resource, as the views ask for them. Menu 317 holds the heat maps' menus.

#include <cstdint>
#include <memory>

class QMenu;

namespace orv {

namespace ViewCommand {
inline constexpr uint32_t kRunOnce = 32780;
inline constexpr uint32_t kRunContinuously = 32782;
inline constexpr uint32_t kSettings = 32783;
inline constexpr uint32_t kResetZoom = 32839;
inline constexpr uint32_t kExportAllData = 32868;
inline constexpr uint32_t kExportAllPeaks = 32869;
inline constexpr uint32_t kPreviousZoom = 32872;
inline constexpr uint32_t kMultiFrequencyMarkers = 32873;
inline constexpr uint32_t kSingleFrequencyMarker = 32874;
inline constexpr uint32_t kDeltaMarker = 32880;
inline constexpr uint32_t kOpenScanDataDescription = 32886;
inline constexpr uint32_t kClearFrequencyMarkers = 32902;
inline constexpr uint32_t kClearDeltaMarker = 32903;
inline constexpr uint32_t kCopyScanData = 32929;
inline constexpr uint32_t kPaste = 32930;
inline constexpr uint32_t kCopyImage = 32949;
inline constexpr uint32_t kStopScan = 32961;
inline constexpr uint32_t kExportSpectralSpatialFull = 32965;
inline constexpr uint32_t kAddUserComposite = 32967;
inline constexpr uint32_t kFrequencyMarkerSelect = 32971;
inline constexpr uint32_t kFrequencyMarkerExclude = 32972;
} // namespace ViewCommand

// The heat maps' commands (menu 317).
namespace SpatialCommand {
inline constexpr uint32_t kRunOnce = 32785;
inline constexpr uint32_t kRunContinuously = 32786;
inline constexpr uint32_t kSettings = 32787;
inline constexpr uint32_t kResetZoom = 32864;
inline constexpr uint32_t kExportSpatialData = 32866;
inline constexpr uint32_t kPreviousZoom = 32875;
inline constexpr uint32_t kOpenScanDataDescription = 32886;
inline constexpr uint32_t kClearSelectedCells = 32905;
inline constexpr uint32_t kCopyScanData = 32932;
inline constexpr uint32_t kPaste = 32933;
inline constexpr uint32_t kCopyImage = 32951;
inline constexpr uint32_t kSingleCellExcluding = 32952;
inline constexpr uint32_t kMultiCellsExcluding = 32953;
inline constexpr uint32_t kSingleCellSelect = 32954;
inline constexpr uint32_t kMultiCellsSelect = 32955;
inline constexpr uint32_t kStopScan = 32962;
// Stop Scan of the popup shown before a node has data.
inline constexpr uint32_t kStopScanNoData = 32963;
inline constexpr uint32_t kExportSpectralSpatialFull = 32965;
inline constexpr uint32_t kAddUserComposite = 32967;
inline constexpr uint32_t kEditOverlay = 32974;
inline constexpr uint32_t kSelectZoomCells = 32975;
} // namespace SpatialCommand

class CViewContextMenu {
public:
    // Menu 316, the spectral views' menus.
    static constexpr uint32_t kSpectralMenu = 316;
    static constexpr int kSpectralPopup = 3;
    static constexpr int kSpectralNoDataPopup = 7;
    static constexpr int kSpectralUserCompositePopup = 9;
    // The comparison and overlay views: the full popup, and the one of a tab still without its scan.
    static constexpr int kSpectralOverlayPopup = 10;
    static constexpr int kSpectralComparisonPopup = 11;
    static constexpr const char* kExportSpectralDataCaption = "Export Spectral Data";
    // Menu 317, the heat maps' menus.
    static constexpr uint32_t kSpatialMenu = 317;
    static constexpr int kSpatialPopup = 2;
    static constexpr int kSpatialNoDataPopup = 6;
    static constexpr int kSpatialUserCompositePopup = 8;
    // The comparison and blind-spot views: the popup of a pane with its scan, and the one of an input
    // pane still without it.
    static constexpr int kSpatialComparisonPopup = 4;
    static constexpr int kSpatialComparisonPastePopup = 5;

    // The popup's name ("Spectral Right Click", ...); empty where the menu has no such popup.
    static const char* PopupName(uint32_t menu, int popup);
    // A new menu with the popup's items; null where the menu has no such popup.
    static std::unique_ptr<QMenu> BuildPopup(uint32_t menu, int popup);
    // Sets the check mark of the command wherever it stands; nothing when the menu has none.
    static void CheckCommand(QMenu& menu, uint32_t command, bool checked);
    // Removes the item at the position when it is a separator; false (nothing removed) otherwise.
    static bool RemoveSeparatorAt(QMenu& menu, int position);
};

} // namespace orv
