#include "engine/runners/HandHeldProbeScan.h"

#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "engine/runners/ScanGrid.h"
#include "platform/clock/Clock.h"
#include "platform/msg/MessageTarget.h"

#include <chrono>

namespace orv {

namespace {

constexpr std::chrono::milliseconds kRoundPause{5};

bool IsFraction(float value) {
    return value >= 0.0F && value < 1.0F;
}

} // namespace

bool CellUnderProbe(const HandHeldProbePosition& position, int32_t rows, int32_t columns, int32_t& row,
                    int32_t& column) {
    if (position.valid == 0 || !IsFraction(position.xFraction) || !IsFraction(position.yFraction)) {
        return false;
    }
    column = static_cast<int32_t>(static_cast<float>(columns) * position.xFraction);
    row = static_cast<int32_t>(static_cast<float>(rows) * position.yFraction);
    // A fraction just below 1 may round up to the grid's side in single precision.
    return row >= 0 && row < rows && column >= 0 && column < columns;
}

HandHeldProbeScan::HandHeldProbeScan(const CEngineContext& context) : SpectralScan(context) {}

std::span<const uint8_t> HandHeldProbeScan::BuildResultPacket() {
    WriteHandHeldProbeHead(m_row, m_column, static_cast<uint32_t>(CellValues().size()), CellHead());
    return CellResultFrame();
}

std::optional<HandHeldProbePosition> HandHeldProbeScan::AskPosition() {
    MessageTarget* frame = Context().mainFrame;
    if (frame == nullptr) {
        return HandHeldProbePosition{};
    }
    HandHeldProbePosition position;
    // The handler fills the record on its own thread while this one waits; a cancelled send never
    // runs the handler, so the record is never written after the wait ended.
    const std::optional<int64_t> answer =
        frame->Send(kProbeRequestMessage, static_cast<uint64_t>(kPositionRequest),
                    static_cast<int64_t>(reinterpret_cast<intptr_t>(&position)), GetStopToken());
    if (!answer) {
        return std::nullopt;
    }
    return position;
}

int64_t HandHeldProbeScan::AskGoAhead(int32_t row, int32_t column) {
    MessageTarget* frame = Context().mainFrame;
    if (frame == nullptr) {
        return kMeasureCell;
    }
    const std::optional<int64_t> answer =
        frame->Send(kProbeRequestMessage, static_cast<uint64_t>(row), column, GetStopToken());
    return answer.value_or(kStopScan);
}

void HandHeldProbeScan::TakeReading(CDeviceManager& devices, const ScanGrid& grid, int32_t row,
                                    int32_t column) {
    m_row = static_cast<uint16_t>(row);
    m_column = static_cast<uint16_t>(column);
    TakeTrace(devices, m_row, m_column, grid.Height(grid.Index(row, column)), m_readingsDone == 0);
    ++m_readingsDone;
    m_progress = ScanProgressRecord{m_row,
                                    m_column,
                                    1,
                                    1,
                                    1,
                                    0,
                                    static_cast<uint16_t>(grid.ActiveCount()),
                                    static_cast<uint16_t>(m_readingsDone)};
    SendProgressAndResult(m_progress);
}

void HandHeldProbeScan::RunFreeMode(CDeviceManager& devices, const ScanGrid& grid) {
    const std::stop_token stop = GetStopToken();
    for (;;) {
        if (StopTest() || stop.stop_requested()) {
            return;
        }
        if (Context().mainFrame == nullptr) {
            ClockSleep(kRoundPause, stop);
            continue;
        }
        const std::optional<HandHeldProbePosition> position = AskPosition();
        if (!position) {
            return;
        }
        int32_t row = 0;
        int32_t column = 0;
        if (CellUnderProbe(*position, grid.Rows(), grid.Columns(), row, column) &&
            grid.IsActive(grid.Index(row, column))) {
            const int16_t height = grid.Height(grid.Index(row, column));
            if (devices.MeasureCellTrace(static_cast<int16_t>(row), static_cast<int16_t>(column), height, 0,
                                         1, true) &&
                HasWholeTrace(devices)) {
                // A reading counts only when the probe stayed on its cell while it was taken.
                const std::optional<HandHeldProbePosition> after = AskPosition();
                if (!after) {
                    return;
                }
                int32_t rowAfter = 0;
                int32_t columnAfter = 0;
                if (CellUnderProbe(*after, grid.Rows(), grid.Columns(), rowAfter, columnAfter) &&
                    rowAfter == row && columnAfter == column) {
                    TakeReading(devices, grid, row, column);
                }
            } else if (EndsOnReadFailure(kReadFailureText)) {
                return;
            }
        }
        ClockSleep(kRoundPause, stop);
    }
}

void HandHeldProbeScan::RunGuidedMode(CDeviceManager& devices, const ScanGrid& grid) {
    for (int32_t row = 0; row < grid.Rows(); ++row) {
        for (int32_t column = 0; column < grid.Columns(); ++column) {
            const uint32_t cell = grid.Index(row, column);
            if (!grid.IsActive(cell)) {
                continue;
            }
            const int64_t answer = AskGoAhead(row, column);
            if (answer == kSkipCell) {
                continue;
            }
            if (answer == kStopScan) {
                return;
            }
            if (StopTest()) {
                return;
            }
            if (!devices.MeasureCellTrace(static_cast<int16_t>(row), static_cast<int16_t>(column),
                                          grid.Height(cell), 0, 1, true) ||
                !HasWholeTrace(devices)) {
                if (EndsOnReadFailure(kReadFailureText)) {
                    return;
                }
                continue;
            }
            TakeReading(devices, grid, row, column);
        }
    }
}

void HandHeldProbeScan::RunScanStart() {
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
    // Each reading goes out on its own; no maximum is sent or searched.
    m_keepsMaximum = false;
    const ScanGrid grid(*setup);
    if (setup->GetScanOption() != 0) {
        RunFreeMode(*devices, grid);
    } else {
        RunGuidedMode(*devices, grid);
    }
}

} // namespace orv
