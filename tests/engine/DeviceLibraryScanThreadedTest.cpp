// A spectral scan end to end on a device-library analyser: the engine the program makes, its scan
// thread and the fake device library, from the connect to the terminator.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CBB60Connection.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CTekRSAConnection.h"
#include "core/NoScannerFallback.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "platform/ui/ScriptedPrompt.h"
#include "scandata/QSpectralScan.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/engine/support/LockProbingPrompt.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/sim/devicelib/FakeBbApi.h"
#include "tests/sim/devicelib/FakeRsaApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;
using sim::FakeBbApi;
using sim::FakeRsaApi;

constexpr std::size_t kRbw = 5;
constexpr std::size_t kCentre = 9;
constexpr std::size_t kSpan = 17;
constexpr std::size_t kFailureCode = 60;

struct DeviceCase {
    const char* name;
    uint32_t code;
    bool bb60;
};

class DeviceLibraryScan : public ::testing::TestWithParam<DeviceCase> {
protected:
    DeviceLibraryScan() {
        SetNoAnalyzerSwitch(false);
        ResetNoScannerFallback();
        FakeBbApi::Reset();
        FakeRsaApi::Reset();
        CBB60Connection::ResetRunWarnings();
        CTekRSAConnection::ResetRunWarnings();
        // Five points in dBm; the scan must carry them in dBuV.
        const std::vector<float> trace{-50.0F, -40.0F, -20.5F, -20.0F, -60.0F};
        if (GetParam().bb60) {
            FakeBbApi::SetSerials({4321});
            FakeBbApi::SetTraceInfo(5, 2.5e6, 145e6);
            FakeBbApi::SetTrace(trace);
        } else {
            FakeRsaApi::SetDevices({{3, "B0003", "RSA306B"}});
            FakeRsaApi::SetLimits({.maxSpan = 40e6, .minSpan = 100.0, .maxRbw = 10e6, .minRbw = 10.0});
            FakeRsaApi::SetTraceShape(5, 145e6, 2.5e6);
            FakeRsaApi::SetTrace(trace);
        }
    }
    ~DeviceLibraryScan() override { ResetNoScannerFallback(); }

    TemporaryUserDataFolder m_folder{"orv-devicelib-scan"};
    EnvironmentValue m_visaLibraries{"ORV_VISA_LIBRARIES", ""};
    EnvironmentValue m_visaResources{"ORV_VISA_RESOURCES", ""};
    EnvironmentValue m_bbNames{"ORV_BB_API_LIBRARIES", GetParam().bb60 ? ORV_FAKE_BB_API_PATH : ""};
    EnvironmentValue m_rsaNames{"ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PATH};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};

    // Connects the engine the program makes to the fake device, binds its driver, sets up a spectral
    // scan of 145-155 MHz and starts it; answers the scan's data frames up to the terminator.
    std::vector<ReplyFrame> RunSpectralScan(CEngineObjects& objects) {
        const DeviceCase& device = GetParam();
        SetupScan& setup = objects.GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        EXPECT_NE(manager, nullptr);
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
        EXPECT_TRUE(setup.ConnectAnalyzer());
        EXPECT_TRUE(setup.ConnectScanner(eProbeType::NoScanner));
        CTransferPipe& pipe = objects.GetCommandPipe();
        Bytes pending;

        WriteAll(pipe, Frame(4003));
        const std::vector<ReplyFrame> identity = WaitForFrames(pipe, 1, 5s, pending);
        EXPECT_EQ(identity.size(), 1U);
        if (!identity.empty()) {
            EXPECT_NE(std::string(identity[0].body.begin() + 4, identity[0].body.end())
                          .find(device.bb60 ? "BB60" : "tektronix_sa"),
                      std::string::npos);
        }

        Bytes driver = LittleEndian32(device.code);
        driver.resize(16, 0);
        WriteAll(pipe, Frame(4, driver));
        const std::vector<ReplyFrame> bound = WaitForFrames(pipe, 1, 5s, pending);
        EXPECT_EQ(bound.size(), 1U);
        if (!bound.empty()) {
            EXPECT_EQ(ValueAt<uint32_t>(bound[0].body, 0), device.code);
        }

        Bytes body = SetupBody({.scanType = 99});
        const std::size_t tail = SetupTail(2, 3);
        const auto put = [&body, tail](std::size_t offset, float value) {
            std::memcpy(body.data() + tail + offset, &value, sizeof value);
        };
        put(kRbw, 1.0F);
        put(kCentre, 150.0F);
        put(kSpan, 10.0F);
        WriteAll(pipe, Frame(1, body));
        const std::vector<ReplyFrame> steps = WaitForFrames(pipe, 21, 5s, pending);
        EXPECT_EQ(steps.size(), 21U);
        EXPECT_EQ(std::count_if(steps.begin(), steps.end(), [](const ReplyFrame& f) { return f.id == 4004; }),
                  20);
        if (!steps.empty()) {
            EXPECT_EQ(steps.back().id, 1);
            EXPECT_EQ(ValueAt<uint32_t>(steps.back().body, tail + kFailureCode), 0U);
        }

        WriteAll(pipe, Frame(2, {0}));
        EXPECT_EQ(WaitForFrames(pipe, 1, 5s, pending).size(), 1U);
        Bytes dataPending;
        std::vector<ReplyFrame> data;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::none_of(data.begin(), data.end(), [](const ReplyFrame& f) { return f.id == 103; }) &&
               std::chrono::steady_clock::now() < deadline) {
            for (ReplyFrame& frame : WaitForFrames(objects.GetDataPipe(), 1, 1s, dataPending)) {
                data.push_back(std::move(frame));
            }
        }
        return data;
    }
};

TEST_P(DeviceLibraryScan, ASpectralScanCarriesTheDevicesTraceInDbuvAndEndsWithZero) {
    CEngineObjects objects;
    const std::vector<ReplyFrame> data = RunSpectralScan(objects);
    // Progress for each of the three active cells, the spectrum, and the terminator.
    ASSERT_FALSE(data.empty());
    ASSERT_EQ(data.back().id, 103);
    EXPECT_EQ(data.back().body, LittleEndian32(0));
    const auto spectrum =
        std::find_if(data.begin(), data.end(), [](const ReplyFrame& f) { return f.id == 99; });
    ASSERT_NE(spectrum, data.end());
    const auto scan = ReadBack<QSpectralScan>(Frame(spectrum->id, spectrum->body));
    ASSERT_EQ(scan->GetPointCount(), 5U);
    std::vector<int16_t> amplitudes;
    for (uint32_t i = 0; i < scan->GetPointCount(); ++i) {
        amplitudes.push_back(scan->GetAmplitude(i));
    }
    EXPECT_EQ(amplitudes, (std::vector<int16_t>{570, 670, 865, 870, 470}));
    EXPECT_TRUE(m_prompt->Texts().empty());
}

// The device fails every measurement of the scan: its error box comes once the scan thread has let go
// of the devices, never while it holds them, and the same error of each cell is not a box per cell.
TEST_P(DeviceLibraryScan, AMeasurementsErrorBoxComesWithTheDevicesFree) {
    CEngineObjects objects;
    const auto prompt = std::make_shared<LockProbingPrompt>(*objects.GetSetupScan().GetDeviceManager());
    const ScopedPromptInstall install(prompt);
    constexpr int32_t kDeviceError = -4;
    const std::vector<int32_t> failures(64, kDeviceError);
    if (GetParam().bb60) {
        FakeBbApi::Script().Script("bbFetchTrace_32f", failures);
    } else {
        FakeRsaApi::Script().Script("SPECTRUM_AcquireTrace", failures);
    }
    const std::vector<ReplyFrame> data = RunSpectralScan(objects);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.back().id, 103);
    const auto asked = prompt->AskedSoFar();
    ASSERT_FALSE(asked.empty());
    for (const auto& box : asked) {
        EXPECT_TRUE(box.devicesFree) << box.text << " was shown under the device lock";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceLibraryScan,
                         ::testing::Values(DeviceCase{"BB60", 106, true}, DeviceCase{"RSA", 107, false}),
                         [](const ::testing::TestParamInfo<DeviceCase>& info) { return info.param.name; });

} // namespace
} // namespace orv::test
