#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv {

// A list element of four 32-bit values of which only the first two are stored.
struct QValuePair {
    int32_t m_value1 = 0;
    int32_t m_value2 = 0;
    int32_t m_value3 = 0;
    int32_t m_value4 = 0;

    bool operator==(const QValuePair& other) const = default;
};

// The same four values, all stored.
struct QValueQuad {
    int32_t m_value1 = 0;
    int32_t m_value2 = 0;
    int32_t m_value3 = 0;
    int32_t m_value4 = 0;

    bool operator==(const QValueQuad& other) const = default;
};

// The antenna settings that are kept twice: the stored copy and the working copy the pages edit.
struct QAntennaScanSettings {
    std::string m_name;
    int32_t m_word1 = 0;
    int32_t m_word2 = 0;
    int32_t m_word3 = 0;
    std::string m_text1;
    std::string m_text2;
    std::string m_text3;
    std::string m_text4;
    std::string m_text5;
    float m_level = 5.0F;
    int32_t m_count = 10;
    std::vector<QValuePair> m_pairs1;
    int32_t m_value1a = 0;
    int32_t m_value1b = 0;
    std::vector<QValuePair> m_pairs2;
    int32_t m_value2a = 0;
    int32_t m_value2b = 0;
    std::vector<QValuePair> m_pairs3;
    std::vector<std::string> m_names;
    std::map<std::string, std::vector<QValueQuad>> m_quadMap;
    std::vector<QValuePair> m_pairs4;

    bool operator==(const QAntennaScanSettings& other) const = default;
};

// The settings of an antenna scan node. The body holds the stored copy; reading fills both copies.
// When the working copy goes back into the stored one is up to the pages that edit it.
class QAntennaScanOptions : public QOptions {
public:
    static constexpr uint32_t kReportedBodySize = 12;

    QAntennaScanOptions() = default;

    void WriteBody(QDataWriter& writer) const override;
    // Every list and the map are replaced by what the body holds, in both copies. A failed read
    // leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAntennaScanOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    std::string m_leadingText;
    QAntennaScanSettings m_stored;
    QAntennaScanSettings m_working;
    std::string m_extraText1;
    std::string m_extraText2;
    int32_t m_extraWord1 = 0;
    int32_t m_extraWord2 = 0;
    int32_t m_extraValue = 1;
};

} // namespace orv
