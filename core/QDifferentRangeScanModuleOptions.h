#pragma once

#include "core/QOptions.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv {

// Three 32-bit values describing one range of a multi-range scan.
struct QRangeTriple {
    int32_t m_value1 = 0;
    int32_t m_value2 = 0;
    int32_t m_value3 = 0;

    bool operator==(const QRangeTriple& other) const = default;
};

// The settings of a module that scans in several ranges: ranges, points keyed by a float (in
// ascending key order, each key once), names and two probe patterns.
class QDifferentRangeScanModuleOptions : public QOptions {
public:
    static constexpr uint32_t kReportedBodySize = 1;
    // The three values that follow a point's key.
    using PointValues = std::array<int32_t, 3>;

    QDifferentRangeScanModuleOptions() = default;

    // False (nothing inserted) for a key that is already there or is not a number.
    bool AddPoint(float key, const PointValues& values);

    // Every stored setting of another object; not the header or owner.
    void CopyFrom(const QDifferentRangeScanModuleOptions& other);

    void WriteBody(QDataWriter& writer) const override;
    // The lists and the map are replaced by the stored ones; a point whose key is already there, or
    // is not a number, is dropped. A failed read leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeDifferentRangeScanModuleOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    uint8_t m_byte0 = 1;
    uint8_t m_flag1 = 1;
    uint8_t m_flag2 = 0;
    int32_t m_rangeCount = 20;
    float m_factor = 3.0F;
    std::string m_text1;
    std::string m_title;
    std::string m_text3;
    int32_t m_count = 10;
    float m_level = 5.0F;
    uint8_t m_enabled = 1;
    int32_t m_limit = 25;
    std::vector<QRangeTriple> m_ranges;
    std::map<float, PointValues> m_points;
    std::vector<std::string> m_names;
    QProbeScanPattern m_firstPattern;
    QProbeScanPattern m_secondPattern;
};

} // namespace orv
