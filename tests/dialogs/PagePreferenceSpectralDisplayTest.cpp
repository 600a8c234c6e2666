// The Preferences sheet's "Display Options" page on the offscreen platform, over a correction folder
// of its own: the controls that wait for probe compensation, the correction sets listed and the one
// of the connected scanner chosen (or the warning), and what Apply stores and rebuilds.

#include "app/controls/CTabCtrlPropertySheet.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "dialogs/CPagePreferenceSpectralDisplay.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/core/support/CorrectionFixtures.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::PickEntry;
using testing::TypeInto;
using Page = CPagePreferenceSpectralDisplay;

constexpr int32_t kHeadWithSet = 9311;
constexpr int32_t kHeadWithoutSet = 9312;

class DisplayPageTest : public testing::SheetFixture {
protected:
    DisplayPageTest() {
        auto& heads = GetScanHeadInfoManager();
        for (const auto& [id, name] :
             {std::pair{kHeadWithSet, "HeadB"}, std::pair{kHeadWithoutSet, "Missing"}}) {
            if (heads.Find(id) == nullptr) {
                heads.Insert(std::make_unique<QScanHeadInfo>(name, id, 10.0F, 1500.0F, 2, 3, 0, 0, 100U));
            }
        }
        // Three sets, in an order the listing must not keep; a folder without a list file and a file
        // beside the sets are no sets.
        for (const char* set : {"Zed", "HeadB", "headA"}) {
            folder.WriteFile(std::filesystem::path("correctiondata") / set / "correctionfile.txt",
                             "10.0\n0\n");
        }
        folder.WriteFile("correctiondata/NoList/row1.txt", "1.0\n");
        folder.WriteFile("correctiondata/correctionfile.txt", "10.0\n0\n");
        GetScannerContext().SetScannerId(kHeadWithSet);
        node = MakeNode(2000, nullptr, "Preference123");
        node->SetContainer(&container);
    }
    ~DisplayPageTest() override {
        node.reset();
        GetScannerContext().SetScannerId(m_scannerId);
        QCorrectionData::SetSpectralCompensationOn(m_compensationOn);
    }

    // The Preferences sheet opened on the page (its third).
    Page& Open() {
        sheet = OpenSheet(*node, 2);
        EXPECT_NE(sheet, nullptr);
        auto* page = sheet != nullptr ? dynamic_cast<Page*>(sheet->GetActivePage()) : nullptr;
        EXPECT_NE(page, nullptr);
        EXPECT_EQ(sheet->GetTabCtrl().tabText(2), "Display Options");
        return *page;
    }
    template <class T> static T& Control(Page& page, int id) {
        auto* control = dynamic_cast<T*>(page.GetControl(id));
        EXPECT_NE(control, nullptr) << id;
        return *control;
    }
    static std::vector<std::string> Sets(Page& page) {
        std::vector<std::string> names;
        auto& list = Control<QComboBox>(page, Page::kCorrectionList);
        for (int i = 0; i < list.count(); ++i) {
            names.push_back(list.itemText(i).toStdString());
        }
        return names;
    }
    // Which of the mode buttons, the threshold edit and the set list can be used.
    static std::vector<bool> Enabled(Page& page) {
        std::vector<bool> enabled;
        for (int id : {Page::kAllData, Page::kPeakOnly, Page::kThresholdMode, Page::kThresholdEdit,
                       Page::kCorrectionList}) {
            enabled.push_back(page.GetControl(id)->isEnabled());
        }
        return enabled;
    }
    void PressApply() { Click(*sheet->GetButton(CNodeOptionsSheet::kApplyId)); }
    QSpectralDisplayOptions& Spectral() { return *node->GetSpectralDisplayOptions(); }
    QSpatialDisplayOptions& Spatial() { return *node->GetSpatialDisplayOptions(); }

    testing::ApplicationFolderFixture folder;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::FakeNodeContainer container;
    std::unique_ptr<QNodeMediator> node;
    CNodeOptionsSheet* sheet = nullptr;

private:
    int32_t m_scannerId = GetScannerContext().GetScannerId();
    bool m_compensationOn = QCorrectionData::IsSpectralCompensationOn();
};

TEST_F(DisplayPageTest, WithoutCompensationTheModesWaitUntilItIsChecked) {
    Spectral().SetProbeCompensation(false);
    Page& page = Open();
    EXPECT_FALSE(Control<QCheckBox>(page, Page::kCompensation).isChecked());
    EXPECT_TRUE(Control<QRadioButton>(page, Page::kThresholdMode).isChecked()) << "the default mode";
    EXPECT_EQ(Control<QLineEdit>(page, Page::kThresholdEdit).text(), "  5.00");
    EXPECT_EQ(Enabled(page), (std::vector<bool>{false, false, false, false, false}));
    EXPECT_TRUE(Sets(page).empty()) << "not looked for yet";
    EXPECT_TRUE(prompt->Texts().empty());
    EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());

    // Checked: the sets are listed and the connected scanner's own is chosen; peaks only stays off.
    Click(Control<QCheckBox>(page, Page::kCompensation));
    EXPECT_EQ(Enabled(page), (std::vector<bool>{true, false, true, true, true}));
    EXPECT_EQ(Sets(page), (std::vector<std::string>{"headA", "HeadB", "Zed"}));
    EXPECT_EQ(Control<QComboBox>(page, Page::kCorrectionList).currentText(), "HeadB");
    EXPECT_TRUE(prompt->Texts().empty());
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());

    // Unchecked again: everything waits and no set is shown.
    Click(Control<QCheckBox>(page, Page::kCompensation));
    EXPECT_EQ(Enabled(page), (std::vector<bool>{false, false, false, false, false}));
    EXPECT_EQ(Control<QComboBox>(page, Page::kCorrectionList).currentText(), "");

    // The mode buttons: "All Data" puts the threshold out of use, "Threshold" brings it back.
    Click(Control<QCheckBox>(page, Page::kCompensation));
    Click(Control<QRadioButton>(page, Page::kAllData));
    EXPECT_TRUE(Control<QRadioButton>(page, Page::kAllData).isChecked());
    EXPECT_FALSE(Control<QRadioButton>(page, Page::kThresholdMode).isChecked());
    EXPECT_FALSE(page.GetControl(Page::kThresholdEdit)->isEnabled());
    Click(Control<QRadioButton>(page, Page::kThresholdMode));
    EXPECT_FALSE(Control<QRadioButton>(page, Page::kAllData).isChecked());
    EXPECT_TRUE(page.GetControl(Page::kThresholdEdit)->isEnabled());
}

TEST_F(DisplayPageTest, AScannerWhoseSetIsMissingIsWarnedOf) {
    struct Row {
        const char* name;
        bool folderThere;
        std::vector<std::string> sets;
    };
    for (const Row& row : {Row{"the scanner has no set", true, {"headA", "HeadB", "Zed"}},
                           Row{"no correction folder at all", false, {}}}) {
        SCOPED_TRACE(row.name);
        GetScannerContext().SetScannerId(row.folderThere ? kHeadWithoutSet : kHeadWithSet);
        if (!row.folderThere) {
            std::filesystem::remove_all(folder.Path() / "correctiondata");
        }
        Spectral().SetProbeCompensation(true);
        const size_t before = prompt->Requests().size();
        Page& page = Open();
        ASSERT_EQ(prompt->Requests().size(), before + 1);
        const PromptRequest warning = prompt->Requests().back();
        EXPECT_EQ(warning.text, row.folderThere ? "No correction file was found for \"Missing\"."
                                                : "No correction file was found for \"HeadB\".");
        EXPECT_EQ(warning.caption, "Warning");
        EXPECT_EQ(warning.buttons, PromptButtons::Ok);
        EXPECT_EQ(warning.icon, PromptIcon::Information);
        EXPECT_EQ(Sets(page), row.sets) << "the sets found are still offered";
        EXPECT_EQ(Control<QComboBox>(page, Page::kCorrectionList).currentIndex(), -1);
        Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    }
}

TEST_F(DisplayPageTest, ApplyStoresThePreferencesAndRebuildsWheneverCompensationIsOn) {
    Spectral().SetProbeCompensation(false);
    Spectral().SetDisplayMode(Page::kModeThreshold);
    QCorrectionData::SetSpectralCompensationOn(true);
    Page& page = Open();

    // Compensation stays off: the views are refreshed, not rebuilt.
    Click(Control<QCheckBox>(page, Page::kLetters));
    PressApply();
    EXPECT_EQ(container.rebuilds, (std::vector<bool>{false}));
    EXPECT_FALSE(QCorrectionData::IsSpectralCompensationOn()) << "the switch follows the box";

    // On, with the scanner's set: stored, and rebuilt on every Apply while it stays on.
    Click(Control<QCheckBox>(page, Page::kCompensation));
    TypeInto(Control<QLineEdit>(page, Page::kThresholdEdit), "abc");
    PressApply();
    EXPECT_TRUE(Spectral().IsProbeCompensation());
    EXPECT_EQ(Spectral().GetCorrectionSetName(), "HeadB");
    EXPECT_TRUE(Spatial().IsCompensation());
    EXPECT_TRUE(QCorrectionData::IsSpectralCompensationOn());
    EXPECT_EQ(Spectral().GetDisplayThreshold(), 0.0F) << "a threshold that is no number";
    EXPECT_EQ(Spectral().GetDisplayMode(), Page::kModeThreshold);
    EXPECT_TRUE(Spatial().UsesScannerLabels());
    TypeInto(Control<QLineEdit>(page, Page::kThresholdEdit), "7.5");
    PickEntry(Control<QComboBox>(page, Page::kCorrectionList), 2);
    Click(Control<QRadioButton>(page, Page::kAllData));
    PressApply();
    EXPECT_EQ(Spectral().GetDisplayThreshold(), 7.5F);
    EXPECT_EQ(Spectral().GetCorrectionSetName(), "Zed");
    EXPECT_EQ(Spectral().GetDisplayMode(), Page::kModeAllData);
    EXPECT_EQ(container.rebuilds, (std::vector<bool>{false, true, true}));

    // Off again, as it was at the start: the name goes, the views are not rebuilt.
    Click(Control<QCheckBox>(page, Page::kCompensation));
    PressApply();
    EXPECT_FALSE(Spectral().IsProbeCompensation());
    EXPECT_EQ(Spectral().GetCorrectionSetName(), "");
    EXPECT_FALSE(Spatial().IsCompensation());
    EXPECT_FALSE(QCorrectionData::IsSpectralCompensationOn());
    EXPECT_EQ(Spectral().GetDisplayMode(), Page::kModeAllData) << "the buttons keep their check while off";
    EXPECT_EQ(container.rebuilds, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(WindowMessages(), std::vector<uint32_t>(4, NodeMessage::kProjectModified));
    EXPECT_TRUE(prompt->Texts().empty());
}

TEST_F(DisplayPageTest, ColourSpectraOutsideTheListAreKeptAndPeaksOnlyStaysAsStored) {
    struct Row {
        int32_t palette;
        int index;
    };
    for (const Row& row : {Row{-10, 0}, Row{0, 1}, Row{7, -1}}) {
        SCOPED_TRACE(row.palette);
        Spatial().SetPaletteId(row.palette);
        Page& page = Open();
        auto& colours = Control<QComboBox>(page, Page::kColourList);
        EXPECT_EQ(colours.count(), 2);
        EXPECT_EQ(colours.itemText(0), "Pseudo Color");
        EXPECT_EQ(colours.itemText(1), "Threshold");
        EXPECT_EQ(colours.currentIndex(), row.index);
        Click(Control<QCheckBox>(page, Page::kLetters));
        PressApply();
        EXPECT_EQ(Spatial().GetPaletteId(), row.palette);
        Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    }
    Page& page = Open();
    PickEntry(Control<QComboBox>(page, Page::kColourList), 1);
    PressApply();
    EXPECT_EQ(Spatial().GetPaletteId(), 0);
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));

    // A stored "peaks only" opens checked and cannot be clicked; Apply keeps it.
    Spectral().SetProbeCompensation(true);
    Spectral().SetDisplayMode(Page::kModePeakOnly);
    Page& peaks = Open();
    EXPECT_TRUE(Control<QRadioButton>(peaks, Page::kPeakOnly).isChecked());
    EXPECT_FALSE(peaks.GetControl(Page::kPeakOnly)->isEnabled());
    EXPECT_FALSE(peaks.GetControl(Page::kThresholdEdit)->isEnabled());
    Click(Control<QCheckBox>(peaks, Page::kLetters));
    PressApply();
    EXPECT_EQ(Spectral().GetDisplayMode(), Page::kModePeakOnly);
}

} // namespace
} // namespace orv
