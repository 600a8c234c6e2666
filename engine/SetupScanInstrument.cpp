// The analyser set-up sequence of the set-up command (and of the spectral runner's repeat).

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/SetupScan.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>

namespace orv {

namespace {

constexpr uint16_t kFirstScanType = 99;
constexpr uint16_t kLastScanType = 112;
// The client tells the points apart from the count asked for only beyond this difference.
constexpr int64_t kPointsTolerance = 2;

class StepReports {
public:
    explicit StepReports(CSetupStepReporter* reporter) : m_reporter(reporter) {}

    void Send(uint16_t step, const std::string& text) const {
        if (m_reporter != nullptr) {
            m_reporter->SendSetupStep(step, SetupScan::kSetupStepCount, text);
        }
    }

private:
    CSetupStepReporter* m_reporter;
};

std::string Done(const char* operation) {
    return std::string("Setup Scan --- done in '") + operation + "'.";
}

std::string Done(const char* operation, double value) {
    return FormatC("Setup Scan --- done in '%s'   %f.", operation, value);
}

std::string Done(const char* operation, int value) {
    return FormatC("Setup Scan --- done in '%s'   %d.", operation, value);
}

// ceil(span / rbw + 0.1) as a positive 32-bit count; 0 when the values give none.
int32_t SweepPointsFor(float span, float rbw) {
    if (!std::isfinite(rbw) || !(rbw > 0.0F) || !std::isfinite(span)) {
        return 0;
    }
    const double points = std::ceil(static_cast<double>(span) / static_cast<double>(rbw) + 0.1);
    if (!(points >= 1.0) || points > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    return static_cast<int32_t>(points);
}

} // namespace

bool SetupScan::SetupInstrument() {
    return SetupInstrument(m_stepReporter.load());
}

bool SetupScan::SetupInstrument(CSetupStepReporter* reporter) {
    CDeviceManager* devices = GetDeviceManager();
    DeviceLockHold deviceLock;
    if (devices != nullptr) {
        deviceLock = devices->LockDevices();
        devices->ClearVisaConnections();
    }
    SetFailureCode(0);
    const StepReports report(reporter);
    const auto fail = [this](uint32_t code, const char* text) {
        SetFailureCode(static_cast<int32_t>(code));
        AddInformationMessage(1, text);
        return false;
    };
    const auto failSet = [&](const char* text) { return fail(kFailureSetCommand, text); };
    const auto failRead = [&](const char* text) { return fail(kFailureRead, text); };

    const SetupScanValues wanted = GetValues();
    if (wanted.scanType < kFirstScanType || wanted.scanType > kLastScanType) {
        return fail(kFailureScanTypeUnavailable, "Scan type is not available.");
    }
    CSpectrumAnalyzer* analyzer = devices != nullptr ? devices->GetAnalyzer() : nullptr;
    if (analyzer == nullptr || !analyzer->IsDetected()) {
        return fail(kFailureNotDetected, "Can not detect spectrum analyzer.");
    }
    if (!analyzer->IsConnected()) {
        return fail(kFailureNotConnected, "Can not connect to spectrum analyzer.");
    }
    report.Send(0, Done("CheckStatus"));

    analyzer->SetRequestedRbw(wanted.rbw);
    if (!analyzer->SetupSpectrumAnalyzer()) {
        // A driver that knows better why it failed has said so already.
        if (GetFailureCode() != kFailureDriverReported) {
            SetFailureCode(static_cast<int32_t>(kFailureRead));
        }
        AddInformationMessage(1, "Can not send setup spectrum analyzer command to spectrum analyzer.");
        return false;
    }
    report.Send(1, Done("SetupSpectrumAnalyzer()"));

    if (!analyzer->SetAutoSweep(1)) {
        return failSet("Can not send Auto Sweep command to spectrum analyzer.");
    }
    report.Send(2, Done("SetAutoSweep()"));
    if (!analyzer->SetInternalTriger(1)) {
        return failSet("Can not send Internal Trigger command to spectrum analyzer.");
    }
    report.Send(3, Done("SetInternalTriger()"));
    if (!analyzer->SetDetectorPositive(true)) {
        return failSet("Can not send Detector Positive command to spectrum analyzer.");
    }
    report.Send(4, Done("SetDetectorPositive()"));
    if (!analyzer->SetUnit("DBUV")) {
        return failSet("Can not send Set Unit command to spectrum analyzer.");
    }
    report.Send(5, Done("SetUnit()"));

    analyzer->SetPreAmpState(wanted.internalPreAmp);
    analyzer->SetDcCoupledFlag(wanted.analyzerFlag);
    if (!analyzer->SetPreAmp(wanted.internalPreAmp == 1)) {
        return failSet("Can not set Pre-Amp to spectrum analyzer.");
    }
    report.Send(6, Done("SetPreAmp()", static_cast<int>(wanted.internalPreAmp)));
    if (!analyzer->SetTrackingGeneration(wanted.trackingGeneration == 1)) {
        return failSet("Can not set Tracking Generation to spectrum analyzer.");
    }
    report.Send(7, Done("SetTrackingGeneration()", static_cast<int>(wanted.trackingGeneration)));
    // The input coupling has no report of its own, and its failure shares the text above.
    if (!analyzer->SetInputCoupling(wanted.analyzerFlag == 1)) {
        return failSet("Can not set Tracking Generation to spectrum analyzer.");
    }
    if (!analyzer->SetAttenuation(0.0F)) {
        return failSet("Can not send Set Attenuation command to spectrum analyzer.");
    }
    report.Send(8, Done("SetAttenuation()"));
    if (!analyzer->SetReferenceLevel(wanted.referenceLevel)) {
        return failSet("Can not send Set Reference Level command to spectrum analyzer.");
    }
    report.Send(10, Done("SetReferenceLevel()", static_cast<double>(wanted.referenceLevel)));
    if (!analyzer->SetSpan(wanted.span)) {
        return failSet("Can not send Set Span command to spectrum analyzer.");
    }
    report.Send(9, Done("SetSpan()", static_cast<double>(wanted.span)));
    if (!analyzer->SetCenterFrequency(wanted.centerFrequency)) {
        return failSet("Can not send Set Center Frequency command to spectrum analyzer.");
    }
    report.Send(12, Done("SetCenterFrequency()", static_cast<double>(wanted.centerFrequency)));
    if (!analyzer->SetResolution(wanted.rbw)) {
        return failSet("Can not send Set Resolution Band Width command to spectrum analyzer.");
    }
    report.Send(11, Done("SetResolution()", static_cast<double>(wanted.rbw)));

    // A failed read is never stored: the set-up keeps the value it had.
    const float centre = analyzer->ReadCenterFrequency();
    if (!analyzer->IsQueryValid()) {
        return failRead("Can not read Center Frequency from spectrum analyzer.");
    }
    SetCenterFrequency(centre);
    report.Send(13, Done("ReadCenterFrequency()", static_cast<double>(centre)));
    const float span = analyzer->ReadSpan();
    if (!analyzer->IsQueryValid()) {
        return failRead("Can not read Span from spectrum analyzer.");
    }
    SetSpan(span);
    report.Send(14, Done("ReadSpan()", static_cast<double>(span)));
    const float referenceLevel = analyzer->ReadReferenceLevel();
    if (!analyzer->IsQueryValid()) {
        return failRead("Can not read Reference Level from spectrum analyzer.");
    }
    SetReferenceLevel(referenceLevel);
    report.Send(15, Done("ReadReferenceLevel()", static_cast<double>(referenceLevel)));
    const float rbw = analyzer->ReadResolution();
    if (!analyzer->IsQueryValid()) {
        return failRead("Can not read Resolution Band Width from spectrum analyzer.");
    }
    SetRBW(rbw);
    analyzer->SetReadBackRbw(rbw);
    if (!analyzer->IsFrequencyAllowed(rbw)) {
        return fail(kFailureRbwBelowMinimum,
                    "The RBW selected by Analyzer is less than the supported min RBW.");
    }
    report.Send(16, Done("ReadResolution()", static_cast<double>(rbw)));

    const int32_t asked = SweepPointsFor(span, rbw);
    if (asked == 0) {
        return failRead("Can not compute Sweep Points from the Span and Resolution Band Width read back.");
    }
    if (!analyzer->SetSweepPoints(asked)) {
        // The client must not go on to a scan the analyser was not set up for.
        return failSet("Can not set Sweep Points to spectrum analyzer for Spectral scan.");
    }
    report.Send(17, Done("SetSweepPoints()", static_cast<int>(asked)));

    const int32_t points = analyzer->ReadSweepPoints();
    if (!analyzer->IsQueryValid() || points < 1 ||
        static_cast<size_t>(points) > CDeviceManager::kTraceCapacity) {
        return failRead("Can not read Sweep Points from spectrum analyzer.");
    }
    SetNumberOfFrequencyBuckets(static_cast<uint32_t>(points));
    if (wanted.useManualSweepTime != 0) {
        const uint32_t manual = std::min<uint32_t>(wanted.sweepTime, std::numeric_limits<int32_t>::max());
        if (!analyzer->SetSweepTimeMs(static_cast<int32_t>(manual))) {
            return failSet("Can not send Use Manual Sweep Time command to spectrum analyzer.");
        }
    }
    report.Send(18, Done("ReadSweepPoints()", static_cast<int>(points)));

    // Points close to those asked for are the RBW apart; otherwise the span spreads over them. One
    // point has no spacing: the RBW stands for it.
    if (points < 2 || std::llabs(static_cast<int64_t>(points) - asked) <= kPointsTolerance) {
        SetFrequencyStep(rbw);
    } else {
        SetFrequencyStep(static_cast<float>((static_cast<double>(span) - 1.0) / (points - 1)));
    }
    const int32_t sweepTime = analyzer->ReadSweepTime();
    if (analyzer->IsQueryValid() && sweepTime >= 0) {
        SetSweepTime(static_cast<uint32_t>(sweepTime));
    }
    report.Send(19, Done("ReadSweepTime()", static_cast<int>(GetSweepTime())));
    return true;
}

} // namespace orv
