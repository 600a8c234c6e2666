// The "Spectral Scan" page of a node's settings sheet on the offscreen platform, driven with key and
// mouse events: what it shows of the node's options, its arrows and check boxes, its three checks,
// what Apply writes and posts, and its controls during a scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QScanOptions.h"
#include "core/QSmallOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::PickEntry;
using testing::TypeInto;
using Page = CPageSpectralScan;

// The probe type the instrument state reports, put back afterwards.
class ScopedProbeType {
public:
    explicit ScopedProbeType(eProbeType type) : m_previous(GetInstrumentInfo().GetProbeType()) {
        GetInstrumentInfo().SetProbeType(type);
    }
    ~ScopedProbeType() { GetInstrumentInfo().SetProbeType(m_previous); }
    ScopedProbeType(const ScopedProbeType&) = delete;
    ScopedProbeType& operator=(const ScopedProbeType&) = delete;

private:
    eProbeType m_previous;
};

class SpectralPageTest : public testing::SheetFixture {
protected:
    // Opens the node's sheet on the spectral page.
    Page& Open(QNodeMediator& node) {
        sheet = OpenSheet(node);
        EXPECT_NE(sheet, nullptr);
        auto* page = dynamic_cast<Page*>(sheet->GetActivePage());
        EXPECT_NE(page, nullptr);
        return *page;
    }
    template <class T = QWidget> T& Control(Page& page, int id) {
        auto* control = dynamic_cast<T*>(page.GetControl(id));
        EXPECT_NE(control, nullptr) << id;
        return *control;
    }
    QLineEdit& Edit(Page& page, int id) { return Control<QLineEdit>(page, id); }
    void PressApply() { Click(*sheet->GetButton(CNodeOptionsSheet::kApplyId)); }
    // Clicks one of the arrows of a spin control.
    void Spin(Page& page, int id, bool up) {
        auto& spin = Control<CSpinButtonCtrl>(page, id);
        Click(up ? *spin.GetUpButton() : *spin.GetDownButton());
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    ScopedProbeType probe{eProbeType::NoScanner};
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(SpectralPageTest, FillsItsControlsFromTheOptions) {
    auto node = MakeNode(2003);
    QScanOptions& scan = *node->GetScanOptions();
    scan.SetStartFrequency(150.5F);
    scan.SetStopFrequency(1000.0F);
    scan.SetReferenceLevel(-7.25F);
    scan.SetMaxPeaks(12);
    scan.SetPeakHold(true);
    scan.SetDcCoupled(true);
    Page& page = Open(*node);

    EXPECT_EQ(Edit(page, Page::kStartEdit).text(), "150.500 ");
    EXPECT_EQ(Edit(page, Page::kStopEdit).text(), "1000.000");
    EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), "-7.250  ");
    EXPECT_EQ(Edit(page, Page::kMaxPeaksEdit).text(), "12");
    EXPECT_TRUE(Control<QCheckBox>(page, Page::kPeakHold).isChecked());
    EXPECT_TRUE(Control<QCheckBox>(page, Page::kDcCoupled).isChecked());
    EXPECT_TRUE(Control<QCheckBox>(page, Page::kMeasurePeaks).isChecked());
    EXPECT_EQ(Control<QComboBox>(page, Page::kRbwList).count(), 15);
    EXPECT_EQ(Control<QComboBox>(page, Page::kRbwList).currentText(), "120 KHz");
    for (const int hidden :
         {Page::kSweepsList, Page::kSweepsLabel, Page::kSweepsEdit, Page::kUseSameView, Page::kInterleaved,
          Page::kAveragingEdit, Page::kAveragingLabel, Page::kAveragingSpin, Page::kAveraging}) {
        EXPECT_FALSE(page.GetControl(hidden)->isVisible()) << hidden;
    }
    for (const int shown : {Page::kReplaceData, Page::kLevelList, Page::kLevelLabel, Page::kReferenceUnit}) {
        EXPECT_TRUE(page.GetControl(shown)->isVisible()) << shown;
    }
    EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled()) << "filling changes nothing";

    // "Replace Data" is not offered where a run replaces nothing; the level list only for scan kinds.
    struct Row {
        uint16_t kind;
        bool replaceData;
        bool levels;
    };
    for (const Row& row : {Row{2005, false, true}, Row{2029, false, true}, Row{2014, false, false},
                           Row{2001, true, true}, Row{2007, true, true}}) {
        auto other = MakeNode(row.kind);
        Page& otherPage = Open(*other);
        EXPECT_EQ(otherPage.GetControl(Page::kReplaceData)->isVisible(), row.replaceData) << row.kind;
        EXPECT_EQ(otherPage.GetControl(Page::kLevelList)->isVisible(), row.levels) << row.kind;
        EXPECT_EQ(otherPage.GetControl(Page::kLevelLabel)->isVisible(), row.levels) << row.kind;
    }
}

TEST_F(SpectralPageTest, RefusalsTellTheUserAndWriteNothing) {
    struct Row {
        const char* start;
        const char* stop;
        const char* peaks;
        const char* text;
    };
    const Row rows[] = {
        {"0", "200", "2", Page::kNegativeFrequencyText},   {"100", "-1", "2", Page::kNegativeFrequencyText},
        {"abc", "200", "2", Page::kNegativeFrequencyText}, {"nan", "200", "2", Page::kNegativeFrequencyText},
        {"150", "150", "2", Page::kStartNotBelowStopText}, {"300", "200", "2", Page::kStartNotBelowStopText},
        {"100", "200", "-1", Page::kNegativePeaksText},    {"100", "200", "70000", Page::kTooManyPeaksText},
    };
    auto node = MakeNode(2003);
    node->GetScanOptions()->SetStartFrequency(10.0F);
    node->GetScanOptions()->SetStopFrequency(110.0F);
    Page& page = Open(*node);
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.start << " - " << row.stop << ", " << row.peaks);
        TypeInto(Edit(page, Page::kStartEdit), row.start);
        TypeInto(Edit(page, Page::kStopEdit), row.stop);
        TypeInto(Edit(page, Page::kMaxPeaksEdit), row.peaks);
        TypeInto(Edit(page, Page::kReferenceEdit), "33");
        const size_t asked = prompt->Requests().size();
        PressApply();
        ASSERT_EQ(prompt->Requests().size(), asked + 1);
        EXPECT_EQ(prompt->Requests().back().text, row.text);
        EXPECT_EQ(prompt->Requests().back().caption, "Error");
        EXPECT_EQ(prompt->Requests().back().buttons, PromptButtons::Ok);
        const QScanOptions& scan = *node->GetScanOptions();
        EXPECT_EQ(scan.GetStartFrequency(), 10.0F);
        EXPECT_EQ(scan.GetStopFrequency(), 110.0F);
        EXPECT_EQ(scan.GetMaxPeaks(), 2);
        EXPECT_EQ(scan.GetReferenceLevel(), 50.0F);
        EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
    }
    EXPECT_TRUE(WindowMessages().empty());

    // A peak count with a fraction is cut toward zero.
    TypeInto(Edit(page, Page::kStartEdit), "100");
    TypeInto(Edit(page, Page::kStopEdit), "200");
    TypeInto(Edit(page, Page::kMaxPeaksEdit), "2.9");
    PressApply();
    EXPECT_EQ(node->GetScanOptions()->GetMaxPeaks(), 2);
    TypeInto(Edit(page, Page::kMaxPeaksEdit), "65535");
    PressApply();
    EXPECT_EQ(node->GetScanOptions()->GetMaxPeaks(), 65535);
    EXPECT_EQ(node->GetScanOptions()->GetStartFrequency(), 100.0F);
    EXPECT_EQ(node->GetScanOptions()->GetStopFrequency(), 200.0F);
}

TEST_F(SpectralPageTest, ABandwidthOutsideTheListIsKeptUntilTheUserPicksOne) {
    auto node = MakeNode(2003);
    node->GetScanOptions()->SetStartFrequency(10.0F);
    node->GetScanOptions()->SetRBW(0.2F);
    Page& page = Open(*node);
    auto& rbw = Control<QComboBox>(page, Page::kRbwList);
    EXPECT_EQ(rbw.currentIndex(), -1);

    // The frequency arrows step by the stored bandwidth meanwhile.
    Spin(page, Page::kStartSpin, true);
    EXPECT_EQ(Edit(page, Page::kStartEdit).text(), "10.200  ");
    PressApply();
    EXPECT_EQ(node->GetScanOptions()->GetRBW(), 0.2F);
    EXPECT_EQ(node->GetScanOptions()->GetStartFrequency(), 10.2F);

    PickEntry(rbw, 11);
    EXPECT_EQ(rbw.currentText(), "1 MHz");
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
    PressApply();
    EXPECT_EQ(node->GetScanOptions()->GetRBW(), 1.0F);
}

TEST_F(SpectralPageTest, TheArrowsStepTheFrequenciesByTheBandwidthAndTheLevelDownToZero) {
    auto node = MakeNode(2003);
    node->GetScanOptions()->SetStartFrequency(10.0F);
    node->GetScanOptions()->SetStopFrequency(110.0F);
    Page& page = Open(*node);
    struct Step {
        int spin;
        bool up;
        int edit;
        const char* text;
    };
    const Step steps[] = {
        {Page::kStartSpin, true, Page::kStartEdit, "10.120  "},
        {Page::kStopSpin, false, Page::kStopEdit, "109.880 "},
    };
    for (const Step& step : steps) {
        Spin(page, step.spin, step.up);
        EXPECT_EQ(Edit(page, step.edit).text(), step.text);
    }
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
    // No lower bound for the frequencies.
    TypeInto(Edit(page, Page::kStartEdit), "0.1");
    Spin(page, Page::kStartSpin, false);
    EXPECT_EQ(Edit(page, Page::kStartEdit).text(), "-0.020  ");

    TypeInto(Edit(page, Page::kReferenceEdit), "1.5");
    for (const char* expected : {"0.500   ", "0.000   ", "0.000   "}) {
        Spin(page, Page::kReferenceSpin, false);
        EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), expected);
    }
    Spin(page, Page::kReferenceSpin, true);
    EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), "1.000   ");
}

TEST_F(SpectralPageTest, LevelListFollowsTheScannerAndTheNodeKind) {
    struct Row {
        eProbeType probe;
        uint16_t kind;
        uint8_t stored;
        int count;
        int selected;
    };
    const Row rows[] = {
        {eProbeType::RobotArm, 2005, 5, 3, 0},
        {eProbeType::RobotArm, 2005, 2, 3, 2},
        {eProbeType::RobotArm, 2001, 1, 3, 1},
        {eProbeType::RobotArm, 2003, 2, 1, 0},
        {eProbeType::ExternalAdapter, 2003, 2, 1, 0},
        // No hand-held probe client is connected to the program's pipe.
        {eProbeType::RobotArm, 2029, 1, 1, 0},
        {eProbeType::UsbScannerBoard, 2005, 3, 1, 0},
        {eProbeType::NoScanner, 2005, 3, 1, 0},
        // An adapter that is not attached (or has no motors) offers the first level only.
        {eProbeType::ExternalAdapter, 2005, 4, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << static_cast<int>(row.probe) << ", " << row.kind << ", " << int(row.stored));
        ScopedProbeType type(row.probe);
        auto node = MakeNode(row.kind);
        node->GetScanOptions()->SetControlLevel(row.stored);
        Page& page = Open(*node);
        auto& levels = Control<QComboBox>(page, Page::kLevelList);
        ASSERT_EQ(levels.count(), row.count);
        EXPECT_EQ(levels.itemText(0), "Level 1 - 7.50 mm");
        EXPECT_EQ(levels.currentIndex(), row.selected);
        PressApply();
    }
    // Picking the third level of the arm stores its number.
    ScopedProbeType arm(eProbeType::RobotArm);
    auto node = MakeNode(2005);
    Page& page = Open(*node);
    PickEntry(Control<QComboBox>(page, Page::kLevelList), 2);
    EXPECT_EQ(Control<QComboBox>(page, Page::kLevelList).currentText(), "Level 3 - 1.875 mm");
    PressApply();
    EXPECT_EQ(node->GetScanOptions()->GetControlLevel(), 2);
}

TEST_F(SpectralPageTest, PeakHoldAndAveragingExcludeEachOtherAndDcCouplingWarns) {
    auto node = MakeNode(2003);
    node->GetScanOptions()->SetAveraging(true);
    Page& page = Open(*node);
    auto& peakHold = Control<QCheckBox>(page, Page::kPeakHold);
    auto& averaging = Control<QCheckBox>(page, Page::kAveraging);
    EXPECT_TRUE(averaging.isChecked());
    Click(peakHold);
    EXPECT_TRUE(peakHold.isChecked());
    EXPECT_FALSE(averaging.isChecked());
    // The averaging box is hidden; a click on it (as the keyboard gives) still has its rule.
    averaging.click();
    EXPECT_TRUE(averaging.isChecked());
    EXPECT_FALSE(peakHold.isChecked());
    Click(peakHold);
    PressApply();
    EXPECT_TRUE(node->GetScanOptions()->IsPeakHold());
    EXPECT_FALSE(node->GetScanOptions()->IsAveraging());

    auto& dc = Control<QCheckBox>(page, Page::kDcCoupled);
    Click(dc);
    ASSERT_EQ(prompt->Requests().size(), 1U);
    const PromptRequest warning = prompt->Requests()[0];
    EXPECT_EQ(warning.caption, "Confirmation");
    EXPECT_EQ(warning.icon, PromptIcon::Warning);
    EXPECT_EQ(warning.buttons, PromptButtons::Ok);
    const std::string expected =
        "You are going to activate DC Coupled Mode for the next scan. The input circuitry of your analyzer "
        "can "
        "be damaged by applying signals that exceed the safe input level. Make a scan without DC Coupled "
        "mode "
        "first and check that the input levels are below the safe level of your analyzer. Refer to the "
        "analyzer\x92s data sheet for more details regarding the maximum safe input level. Also "
        "check "
        "the data sheet to determine the available frequency ranges for this feature. ";
    EXPECT_EQ(warning.text, expected);
    EXPECT_TRUE(dc.isChecked()) << "the box changes nothing";
    Click(dc);
    EXPECT_EQ(prompt->Requests().size(), 1U) << "no warning when it is switched off";
}

TEST_F(SpectralPageTest, ApplyWritesEveryFieldMarksTheProjectAndDropsOldSelectionsOnARangeChange) {
    auto node = MakeNode(2005);
    QFrequencyBucketList buckets;
    buckets.Insert(4);
    node->GetSSSpectralViewOptions()->SetFrequencyBuckets(buckets);
    node->GetSpectralDisplayOptions()->SetUsesNodeSettings(true);
    {
        ScopedProbeType arm(eProbeType::RobotArm);
        Page& page = Open(*node);
        TypeInto(Edit(page, Page::kMaxPeaksEdit), "7");
        TypeInto(Edit(page, Page::kReferenceEdit), "66.5");
        Click(Control<QCheckBox>(page, Page::kPeakHold));
        Click(Control<QCheckBox>(page, Page::kMeasurePeaks));
        Click(Control<QCheckBox>(page, Page::kDcCoupled));
        PressApply();
    }
    const QScanOptions& scan = *node->GetScanOptions();
    EXPECT_EQ(scan.GetMaxPeaks(), 7);
    EXPECT_EQ(scan.GetReferenceLevel(), 66.5F);
    EXPECT_TRUE(scan.IsPeakHold());
    EXPECT_FALSE(scan.IsMeasurePeaks());
    EXPECT_TRUE(scan.IsDcCoupled());
    EXPECT_TRUE(scan.IsReplaceDataContinuous()) << "hidden for this kind, so kept as it was";
    EXPECT_EQ(scan.GetSweepsPerCell(), 1U);
    EXPECT_TRUE(node->GetSpectralDisplayOptions()->UsesNodeSettings());
    EXPECT_EQ(WindowMessages(), std::vector<uint32_t>{NodeMessage::kProjectModified});
    // Neither range, bandwidth nor level changed: the picked buckets stay.
    EXPECT_FALSE(node->GetSSSpectralViewOptions()->GetFrequencyBuckets().IsEmpty());

    Page& page = Open(*node);
    TypeInto(Edit(page, Page::kStopEdit), "120");
    PressApply();
    EXPECT_EQ(scan.GetStopFrequency(), 120.0F);
    EXPECT_EQ(WindowMessages().size(), 2U);
    EXPECT_TRUE(node->GetSSSpectralViewOptions()->GetFrequencyBuckets().IsEmpty());
}

TEST_F(SpectralPageTest, DuringAScanTheControlsWaitForItsEndOnTheUserInterfaceThread) {
    // The amplitude page is a recording one here, which notes the thread its re-enabling ran on.
    factory.makePage = [this](QSettingsPageKind kind, QNodeMediator& mediator,
                              uint16_t scanKind) -> std::unique_ptr<QSettingsPage> {
        if (kind == QSettingsPageKind::SpectralScan) {
            return std::make_unique<Page>(mediator);
        }
        auto page = std::make_unique<testing::RecordingPage>(kind, scanKind, nullptr);
        factory.recordingPages.push_back(page.get());
        return page;
    };
    auto node = MakeNode(2003);
    node->SetScanInProgress(true);
    Page& page = Open(*node);
    const int settings[] = {Page::kStartEdit,     Page::kStopEdit,    Page::kRbwList,
                            Page::kReferenceEdit, Page::kPeakHold,    Page::kReplaceData,
                            Page::kStartSpin,     Page::kStopSpin,    Page::kReferenceSpin,
                            Page::kMeasurePeaks,  Page::kMaxPeaksEdit};
    for (const int id : settings) {
        EXPECT_FALSE(page.GetControl(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(page.GetControl(Page::kDcCoupled)->isEnabled());
    // The amplitude page (a recording one) is shown too; the probes page never.
    ASSERT_TRUE(sheet->SetActivePage(2));
    ASSERT_EQ(factory.recordingPages.size(), 3U);
    testing::RecordingPage& amplitude = *factory.recordingPages[1];
    ASSERT_EQ(amplitude.GetKind(), QSettingsPageKind::AmplitudeAdjust);

    // The controller reports the end on a thread of its own.
    std::thread controllerThread([&] { node->SetScanInProgress(false); });
    controllerThread.join();
    EXPECT_FALSE(page.GetControl(Page::kStartEdit)->isEnabled());
    EXPECT_TRUE(amplitude.enables.empty());

    thread.Pump();
    for (const int id : settings) {
        EXPECT_TRUE(page.GetControl(id)->isEnabled()) << id;
    }
    EXPECT_EQ(amplitude.enables, std::vector<bool>{true});
    EXPECT_EQ(amplitude.enableThreads, std::vector<std::thread::id>{std::this_thread::get_id()});
    EXPECT_TRUE(factory.recordingPages[0]->enables.empty()) << "the probes page has no window";
}

} // namespace
} // namespace orv
