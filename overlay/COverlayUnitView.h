#pragma once

#include <QScrollArea>

#include <vector>

namespace orv {

class COverlayUnitWnd;
class COverlayView;
class COverlayViewFrame;
class TfrmMainApp;

// The left pane of the overlay editor: one thumbnail window per overlay of the project, in list
// order, 100 pixels high and 106 apart, in a scrolling area of 160 x 5,500 pixels.
class COverlayUnitView : public QScrollArea {
public:
    static constexpr int kScrollWidth = 160;
    static constexpr int kScrollHeight = 5500;
    static constexpr int kUnitLeft = 4;
    static constexpr int kUnitRight = 160;
    static constexpr int kUnitHeight = 100;
    static constexpr int kUnitPitch = 106;

    explicit COverlayUnitView(QWidget* parent = nullptr);
    ~COverlayUnitView() override;

    void SetFrame(COverlayViewFrame* frame) { m_pFrame = frame; }
    void SetOverlayView(COverlayView* view) { m_pOverlayView = view; }
    COverlayView* GetOverlayView() const { return m_pOverlayView; }
    void SetProject(TfrmMainApp* project) { m_pProject = project; }

    // Makes the unit windows again from the project's overlay list, scrolled to the top.
    void RefillUnits();
    void DeleteUnits();
    const std::vector<COverlayUnitWnd*>& GetUnits() const { return m_units; }

    // A unit was pressed: it is dragged in the "CDRAWMODEL" format with its thumbnail as the drag's
    // picture. Called straight from the press rather than through a message: the drag runs an event
    // loop of its own, which must not run inside the message pump.
    void OnBeginDrag(COverlayUnitWnd& unit);

private:
    COverlayView* m_pOverlayView = nullptr;
    COverlayViewFrame* m_pFrame = nullptr;
    TfrmMainApp* m_pProject = nullptr;
    std::vector<COverlayUnitWnd*> m_units;
};

} // namespace orv
