#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"

#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace orv {

CSpectrumAnalyzerNone::CSpectrumAnalyzerNone()
    : m_seedSource([] {
          std::random_device device;
          return static_cast<uint32_t>(device());
      }) {
    m_lowestFrequency = 0.0001;
    m_highestFrequency = 7500.0;
    m_smallestRbw = 0.00001;
    m_largestRbw = 1.0;
    m_sweepPoints = 601;
    (void)m_valueE;
    (void)m_valueF;
}

bool CSpectrumAnalyzerNone::OpenConnection(const std::string& /*text*/) {
    AddInformationMessage(1, "Start to open connection to spectrum analyzer::  NONE");
    AddInformationMessage(1, "Completed in opening connection to analyzer:: NONE");
    return true;
}

bool CSpectrumAnalyzerNone::SetSweepPoints(int32_t count) {
    if (count >= 0 && count <= m_maximumSweepPoints) {
        m_sweepPoints = std::max(count, m_minimumSweepPoints);
    } else {
        m_sweepPoints = m_maximumSweepPoints;
    }
    return true;
}

bool CSpectrumAnalyzerNone::SetSpectralSweepPoints(int32_t count) {
    SetSweepPoints(count);
    return true;
}

bool CSpectrumAnalyzerNone::SetSpan(float mhz) {
    const float mid = (m_start + m_stop) / 2.0f;
    m_start = mid - mhz / 2.0f;
    m_stop = mid + mhz / 2.0f;
    return true;
}

bool CSpectrumAnalyzerNone::SetResolution(float mhz) {
    m_rbw = mhz;
    return true;
}

bool CSpectrumAnalyzerNone::SetCenterFrequency(float mhz) {
    const float half = (m_stop - m_start) / 2.0f;
    m_start = mhz - half;
    m_stop = mhz + half;
    return true;
}

bool CSpectrumAnalyzerNone::SetReferenceLevel(float level) {
    m_referenceLevel = level;
    return true;
}

bool CSpectrumAnalyzerNone::SetUnit(const std::string& unit) {
    m_nonDbuvUnit = unit == "DBUV" ? 0 : 1;
    return true;
}

bool CSpectrumAnalyzerNone::MarkPeak() {
    if (!m_trace.empty()) {
        float highest = -10000.0f;
        for (size_t i = 0; i < m_trace.size(); ++i) {
            if (m_trace[i] > highest) {
                highest = m_trace[i];
                m_peakIndex = static_cast<int32_t>(i);
            }
        }
    }
    return true;
}

float CSpectrumAnalyzerNone::ReadMarkerFrequency(int32_t /*marker*/) {
    if (m_trace.empty() || m_peakIndex < 0 || static_cast<size_t>(m_peakIndex) >= m_trace.size()) {
        return 0.0f;
    }
    const float t = (static_cast<float>(m_peakIndex) + 0.5f) / static_cast<float>(m_trace.size());
    return (1.0f - t) * m_start + t * m_stop;
}

float CSpectrumAnalyzerNone::ReadPeakAmplitude() {
    if (m_peakIndex < 0 || static_cast<size_t>(m_peakIndex) >= m_trace.size()) {
        return 0.0f;
    }
    return m_trace[static_cast<size_t>(m_peakIndex)];
}

bool CSpectrumAnalyzerNone::SweepAndWait() {
    std::mt19937 generator(m_seedSource());
    const size_t points = static_cast<size_t>(std::max(m_sweepPoints, 0));
    m_trace.assign(points, 0.0f);
    const double u = static_cast<double>(generator()) * (1.0 / 4294967296.0);
    std::uniform_int_distribution<size_t> where(0, points);
    const size_t index = where(generator);
    if (index < points) {
        // Rounding to single precision must not lift a value just below 5000 onto 5000 itself.
        m_trace[index] = std::min(static_cast<float>(u * 5000.0), std::nextafter(5000.0f, 0.0f));
    }
    return true;
}

} // namespace orv
