#include "core/QSpectrumAnalyzerInfo.h"

#include "core/DeviceRecordFields.h"
#include "core/DeviceRecordText.h"

#include <vector>

namespace orv {

QSpectrumAnalyzerInfo::QSpectrumAnalyzerInfo(const std::string& text, int32_t id)
    : QManaged(id, std::string()) {
    ParseDeviceRecord(text, 7, [this](const std::vector<std::string>& fields) {
        const int32_t code = ParseDeviceFieldI32(fields[1]);
        const float minFrequency = ParseFrequencyText(fields[2]);
        const float maxFrequency = ParseFrequencyText(fields[3]);
        const float minBandwidth = ParseFrequencyText(fields[4]);
        const float maxBandwidth = ParseFrequencyText(fields[5]);
        const int32_t lastValue = ParseDeviceFieldI32(fields[6]);
        m_name = fields[0];
        m_code = code;
        m_minFrequency = minFrequency;
        m_maxFrequency = maxFrequency;
        m_minBandwidth = minBandwidth;
        m_maxBandwidth = maxBandwidth;
        m_lastValue = lastValue;
    });
}

QSpectrumAnalyzerInfo::QSpectrumAnalyzerInfo(std::string name, int32_t id, int32_t code, float minFrequency,
                                             float maxFrequency, float minBandwidth, float maxBandwidth,
                                             int32_t lastValue)
    : QManaged(id, std::move(name)), m_code(code), m_minFrequency(minFrequency), m_maxFrequency(maxFrequency),
      m_minBandwidth(minBandwidth), m_maxBandwidth(maxBandwidth), m_lastValue(lastValue) {}

} // namespace orv
