#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace orv {

class CSpectralView;

// The option panel below a spectral plot. It edits the shown scan's own scale settings and the
// node's display options in place; the view reads them again at each render, so the panel only
// refreshes its fields after one.
class CFormViewSpectral {
public:
    CFormViewSpectral() = default;
    CFormViewSpectral(const CFormViewSpectral&) = delete;
    CFormViewSpectral& operator=(const CFormViewSpectral&) = delete;
    virtual ~CFormViewSpectral();

    // The panel's window, a child of the view; the view places it.
    virtual QWidget* GetWidget() = 0;
    // The initial update the view sends it after making it.
    virtual void OnInitialUpdate() = 0;
    virtual void UpdateScaleOptionFields() = 0;
    virtual void UpdatePeakOptionFields() = 0;

    // Makes the panel of a view, a child of `parent`, with its back pointer to the view. Null (or
    // an exception) when it could not be made.
    using Maker = std::function<std::unique_ptr<CFormViewSpectral>(CSpectralView& view, QWidget* parent)>;
    // Installed once by the program (empty: views have no panel); answers the previous maker.
    static Maker InstallMaker(Maker maker);
    static const Maker& GetMaker();
};

} // namespace orv
