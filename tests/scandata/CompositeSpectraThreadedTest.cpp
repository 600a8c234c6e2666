// The composite spectra built while a scan appends its units under the data lock: every build takes
// whole units, and a build that read every cell drops the accumulators.

#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace orv {
namespace {

TEST(CompositeSpectraThreadedTest, BuildsFromWholeUnitsWhileUnitsArrive) {
    constexpr uint32_t kUnits = 400;
    constexpr uint32_t kPoints = 257;
    CSpectralSpatialScanData data;
    data.m_CellCount = kUnits;
    std::recursive_mutex lock;
    std::atomic<bool> done{false};
    std::thread scan([&] {
        for (uint32_t u = 0; u < kUnits; ++u) {
            // Unit u reads u + 1 at every point: a composite of whole units is flat.
            auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
            unit->m_Row = static_cast<uint16_t>(u / 20);
            unit->m_Column = static_cast<uint16_t>(u % 20);
            unit->m_Amplitudes.assign(kPoints, static_cast<int16_t>(u + 1));
            const std::lock_guard<std::recursive_mutex> guard(lock);
            data.m_Units.push_back(std::move(unit));
        }
        done = true;
    });
    bool dropped = false;
    while (!dropped) {
        const bool finished = done.load();
        QCompositeSpectra composites(data, {{0, 3}}, false, false);
        const size_t read = composites.AddUnits(lock);
        if (read > 0) {
            ASSERT_NE(data.m_FullComposite, nullptr);
            const float first = data.m_FullComposite->GetAmplitude(0);
            EXPECT_EQ(first, static_cast<float>(read));
            for (uint32_t i = 1; i < kPoints; ++i) {
                ASSERT_EQ(data.m_FullComposite->GetAmplitude(i), first) << i;
            }
            if (read > 3) {
                ASSERT_NE(data.m_UserComposite, nullptr);
                EXPECT_EQ(data.m_UserComposite->GetAmplitude(kPoints - 1), 4.0F);
            }
        }
        dropped = QCompositeSpectra::DropIfComplete(data, read, lock);
        // Once the scan has added its last unit, the next build reads them all.
        ASSERT_TRUE(dropped || !finished);
    }
    scan.join();
    EXPECT_EQ(data.m_FullComposite, nullptr);
    for (const auto& unit : data.m_Units) {
        EXPECT_EQ(unit->m_Processed, 0);
    }
}

} // namespace
} // namespace orv
