#pragma once

#include "core/QManaged.h"

#include <cstdint>
#include <string>

namespace orv {

// What an analyser model can do: the frequency and bandwidth ranges (MHz) that a requested scan is
// checked against, with a code and a last value handed on unchanged.
//
// Its record text has exactly 7 fields: name, code, minimum frequency, maximum frequency, minimum
// bandwidth, maximum bandwidth, last value; every number may carry a frequency unit.
class QSpectrumAnalyzerInfo : public QManaged {
public:
    // Parses a record text. Throws QParseException with the Error#339 text when the text has another
    // number of fields or a field cannot be read or does not fit its field (no truncation).
    QSpectrumAnalyzerInfo(const std::string& text, int32_t id);
    // The built-in record.
    QSpectrumAnalyzerInfo(std::string name, int32_t id, int32_t code, float minFrequency, float maxFrequency,
                          float minBandwidth, float maxBandwidth, int32_t lastValue);

    int32_t m_code = 0;
    float m_minFrequency = 0.0f;
    float m_maxFrequency = 0.0f;
    float m_minBandwidth = 0.0f;
    float m_maxBandwidth = 0.0f;
    int32_t m_lastValue = 0;
};

} // namespace orv
