// The "Spatial Scan" page of a node's settings sheet on the offscreen platform, driven with key and
// mouse events: what it shows of the node's options, the centre check and what Apply writes by node
// kind, the level list by scanner, the scan and peak marker lists over the parent's scans, its boxes
// and its controls during a scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QScanOptions.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "project/QScanDataRecord.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::PickEntry;
using testing::TypeInto;
using Page = CPageSpatialScan;

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

// A stored spectral scan of the parent: one point per frequency, the points in `peaks` far above
// the noise floor and every other point on it.
void AddParentScan(QNodeMediator& parent, int32_t id, const std::vector<float>& frequencies,
                   const std::set<uint32_t>& peaks) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_StartFrequency = frequencies.front();
    addition.m_Record.m_StopFrequency = frequencies.back();
    addition.m_HasPoints = true;
    for (uint32_t i = 0; i < frequencies.size(); ++i) {
        addition.m_MirtPoints.push_back({static_cast<int16_t>(peaks.count(i) != 0 ? 800 : 0), 0, 0});
        addition.m_MeasuredFrequencies.push_back({i, frequencies[i]});
    }
    ASSERT_TRUE(parent.AddSpectralScanData(std::move(addition), false, false));
}

std::vector<std::string> Lines(QComboBox& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.count(); ++i) {
        lines.push_back((i == list.currentIndex() ? "* " : "") + list.itemText(i).toStdString());
    }
    return lines;
}

class SpatialPageTest : public testing::SheetFixture {
protected:
    // Opens the node's sheet on the spatial page (the third of a Project or Module node's).
    Page& Open(QNodeMediator& node) {
        const uint16_t kind = node.GetKind();
        sheet = OpenSheet(node, kind == 2001 || kind == 2007 ? 2 : 0);
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
    QComboBox& List(Page& page, int id) { return Control<QComboBox>(page, id); }
    QPushButton& ApplyButton() { return *sheet->GetButton(CNodeOptionsSheet::kApplyId); }
    void PressApply() { Click(ApplyButton()); }
    void Spin(Page& page, int id, bool up) {
        auto& spin = Control<CSpinButtonCtrl>(page, id);
        Click(up ? *spin.GetUpButton() : *spin.GetDownButton());
    }
    // The spectral/spatial selections that a new frequency, bandwidth or level drops.
    static void PickBucket(QNodeMediator& node) {
        QFrequencyBucketList buckets;
        buckets.Insert(4);
        node.GetSSSpectralViewOptions()->SetFrequencyBuckets(buckets);
    }
    static bool BucketsDropped(QNodeMediator& node) {
        return node.GetSSSpectralViewOptions()->GetFrequencyBuckets().IsEmpty();
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    ScopedProbeType probe{eProbeType::NoScanner};
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(SpatialPageTest, FillsItsControlsFromTheOptions) {
    auto node = MakeNode(2004);
    QScanOptions& scan = *node->GetScanOptions();
    scan.SetStartFrequency(150.5F);
    scan.SetStopFrequency(150.5F);
    scan.SetReferenceLevel(-7.25F);
    scan.SetRBW(0.12F);
    scan.SetPeakHold(true);
    scan.SetInterleavedScan(1);
    scan.SetSamplesPerSecond(250000);
    scan.SetSpatialSweepsPerCell(3);
    Page& page = Open(*node);

    EXPECT_EQ(Edit(page, Page::kCenterEdit).text(), "150.500  ");
    EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), "-7.250   ");
    EXPECT_EQ(Edit(page, Page::kSamplesEdit).text(), "250000");
    EXPECT_EQ(Edit(page, Page::kSweepsEdit).text(), "3");
    EXPECT_EQ(List(page, Page::kRbwList).currentText(), "120 KHz");
    EXPECT_TRUE(Control<QCheckBox>(page, Page::kPeakHold).isChecked());
    EXPECT_TRUE(Control<QCheckBox>(page, Page::kInterleaved).isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, Page::kDcCoupled).isChecked());
    for (const int hidden : {Page::kSweepsList, Page::kSamplesLabel, Page::kSamplesEdit, Page::kUseSameView,
                             Page::kSweepsLabel, Page::kSweepsEdit, Page::kAveragingLabel,
                             Page::kAveragingEdit, Page::kAveragingSpin, Page::kAveraging}) {
        EXPECT_FALSE(page.GetControl(hidden)->isVisible()) << hidden;
    }
    EXPECT_FALSE(page.GetControl(Page::kAveragingEdit)->isEnabled());
    // Every node kind the sheet gives this page to offers the level list, interleaving and
    // replacing.
    const std::unique_ptr<QNodeMediator> module = MakeNode(2001);
    const std::unique_ptr<QNodeMediator> project = MakeNode(2007);
    for (QNodeMediator* other : {node.get(), module.get(), project.get()}) {
        Page& otherPage = Open(*other);
        for (const int shown : {Page::kLevelList, Page::kLevelLabel, Page::kInterleaved, Page::kReplaceData,
                                Page::kReferenceUnit, Page::kScanIdList, Page::kPeakList}) {
            EXPECT_TRUE(otherPage.GetControl(shown)->isVisible()) << other->GetKind() << " " << shown;
        }
    }
    EXPECT_FALSE(ApplyButton().isEnabled()) << "filling changes nothing";
}

TEST_F(SpatialPageTest, TheCentreIsCheckedAndAppliedByNodeKind) {
    struct Row {
        uint16_t kind;
        const char* typed;
        bool refused;
        float start; // as stored after the Apply
        float stop;
        float center;
    };
    // The nodes start at 100 to 200 MHz, the Project node with a centre of its own of 120.
    const Row rows[] = {
        {2004, "0", true, 100.0F, 200.0F, 150.0F},      {2004, "-5", true, 100.0F, 200.0F, 150.0F},
        {2004, "abc", true, 100.0F, 200.0F, 150.0F},    {2004, "nan", true, 100.0F, 200.0F, 150.0F},
        {2004, "0.001", false, 0.001F, 0.001F, 0.001F}, {2004, "150", false, 150.0F, 150.0F, 150.0F},
        {2007, "150", false, 100.0F, 200.0F, 150.0F},   {2001, "433.92", false, 100.0F, 200.0F, 433.92F},
        {2007, "0", true, 100.0F, 200.0F, 120.0F},
    };
    size_t applied = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.kind << " " << row.typed);
        auto node = MakeNode(row.kind);
        QScanOptions& scan = *node->GetScanOptions();
        scan.SetStartFrequency(100.0F);
        scan.SetStopFrequency(200.0F);
        if (row.kind != 2004) {
            scan.SetCenterFrequency(120.0F);
        }
        PickBucket(*node);
        Page& page = Open(*node);
        TypeInto(Edit(page, Page::kCenterEdit), row.typed);
        EXPECT_TRUE(ApplyButton().isEnabled());
        const size_t before = prompt->Requests().size();
        PressApply();
        const std::vector<PromptRequest> requests = prompt->Requests();
        if (row.refused) {
            ASSERT_EQ(requests.size(), before + 1);
            EXPECT_EQ(requests.back().text, "No support for the negative value in center frequency.");
            EXPECT_EQ(requests.back().caption, "Error");
            EXPECT_TRUE(ApplyButton().isEnabled()) << "nothing was taken";
            EXPECT_EQ(WindowMessages().size(), applied);
        } else {
            EXPECT_EQ(requests.size(), before);
            EXPECT_EQ(WindowMessages().size(), ++applied);
        }
        EXPECT_EQ(scan.GetStartFrequency(), row.start);
        EXPECT_EQ(scan.GetStopFrequency(), row.stop);
        EXPECT_FLOAT_EQ(scan.GetCenterFrequency(), row.center);
        // A new centre drops the selections made for the old one.
        EXPECT_EQ(BucketsDropped(*node), !row.refused && row.center != (row.kind == 2004 ? 150.0F : 120.0F));
    }
}

TEST_F(SpatialPageTest, ApplyWritesTheOtherFieldsAndKeepsABandwidthTheListLacks) {
    auto node = MakeNode(2004);
    QScanOptions& scan = *node->GetScanOptions();
    scan.SetStartFrequency(150.0F);
    scan.SetStopFrequency(150.0F);
    scan.SetRBW(0.2F);
    scan.SetControlLevel(0);
    node->GetSpatialDisplayOptions()->SetUsesNodeSettings(true);
    PickBucket(*node);
    Page& page = Open(*node);
    EXPECT_EQ(List(page, Page::kRbwList).currentIndex(), -1) << "0.2 MHz is no entry";
    TypeInto(Edit(page, Page::kReferenceEdit), "66.5");
    Click(Control<QCheckBox>(page, Page::kDcCoupled));
    Click(Control<QCheckBox>(page, Page::kReplaceData));
    // The hidden fields as the program's other code may leave them.
    Edit(page, Page::kSamplesEdit).setText("2.9");
    Edit(page, Page::kSweepsEdit).setText("1e12");
    PressApply();
    EXPECT_EQ(scan.GetReferenceLevel(), 66.5F);
    EXPECT_EQ(scan.GetRBW(), 0.2F);
    EXPECT_TRUE(scan.IsDcCoupled());
    EXPECT_FALSE(scan.IsReplaceDataContinuous()) << "cleared by the click";
    EXPECT_EQ(scan.GetSamplesPerSecond(), 2U);
    EXPECT_EQ(scan.GetSpatialSweepsPerCell(), 4294967295U);
    EXPECT_TRUE(node->GetSpatialDisplayOptions()->UsesNodeSettings());
    EXPECT_EQ(WindowMessages(), std::vector<uint32_t>{NodeMessage::kProjectModified});
    EXPECT_FALSE(BucketsDropped(*node)) << "neither frequency, bandwidth nor level changed";

    // A bandwidth from the list; the samples saturate at 0.
    Page& again = Open(*node);
    PickEntry(List(again, Page::kRbwList), 11);
    EXPECT_EQ(List(again, Page::kRbwList).currentText(), "1 MHz");
    Edit(again, Page::kSamplesEdit).setText("-3");
    PressApply();
    EXPECT_EQ(scan.GetRBW(), 1.0F);
    EXPECT_EQ(scan.GetSamplesPerSecond(), 0U);
    EXPECT_EQ(WindowMessages().size(), 2U);
    EXPECT_TRUE(BucketsDropped(*node));
}

TEST_F(SpatialPageTest, TheLevelListFollowsTheScanner) {
    struct Row {
        eProbeType probe;
        uint8_t stored;
        std::vector<std::string> lines;
    };
    const std::vector<std::string> five{"Level 1 - 7.50 mm", "Level 2 - 3.75 mm", "Level 3 - 1.875 mm",
                                        "Level 4 - 0.937 mm", "Level 5 - 0.469 mm"};
    auto marked = [&](size_t selected) {
        std::vector<std::string> lines = five;
        lines[selected] = "* " + lines[selected];
        return lines;
    };
    const Row rows[] = {
        {eProbeType::UsbScannerBoard, 3, {"* Level 1 - 7.50 mm"}},
        {eProbeType::NoScanner, 2, {"* Level 1 - 7.50 mm"}},
        // Without motors the adapter offers the first level only.
        {eProbeType::ExternalAdapter, 2, {"* Level 1 - 7.50 mm"}},
        {eProbeType::RobotArm, 2, marked(2)},
        {eProbeType::RobotArm, 4, marked(4)},
        {eProbeType::RobotArm, 6, marked(0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(row.probe) << " " << int{row.stored});
        ScopedProbeType scanner(row.probe);
        auto node = MakeNode(2004);
        node->GetScanOptions()->SetControlLevel(row.stored);
        Page& page = Open(*node);
        EXPECT_EQ(Lines(List(page, Page::kLevelList)), row.lines);
        // An Apply that touches nothing else keeps an offered level.
        TypeInto(Edit(page, Page::kReferenceEdit), "70");
        PressApply();
        const bool offered = row.lines.size() > row.stored;
        EXPECT_EQ(node->GetScanOptions()->GetControlLevel(), offered ? row.stored : 0);
    }
}

TEST_F(SpatialPageTest, ArrowsAndBoxes) {
    ScopedProbeType arm(eProbeType::RobotArm);
    auto node = MakeNode(2004);
    node->GetScanOptions()->SetStartFrequency(100.0F);
    node->GetScanOptions()->SetStopFrequency(100.0F);
    node->GetScanOptions()->SetRBW(3.0F);
    node->GetScanOptions()->SetReferenceLevel(1.5F);
    Page& page = Open(*node);
    // The centre steps by the chosen bandwidth, up and down without a floor; the reference level
    // by 1 and not below 0.
    Spin(page, Page::kCenterSpin, true);
    EXPECT_EQ(Edit(page, Page::kCenterEdit).text(), "103.000 ");
    Spin(page, Page::kCenterSpin, false);
    Spin(page, Page::kCenterSpin, false);
    EXPECT_EQ(Edit(page, Page::kCenterEdit).text(), "97.000  ");
    Spin(page, Page::kReferenceSpin, false);
    Spin(page, Page::kReferenceSpin, false);
    EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), "0.000   ");
    Spin(page, Page::kReferenceSpin, true);
    EXPECT_EQ(Edit(page, Page::kReferenceEdit).text(), "1.000   ");
    EXPECT_TRUE(ApplyButton().isEnabled());

    // The DC-coupling warning without its trailing blank.
    Click(Control<QCheckBox>(page, Page::kDcCoupled));
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].caption, "Confirmation");
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt->Requests()[0].text.back(), '.');
    EXPECT_EQ(prompt->Requests()[0].text.substr(0, 61),
              "You are going to activate DC Coupled Mode for the next scan. ");

    // The interleaved notice, byte for byte, with the arm and with the USB board; none when the box
    // is cleared.
    const std::string head = "You are going to enable an interleaved spatial scan." + std::string(36, ' ') +
                             "\n\nAn interleaved spatial scan is used to reduce the blind spot in the "
                             "measurement system. The scan will take two steps to complete. In the "
                             "second step, you will be asked to ";
    QCheckBox& interleaved = Control<QCheckBox>(page, Page::kInterleaved);
    Click(interleaved);
    Click(interleaved);
    GetInstrumentInfo().SetProbeType(eProbeType::UsbScannerBoard);
    Click(interleaved);
    const std::vector<PromptRequest> requests = prompt->Requests();
    ASSERT_EQ(requests.size(), 3U);
    EXPECT_EQ(requests[1].text, head + "rotate the attached probe 90 degrees\n");
    EXPECT_EQ(requests[2].text, head + "move the PCB one row up vertically.\n");
    EXPECT_EQ(requests[2].caption, "Information");
    EXPECT_EQ(requests[2].icon, PromptIcon::Information);
}

TEST_F(SpatialPageTest, TheScanListFollowsTheParentsScansAndRefillsThePeakList) {
    auto parent = MakeNode(2003);
    AddParentScan(*parent, 1, {10.0F, 20.0F}, {});
    AddParentScan(*parent, 2, {100.0F, 150.0F, 433.92F, 900.0F}, {2});
    AddParentScan(*parent, 3, {30.0F, 31.5F, 150.25F}, {0, 2});
    auto node = MakeNode(2004, parent.get());
    node->GetScanOptions()->SetStartFrequency(150.25F);
    node->GetScanOptions()->SetStopFrequency(150.25F);

    Page& page = Open(*node);
    QComboBox& scans = List(page, Page::kScanIdList);
    QComboBox& peaks = List(page, Page::kPeakList);
    EXPECT_EQ(Lines(scans),
              (std::vector<std::string>{"* Scan Data ID --- 3", "Scan Data ID --- 2", "Scan Data ID --- 1"}));
    // The newest scan's frequencies; the centre's line is selected.
    EXPECT_EQ(Lines(peaks),
              (std::vector<std::string>{"30.000    ---  X", "31.500   ", "* 150.250   ---  X"}));

    // Choosing a scan keeps it on the node at once and refills the peak list; the page stays
    // unmodified, and Cancel keeps the choice.
    PickEntry(scans, 1);
    EXPECT_EQ(node->GetLinkedScanID(), 2);
    EXPECT_EQ(Lines(peaks),
              (std::vector<std::string>{"* 100.000  ", "150.000  ", "433.920   ---  X", "900.000  "}));
    EXPECT_FALSE(ApplyButton().isEnabled());
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    EXPECT_EQ(node->GetLinkedScanID(), 2);

    // Reopened: the linked scan's line. Picking a peak writes only its number into the centre.
    Page& again = Open(*node);
    QComboBox& peaks2 = List(again, Page::kPeakList);
    EXPECT_EQ(List(again, Page::kScanIdList).currentText(), "Scan Data ID --- 2");
    ASSERT_EQ(again.GetPeakMarkerEntries().size(), 4U);
    EXPECT_EQ(again.GetPeakMarkerEntries()[2].plain, "433.920  ");
    PickEntry(peaks2, 2);
    EXPECT_EQ(Edit(again, Page::kCenterEdit).text(), "433.920  ");
    EXPECT_TRUE(ApplyButton().isEnabled());
    PressApply();
    EXPECT_FLOAT_EQ(node->GetScanOptions()->GetCenterFrequency(), 433.92F);

    // A linked scan the parent no longer has: the first line, and no frequencies.
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    node->SetLinkedScanID(7);
    Page& stale = Open(*node);
    EXPECT_EQ(List(stale, Page::kScanIdList).currentText(), "Scan Data ID --- 3");
    EXPECT_EQ(List(stale, Page::kPeakList).count(), 0);

    // Without a parent both lists stay empty.
    auto orphan = MakeNode(2004);
    Page& alone = Open(*orphan);
    EXPECT_EQ(List(alone, Page::kScanIdList).count(), 0);
    EXPECT_EQ(List(alone, Page::kPeakList).count(), 0);
}

TEST_F(SpatialPageTest, DuringAScanTheSettingsWaitForItsEnd) {
    auto node = MakeNode(2004);
    node->SetScanInProgress(true);
    Page& page = Open(*node);
    const int settings[] = {Page::kCenterEdit, Page::kRbwList,       Page::kReferenceEdit,
                            Page::kPeakHold,   Page::kReplaceData,   Page::kInterleaved,
                            Page::kCenterSpin, Page::kReferenceSpin, Page::kLevelList};
    for (const int id : settings) {
        EXPECT_FALSE(page.GetControl(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(page.GetControl(Page::kScanIdList)->isEnabled());
    std::thread controllerThread([&] { node->SetScanInProgress(false); });
    controllerThread.join();
    EXPECT_FALSE(page.GetControl(Page::kCenterEdit)->isEnabled()) << "not before the user-interface thread";
    thread.Pump();
    for (const int id : settings) {
        EXPECT_TRUE(page.GetControl(id)->isEnabled()) << id;
    }
}

} // namespace
} // namespace orv
