// The Preferences sheet's "Scanner Type" page on the offscreen platform: the scan-head types read
// from a machine settings file, the combo of the detected probe types with the type in use, the
// list and the button rule, the refusal during a scan, and "Set Scanner Type" waiting for the
// connection thread (here the test) to report the scanner back, or giving up after 600 ticks.

#include "analyzers/CInstrumentInfo.h"
#include "dialogs/CPagePreferenceScannerType.h"
#include "dialogs/CPageWait.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Page = CPagePreferenceScannerType;

// A machine settings file whose scan-head key holds the given value lines, for the scope.
class MachineHive {
public:
    explicit MachineHive(const std::vector<std::string>& lines, bool withKey = true) {
        std::string pattern = "/tmp/orv-scan-heads-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a folder for the machine settings");
        }
        m_folder = pattern;
        {
            std::ofstream machine(m_folder + "/machine.settings");
            if (withKey) {
                machine << "[" << Page::kScanHeadsKey << "]\n";
            }
            for (const std::string& line : lines) {
                machine << line << "\n";
            }
        }
        SettingsStore& store = SettingsStore::Instance();
        m_previousMachine = store.GetMachinePath();
        m_previousUser = store.GetUserPath();
        store.SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
    }
    ~MachineHive() {
        SettingsStore::Instance().SetLocations(m_previousMachine, m_previousUser);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    MachineHive(const MachineHive&) = delete;
    MachineHive& operator=(const MachineHive&) = delete;

private:
    std::string m_folder;
    std::string m_previousMachine;
    std::string m_previousUser;
};

std::string Record(const ScanHeadTypeRecord& record) {
    return std::to_string(record.m_ScannerTypeValue) + "|" + std::to_string(record.m_ProbeTypeCode) + "|" +
           record.m_Name + "|" + record.m_Description;
}

std::vector<std::string> Items(const QListWidget& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i) {
        items.push_back(list.item(i)->text().toStdString());
    }
    return items;
}

std::vector<std::string> Entries(const QComboBox& combo) {
    std::vector<std::string> entries;
    for (int i = 0; i < combo.count(); ++i) {
        entries.push_back(combo.itemText(i).toStdString());
    }
    return entries;
}

TEST(ScanHeadTypeRecordTest, DataSplitsAtTheFirstTwoCommasAfterTheFirstCharacter) {
    const struct {
        const char* name;
        const char* data;
        const char* record; // empty: not listed
    } rows[] = {
        {"12", "3,Head A,Near-field head", "12|3|Head A|Near-field head"},
        {"7", "5,Head B", "7|5||Head B"},
        {"8", "2,Head C,probe, 3 mm", "8|2|Head C|probe, 3 mm"},
        // No comma after the first character: all description, code 0.
        {"9", "Loose text", "9|0||Loose text"},
        {"10", ",x", "10|0||,x"},
        // The name's comma counts from its second character too.
        {"11", "4,,Empty name", "11|4||,Empty name"},
        {"13", " -2 ,Head,Below one", "13|-2|Head|Below one"},
        {"14", "99999999999,Head,Big", "14|2147483647|Head|Big"},
        {"65535", "1,Top,Largest word", "65535|1|Top|Largest word"},
        // Names that are no 16-bit type word.
        {"65536", "1,Over,Too large", ""},
        {"12a", "1,Bad,Name", ""},
        {"-1", "1,Bad,Name", ""},
        {"", "1,Bad,Name", ""},
    };
    for (const auto& row : rows) {
        ScanHeadTypeRecord record;
        const bool listed = Page::ParseScanHeadType(row.name, row.data, record);
        EXPECT_EQ(listed ? Record(record) : std::string(), row.record) << row.name << " = " << row.data;
    }
}

TEST(ScanHeadTypeRecordTest, TheMachineKeyIsReadInItsOrderWithinTheRegistrysBuffers) {
    {
        const MachineHive hive({
            "\"12\"=sz:\"3,Head A,Near-field head\"",
            "\"5\"=sz:\"5,Head B\"",
            "\"6\"=dword:00000003",
            "\"abc\"=sz:\"1,Named,Not a number\"",
            "\"20\"=sz:\"1,Long," + std::string(1016, 'x') + "\"", // 1023 bytes
            "\"21\"=sz:\"1,Long," + std::string(1017, 'x') + "\"", // 1024 bytes: no room for the zero
            "\"22\"=sz:\"1,Cut\\x00,after the zero\"",
        });
        const std::vector<ScanHeadTypeRecord> records = Page::ReadScanHeadTypes();
        std::vector<std::string> texts;
        for (const ScanHeadTypeRecord& record : records) {
            texts.push_back(record.m_Description.size() > 100 ? "long" : Record(record));
        }
        EXPECT_EQ(texts, (std::vector<std::string>{"12|3|Head A|Near-field head", "5|5||Head B", "long",
                                                   "22|1||Cut"}));
    }
    const MachineHive noKey({}, false);
    EXPECT_TRUE(Page::ReadScanHeadTypes().empty());
}

class ScannerTypePageTest : public testing::SheetFixture {
protected:
    ScannerTypePageTest() {
        // The same detection order in every test of the process.
        for (const eProbeType type : {eProbeType::UsbScannerBoard, eProbeType::RobotArm,
                                      eProbeType::ExternalAdapter, eProbeType::NoScanner}) {
            GetInstrumentInfo().AddDetectedProbeType(type);
        }
        mainFrame.link = &link;
        GetInstrumentInfo().SetScannerConnected(true);
    }
    ~ScannerTypePageTest() override {
        nodes.clear();
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        GetInstrumentInfo().SetScannerConnected(false);
    }

    // The Preferences sheet open on the page, over the machine settings' lines, with the probe type
    // in use.
    Page& Open(const std::vector<std::string>& lines, eProbeType inUse) {
        hive.reset();
        hive = std::make_unique<MachineHive>(lines);
        GetInstrumentInfo().SetProbeType(inUse);
        nodes.push_back(MakeNode(2000, nullptr, "Preferences"));
        sheet = OpenSheet(*nodes.back(), 1);
        auto* page = sheet != nullptr ? dynamic_cast<Page*>(sheet->GetActivePage()) : nullptr;
        EXPECT_NE(page, nullptr);
        return *page;
    }
    static void Choose(Page& page, const char* name) {
        page.GetCombo().setCurrentIndex(page.GetCombo().findText(name, Qt::MatchFixedString));
        page.OnSelectionChanged();
    }

    // Two board heads ahead of the arm's: the arm's probe type is second in the detection order, but
    // its heads are the third and fourth entries.
    const std::vector<std::string> heads = {
        "\"10\"=sz:\"1,Board Head,USB scanner board\"",  "\"11\"=sz:\"1,Board Head B,Second board\"",
        "\"20\"=sz:\"2,Arm Head,Robot arm probe\"",      "\"21\"=sz:\"2,Arm Head B,Second arm probe\"",
        "\"30\"=sz:\"3,Adapter Head,External adapter\"", "\"40\"=sz:\"4,Other Head,Not detected\"",
        "\"50\"=sz:\"0,Hand Head,Hand-held probe\"",
    };

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    QUIBBStateController controller{thread};
    QCommLayer layer;
    QScanEngineLinkOverController link{layer, controller};
    std::unique_ptr<MachineHive> hive;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(ScannerTypePageTest, TheDetectedTypesAreOfferedWithTheOneInUseAndItsDescription) {
    Page& page = Open(heads, eProbeType::RobotArm);
    EXPECT_EQ(Entries(page.GetCombo()),
              (std::vector<std::string>{"Board Head", "Board Head B", "Arm Head", "Arm Head B",
                                        "Adapter Head", "Hand Head"}));
    // The first entry of the arm's probe type, not the entry at the arm's place in the detection order.
    EXPECT_EQ(page.GetCombo().currentText(), "Arm Head");
    EXPECT_EQ(page.GetCurrentEdit().text(), "Arm Head");
    EXPECT_EQ(Items(page.GetList()),
              (std::vector<std::string>{"Arm Head", "Robot arm probe", "Arm Head B", "Second arm probe"}));
    EXPECT_FALSE(page.GetSetButton().isEnabled());

    Choose(page, "Adapter Head");
    EXPECT_EQ(Items(page.GetList()), (std::vector<std::string>{"Adapter Head", "External adapter"}));
    EXPECT_TRUE(page.GetSetButton().isEnabled());
    // A code below 1 has no types to list.
    Choose(page, "Hand Head");
    EXPECT_EQ(Items(page.GetList()), (std::vector<std::string>{"Invalid Scanner Type"}));
    Choose(page, "arm head");
    EXPECT_FALSE(page.GetSetButton().isEnabled()) << "the type in use offers nothing to set";
}

TEST_F(ScannerTypePageTest, AProbeTypeWithoutRecordsOrAnEmptyKeyShowsNoTypeInUse) {
    Page& page = Open({"\"20\"=sz:\"2,Arm Head,Robot arm probe\""}, eProbeType::ExternalAdapter);
    EXPECT_EQ(page.GetCombo().currentIndex(), -1);
    EXPECT_TRUE(page.GetCurrentEdit().text().isEmpty());
    EXPECT_TRUE(Items(page.GetList()).empty());
    EXPECT_FALSE(page.GetSetButton().isEnabled());
    page.OnSetScannerType();
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected()) << "no type chosen: nothing happens";
    Choose(page, "Arm Head");
    EXPECT_TRUE(page.GetSetButton().isEnabled());

    Page& empty = Open({}, eProbeType::RobotArm);
    EXPECT_EQ(empty.GetCombo().count(), 0);
    EXPECT_FALSE(empty.GetSetButton().isEnabled());
    EXPECT_TRUE(Items(empty.GetList()).empty());
}

TEST_F(ScannerTypePageTest, DuringAScanTheTypeIsNotSet) {
    Page& page = Open(heads, eProbeType::RobotArm);
    Choose(page, "Adapter Head");
    controller.SetState(12);
    page.OnSetScannerType();
    controller.SetState(2);
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text,
              "The setting of Scanner can only be done when no scanning is being performed.");
    EXPECT_EQ(prompt->Requests()[0].caption, "Error");
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::RobotArm);
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected());
    EXPECT_EQ(page.GetCurrentEdit().text(), "Arm Head");
}

TEST_F(ScannerTypePageTest, TheSheetWaitsClosedUntilTheScannerIsBack) {
    Page& page = Open(heads, eProbeType::RobotArm);
    Choose(page, "Adapter Head");
    bool waiting = false;
    bool closeRefused = false;
    bool progressShown = false;
    // The connection thread's part: the scanner of the new probe type connects a few ticks later.
    QTimer::singleShot(0, [&] {
        waiting = sheet->IsWaiting() && !sheet->GetButton(CNodeOptionsSheet::kCancelId)->isEnabled() &&
                  !GetInstrumentInfo().IsScannerConnected();
        progressShown = page.GetProgress().isVisible() && page.GetProgress().maximum() == Page::kWaitTicks;
        sheet->reject();
        closeRefused = sheet->isVisible();
        QTimer::singleShot(30, [] { GetInstrumentInfo().SetScannerConnected(true); });
    });
    const CPageWait::ScopedTick fast(1ms);
    page.OnSetScannerType();
    EXPECT_TRUE(waiting);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(closeRefused) << "the sheet stays open while the page waits";
    EXPECT_FALSE(sheet->IsWaiting());
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::ExternalAdapter);
    EXPECT_EQ(page.GetCurrentEdit().text(), "Adapter Head");
    EXPECT_FALSE(page.GetSetButton().isEnabled());
    EXPECT_FALSE(page.GetProgress().isVisible());
}

TEST_F(ScannerTypePageTest, AScannerThatDoesNotReconnectIsReportedAndTheTypeInUseStays) {
    Page& page = Open(heads, eProbeType::RobotArm);
    Choose(page, "Adapter Head");
    const CPageWait::ScopedTick fast(1ms);
    page.OnSetScannerType();
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "The scanner did not reconnect. The scanner type was not set.");
    EXPECT_EQ(prompt->Requests()[0].caption, "Error");
    EXPECT_EQ(page.GetProgress().value(), Page::kWaitTicks);
    EXPECT_FALSE(page.GetProgress().isVisible());
    EXPECT_FALSE(sheet->IsWaiting());
    EXPECT_EQ(page.GetCurrentEdit().text(), "Arm Head");
    EXPECT_TRUE(page.GetSetButton().isEnabled()) << "the chosen type can be set again";
}

} // namespace
} // namespace orv
