#pragma once

#include "core/QManaged.h"

#include <cstdint>
#include <string>

namespace orv {

// A scan head of the device list: its frequency range in MHz, its grid of rows and columns and three
// values that are handed on unchanged.
//
// Its record text has exactly 8 fields: name, minimum frequency, maximum frequency, row count,
// column count, first value, second value, third value; every number may carry a frequency unit.
class QScanHeadInfo : public QManaged {
public:
    // Parses a record text. Throws QParseException with the Error#339 text when the text has another
    // number of fields or a field cannot be read or does not fit its field (no truncation).
    QScanHeadInfo(const std::string& text, int32_t id);
    // The built-in records.
    QScanHeadInfo(std::string name, int32_t id, float minFrequency, float maxFrequency, uint16_t rowCount,
                  uint16_t columnCount, int32_t firstValue, int32_t secondValue, uint32_t thirdValue);

    // The frequency range in MHz.
    float GetMinFrequency() const { return m_minFrequency; }
    float GetMaxFrequency() const { return m_maxFrequency; }

    float m_minFrequency = 0.0f;
    float m_maxFrequency = 0.0f;
    uint16_t m_rowCount = 0;
    uint16_t m_columnCount = 0;
    int32_t m_firstValue = 0;
    int32_t m_secondValue = 0;
    uint32_t m_thirdValue = 0;
    uint32_t m_spare1 = 0;
    uint32_t m_spare2 = 0;
};

} // namespace orv
