#pragma once

#include "app/controls/CEditApplyPanel.h"
#include "views/spectral/CFormViewSpectral.h"
#include "views/spectral/CPagedSidePanel.h"

#include <cstdint>
#include <memory>
#include <string>

class QMenu;

namespace orv {

class CScanData;
class CSpectralView;
class QNodeMediator;
class QSpectralDisplayOptions;

// The option panel under a spectrum plot: the plot's switches, the peak settings and the frequency
// and amplitude scale limits, one page at a time, picked from the "Options" button. Changes go into
// the node's options or the shown scan's own, the node's mediator refreshes the view, and the
// project is marked modified. User-interface thread only.
class CSpectralSidePanel : public CPagedSidePanel, public CFormViewSpectral, public CEditApplyPanel {
public:
    static constexpr int kFormId = 361;
    static constexpr int kOptionsButton = 1132;
    static constexpr int kGrid = 1088;
    static constexpr int kShowPeaks = 1109;
    static constexpr int kLogScale = 1110;
    static constexpr int kFrequencyMarker = 1111;
    static constexpr int kDbuv = 1169;
    static constexpr int kDbm = 1170;
    static constexpr int kPeakHold = 1134;
    static constexpr int kAveraging = 1135;
    static constexpr int kPeakNumberLabel = 1157;
    static constexpr int kPeakNumberEdit = 1159;
    static constexpr int kThresholdLabel = 1158;
    static constexpr int kThresholdEdit = 1160;
    static constexpr int kAutoFrequency = 1150;
    static constexpr int kFrequencyMinLabel = 1146;
    static constexpr int kFrequencyMaxLabel = 1147;
    static constexpr int kFrequencyMinEdit = 1141;
    static constexpr int kFrequencyMaxEdit = 1142;
    static constexpr int kAutoAmplitude = 1151;
    static constexpr int kAmplitudeMinLabel = 1148;
    static constexpr int kAmplitudeMaxLabel = 1149;
    static constexpr int kAmplitudeMinEdit = 1144;
    static constexpr int kAmplitudeMaxEdit = 1145;
    static constexpr uint32_t kViewOptionCommand = 32921;
    static constexpr uint32_t kPeakOptionCommand = 32936;
    static constexpr uint32_t kScaleOptionCommand = 32927;
    static constexpr int kLayoutTimer = 1;
    static constexpr int kRefreshTimer = 2;
    static constexpr int kLayoutMilliseconds = 100;
    static constexpr int kRefreshMilliseconds = 500;

    CSpectralSidePanel(CSpectralView& view, QWidget* parent);
    ~CSpectralSidePanel() override;
    CSpectralSidePanel(const CSpectralSidePanel&) = delete;
    CSpectralSidePanel& operator=(const CSpectralSidePanel&) = delete;

    // The program's maker of the spectral views' panels.
    static void Install();

    // --- CFormViewSpectral ---
    QWidget* GetWidget() override { return this; }
    void OnInitialUpdate() override;
    void UpdateScaleOptionFields() override;
    void UpdatePeakOptionFields() override;
    // --- CEditApplyPanel: Enter in an edit applies the page's edits ---
    void ApplyEditedFields() override;

    static std::unique_ptr<QMenu> BuildOptionsMenu(int page, bool hasData);
    void OnOptionsButton() override;
    // What timer 2 does every 500 ms: the check boxes follow the node's options.
    void RefreshChecks();

    bool IsPeakEdited() const { return m_bPeakEdited; }
    bool IsLayoutTimerActive() const { return m_nLayoutTimer != 0; }
    bool IsRefreshTimerActive() const { return m_nRefreshTimer != 0; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QNodeMediator* Mediator() const;
    QSpectralDisplayOptions* NodeOptions() const;
    CScanData* ShownScan() const;
    bool UsesNodeSettings() const;
    bool ShowsFrequencyMarkerBox() const;
    void LayOutPage() override;
    void MarkModifiedAndRefresh();
    void OnCheck(int id);
    void OnUnit(uint32_t unit);
    void OnAutoFrequency(bool on);
    void OnAutoAmplitude(bool on);
    void StoreFrequencyWindow(float low, float high, bool automatic);
    void StoreAmplitudeWindow(float low, float high, bool automatic);
    std::string EditText(int id) const;

    CSpectralView& m_view;
    bool m_bPeakEdited = false;
    int m_nLayoutTimer = 0;
    int m_nRefreshTimer = 0;
};

} // namespace orv
