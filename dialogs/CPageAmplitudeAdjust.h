#pragma once

// "Amplitude Adjustment": an external amplifier or attenuator in front of the analyser (stored as one
// value in dB: negative for an amplification of that many dB, zero or positive for an attenuation),
// the analyser's internal pre-amplifier and its tracking generator, all in the node's attenuator
// options. While the node's scan runs every control is disabled; at its end the switches and the box
// of the chosen setting come back.

#include "dialogs/CPropertyPage.h"

#include <array>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QRadioButton;

namespace orv {

class QNodeMediator;

class CPageAmplitudeAdjust : public CPropertyPage {
public:
    static constexpr int kExternalGroup = 1193;
    static constexpr int kAmplification = 1089;
    static constexpr int kAmplificationList = 1091;
    static constexpr int kAttenuation = 1090;
    static constexpr int kAttenuationList = 1092;
    static constexpr int kPreAmpGroup = 1199;
    static constexpr int kPreAmpOn = 1129;
    static constexpr int kPreAmpOff = 1130;
    static constexpr int kTrackingOn = 1168;
    static constexpr int kTrackingOff = 1177;

    static constexpr const char* kCaption = "Amplitude Adjustment";
    static constexpr const char* kOutOfRangeText = "The amplitude adjustment is out of range.";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr std::array<uint16_t, 7> kAmplificationSteps{0, 10, 15, 20, 25, 30, 40};
    static constexpr std::array<uint16_t, 5> kAttenuationSteps{0, 10, 20, 30, 40};

    explicit CPageAmplitudeAdjust(QNodeMediator& mediator);
    ~CPageAmplitudeAdjust() override;

    bool OnInitDialog() override;
    bool OnApply() override;
    void EnableControls(bool enable) override;

    QWidget* GetControl(int id) const;

private:
    void BuildControls();
    void OnAmplificationClicked();
    void OnAttenuationClicked();
    void MarkModified();

    QNodeMediator* m_pMediator;
    bool m_filling = false;

    QGroupBox* m_externalGroup = nullptr;
    QRadioButton* m_amplification = nullptr;
    QComboBox* m_amplificationList = nullptr;
    QRadioButton* m_attenuation = nullptr;
    QComboBox* m_attenuationList = nullptr;
    QRadioButton* m_preAmpOn = nullptr;
    QRadioButton* m_preAmpOff = nullptr;
    QRadioButton* m_trackingOn = nullptr;
    QRadioButton* m_trackingOff = nullptr;
};

} // namespace orv
