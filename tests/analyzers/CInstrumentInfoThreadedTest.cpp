#include "analyzers/CInstrumentInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

// The connection thread writes flags, texts and the detected list while the user-interface thread
// and a scan thread read them; every read must see a whole value.
TEST(InstrumentInfoThreaded, FlagsAndTextsAcrossThreads) {
    CInstrumentInfo info;
    info.BuildSupportedAnalyzerTable();
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            const bool on = (i % 2) == 0;
            info.SetScannerConnected(on);
            info.SetAnalyzerConnected(!on);
            info.SetAnalyzerQueryPending(on);
            info.SetAnalyzerDriverSet(!on);
            info.SetStatusText(on ? "Analyzer: connected" : "Analyzer: not connected");
            info.SetAnalyzerIdentityText(on ? "Rohde&Schwarz,FSV-7,1,2" : "Null,Null,Null,Null");
            info.SetSelectedAnalyzerID(on ? 84 : -1);
            info.AddDetectedProbeType(static_cast<eProbeType>(i % 4));
        }
        info.SetProbeType(eProbeType::RobotArm);
        done = true;
    });
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!done) {
                const std::string status = info.GetStatusText();
                EXPECT_TRUE(status == "" || status == "Analyzer: connected" ||
                            status == "Analyzer: not connected");
                const std::string identity = info.GetAnalyzerIdentityText();
                EXPECT_TRUE(identity == "" || identity == "Rohde&Schwarz,FSV-7,1,2" ||
                            identity == "Null,Null,Null,Null");
                EXPECT_LE(info.GetDetectedProbeTypes().size(), 4u);
                _SupportedAnalyzerInfo row;
                EXPECT_TRUE(info.FindAnalyzerByDriverID(38, row));
                (void)info.IsScannerConnected();
                (void)info.IsAnalyzerConnected();
                (void)info.IsAnalyzerQueryPending();
                (void)info.IsAnalyzerDriverSet();
                (void)info.GetSelectedAnalyzerID();
            }
        });
    }
    writer.join();
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(info.GetDetectedProbeTypes().size(), 4u);
    EXPECT_EQ(info.GetSelectedAnalyzerID(), -1);
    EXPECT_EQ(info.GetProbeType(), eProbeType::RobotArm);
}

} // namespace
} // namespace orv
