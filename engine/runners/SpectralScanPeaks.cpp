// The spectral runners' peak step: the strongest runs of the spectrum are measured again, each with
// two zoomed sweeps at the cell that gave it, and the measured frequencies go to the client.

#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "engine/runners/PeakSearch.h"
#include "engine/runners/SpectralScan.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

struct Candidate {
    int32_t index = 0;
    int16_t amplitude = 0;
    float frequency = 0.0F;
};

// Peaks closer together than the resolution bandwidth are one signal: the group gives one peak, the
// one nearest its expected frequency when the group is flat (within 0.3 dB), else the strongest.
std::vector<MeasuredPeak> ChoosePeaks(const std::vector<Candidate>& candidates, float rbw, float start,
                                      float span, uint32_t pointCount) {
    std::vector<MeasuredPeak> chosen;
    size_t first = 0;
    while (first < candidates.size()) {
        size_t end = first + 1;
        while (end < candidates.size() &&
               std::fabs(candidates[end].frequency - candidates[end - 1].frequency) <= rbw) {
            ++end;
        }
        const auto group = std::span(candidates).subspan(first, end - first);
        const auto [lowest, highest] =
            std::minmax_element(group.begin(), group.end(), [](const Candidate& a, const Candidate& b) {
                return a.amplitude < b.amplitude;
            });
        const Candidate* pick = nullptr;
        if (highest->amplitude - lowest->amplitude < 3) {
            double nearest = 0.0;
            for (const Candidate& candidate : group) {
                const double expected = static_cast<double>(start) + static_cast<double>(span) *
                                                                         candidate.index /
                                                                         static_cast<double>(pointCount - 1);
                const double distance = std::fabs(static_cast<double>(candidate.frequency) - expected);
                if (pick == nullptr || distance < nearest) {
                    pick = &candidate;
                    nearest = distance;
                }
            }
        } else {
            // The first of the highest (minmax_element gives the last one).
            const int16_t top = highest->amplitude;
            pick = &*std::find_if(group.begin(), group.end(),
                                  [top](const Candidate& c) { return c.amplitude == top; });
        }
        // The frequencies sent rise strictly.
        if (chosen.empty() || pick->frequency > chosen.back().frequency) {
            chosen.push_back(MeasuredPeak{static_cast<uint32_t>(pick->index), pick->frequency});
        }
        first = end;
    }
    return chosen;
}

} // namespace

bool SpectralScan::MeasurePeaks(const char* readFailureText) {
    const int32_t wanted = std::clamp<int32_t>(Context().setup->GetPeakPoints(), 0, kMaxPeakPoints);
    const std::vector<int32_t> indexes = FindPeaks(m_points, wanted);
    return MeasurePeakCandidates(indexes, readFailureText);
}

bool SpectralScan::MeasurePeakCandidates(std::span<const int32_t> indexes, const char* readFailureText) {
    if (std::none_of(indexes.begin(), indexes.end(), [](int32_t index) { return index > 0; })) {
        return false;
    }
    SetupScan& setup = *Context().setup;
    CDeviceManager* devices = Devices();
    if (devices == nullptr || !setup.SetupPeakScan()) {
        SetStatus(kStatusFailed);
        return true;
    }
    const uint32_t count = PointCount();
    if (count <= 1) {
        return false;
    }
    const float start = setup.GetStartFrequency();
    const float stop = setup.GetStopFrequency();
    const float span = setup.GetSpan();
    const float step = span / static_cast<float>(count - 1);
    const auto inRange = [&](float frequency) { return frequency >= start && frequency <= stop; };

    ScanProgressRecord progress;
    progress.flag = 1;
    progress.activeCount = static_cast<uint16_t>(indexes.size());
    std::vector<Candidate> kept;
    uint16_t taken = 0;
    for (const int32_t index : indexes) {
        if (index < 0 || static_cast<uint32_t>(index) >= count) {
            continue;
        }
        if (StopTest()) {
            return true;
        }
        progress.cellsDone = taken;
        SendProgress(progress);
        ++taken;
        const SpectralPoint point = m_points[static_cast<size_t>(index)];
        const auto row = static_cast<int16_t>(point.row);
        const auto column = static_cast<int16_t>(point.column);
        const float expected = start + static_cast<float>(index) * step;
        if (!devices->MeasureCellPeak(row, column, point.cellValue, expected, step) &&
            EndsOnReadFailure(readFailureText)) {
            return true;
        }
        const float found = devices->GetMeasuredFrequency();
        if (!inRange(found)) {
            continue;
        }
        if (StopTest()) {
            return true;
        }
        if (!devices->MeasurePeakWindow(row, column, point.cellValue, found, 5.0F * step, true, step) &&
            EndsOnReadFailure(readFailureText)) {
            return true;
        }
        const float measured = devices->GetMeasuredFrequency();
        if (!inRange(measured)) {
            continue;
        }
        kept.push_back(Candidate{index, point.amplitude, measured});
        progress.cellsDone = taken;
        SendProgress(progress);
    }

    const std::vector<MeasuredPeak> peaks = ChoosePeaks(kept, setup.GetRBW(), start, span, count);
    BuildMeasuredFrequencyFrame(peaks, m_peakFrame);
    AddInformationMessage(1, FormatC("peak data = %d", static_cast<int>(peaks.size())));
    SendPacket(m_peakFrame.data(), m_peakFrame.size());
    return false;
}

} // namespace orv
