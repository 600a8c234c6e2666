#include "scandata/ScanDataCompensation.h"

#include "core/QCorrectionData.h"
#include "core/QProbeScanPattern.h"

#include <cmath>
#include <limits>

namespace orv {

namespace {

template <typename T> T Saturate(double value) {
    if (std::isnan(value)) {
        return T{0};
    }
    const double t = std::trunc(value);
    if (t <= static_cast<double>(std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (t >= static_cast<double>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(t);
}

constexpr uint32_t kFactorStride = 64;

} // namespace

int16_t TruncateToInt16(double value) {
    return Saturate<int16_t>(value);
}
int32_t TruncateToInt32(double value) {
    return Saturate<int32_t>(value);
}

int32_t ApplyCompensationFactor(int32_t value, uint32_t mode, bool atOrBelowLimit, float factor) {
    if (mode == 0 || (mode == 2 && !atOrBelowLimit)) {
        return value - TruncateToInt32(factor * -10.0F);
    }
    return value;
}

int16_t EstimateNoiseFloorOfValues(std::span<const double> values) {
    if (values.empty()) {
        return 0;
    }
    const double n = static_cast<double>(values.size());
    double sum = 0.0;
    for (double v : values) {
        sum += v;
    }
    const double mean = sum / n;
    double deviation = 0.0;
    if (values.size() > 1) {
        double squares = 0.0;
        for (double v : values) {
            squares += (v - mean) * (v - mean);
        }
        deviation = std::sqrt(squares / (n - 1.0));
    }
    const double limit = deviation == 0.0 ? mean + 1.0 : mean + 2.0 * deviation;
    double below = 0.0;
    uint32_t count = 0;
    for (double v : values) {
        if (v < limit) {
            below += v;
            ++count;
        }
    }
    return count == 0 ? int16_t{0} : TruncateToInt16(below / static_cast<double>(count));
}

int32_t ChooseCorrectionSet(const std::string& setName) {
    return GetCorrectionData().ChooseSet(setName);
}

bool NoteMissingCorrectionList(const std::string& setName) {
    // Without a set named (no Preferences node) there is no list to miss.
    if (setName.empty() || !QCorrectionData::IsListFileMissing(setName)) {
        return false;
    }
    QCorrectionData::SetMissingListNotice();
    return true;
}

bool LoadCellFactors(const std::string& setName, const QProbeScanPattern& pattern, uint16_t rows,
                     uint16_t columns, const std::function<float(uint16_t, uint16_t)>& cellFrequency,
                     std::span<float> factors) {
    const QChosenCorrectionSet chosen = GetCorrectionData().TakeSet(setName);
    if (chosen.m_number == 0) {
        return false;
    }
    const QCorrectionSet& set = *chosen.m_set;
    for (float& factor : factors) {
        factor = 1.0F;
    }
    const float lowest = set.GetLowestFrequency();
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            // The factor grid has 64 columns: a cell beyond them would land on another cell's factor.
            if (!pattern.IsProbeOn(r, c) || r >= kFactorStride || c >= kFactorStride) {
                continue;
            }
            const float f = cellFrequency(r, c);
            if (!(f > lowest)) {
                continue;
            }
            const QCorrectionBracket bracket = set.FindPosition(f);
            // A cell beyond the scan head's grid has no factor of its own.
            const int32_t cell = set.GetCellIndex(r, c);
            if (cell < 0) {
                continue;
            }
            const size_t at = static_cast<size_t>(r) * kFactorStride + c;
            if (at < factors.size()) {
                factors[at] = set.GetFactorAt(cell, bracket, f);
            }
        }
    }
    return true;
}

bool LoadPointFactors(const std::string& setName, uint32_t count, float start, float stop, uint16_t columns,
                      const std::function<QPointCell(uint32_t)>& pointCell, std::vector<float>& factors) {
    const QChosenCorrectionSet chosen = GetCorrectionData().TakeSet(setName);
    if (chosen.m_number == 0) {
        return false;
    }
    const QCorrectionSet& set = *chosen.m_set;
    const float lowest = set.GetLowestFrequency();
    const std::span<const float> rowFrequencies = set.GetRowFrequencies();
    std::vector<float> loaded(count, 0.0F);
    int32_t lower = 0;
    int32_t upper = 0;
    bool atEnd = false;
    for (uint32_t i = 0; i < count; ++i) {
        const float f = count > 1
                            ? start + static_cast<float>(i) * (stop - start) / static_cast<float>(count - 1)
                            : start;
        const bool insideBracket =
            upper >= 0 && static_cast<size_t>(upper) < rowFrequencies.size() && !(f > rowFrequencies[upper]);
        if (!(f <= lowest || insideBracket || atEnd)) {
            const QCorrectionBracket bracket = set.FindPosition(f);
            lower = bracket.m_lower;
            upper = bracket.m_upper;
            atEnd = bracket.m_atLastRow;
        }
        const QPointCell cell = pointCell(i);
        // A cell beyond the scan's or the scan head's grid gets factor 0.
        loaded[i] = cell.m_Column < columns
                        ? set.GetFactorAt(set.GetCellIndex(cell.m_Row, cell.m_Column), lower, upper, f)
                        : 0.0F;
    }
    factors.swap(loaded);
    return true;
}

} // namespace orv
