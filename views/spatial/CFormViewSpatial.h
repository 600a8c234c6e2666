#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace orv {

class CSpatialView;

// The option panel below a heat map. It edits the node's display options and the shown scan's own
// settings in place; the view asks it to refresh its fields and tabs after it drew.
class CFormViewSpatial {
public:
    CFormViewSpatial() = default;
    CFormViewSpatial(const CFormViewSpatial&) = delete;
    CFormViewSpatial& operator=(const CFormViewSpatial&) = delete;
    virtual ~CFormViewSpatial();

    // The panel's window, a child of the view; the view places it.
    virtual QWidget* GetWidget() = 0;
    virtual void OnInitialUpdate() = 0;
    virtual void RefreshCurrentOptionTab() = 0;
    virtual void RefreshOverlayOptionTab() = 0;
    virtual void UpdateScaleOptionFields() = 0;
    // The "Reposition Overlay" box: whether it is ticked, and a click on it (the panel's own
    // handling of the box runs).
    virtual bool IsRepositionOverlayChecked() const = 0;
    virtual void ClickRepositionOverlay() = 0;
    // The "Overlay" box, which shows the board overlay on the map: whether it is ticked, and a click
    // on it (button down and up, the panel's own handling runs).
    virtual bool IsOverlayChecked() const = 0;
    virtual void ClickOverlay() = 0;
    // The panel's "Edit Overlay" command: the overlay view opens.
    virtual void EditOverlay() = 0;

    // Makes the panel of a view, a child of `parent`, owned by the view. Null (or an exception) when
    // it could not be made.
    using Maker = std::function<std::unique_ptr<CFormViewSpatial>(CSpatialView& view, QWidget* parent)>;
    // Installed once by the program (empty: views have no panel); answers the previous maker.
    static Maker InstallMaker(Maker maker);
    static const Maker& GetMaker();
};

} // namespace orv
