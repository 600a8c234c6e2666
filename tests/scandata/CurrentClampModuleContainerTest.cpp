#include "core/QCompensationDataStore.h"
#include "core/QDeferredPrompts.h"
#include "core/QException.h"
#include "core/QFrequencyBucketList.h"
#include "core/QMutex.h"
#include "platform/ui/ScriptedPrompt.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::ReadBodyFrom;

// Names registered once in the application-wide store; no other test of this program uses it.
void RegisterAliases() {
    static const bool registered = [] {
        QCompensationDataStore& store = QCompensationDataStore::GetInstance();
        store.AddSetName(1, "Clamp A", {"clamp-a-old"});
        store.AddGroupSetName("Clamp A", "Cable 2", {"cable-2-old"});
        store.AddSetName(3, "CT 3", {"ct-3-old"});
        store.AddSetName(4, "Antenna 4", {"antenna-4-old"});
        store.AddSetName(5, "Probe 5", {"probe-5-old"});
        return true;
    }();
    (void)registered;
}

class CurrentClampModuleContainerTest : public ::testing::Test {
protected:
    CurrentClampModuleContainerTest() { RegisterAliases(); }

    // A container with something in every stored part.
    static void Fill(QCurrentClampModuleContainer& clamp) {
        clamp.SetLevels(-120, 340, -100, 380);
        clamp.SetPointCount(501, 12);
        clamp.GetLabels1()[7] = "seven";
        clamp.GetLabels1()[2] = "two";
        clamp.GetLabels2()[9] = "";
        clamp.SetFrequencyList(std::vector<float>{12.5f, 99.0f});
        clamp.GetCellTable()[4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
        clamp.GetCellTable()[1] = {};
        clamp.SetSetupFlag(1);
        clamp.SetSetupRange(30.0f, 300.0f);
    }

    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(CurrentClampModuleContainerTest, RoundTripRenamesOldNamesWithOneWarningEach) {
    struct Case {
        int32_t kind;
        std::string name4;
        std::string name1;
        std::string name2;
        std::string name3;
        QClampSetupTexts expected;
        size_t warnings;
    };
    const std::vector<Case> cases = {
        {1,
         "antenna-4-old",
         "clamp-a-old",
         "cable-2-old",
         "ct-3-old",
         {1, "Antenna 4", "Clamp A", "Cable 2", "CT 3"},
         4},
        {2, "probe-5-old", "Clamp A", "Cable 2", "CT 3", {2, "Probe 5", "Clamp A", "Cable 2", "CT 3"}, 1},
        // Kind 0 stores no fourth name; an unknown name stays as it is without a word.
        {0, "antenna-4-old", "unknown", "cable-2-old", "CT 3", {0, "", "unknown", "cable-2-old", "CT 3"}, 0},
        // The fourth list is chosen by the kind: a name of list 4 is no alias in list 5.
        {2, "antenna-4-old", "clamp-a-old", "x", "y", {2, "antenna-4-old", "Clamp A", "x", "y"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        QCurrentClampModuleContainer written;
        Fill(written);
        written.SetSetupTexts(c.kind, c.name4, c.name1, c.name2, c.name3);
        const std::vector<uint8_t> bytes = BodyBytes(written);
        EXPECT_EQ(written.GetBodySize(), bytes.size());
        // Writing stores the names the store knows, and tells nobody.
        EXPECT_TRUE(m_prompt->Texts().empty());

        QCurrentClampModuleContainer read;
        const size_t before = m_prompt->Texts().size();
        ReadBodyFrom(read, bytes);
        EXPECT_EQ(read.GetSetupTexts(), c.expected);
        EXPECT_EQ(m_prompt->Texts().size(), before); // already renamed when written
        EXPECT_EQ(BodyBytes(read), bytes);
        EXPECT_EQ(read.GetFrequencies(), (std::vector<float>{12.5f, 99.0f}));
        EXPECT_EQ(read.GetLabels1().at(2), "two");
        EXPECT_EQ(read.GetCellTable().at(4)[1][3], 8u);
        EXPECT_EQ(read.GetSetupFlag(), 1);
        EXPECT_EQ(read.GetSetupValue2(), 300.0f);
        EXPECT_EQ(read.GetPointCount(), 501u);
    }
}

// The body of an older project: names as they were, which the reader renames.
std::vector<uint8_t> OldBody(int32_t kind, const std::string& name4, const std::string& name1,
                             const std::string& name2, const std::string& name3) {
    std::vector<uint8_t> bytes;
    const auto u8 = [&bytes](uint8_t v) { bytes.push_back(v); };
    const auto u16 = [&](uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    };
    const auto u32 = [&](uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    };
    const auto text = [&](const std::string& s) {
        u32(static_cast<uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    };
    u16(0);
    u16(1);
    u16(0);
    u16(0);
    u32(0);
    u32(0);
    u16(0);
    u32(0); // labels 1
    u32(0); // labels 2
    u32(0); // frequencies
    u32(0); // cell table
    u32(static_cast<uint32_t>(kind));
    if (kind == 1 || kind == 2) {
        text(name4);
    }
    u8(0);
    u32(0);
    u32(0);
    text(name1);
    text(name2);
    text(name3);
    return bytes;
}

TEST_F(CurrentClampModuleContainerTest, ReadingAnOldBodyWarnsOncePerRenamedNameAndWritesTheNewNames) {
    QCurrentClampModuleContainer clamp;
    ReadBodyFrom(clamp, OldBody(1, "antenna-4-old", "clamp-a-old", "cable-2-old", "CT 3"));
    EXPECT_EQ(clamp.GetSetupTexts(), (QClampSetupTexts{1, "Antenna 4", "Clamp A", "Cable 2", "CT 3"}));
    const std::vector<PromptRequest> requests = m_prompt->Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const PromptRequest& request : requests) {
        EXPECT_EQ(request.text,
                  "This project has some current clamp module nodes' correction factors changed !");
        EXPECT_EQ(request.caption, "Warning");
        EXPECT_EQ(request.buttons, PromptButtons::Ok);
    }
    EXPECT_EQ(BodyBytes(clamp), OldBody(1, "Antenna 4", "Clamp A", "Cable 2", "CT 3"));
}

// A node reads its container's body under its own lock: the warnings wait for the lock's release.
TEST_F(CurrentClampModuleContainerTest, RenameWarningsWaitUntilTheNodeLockIsReleased) {
    QMutex nodeLock;
    QCurrentClampModuleContainer clamp;
    {
        const QLockGuard outer(nodeLock);
        {
            const QLockGuard inner(nodeLock); // recursive: only the last release counts
            ReadBodyFrom(clamp, OldBody(1, "antenna-4-old", "clamp-a-old", "", "CT 3"));
        }
        EXPECT_TRUE(m_prompt->Texts().empty());
        EXPECT_EQ(QDeferredPrompts::GetPendingCount(), 2u);
    }
    EXPECT_EQ(m_prompt->Texts().size(), 2u);
    EXPECT_EQ(QDeferredPrompts::GetPendingCount(), 0u);
}

TEST_F(CurrentClampModuleContainerTest, ACorruptBodyChangesNothingAndWarnsNobody) {
    const std::vector<uint8_t> good = OldBody(2, "probe-5-old", "clamp-a-old", "", "");
    const std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.end() - 1),
        // A label count far beyond the bytes.
        [&] {
            std::vector<uint8_t> b = good;
            b[18] = 0xFF;
            b[19] = 0xFF;
            b[20] = 0xFF;
            b[21] = 0x7F;
            return b;
        }(),
        // A frequency count beyond the bytes.
        [&] {
            std::vector<uint8_t> b = good;
            b[26] = 0x40;
            return b;
        }(),
    };
    for (const std::vector<uint8_t>& bytes : bad) {
        QCurrentClampModuleContainer clamp;
        clamp.SetSetupTexts(1, "keep4", "keep1", "keep2", "keep3");
        EXPECT_THROW(ReadBodyFrom(clamp, bytes), QException);
        EXPECT_EQ(clamp.GetSetupTexts(), (QClampSetupTexts{1, "keep4", "keep1", "keep2", "keep3"}));
    }
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(CurrentClampModuleContainerTest, LevelRangeFollowsTheCompensationSwitchAndTheSelection) {
    QCurrentClampModuleContainer clamp;
    float low = 0.0f;
    float high = 0.0f;
    {
        CompensationSwitches off(false, false);
        clamp.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 0.0f);
        EXPECT_EQ(high, 1.0f);
        const QFrequencyBucketList selection;
        clamp.GetLevelRange(&low, &high, nullptr, &selection);
        EXPECT_EQ(low, 2000.0f);
        EXPECT_EQ(high, -2000.0f);
        clamp.SetRangeValues({5.0f, -7.0f, 3.0f}, {50.0f, 60.0f}, {-1.0f, -2.0f, -3.0f}, 0);
        clamp.GetLevelRange(&low, &high, nullptr, &selection);
        EXPECT_EQ(low, -7.0f);
        EXPECT_EQ(high, 5.0f);
    }
    CompensationSwitches on(true, false);
    clamp.SetLevels(-10, 20, -30, 40);
    clamp.GetLevelRange(&low, &high);
    EXPECT_EQ(low, -30.0f);
    EXPECT_EQ(high, 40.0f);
    const QFrequencyBucketList selection;
    clamp.GetLevelRange(&low, &high, nullptr, &selection);
    EXPECT_EQ(low, 3.0f); // the third value has no compensated form in the first array
    EXPECT_EQ(high, 60.0f);
    clamp.GetLevelRange(nullptr, nullptr, nullptr, &selection);
}

TEST_F(CurrentClampModuleContainerTest, NewScanAndClearingKeepEmptyCableRecords) {
    QCurrentClampModuleContainer clamp;
    Fill(clamp);
    clamp.MarkPending();
    clamp.StartNewScan();
    ASSERT_NE(clamp.GetSpectralScan(), nullptr);
    EXPECT_EQ(clamp.GetSpectralScan()->GetPointCount(), 0u);
    EXPECT_EQ(BodyBytes(clamp).size(), clamp.GetBodySize());

    // Without data, clearing leaves everything.
    clamp.ClearScanData();
    EXPECT_FALSE(clamp.IsUpdated());
    EXPECT_EQ(clamp.GetPointCount(), 501u);
    clamp.SetHasScanData(true);
    clamp.ClearScanData();
    EXPECT_TRUE(clamp.IsUpdated());
    EXPECT_EQ(clamp.GetPointCount(), 0u);
    CompensationSwitches off(false, false);
    float low = 5.0f;
    float high = 5.0f;
    clamp.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0f);
    EXPECT_EQ(high, 1.0f);
}

} // namespace
} // namespace orv
