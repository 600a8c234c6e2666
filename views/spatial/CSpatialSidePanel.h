#pragma once

#include "app/controls/CEditApplyPanel.h"
#include "views/spatial/CFormViewSpatial.h"
#include "views/spectral/CPagedSidePanel.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <vector>

class QGroupBox;
class QMenu;
class QScrollBar;

namespace orv {

class CMyButton;
class CMyEdit;
class CScanData;
class CSpatialView;
class QNodeMediator;
class QSpatialDisplayOptions;

// The option panel under a heat map: the map's switches, the amplitude scale limits and the overlay
// commands, one page of them at a time, picked from the "Options" button. Every change goes into the
// node's options (or the shown scan's own scale), the view is told to redraw, and the project is
// marked modified. User-interface thread only.
class CSpatialSidePanel : public CPagedSidePanel, public CFormViewSpatial, public CEditApplyPanel {
public:
    static constexpr int kFormId = 359;
    // Control ids.
    static constexpr int kOptionsButton = 1131;
    static constexpr int kView3D = 1052;
    static constexpr int kGrid = 1033;
    static constexpr int kInterpolation = 1032;
    static constexpr int kOverlay = 1066;
    static constexpr int kSubGrid = 1110;
    static constexpr int kPeakHold = 1133;
    static constexpr int kAveraging = 1134;
    static constexpr int kAutoScale = 1152;
    static constexpr int kMinLabel = 1153;
    static constexpr int kMinEdit = 1154;
    static constexpr int kMaxLabel = 1155;
    static constexpr int kMaxEdit = 1156;
    static constexpr int kEditOverlay = 1166;
    static constexpr int kUnitGroup = 1167;
    static constexpr int kDbuv = 1168;
    static constexpr int kDbm = 1130;
    static constexpr int kOverlayTransparency = 1150;
    static constexpr int kTransparencyBar = 1028;
    static constexpr int kRepositionOverlay = 1067;
    // The page beyond the shared ones.
    static constexpr int kPageOverlay = 4;
    // Menu commands of the "Options" menu and the page each picks.
    static constexpr uint32_t kViewOptionCommand = 32925;
    static constexpr uint32_t kPeakOptionCommand = 32922;
    static constexpr uint32_t kScaleOptionCommand = 32928;
    static constexpr int kStartTimerMilliseconds = 10;
    // The transparency bar's ground.
    static constexpr uint32_t kBarColour = 0xFFE2E2;
    static constexpr const char* kKeepOverlayText =
        "Do you want to select this overlay configuration for the new scans ?";
    static constexpr const char* kKeepOverlayCaption = "Confirmation";

    CSpatialSidePanel(CSpatialView& view, QWidget* parent);
    ~CSpatialSidePanel() override;
    CSpatialSidePanel(const CSpatialSidePanel&) = delete;
    CSpatialSidePanel& operator=(const CSpatialSidePanel&) = delete;

    // The program's maker of the spatial views' panels.
    static void Install();

    // --- CFormViewSpatial ---
    QWidget* GetWidget() override { return this; }
    void OnInitialUpdate() override;
    void RefreshCurrentOptionTab() override;
    void RefreshOverlayOptionTab() override;
    void UpdateScaleOptionFields() override;
    bool IsRepositionOverlayChecked() const override;
    void ClickRepositionOverlay() override;
    bool IsOverlayChecked() const override;
    void ClickOverlay() override;
    void EditOverlay() override;
    // --- CEditApplyPanel: Enter in a scale edit applies it ---
    void ApplyEditedFields() override;

    // --- The "Options" menu ---
    // The menu as offered on `page` (its item checked), "Scale Option" only with display data.
    static std::unique_ptr<QMenu> BuildOptionsMenu(int page, bool hasData);
    void OnOptionsButton() override;

    // --- The transparency bar ---
    void OnTransparencyScroll(TransparencyStep step, int32_t trackPosition);
    int32_t GetTransparency() const { return m_nTransparency; }

    // --- State the tests read ---
    bool IsStartTimerActive() const { return m_nStartTimer != 0; }
    // The redraw requests the panel posted to the view (10019 with its lParam) and to the 3D view
    // (10022), in order.
    struct PostedRedraw {
        uint32_t id = 0;
        int64_t lParam = 0;
    };
    const std::vector<PostedRedraw>& GetPostedRedraws() const { return m_posted; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QNodeMediator* Mediator() const;
    QSpatialDisplayOptions* NodeOptions() const;
    // The scan the view shows (its own scale settings live in it); null for none.
    CScanData* ShownScan() const;
    bool HasDisplayData() const;
    // Whether the view scales by the node's options rather than by the shown scan's own.
    bool UsesNodeScale() const;
    void LayOutPage() override;
    void LayOutViewPage();
    void HideAllPageControls();
    void RefreshChecks();
    void PostToView(int64_t lParam);
    void Post3DRedraw();
    void MarkModified();
    // The handlers of the controls.
    void OnCheck(int id);
    void OnGridType(int id, bool on);
    void OnOverlay(bool on);
    void OnOverlayTransparency(bool on);
    void OnView3D(bool on);
    void OnUnit(uint32_t unit);
    void OnAutoScale(bool on);
    void OnRepositionOverlay(bool on);
    void EnterReposition();
    void LeaveReposition();
    void StoreScale(float low, float high, bool automatic);

    CSpatialView& m_view;
    int32_t m_nTransparency = 0;
    int m_nStartTimer = 0;
    CMyButton* m_editOverlay = nullptr;
    QGroupBox* m_unitGroup = nullptr;
    CMyEdit* m_minEdit = nullptr;
    CMyEdit* m_maxEdit = nullptr;
    QScrollBar* m_bar = nullptr;
    std::vector<PostedRedraw> m_posted;
    // What "Reposition Overlay" disabled, enabled again when it ends.
    std::vector<QPointer<QWidget>> m_disabledByReposition;
};

} // namespace orv
