#include "engine/runners/SpectralScan.h"

#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/runners/ScanGrid.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace orv {

namespace {

constexpr const char* kReadFailureText = "SpectralScan::RunScanStart() --- Failed in reading scan data.";

// The set-up repeated between continuous passes reports to nobody: its steps belong to a set-up
// command, which this is not.
class SilentSetupReporter final : public CSetupStepReporter {
public:
    bool SendSetupStep(uint16_t /*step*/, uint16_t /*stepCount*/, std::string_view /*text*/) override {
        return true;
    }
};

// The frame carries little-endian words.
[[maybe_unused]] void SwapToLittleEndian(int16_t* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const auto word = static_cast<uint16_t>(values[i]);
        values[i] = static_cast<int16_t>(static_cast<uint16_t>((word >> 8) | (word << 8)));
    }
}

} // namespace

SpectralScan::SpectralScan(const CEngineContext& context) : RunScan(context) {}

void SpectralScan::ResetPoints(uint32_t count) {
    m_points.assign(count, SpectralPoint{});
    // Both heads are an even number of bytes, so the values start on a word.
    static_assert((packet::kProgressFrameBytes + packet::kSpectralSpatialHeadBytes) % 2 == 0);
    static_assert((packet::kProgressFrameBytes + packet::kHandHeldHeadBytes) % 2 == 0);
    m_valuesAt = (packet::kProgressFrameBytes + CellHeadBytes()) / 2;
    m_cellFrames.assign(m_valuesAt + count, 0);
}

bool SpectralScan::HasWholeTrace(CDeviceManager& devices) const {
    if (devices.GetTraceLength() < PointCount()) {
        devices.SetReadOk(0);
        return false;
    }
    return true;
}

void SpectralScan::TakeTrace(const CDeviceManager& devices, uint16_t row, uint16_t column, int16_t height,
                             bool first) {
    const float* trace = const_cast<CDeviceManager&>(devices).GetTraceBuffer();
    const size_t count = m_points.size();
    int16_t* values = m_cellFrames.data() + m_valuesAt;
    ConvertToTenthsDb(trace, values, count);
    if (!m_keepsMaximum) {
        if constexpr (std::endian::native != std::endian::little) {
            SwapToLittleEndian(values, count);
        }
        return;
    }
    SpectralPoint* points = m_points.data();
    if constexpr (std::endian::native == std::endian::little) {
        // A point is one 64-bit word with the amplitude in its low bits: the merge is a select per
        // point, with no branch to mispredict.
        static_assert(sizeof(SpectralPoint) == 8 && std::is_trivially_copyable_v<SpectralPoint>);
        const uint64_t tag = (static_cast<uint64_t>(row) << 16) | (static_cast<uint64_t>(column) << 32) |
                             (static_cast<uint64_t>(static_cast<uint16_t>(height)) << 48);
        for (size_t i = 0; i < count; ++i) {
            uint64_t old = 0;
            std::memcpy(&old, points + i, sizeof old);
            const auto held = static_cast<int16_t>(static_cast<uint16_t>(old));
            const uint64_t taken = tag | static_cast<uint16_t>(values[i]);
            const uint64_t kept = first || values[i] > held ? taken : old;
            std::memcpy(static_cast<void*>(points + i), &kept, sizeof kept);
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            if (first || values[i] > points[i].amplitude) {
                points[i] = SpectralPoint{values[i], row, column, height};
            }
        }
        SwapToLittleEndian(values, count);
    }
}

bool SpectralScan::SendProgressAndResult(const ScanProgressRecord& progress) {
    WriteProgressFrame(progress, CellBytes());
    const std::span<const uint8_t> result = BuildResultPacket();
    if (result.data() != CellHead()) {
        // A result frame of its own: sent after the progress.
        return SendPacket(CellBytes(), packet::kProgressFrameBytes) && SendResultPacket();
    }
    return SendPacket(CellBytes(), packet::kProgressFrameBytes + result.size());
}

std::span<const uint8_t> SpectralScan::BuildResultPacket() {
    BuildSpectralScanFrame(m_points, m_resultFrame);
    return m_resultFrame;
}

bool SpectralScan::RunPass(CDeviceManager& devices, const ScanGrid& grid, uint32_t& cellsDone) {
    bool first = true;
    for (int32_t row = 0; row < grid.Rows(); ++row) {
        for (int32_t column = 0; column < grid.Columns(); ++column) {
            const uint32_t cell = grid.Index(row, column);
            if (!grid.IsActive(cell)) {
                continue;
            }
            if (StopTest()) {
                return true;
            }
            const int16_t height = grid.Height(cell);
            if (!devices.MeasureCellTrace(static_cast<int16_t>(row), static_cast<int16_t>(column), height, 0,
                                          1, false) ||
                !HasWholeTrace(devices)) {
                if (EndsOnReadFailure(kReadFailureText)) {
                    return true;
                }
                continue;
            }
            TakeTrace(devices, static_cast<uint16_t>(row), static_cast<uint16_t>(column), height, first);
            first = false;
            ++cellsDone;
            m_progress = ScanProgressRecord{static_cast<uint16_t>(row),
                                            static_cast<uint16_t>(column),
                                            1,
                                            1,
                                            1,
                                            0,
                                            static_cast<uint16_t>(grid.ActiveCount()),
                                            static_cast<uint16_t>(cellsDone)};
            SendProgress(m_progress);
        }
    }
    return false;
}

bool SpectralScan::RepeatSetup() {
    SetupScan& setup = *Context().setup;
    bool done = true;
    if (Context().devices != nullptr) {
        SilentSetupReporter reporter;
        done = Context().devices->SetupInstrument(setup, reporter);
    }
    if (!done || !setup.SetupSpectralScan()) {
        SetStatus(kStatusFailed);
        return false;
    }
    // The set-up may have brought another point count.
    if (setup.GetNumberOfFrequencyBuckets() != PointCount()) {
        ResetPoints(setup.GetNumberOfFrequencyBuckets());
    }
    return true;
}

void SpectralScan::RunScanStart() {
    CDeviceManager* devices = Devices();
    SetupScan* setup = Context().setup;
    if (devices == nullptr || setup == nullptr) {
        SetStatus(kStatusFailed);
        return;
    }
    devices->ApplyProbeHeight();
    if (!setup->SetupSpectralScan()) {
        SetStatus(kStatusFailed);
        return;
    }
    ResetPoints(setup->GetNumberOfFrequencyBuckets());
    const ScanGrid grid(*setup);
    const Clock::TimePoint start = ClockNow();
    uint32_t cellsDone = 0;
    bool firstPass = true;
    for (;;) {
        const uint32_t cellsBefore = cellsDone;
        if (RunPass(*devices, grid, cellsDone)) {
            return;
        }
        SendResultPacket();
        if (cellsDone == cellsBefore && setup->GetGoMode() == 1) {
            // Nothing to repeat: another pass would only send the same empty packet again.
            AddInformationMessage(1, "SpectralScan::RunScanStart() --- a pass measured no cell; the "
                                     "continuous scan ends.");
            RunExtraHook();
            return;
        }
        if (firstPass && setup->GetMeasurePeaks() != 0) {
            if (MeasurePeaks(kReadFailureText)) {
                return;
            }
            if (IsStopRequested()) {
                SetStatus(kStatusDone);
                Context().stopFlag->SetStopAcknowledged(1);
                return;
            }
            // The peak sweeps changed span and points: the next pass needs the scan's set-up back.
            if (setup->GetGoMode() == 1 && !RepeatSetup()) {
                return;
            }
        }
        firstPass = false;
        if (StopTest()) {
            return;
        }
        if (setup->GetGoMode() != 1) {
            RunExtraHook();
            AddInformationMessage(1, FormatC("Spectral scan time span = %6.2f sec",
                                             static_cast<double>(ElapsedMilliseconds(start)) / 1000.0));
            return;
        }
    }
}

} // namespace orv
