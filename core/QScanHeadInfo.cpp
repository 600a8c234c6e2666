#include "core/QScanHeadInfo.h"

#include "core/DeviceRecordFields.h"
#include "core/DeviceRecordText.h"
#include "core/QException.h"

#include <vector>

namespace orv {

QScanHeadInfo::QScanHeadInfo(const std::string& text, int32_t id) : QManaged(id, std::string()) {
    const std::vector<std::string> fields = SplitDeviceRecordText(text);
    if (fields.size() != 8) {
        throw QParseException(MakeDeviceRecordParseMessage(text));
    }
    try {
        // Read into locals first: a record that fails is never half filled.
        const float minFrequency = ParseFrequencyText(fields[1]);
        const float maxFrequency = ParseFrequencyText(fields[2]);
        const uint16_t rowCount = ParseDeviceFieldU16(fields[3]);
        const uint16_t columnCount = ParseDeviceFieldU16(fields[4]);
        const int32_t firstValue = ParseDeviceFieldI32(fields[5]);
        const int32_t secondValue = ParseDeviceFieldI32(fields[6]);
        const uint32_t thirdValue = ParseDeviceFieldU32(fields[7]);
        m_name = fields[0];
        m_minFrequency = minFrequency;
        m_maxFrequency = maxFrequency;
        m_rowCount = rowCount;
        m_columnCount = columnCount;
        m_firstValue = firstValue;
        m_secondValue = secondValue;
        m_thirdValue = thirdValue;
    } catch (const QParseException&) {
        // The user is shown the whole record, not the one field.
        throw QParseException(MakeDeviceRecordParseMessage(text));
    }
}

QScanHeadInfo::QScanHeadInfo(std::string name, int32_t id, float minFrequency, float maxFrequency,
                             uint16_t rowCount, uint16_t columnCount, int32_t firstValue, int32_t secondValue,
                             uint32_t thirdValue)
    : QManaged(id, std::move(name)), m_minFrequency(minFrequency), m_maxFrequency(maxFrequency),
      m_rowCount(rowCount), m_columnCount(columnCount), m_firstValue(firstValue), m_secondValue(secondValue),
      m_thirdValue(thirdValue) {}

} // namespace orv
