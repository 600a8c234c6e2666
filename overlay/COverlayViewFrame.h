#pragma once

#include "project/CClipboardHelper.h"

#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <string>

namespace orv {

class COverlayUnitView;
class COverlayUnitWnd;
class COverlayView;
class COverlayViewOwner;
class CUsefulSplitterWnd;
class TfrmMainApp;

// The top-level window the overlay editor opens in: the project's overlay units on the left and the
// grid view on the right. The opener gives it its owner (and the modal flag) before Create; a modal
// editor disables the program's main window until it closes. The frame deletes itself when closed,
// and tells its owner so.
//
// User-interface thread only.
class COverlayViewFrame : public QWidget {
public:
    static constexpr int kInitialWidth = 1000;
    static constexpr int kInitialHeight = 600;
    static constexpr int kMinimumWidth = 600;
    static constexpr int kMinimumHeight = 450;
    static constexpr int kUnitPaneWidth = 180;

    COverlayViewFrame();
    COverlayViewFrame(TfrmMainApp* project, std::string title, int32_t value);
    ~COverlayViewFrame() override;
    COverlayViewFrame(const COverlayViewFrame&) = delete;
    COverlayViewFrame& operator=(const COverlayViewFrame&) = delete;

    // The owner the editor works for; the owner learns its frame.
    void SetOwner(COverlayViewOwner* owner);
    COverlayViewOwner* GetOwner() const { return m_pOwner; }
    // The owner is going: the editor no longer reaches it.
    void ForgetOwner();
    void SetModal(bool modal) { m_bModal = modal; }
    bool IsModal() const { return m_bModal; }

    // Builds and links the panes, fills the units, loads the owner's placement and shows the frame.
    void Create();

    // The unit's thumbnail becomes the picture that follows a drag.
    void PrepareDragImage(const COverlayUnitWnd& unit);
    const QPixmap& GetDragImage() const { return m_dragImage; }
    void SetDragging(bool dragging) { m_bDragging = dragging; }
    bool IsDragging() const { return m_bDragging; }

    // The editor of a description dialog or a probes page lays its grid out again.
    void RelayoutOverlayView();
    // The owner's placement is loaded again once the current event is done.
    void ReloadPlacementLater();

    TfrmMainApp* GetProject() const { return m_pProject; }
    COverlayView* GetOverlayView() const { return m_pOverlayView; }
    COverlayUnitView* GetUnitView() const { return m_pUnitView; }
    CUsefulSplitterWnd* GetSplitter() const { return m_pSplitter; }
    CClipboardHelper& GetClipboardHelper() { return m_clipboard; }
    const std::string& GetTitle() const { return m_title; }
    int32_t GetValue() const { return m_value; }

private:
    QWidget* MainWindow() const;

    bool m_bModal = false;
    TfrmMainApp* m_pProject = nullptr;
    COverlayView* m_pOverlayView = nullptr;
    std::string m_title;
    int32_t m_value = 0;
    COverlayViewOwner* m_pOwner = nullptr;
    COverlayUnitView* m_pUnitView = nullptr;
    CUsefulSplitterWnd* m_pSplitter = nullptr;
    bool m_bPanesCreated = false;
    CClipboardHelper m_clipboard;
    QPixmap m_dragImage;
    bool m_bDragging = false;
};

} // namespace orv
