#pragma once

// "Spectral Scan": the frequency sweep of a node's scan (start and stop frequency, resolution
// bandwidth, reference level, peak measurement, peak hold, DC coupling of the analyser input and the
// scan resolution level). It reads the node's scan and spectral display options when its window is
// made and writes them in OnApply, after three checks. While the node's scan runs its settings
// controls are disabled; the node mediator enables them again when the scan ends.
//
// A bandwidth that is not in the list is kept: the list then shows no entry, the frequency arrows
// step by the stored bandwidth, and Apply keeps it unless the user picks an entry.

#include "dialogs/CPropertyPage.h"

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace orv {

class CMyComboBox1;
class CSpinButtonCtrl;
class QNodeMediator;
class QScanOptions;

class CPageSpectralScan : public CPropertyPage {
public:
    // Control ids (the controls' object names).
    static constexpr int kStartEdit = 1022;
    static constexpr int kStartSpin = 1018;
    static constexpr int kStopEdit = 1020;
    static constexpr int kStopSpin = 1017;
    static constexpr int kRbwList = 1021;
    static constexpr int kReferenceEdit = 1023;
    static constexpr int kReferenceSpin = 1019;
    static constexpr int kReferenceUnit = 1206;
    static constexpr int kMeasurePeaks = 1072;
    static constexpr int kMaxPeaksEdit = 1027;
    static constexpr int kMaxPeaksLabel = 1129;
    static constexpr int kPeakHold = 1026;
    static constexpr int kAveraging = 1209;
    static constexpr int kReplaceData = 1101;
    static constexpr int kLevelList = 1123;
    static constexpr int kLevelLabel = 1124;
    static constexpr int kInterleaved = 1111;
    static constexpr int kDcCoupled = 1073;
    static constexpr int kAveragingEdit = 1025;
    static constexpr int kAveragingSpin = 1024;
    static constexpr int kAveragingLabel = 1128;
    static constexpr int kSweepsEdit = 1165;
    static constexpr int kSweepsLabel = 1180;
    static constexpr int kSweepsList = 1164;
    static constexpr int kUseSameView = 1110;

    static constexpr const char* kCaption = "Spectral Scan";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kNegativeFrequencyText =
        "No support for the negative value in start or stop frequency.";
    static constexpr const char* kStartNotBelowStopText =
        "The start frequency should not be greater than the stop frequency.";
    static constexpr const char* kNegativePeaksText = "The detecting peak number should not be less than 0.";
    static constexpr const char* kTooManyPeaksText =
        "The detecting peak number should not be greater than 65535.";
    static constexpr const char* kDcCouplingCaption = "Confirmation";
    // The apostrophe is the code page's right single quotation mark (0x92).
    static constexpr const char* kDcCouplingText =
        "You are going to activate DC Coupled Mode for the next scan. The input circuitry of your analyzer "
        "can be damaged by applying signals that exceed the safe input level. Make a scan without DC Coupled "
        "mode first and check that the input levels are below the safe level of your analyzer. Refer to the "
        "analyzer\x92s data sheet for more details regarding the maximum safe input level. Also "
        "check the data sheet to determine the available frequency ranges for this feature. ";

    explicit CPageSpectralScan(QNodeMediator& mediator);
    ~CPageSpectralScan() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnApply() override;
    void EnableControls(bool enable) override;
    void FillControls();

    // The control with the id; null for an id the page does not have.
    QWidget* GetControl(int id) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void FillLevelList(const QScanOptions& scan);
    // The bandwidth the frequency arrows step by: the chosen entry's, else the stored one.
    float StepBandwidth() const;
    void StepFrequency(QLineEdit& edit, int delta);
    void StepReferenceLevel(int delta);
    void OnPeakHoldClicked();
    void OnAveragingClicked();
    void OnDcCoupledClicked();
    void MarkModified();
    bool Refuse(const char* text);

    QNodeMediator* m_pMediator;
    // What the options held when the page was filled.
    float m_fRBW = 0.0F;
    uint32_t m_nSweepsPerCell = 0;
    uint8_t m_bUseSameView = 0;
    // Set while the page writes its own controls, whose changes are not the user's.
    bool m_filling = false;

    QLineEdit* m_startEdit = nullptr;
    CSpinButtonCtrl* m_startSpin = nullptr;
    QLineEdit* m_stopEdit = nullptr;
    CSpinButtonCtrl* m_stopSpin = nullptr;
    CMyComboBox1* m_rbwList = nullptr;
    QLineEdit* m_referenceEdit = nullptr;
    CSpinButtonCtrl* m_referenceSpin = nullptr;
    QCheckBox* m_measurePeaks = nullptr;
    QLineEdit* m_maxPeaksEdit = nullptr;
    QCheckBox* m_peakHold = nullptr;
    QCheckBox* m_averaging = nullptr;
    QCheckBox* m_replaceData = nullptr;
    QComboBox* m_levelList = nullptr;
    QLabel* m_levelLabel = nullptr;
    QCheckBox* m_interleaved = nullptr;
    QCheckBox* m_dcCoupled = nullptr;
    QLineEdit* m_averagingEdit = nullptr;
    CSpinButtonCtrl* m_averagingSpin = nullptr;
    QLabel* m_averagingLabel = nullptr;
    QLineEdit* m_sweepsEdit = nullptr;
    QLabel* m_sweepsLabel = nullptr;
    QComboBox* m_sweepsList = nullptr;
    QCheckBox* m_useSameView = nullptr;
};

} // namespace orv
