#include "core/QScanHeadInfo.h"

#include "core/DeviceRecordFields.h"
#include "core/DeviceRecordText.h"

#include <vector>

namespace orv {

QScanHeadInfo::QScanHeadInfo(const std::string& text, int32_t id) : QManaged(id, std::string()) {
    ParseDeviceRecord(text, 8, [this](const std::vector<std::string>& fields) {
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
    });
}

QScanHeadInfo::QScanHeadInfo(std::string name, int32_t id, float minFrequency, float maxFrequency,
                             uint16_t rowCount, uint16_t columnCount, int32_t firstValue, int32_t secondValue,
                             uint32_t thirdValue)
    : QManaged(id, std::move(name)), m_minFrequency(minFrequency), m_maxFrequency(maxFrequency),
      m_rowCount(rowCount), m_columnCount(columnCount), m_firstValue(firstValue), m_secondValue(secondValue),
      m_thirdValue(thirdValue) {}

} // namespace orv
