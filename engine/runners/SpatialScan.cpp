#include "engine/runners/SpatialScan.h"

#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "engine/runners/FrequencyCount.h"
#include "engine/scanners/CScanner.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

constexpr int64_t kFramePeriodMilliseconds = 500;
constexpr std::chrono::milliseconds kShortestFramePause{10};

int16_t SaturatedTenths(float tenths) {
    if (std::isnan(tenths)) {
        return -32768;
    }
    return static_cast<int16_t>(std::clamp(std::trunc(tenths), -32768.0F, 32767.0F));
}

} // namespace

SpatialScan::SpatialScan(const CEngineContext& context) : RunScan(context) {}

std::span<const uint8_t> SpatialScan::BuildResultPacket() {
    BuildSpatialScanFrame(m_level, m_switchMode, m_rows, m_columns, m_frequencyIndex, m_values,
                          m_resultFrame);
    return m_resultFrame;
}

bool SpatialScan::RunFrame(CDeviceManager& devices, uint16_t frequencyCount, bool& readFailed) {
    devices.SetFrameAbandoned(0);
    std::fill(m_values.begin(), m_values.end(), int16_t{30000});
    std::fill(m_accumulator.begin(), m_accumulator.end(), 0.0F);
    if (m_lastFrameMilliseconds >= 0) {
        const std::chrono::milliseconds pause =
            m_lastFrameMilliseconds < kFramePeriodMilliseconds
                ? std::chrono::milliseconds(kFramePeriodMilliseconds - m_lastFrameMilliseconds)
                : kShortestFramePause;
        ClockSleep(pause, GetStopToken());
    }
    if (StopTest()) {
        return true;
    }
    const Clock::TimePoint start = ClockNow();
    const bool acquired = devices.AcquireSpatialScanData(this, m_frequencyIndex, frequencyCount);
    m_lastFrameMilliseconds = ElapsedMilliseconds(start);
    // The routine's progress that could not go while it held the devices.
    FlushProgress();
    if (!acquired) {
        if (EndsOnReadFailure(kReadFailureText)) {
            readFailed = GetStatus() != kStatusDone;
            return true;
        }
        return false;
    }
    // At most one value per cell: a result longer than the grid (a whole trace) is cut.
    const size_t count = std::min<size_t>(devices.GetTraceLength(), m_accumulator.size());
    const float* result = devices.GetTraceBuffer();
    for (size_t i = 0; i < count; ++i) {
        m_accumulator[i] += 10.0F * result[i];
    }
    std::transform(m_accumulator.begin(), m_accumulator.end(), m_values.begin(), SaturatedTenths);
    if (!IsStopRequested() && devices.GetFrameAbandoned() == 0) {
        const CScanner* scanner = devices.GetScanner();
        m_switchMode = scanner != nullptr ? scanner->GetSwitchMode() : 0;
        SendResultPacket();
    }
    return false;
}

void SpatialScan::RunScanStart() {
    CDeviceManager* devices = Devices();
    SetupScan* setup = Context().setup;
    if (devices == nullptr || setup == nullptr) {
        SetStatus(kStatusFailed);
        return;
    }
    m_level = setup->GetScanBytes()[3];
    const auto frequencies = static_cast<uint16_t>(GetFrequencyCount(static_cast<int8_t>(m_level + 1)));
    if (!setup->SetupSpatialScan()) {
        SetStatus(kStatusFailed);
        return;
    }
    m_rows = static_cast<uint16_t>(std::max<int16_t>(setup->GetRows(), 0));
    m_columns = static_cast<uint16_t>(std::max<int16_t>(setup->GetColumns(), 0));
    const size_t cells = static_cast<size_t>(m_rows) * m_columns;
    m_values.assign(cells, 0);
    m_accumulator.assign(cells, 0.0F);
    const Clock::TimePoint start = ClockNow();
    bool readFailed = false;
    bool ended = false;
    do {
        for (uint32_t f = 0; f < frequencies && !ended; ++f) {
            m_frequencyIndex = static_cast<uint16_t>(f);
            ended = RunFrame(*devices, frequencies, readFailed);
        }
    } while (!ended && setup->GetGoMode() == 1);
    if (!readFailed) {
        devices->RestoreAnalyzerAfterSpatialScan();
    }
    AddInformationMessage(1, FormatC("Spatial scan time span = %6.2f sec",
                                     static_cast<double>(ElapsedMilliseconds(start)) / 1000.0));
}

} // namespace orv
