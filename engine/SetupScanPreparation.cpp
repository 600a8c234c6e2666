// The analyser preparations the scan runners make before each scan kind.

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>

namespace orv {

namespace {

constexpr uint32_t kReadFailed = 700;
constexpr std::chrono::milliseconds kGatedVideoSettle{100};

bool Step(bool done, const char* failureText) {
    if (!done && failureText != nullptr) {
        AddInformationMessage(1, failureText);
    }
    return done;
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Every preparation works on the connected analyser under the device lock; without a device
// manager or an analyser there is nothing to prepare.
template <typename Prepare> bool WithLockedAnalyzer(CDeviceManager* devices, const Prepare& prepare) {
    if (devices == nullptr) {
        return false;
    }
    const auto lock = devices->LockDevices();
    CSpectrumAnalyzer* analyzer = devices->GetAnalyzer();
    return analyzer != nullptr && prepare(analyzer);
}

} // namespace

bool SetupScan::SetupSpectralScan() {
    return WithLockedAnalyzer(GetDeviceManager(), [&](CSpectrumAnalyzer* analyzer) {
        if (!Step(analyzer->SetDisplayOn(true),
                  "Can not set display on to spectrum analyzer for Spectral scan.") ||
            !Step(analyzer->SetContinuousSweep(true),
                  "Can not set Single Sweep to spectrum analyzer for Spectral scan.") ||
            !Step(analyzer->SetTraceFormat(),
                  "Can not set Real Format to spectrum analyzer for Spectral scan.")) {
            return false;
        }
        if (!analyzer->IsQueryValid()) {
            SetFailureCode(kReadFailed);
            AddInformationMessage(1, "Can not read data from spectrum analyzer.");
            return false;
        }
        return true;
    });
}

bool SetupScan::SetupPeakScan() {
    return WithLockedAnalyzer(GetDeviceManager(), [&](CSpectrumAnalyzer* analyzer) {
        return Step(analyzer->SetAutoSweep(1),
                    "Can not set Auto Sweep to spectrum analyzer for Peak scans.") &&
               Step(analyzer->SetInternalTriger(1),
                    "Can not set Internal Trigger to spectrum analyzer for Peak scans.") &&
               Step(analyzer->SetContinuousSweep(true),
                    "Can not set Single Sweep to spectrum analyzer for Peak scans.");
    });
}

bool SetupScan::SetupSpatialScan() {
    return WithLockedAnalyzer(GetDeviceManager(), [&](CSpectrumAnalyzer* analyzer) {
        const std::string mode = Lowered(analyzer->GetSweepMode());
        const float rbw = GetRBW();
        const int32_t cells = static_cast<int32_t>(GetRows()) * static_cast<int32_t>(GetColumns());
        const int32_t gateLength = analyzer->GetGateLength(rbw);

        // The sweep covers every cell: its points, then the time those points take at the gate length.
        const auto setPoints = [&](const char* failureText) {
            if (!Step(analyzer->SetSpectralSweepPoints(cells), failureText)) {
                return false;
            }
            SetNumberOfFrequencyBuckets(static_cast<uint32_t>(std::max(analyzer->ReadSweepPoints(), 0)));
            return true;
        };
        const auto setTime = [&](const char* failureText) {
            const double points = GetNumberOfFrequencyBuckets();
            const auto time = static_cast<float>(points * gateLength / 1000.0);
            if (!Step(analyzer->SetSweepTimeFloat(time), failureText)) {
                return false;
            }
            SetSweepTime(static_cast<uint32_t>(std::max(analyzer->ReadSweepTime(), 0)));
            return true;
        };

        bool done = false;
        if (mode == "gatedvideo") {
            done = analyzer->SetDisplayOn(false);
            if (done) {
                ClockSleep(kGatedVideoSettle);
                done = analyzer->SetContinuousSweep(false) && analyzer->SetInternalTriger(0) &&
                       analyzer->SetTraceFormat() && analyzer->SetSweepTimeFloat(0.1F) &&
                       analyzer->SetSweepPoints(2) && analyzer->TriggeredSweep();
            }
            if (done) {
                ClockSleep(kGatedVideoSettle);
            }
        } else if (mode.empty()) {
            done = analyzer->SetTraceFormat() && setPoints(nullptr) && analyzer->SetInternalTriger(0) &&
                   setTime(nullptr) && analyzer->SetContinuousSweep(false);
            if (done) {
                analyzer->WaitSettle(rbw);
            }
        } else {
            const char* format = "Can not set Real Format to spectrum analyzer for Spatial scan.";
            const char* points = "Can not set Sweep Points to spectrum analyzer for Spatial scan.";
            const char* time = "Can not set sweep time to spectrum analyzer for Spatial scan.";
            const char* single = "Can not set Single Sweep to spectrum analyzer for Spatial scan.";
            const char* trigger = "Can not set sweep points to spectrum analyzer for Spatial scan.";
            if (mode == "multiplegatedsweep") {
                done = Step(analyzer->SetTraceFormat(), format) && setPoints(points) && setTime(time) &&
                       Step(analyzer->SetContinuousSweep(true), single) &&
                       Step(analyzer->SetInternalTriger(0), trigger);
            } else {
                done = Step(analyzer->SetTraceFormat(), format) && setPoints(points) &&
                       Step(analyzer->SetInternalTriger(0), trigger) && setTime(time) &&
                       Step(analyzer->SetContinuousSweep(true), single);
            }
            if (done) {
                analyzer->WaitSettle(rbw);
            }
        }
        if (!done) {
            return false;
        }
        if (!analyzer->IsQueryValid()) {
            SetFailureCode(kReadFailed);
            return false;
        }
        return true;
    });
}

} // namespace orv
