// The copy of a scan's measured frequencies that the spatial settings page lists, taken on the
// user-interface thread while the running scan hands the frequencies it measured to the same scan:
// every copy is one whole table, never a mix of two.

#include "project/QScanDataRecord.h"
#include "scandata/CSpatialScanData.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace orv::test {
namespace {

// Table `generation`: generation % 5 + 1 entries, each at the generation's frequency.
std::vector<QMeasuredFrequencyData::Entry> Table(uint32_t generation) {
    std::vector<QMeasuredFrequencyData::Entry> table(generation % 5 + 1);
    for (uint32_t i = 0; i < table.size(); ++i) {
        table[i] = {i, static_cast<float>(generation)};
    }
    return table;
}

TEST(MeasuredFrequencyCopy, EveryCopyIsOneWholeTableWhileTheScanHandsOverItsFrequencies) {
    TestMediator node(2003);
    QSpectralScanAddition first;
    first.m_Record.m_ScanId = 1;
    first.m_HasPoints = true;
    first.m_MirtPoints.resize(8);
    first.m_MeasuredFrequencies = Table(0);
    ASSERT_TRUE(node.AddSpectralScanData(std::move(first), true, false));
    int32_t id = 0;
    CSpectralScanData* scan = node.GetLastSpectralScanData(id);
    ASSERT_NE(scan, nullptr);

    std::atomic<bool> done{false};
    std::thread running([&] {
        for (uint32_t generation = 1; generation <= 2000; ++generation) {
            QSpectralScanAddition measured;
            measured.m_MeasuredFrequencies = Table(generation);
            node.AddSpectralScanData(std::move(measured), true, false);
        }
        done.store(true);
    });
    size_t copies = 0;
    bool whole = true;
    while (!done.load() || copies == 0) {
        const std::vector<QMeasuredFrequencyData::Entry> copy = node.CopyMeasuredFrequencies(*scan);
        ++copies;
        const auto generation = copy.empty() ? 0U : static_cast<uint32_t>(copy.front().m_Frequency);
        whole = whole && copy.size() == generation % 5 + 1;
        for (const QMeasuredFrequencyData::Entry& entry : copy) {
            whole = whole && entry.m_Frequency == static_cast<float>(generation);
        }
    }
    running.join();
    EXPECT_TRUE(whole);
    EXPECT_EQ(node.CopyMeasuredFrequencies(*scan).size(), 2000U % 5 + 1);

    // A scan of another kind has none to give.
    CSpatialScanData spatial;
    EXPECT_TRUE(node.CopyMeasuredFrequencies(spatial).empty());
}

} // namespace
} // namespace orv::test
