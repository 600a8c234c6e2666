#pragma once

// The bar at the top of a spectral/spatial view frame (template 360): the composite-view switches of
// the spectral and the spatial side and the display tab strip (1048). The frame and the view handle
// the controls.

#include "app/controls/CDialogBar.h"

namespace orv {

class CDisplayTab;

class CDlgbarSpectralSpatialView : public CDialogBar {
public:
    static constexpr int kTemplateId = 360;
    static constexpr int kWidthUnits = 480;
    static constexpr int kHeightUnits = 36;
    static constexpr int kTabId = 1048;

    explicit CDlgbarSpectralSpatialView(QWidget* parent = nullptr);

    CDisplayTab* GetDisplayTab() const { return m_tab; }

private:
    CDisplayTab* m_tab = nullptr;
};

} // namespace orv
