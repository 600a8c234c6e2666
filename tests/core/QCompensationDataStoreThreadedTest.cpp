#include "core/QCompensationDataStore.h"
#include "tests/core/support/CorrectionFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace orv {
namespace {

// Two tables whose header tells which rows belong to it: a reader that saw a table half loaded
// would find rows that do not match the header.
TEST(CompensationDataStoreThreaded, ReadersSeeWholeTables) {
    const testing::ApplicationFolderFixture folder;
    folder.WriteFile("GlobalCompensationData/two.txt", "2,2\n2\n2\n2 2 2 2\n2 2 2 2\n");
    std::string five = "5,5\n5\n5\n";
    for (int i = 0; i < 5; ++i) {
        five += "5 5 5 5\n";
    }
    folder.WriteFile("GlobalCompensationData/five.txt", five);

    QCompensationDataStore store;
    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int i = 0; i < 300; ++i) {
            EXPECT_TRUE(store.LoadTable(i % 2 == 0 ? "two" : "five"));
        }
        done.store(true);
    });
    int inconsistent = 0;
    while (!done.load()) {
        const QCompensationTable table = store.GetTable();
        const auto expected = static_cast<size_t>(table.m_TableValue);
        if (table.m_TableRows.size() != expected || table.m_LowFrequency != static_cast<float>(expected)) {
            ++inconsistent;
        }
        for (const QCompensationRow& row : table.m_TableRows) {
            if (row[0] != static_cast<float>(expected)) {
                ++inconsistent;
            }
        }
    }
    loader.join();
    EXPECT_EQ(inconsistent, 0);
}

} // namespace
} // namespace orv
