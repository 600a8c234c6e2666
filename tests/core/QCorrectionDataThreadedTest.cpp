#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/core/support/CorrectionFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::ApplicationFolderFixture;

constexpr auto kWait = std::chrono::seconds(20);

void AddScanHead(int32_t id, const std::string& name) {
    auto& heads = GetScanHeadInfoManager();
    if (heads.Find(id) == nullptr) {
        heads.Insert(std::make_unique<QScanHeadInfo>(name, id, 10.0f, 1500.0f, 2, 3, 0, 0, 100u));
    }
}

// Two heads whose sets differ in every row frequency and every factor, so that an answer mixing
// both shows.
struct HeadShape {
    const char* name;
    float rows[3];
    float base; // factor of row r, cell k: base + 100 r + k
};
const HeadShape kHeads[] = {
    {"RaceHeadC", {100.0f, 200.0f, 400.0f}, 0.0f},
    {"RaceHeadD", {150.0f, 300.0f, 600.0f}, 5000.0f},
};

float ShapeFactor(const HeadShape& head, int r, int k) {
    return head.base + 100.0f * static_cast<float>(r) + static_cast<float>(k);
}

void WriteHead(const ApplicationFolderFixture& folder, const std::string& name, const float rows[3],
               float base) {
    const std::string dir = "correctiondata/" + name + "/";
    std::string list = "10\n3\n";
    for (int r = 0; r < 3; ++r) {
        list += std::to_string(r + 1) + "," + std::to_string(static_cast<int>(rows[r])) + ",r" +
                std::to_string(r) + ".txt\n";
        std::string factors;
        for (int k = 0; k < 6; ++k) {
            factors += std::to_string(
                           static_cast<int>(base + 100.0f * static_cast<float>(r) + static_cast<float>(k))) +
                       "\n";
        }
        folder.WriteFile(dir + "r" + std::to_string(r) + ".txt", factors);
    }
    folder.WriteFile(dir + "correctionfile.txt", list);
}

const HeadShape* ShapeOf(const std::string& name) {
    for (const HeadShape& head : kHeads) {
        if (name == head.name) {
            return &head;
        }
    }
    return nullptr;
}

class CorrectionDataThreadedTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddScanHead(9301, "RaceHeadA");
        AddScanHead(9302, "RaceHeadB");
        AddScanHead(9303, "RaceHeadC");
        AddScanHead(9304, "RaceHeadD");
        AddScanHead(9305, "RaceHeadLocked");
        const float plain[3] = {100.0f, 200.0f, 400.0f};
        WriteHead(m_folder, "RaceHeadA", plain, 0.0f);
        WriteHead(m_folder, "RaceHeadB", plain, 0.0f);
        for (const HeadShape& head : kHeads) {
            WriteHead(m_folder, head.name, head.rows, head.base);
        }
    }

    ApplicationFolderFixture m_folder;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(CorrectionDataThreadedTest, LookUpsDuringReloadsOfSetThreeSeeOneWholeSet) {
    QCorrectionData store;
    ASSERT_EQ(store.ChooseSet("RaceHeadA"), 1);
    ASSERT_EQ(store.ChooseSet("RaceHeadB"), 2);
    ASSERT_EQ(store.ChooseSet("RaceHeadC"), 3);

    // The two sets as they are on file, for comparison.
    std::vector<QCorrectionSet> references;
    for (const HeadShape& head : kHeads) {
        std::vector<float> factors;
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 6; ++k) {
                factors.push_back(ShapeFactor(head, r, k));
            }
        }
        references.emplace_back(head.name, 10.0f, std::vector<float>(head.rows, head.rows + 3),
                                std::move(factors), 6, 3);
    }

    constexpr int kReloads = 300;
    std::atomic<bool> done{false};
    std::thread alternate([&] {
        for (int i = 0; i < kReloads; ++i) {
            // Each choice replaces set 3 with the other head's set.
            EXPECT_EQ(store.ChooseSet(kHeads[(i + 1) % 2].name), 3);
        }
        done.store(true);
    });

    int mismatches = 0;
    int checked = 0;
    const float probes[] = {50.0f, 120.0f, 175.0f, 250.0f, 350.0f, 500.0f, 900.0f};
    while (!done.load() || checked == 0) {
        // A held set is whole: its name, rows and factors belong together.
        const std::shared_ptr<const QCorrectionSet> set = store.GetSet(3);
        const HeadShape* shape = ShapeOf(set->GetName());
        if (shape == nullptr || set->GetRowCount() != 3) {
            ++mismatches;
            continue;
        }
        for (int r = 0; r < 3; ++r) {
            mismatches += set->GetRowFrequencies()[static_cast<size_t>(r)] != shape->rows[r] ? 1 : 0;
            for (int k = 0; k < 6; ++k) {
                mismatches += set->GetFactor(r, k) != ShapeFactor(*shape, r, k) ? 1 : 0;
            }
        }
        // One look-up through the store answers from the old or the new set, never a mixture.
        for (const float f : probes) {
            const QCorrectionBracket bracket = store.FindPosition(3, f);
            const float factor = store.GetFactorAt(3, 4, bracket, f);
            bool bracketOfOneSet = false;
            bool factorOfOneSet = false;
            for (const QCorrectionSet& whole : references) {
                const QCorrectionBracket expected = whole.FindPosition(f);
                bracketOfOneSet = bracketOfOneSet || (expected.m_position == bracket.m_position &&
                                                      expected.m_lower == bracket.m_lower &&
                                                      expected.m_upper == bracket.m_upper);
                // The factor may come from a set loaded after the bracket was found.
                factorOfOneSet = factorOfOneSet || whole.GetFactorAt(4, bracket, f) == factor;
            }
            mismatches += bracketOfOneSet && factorOfOneSet ? 0 : 1;
        }
        ++checked;
    }
    alternate.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(checked, 0);
    EXPECT_TRUE(m_prompt->Texts().empty());
}

// A prompt that holds every box until released, as a user who has not answered yet.
class HeldPrompt : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request, std::stop_token /*stop*/,
                     PromptAnswer answerIfStopped) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_texts.push_back(request.text);
        m_shown.notify_all();
        m_released.wait_for(lock, kWait, [this] { return m_release; });
        return answerIfStopped;
    }
    bool WaitShown() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_shown.wait_for(lock, kWait, [this] { return !m_texts.empty(); });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
        m_released.notify_all();
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_shown;
    std::condition_variable m_released;
    bool m_release = false;
    std::vector<std::string> m_texts;
};

TEST_F(CorrectionDataThreadedTest, TheCannotOpenBoxShowsOnlyAfterTheStoreIsFree) {
    // A list that exists but cannot be opened (a FIFO is never opened for reading).
    const auto list = m_folder.Path() / "correctiondata" / "RaceHeadLocked" / "correctionfile.txt";
    std::filesystem::create_directories(list.parent_path());
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);

    const auto prompt = std::make_shared<HeldPrompt>();
    const ScopedPromptInstall install(prompt);
    QCorrectionData store;
    auto failing = std::async(std::launch::async, [&] { return store.ChooseSet("RaceHeadLocked"); });
    ASSERT_TRUE(prompt->WaitShown());

    // While the box waits for the user, another thread (the user-interface thread, say) loads and
    // selects through the store.
    auto other = std::async(std::launch::async, [&] { return store.ChooseSet("RaceHeadA"); });
    const bool otherFinished = other.wait_for(kWait) == std::future_status::ready;
    EXPECT_TRUE(otherFinished) << "the store stayed locked while its box was shown";
    prompt->Release();
    EXPECT_EQ(failing.get(), 0);
    EXPECT_EQ(other.get(), 1);
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"cannot open this correction file "});
}

} // namespace
} // namespace orv
