#pragma once

// "Spatial Scan": the one frequency a spatial scan measures in every cell (typed, or picked from the
// measured frequencies of a scan of the parent node, peaks marked), the resolution bandwidth, the
// reference level, peak hold, DC coupling, interleaving and the scan resolution level. It reads the
// node's scan and spatial display options when its window is made and writes them in OnApply. The
// choice of the parent's scan is kept in the node mediator at once, Cancel or not.
//
// A bandwidth that is not in the list is kept, as on the spectral page. The peak list is built on
// the user-interface thread from copies taken under the parent mediator's lock, so the parent's scan
// may still be running.

#include "dialogs/CPropertyPage.h"

#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace orv {

class CMyComboBox1;
class CSpinButtonCtrl;
class QNodeMediator;
class QScanOptions;

class CPageSpatialScan : public CPropertyPage {
public:
    static constexpr int kCenterEdit = 1035;
    static constexpr int kCenterSpin = 1036;
    static constexpr int kRbwList = 1038;
    static constexpr int kReferenceEdit = 1040;
    static constexpr int kReferenceSpin = 1042;
    static constexpr int kReferenceUnit = 1207;
    static constexpr int kPeakHold = 1043;
    static constexpr int kAveraging = 1045;
    static constexpr int kReplaceData = 1101;
    static constexpr int kInterleaved = 1110;
    static constexpr int kLevelList = 1122;
    static constexpr int kLevelLabel = 1126;
    static constexpr int kScanIdList = 1186;
    static constexpr int kPeakList = 1044;
    static constexpr int kDcCoupled = 1208;
    static constexpr int kAveragingEdit = 1039;
    static constexpr int kAveragingSpin = 1041;
    static constexpr int kAveragingLabel = 1127;
    static constexpr int kSamplesEdit = 1163;
    static constexpr int kSamplesLabel = 1178;
    static constexpr int kSweepsEdit = 1164;
    static constexpr int kSweepsLabel = 1179;
    static constexpr int kSweepsList = 1174;
    static constexpr int kUseSameView = 1150;

    static constexpr const char* kCaption = "Spatial Scan";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kNegativeCenterText =
        "No support for the negative value in center frequency.";
    static constexpr const char* kScanIdFormat = "Scan Data ID --- %d";
    static constexpr const char* kInformationCaption = "Information";

    // One line of the peak marker list: the frequency as the centre edit takes it, and as shown.
    struct PeakMarkerEntry {
        std::string plain;
        std::string displayed;
    };

    explicit CPageSpatialScan(QNodeMediator& mediator);
    ~CPageSpatialScan() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnApply() override;
    void EnableControls(bool enable) override;
    void FillControls();
    // Fills the peak marker list from the parent's scan with the ID (below 0: its newest).
    void FillPeakMarkerList(int32_t scanID);

    // The notice shown when interleaving is switched on, by the kind of scanner attached.
    static std::string InterleavedNotice(bool robotArm);

    QWidget* GetControl(int id) const;
    const std::vector<PeakMarkerEntry>& GetPeakMarkerEntries() const { return m_peakMarkers; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void FillScanIdList();
    void FillLevelList(const QScanOptions& scan);
    float StepBandwidth() const;
    void StepCenter(int delta);
    void StepReferenceLevel(int delta);
    void OnPeakHoldClicked();
    void OnAveragingClicked();
    void OnDcCoupledClicked();
    void OnInterleavedClicked();
    void OnScanIdChosen(int index);
    void OnPeakChosen(int index);
    void MarkModified();

    QNodeMediator* m_pMediator;
    std::vector<PeakMarkerEntry> m_peakMarkers;
    // What the options held when the page was filled.
    float m_fRBW = 0.0F;
    uint8_t m_bUseSameView = 0;
    // Set while the page writes its own controls, whose changes are not the user's.
    bool m_filling = false;

    QLineEdit* m_centerEdit = nullptr;
    CSpinButtonCtrl* m_centerSpin = nullptr;
    CMyComboBox1* m_rbwList = nullptr;
    QLineEdit* m_referenceEdit = nullptr;
    CSpinButtonCtrl* m_referenceSpin = nullptr;
    QCheckBox* m_peakHold = nullptr;
    QCheckBox* m_averaging = nullptr;
    QCheckBox* m_replaceData = nullptr;
    QCheckBox* m_interleaved = nullptr;
    QComboBox* m_levelList = nullptr;
    QLabel* m_levelLabel = nullptr;
    QComboBox* m_scanIdList = nullptr;
    QComboBox* m_peakList = nullptr;
    QCheckBox* m_dcCoupled = nullptr;
    QLineEdit* m_averagingEdit = nullptr;
    CSpinButtonCtrl* m_averagingSpin = nullptr;
    QLabel* m_averagingLabel = nullptr;
    QLineEdit* m_samplesEdit = nullptr;
    QLabel* m_samplesLabel = nullptr;
    QLineEdit* m_sweepsEdit = nullptr;
    QLabel* m_sweepsLabel = nullptr;
    QComboBox* m_sweepsList = nullptr;
    QCheckBox* m_useSameView = nullptr;
};

} // namespace orv
