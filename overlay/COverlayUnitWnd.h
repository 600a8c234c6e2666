#pragma once

#include "app/controls/CClipboardObject.h"

#include <QImage>
#include <QSize>
#include <QWidget>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;

namespace orv {

class COverlayUnitView;
class TfrmMainApp;

// One overlay of the project in the units pane: its thumbnail, rendered once per window size. A
// double click selects the overlay in the grid view, a press drags it, the right button offers
// Select and Delete. It keeps the overlay's ID, never the control: the control is looked up on use.
// In a drag or on the clipboard it is its overlay ID, 32 bits little-endian.
class COverlayUnitWnd : public QWidget, public CClipboardObject {
public:
    static constexpr const char* kCaption = "Overlay Unit";
    static constexpr uint32_t kSelectCommand = 32897;
    static constexpr uint32_t kDeleteCommand = 32898;
    static constexpr const char* kDeleteQuestion =
        "Are you going to delete this picture ? \n\nThere are scan data or nodes linked with this picture.\n"
        "They won't be able to show this picture if you delete it ! ";
    static constexpr const char* kDeleteCaption = "Delete";
    // The drawing's share of the grid is measured on this grid.
    static constexpr int32_t kThumbnailColumns = 42;
    static constexpr int32_t kThumbnailRows = 29;
    static constexpr uint32_t kBorderColour = 0xA0A0A0;

    COverlayUnitWnd(uint32_t overlayId, TfrmMainApp* project, COverlayUnitView* units,
                    QWidget* parent = nullptr);
    ~COverlayUnitWnd() override;

    uint32_t GetOverlayId() const { return m_overlayId; }
    bool IsPressed() const { return m_bPressed; }
    // The rendering kept for the size it was made at (null before the first paint).
    const QImage& GetThumbnail() const { return m_thumbnail; }
    QSize GetRenderedSize() const { return m_renderedSize; }
    // Renders the thumbnail when the window's size differs from the kept one's.
    void RenderThumbnail();

    void StoreClipboardData(QDataWriter& writer) const override;
    void LoadClipboardData(QDataReader& reader) override;

    // Shows the menu and answers the chosen action (null: none). Tests put their own in.
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    static MenuRunner InstallMenuRunner(MenuRunner runner);
    // Carries out a command of the menu.
    void OnCommand(uint32_t command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    uint32_t m_overlayId = 0;
    TfrmMainApp* m_pProject = nullptr;
    COverlayUnitView* m_pUnits = nullptr;
    bool m_bPressed = false;
    QImage m_thumbnail;
    QSize m_renderedSize;
};

} // namespace orv
