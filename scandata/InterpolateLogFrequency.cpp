#include "scandata/InterpolateLogFrequency.h"

#include "core/QCompensationDataStore.h"

#include <cmath>

namespace orv {

namespace {

// Along the segment (a, b) in log frequency; a zero span has no slope to follow.
float Along(float x, float la, float lb, float va, float vb) {
    const float span = lb - la;
    if (span == 0.0f || !std::isfinite(span)) {
        return 0.0f;
    }
    return va + (vb - va) * (x - la) / span;
}

float Finite(float value) {
    return std::isfinite(value) ? value : 0.0f;
}

} // namespace

float InterpolateLogFrequency(float f, const float* frequencies, const float* values, uint32_t count) {
    if (count < 1 || frequencies == nullptr || values == nullptr) {
        return 0.0f;
    }
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    if (count == 1) {
        return values[0];
    }
    const float x = std::log(f);
    const auto lk = [frequencies](uint32_t i) { return std::log(frequencies[i]); };
    if (count == 2) {
        return Finite(Along(x, lk(0), lk(1), values[0], values[1]));
    }
    if (lk(0) > x) {
        return Finite(Along(x, lk(0), lk(1), values[0], values[1]));
    }
    const uint32_t last = count - 1;
    if (x > lk(last)) {
        return Finite(Along(x, lk(last - 1), lk(last), values[last - 1], values[last]));
    }
    for (uint32_t i = 1; i < count; ++i) {
        const float li = lk(i);
        if (li > x) {
            return Finite(Along(x, lk(i - 1), li, values[i - 1], values[i]));
        }
        if (std::fabs(static_cast<double>(x) - static_cast<double>(li)) < 5e-6) {
            return values[i];
        }
    }
    // Only a table that does not ascend lets the walk run off its end: it ends with the last value.
    return values[last];
}

QLogFrequencyTable QLogFrequencyTable::Load(const std::string& name) {
    QCompensationTable loaded;
    QCompensationDataStore::GetInstance().LoadTable(name, &loaded);
    QLogFrequencyTable table;
    table.m_Frequencies.reserve(loaded.m_TableRows.size());
    table.m_Values.reserve(loaded.m_TableRows.size());
    for (const QCompensationRow& row : loaded.m_TableRows) {
        table.m_Frequencies.push_back(row[0]);
        table.m_Values.push_back(row[1]);
    }
    return table;
}

} // namespace orv
