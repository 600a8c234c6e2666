#include "overlay/camera/markers/CProbeMarkerDetector.h"

#include "support/ProbeMarkerScenes.h"

#include "platform/clock/FakeClock.h"
#include "platform/fs/AppPaths.h"
#include "platform/log/InformationLog.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {
namespace {

// Trackers that start together share one dictionary of each family, made once: the family-1 file is
// read once, and each of them detects with it.
TEST(ProbeMarkerSharedDictionaries, MadeOncePerProcessForTrackersStartingTogether) {
    test::PlatTestFolder folder;
    test::WriteDictionaryFile(*test::MakeTestFamily1Dictionary(),
                              folder.File(kProbeMarkerDictionaryFileName));
    SetExecutableFolderOverride(folder.Path());
    std::mutex linesMutex;
    std::vector<std::string> lines;
    InformationLog::Instance().SetSink([&](uint8_t, const std::string& line) {
        const std::lock_guard lock(linesMutex);
        lines.push_back(line);
    });
    FakeClock clock;
    ScopedClockInstall install(clock);

    cv::Mat frame = test::MakeBlankFrame(640, 480);
    test::DrawProbeMarker(frame, test::MakeTestDictionaries(), {1, 3, {520, 100}, 40, 15.0F});

    constexpr int kTrackers = 6;
    std::vector<std::unique_ptr<CProbeMarkerDetector>> detectors(kTrackers);
    std::latch start(kTrackers);
    std::vector<std::thread> threads;
    threads.reserve(kTrackers);
    for (int i = 0; i < kTrackers; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            detectors[i] = std::make_unique<CProbeMarkerDetector>();
            detectors[i]->ProcessFrame(frame);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    InformationLog::Instance().SetSink({});
    SetExecutableFolderOverride({});

    const ProbeMarkerDictionaries& first = detectors[0]->GetDictionaries();
    ASSERT_FALSE(first.m_family1.empty());
    ASSERT_FALSE(first.m_family2.empty());
    for (const auto& detector : detectors) {
        EXPECT_EQ(detector->GetDictionaries().m_family1.get(), first.m_family1.get());
        EXPECT_EQ(detector->GetDictionaries().m_family2.get(), first.m_family2.get());
        EXPECT_EQ(detector->GetAttemptsSinceDetection(), 0);
        EXPECT_EQ(detector->GetLastMarkerId(), 3);
    }
    EXPECT_EQ(SharedProbeMarkerDictionaries().m_family1.get(), first.m_family1.get());
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace orv
