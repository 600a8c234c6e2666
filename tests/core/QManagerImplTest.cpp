#include "core/QManagerImpl.h"
#include "core/QException.h"
#include "core/QManagers.h"
#include "platform/ui/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {
namespace {

// A record kind that counts its live instances and fails on request, to watch ownership.
class CountedRecord : public QManaged {
public:
    CountedRecord(const std::string& text, int32_t id) : QManaged(id, text) {
        if (text == "unparsable") {
            throw QParseException("cannot read " + std::to_string(id));
        }
        if (text == "other failure") {
            throw std::runtime_error("not a parse failure");
        }
        ++s_live;
    }
    ~CountedRecord() override { --s_live; }

    static inline int s_live = 0;
};

class QManagerImplTest : public ::testing::Test {
protected:
    void SetUp() override { CountedRecord::s_live = 0; }

    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(QManagerImplTest, AddRecordsKeepsTheFirstRecordOfAnIdAndOrdersById) {
    QManagerImpl<QDriverInfo> manager(1);
    manager.AddRecords({{30, "Thirty"}, {-2, "Minus two"}, {30, "Thirty again"}, {4, "Four"}});
    manager.AddRecords({{4, "Four replaced?"}});
    EXPECT_EQ(manager.GetCount(), 3);
    EXPECT_EQ(manager.GetName(30), "Thirty");
    EXPECT_EQ(manager.GetName(4), "Four");
    EXPECT_EQ(manager.GetName(5), "NoNameForID");
    std::vector<std::string> names;
    manager.GetNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Minus two", "Four", "Thirty"}));
    EXPECT_EQ(manager.GetIDByName("Four"), 4);
    EXPECT_EQ(manager.GetIDByName("four"), 1);
    EXPECT_EQ(manager.Find(-2)->m_name, "Minus two");
    EXPECT_EQ(manager.Find(99), nullptr);
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(QManagerImplTest, GetIDByNameAnswersTheLowestIdOfARepeatedName) {
    QManagerImpl<QAnalyzerInfo> manager(1);
    manager.AddRecords({{9, "Same"}, {3, "Same"}});
    EXPECT_EQ(manager.GetIDByName("Same"), 3);
}

TEST_F(QManagerImplTest, AnUnparsablePairIsReportedOnceAndTheRestAdded) {
    QManagerImpl<CountedRecord> manager(0);
    manager.AddRecords({{1, "one"}, {2, "two"}, {3, "unparsable"}, {4, "four"}, {5, "five"}});
    EXPECT_EQ(manager.GetCount(), 4);
    EXPECT_FALSE(manager.Contains(3));
    EXPECT_TRUE(manager.Contains(5));
    const std::vector<PromptRequest> requests = m_prompt->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, "cannot read 3");
    EXPECT_EQ(requests[0].caption, "Invalid Device Information");
    EXPECT_EQ(requests[0].buttons, PromptButtons::Ok);
}

TEST_F(QManagerImplTest, OtherFailuresPassToTheCaller) {
    QManagerImpl<CountedRecord> manager(0);
    EXPECT_THROW(manager.AddRecords({{1, "one"}, {2, "other failure"}, {3, "three"}}), std::runtime_error);
    EXPECT_EQ(manager.GetCount(), 1);
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(QManagerImplTest, InsertReplacesRemoveHandsBackAndTheManagerDestroysTheRest) {
    {
        QManagerImpl<CountedRecord> manager(0);
        manager.Insert(std::make_unique<CountedRecord>("first", 7));
        manager.Insert(std::make_unique<CountedRecord>("second", 7));
        EXPECT_EQ(CountedRecord::s_live, 1);
        EXPECT_EQ(manager.GetName(7), "second");

        manager.AddRecords({{8, "eight"}, {9, "nine"}});
        std::unique_ptr<QManaged> removed = manager.Remove(8);
        ASSERT_NE(removed, nullptr);
        EXPECT_EQ(removed->m_name, "eight");
        EXPECT_FALSE(manager.Contains(8));
        EXPECT_EQ(manager.Remove(8), nullptr);
        EXPECT_EQ(CountedRecord::s_live, 3);
        removed.reset();
        EXPECT_EQ(CountedRecord::s_live, 2);
    }
    EXPECT_EQ(CountedRecord::s_live, 0);
}

TEST_F(QManagerImplTest, SystemMessagesFallBackToTheDefaultMessage) {
    const auto messages = CreateSystemMessageManager();
    messages->AddRecords({{12, "Twelve"}});
    EXPECT_EQ(messages->GetName(12), "Twelve");
    EXPECT_EQ(messages->GetName(999), kFallbackSystemMessage);
    EXPECT_EQ(std::string(kFallbackSystemMessage)
                  .rfind("Internal error: Missing error message. This is likely not a serious problem.", 0),
              0u);
    // Every other kind answers the plain marker.
    EXPECT_EQ(CreateCalibrationMessageManager()->GetName(999), "NoNameForID");
    EXPECT_EQ(CreateCalibrationMessageManager()->GetName(0), "NoNameForID");
}

TEST_F(QManagerImplTest, BuiltInRecordsAndDefaults) {
    const auto analysers = CreateSpectrumAnalyzerInfoManager();
    EXPECT_EQ(analysers->GetDefaultID(), -10);
    EXPECT_EQ(analysers->GetCount(), 1);
    const QSpectrumAnalyzerInfo* unchecked = analysers->Find(-10);
    ASSERT_NE(unchecked, nullptr);
    EXPECT_EQ(unchecked->m_name, "Unchecked");
    EXPECT_EQ(unchecked->m_code, -1);
    EXPECT_EQ(unchecked->m_minFrequency, 1.0f / 1000000.0f);
    EXPECT_EQ(unchecked->m_maxFrequency, 1000000.0f);
    EXPECT_EQ(unchecked->m_minBandwidth, unchecked->m_minFrequency);
    EXPECT_EQ(unchecked->m_maxBandwidth, unchecked->m_maxFrequency);
    EXPECT_EQ(unchecked->m_lastValue, -1);

    const auto heads = CreateScanHeadInfoManager();
    EXPECT_EQ(heads->GetDefaultID(), -10);
    std::vector<std::string> names;
    heads->GetNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Unchecked", "Generic"}));
    const QScanHeadInfo* generic = heads->Find(0);
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(generic->m_minFrequency, 10.0f);
    EXPECT_EQ(generic->m_maxFrequency, 1500.0f);
    EXPECT_EQ(generic->m_rowCount, 32);
    EXPECT_EQ(generic->m_columnCount, 40);
    EXPECT_EQ(generic->m_thirdValue, 100u);
    EXPECT_EQ(heads->Find(-10)->m_thirdValue, 500u);
    EXPECT_EQ(heads->Find(-10)->m_maxFrequency, 1000000.0f);

    EXPECT_EQ(CreateDriverInfoManager()->GetDefaultID(), 1);
    EXPECT_EQ(CreateAnalyzerInfoManager()->GetDefaultID(), 1);
    EXPECT_EQ(CreateCalibrationMessageManager()->GetDefaultID(), 0);
    EXPECT_EQ(CreateDriverInfoManager()->GetCount(), 0);

    // The accessors make one catalogue each.
    EXPECT_EQ(&GetScanHeadInfoManager(), &GetScanHeadInfoManager());
    EXPECT_EQ(GetSystemMessageManager().GetName(-1), kFallbackSystemMessage);
}

TEST_F(QManagerImplTest, ParsedKindsSkipBadRecordsWithTheRecordMessage) {
    const auto heads = CreateScanHeadInfoManager();
    heads->AddRecords({{1, "A,10,1500,32,40,0,0,100"},
                       {2, "B,10,1500,70000,40,0,0,100"},
                       {3, "C,1MHz,2GHz,29,42,0,0,100,"}});
    EXPECT_EQ(heads->GetCount(), 4);
    EXPECT_FALSE(heads->Contains(2));
    EXPECT_FLOAT_EQ(heads->Find(3)->m_maxFrequency, 2000.0f);
    const std::vector<std::string> texts = m_prompt->Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(
                  "Error#339: The string \"B,10,1500,70000,40,0,0,100\" can not be parsed correctly.\n", 0),
              0u);
}

} // namespace
} // namespace orv
