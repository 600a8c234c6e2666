#pragma once

// The small option kinds: each a short record of settings that one node kind or one settings page
// needs, stored field by field inside the node's body. Kinds whose copy restores the defaults have
// ResetOnCopy instead of CopyFrom; kinds without either are never copied between nodes.

#include "core/QFrequencyBucketList.h"
#include "core/QOptions.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv {

// Where the scan engine listens: commands on the first port, data on the second.
class QIPAddressOptions : public QOptions {
public:
    QIPAddressOptions() = default;
    void CopyFrom(const QIPAddressOptions& other);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeIPAddressOptions; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(m_address.size()) + 12; }

    std::string m_address = "127.0.0.1";
    uint32_t m_commandPort = 5005;
    uint32_t m_dataPort = 6006;
};

// The two view words and the cell pattern of a spectral/spatial spatial view.
struct QSSSpatialViewSettings {
    uint32_t m_viewMode = 0;
    uint32_t m_viewFlag = 0;
    QProbeScanPattern m_cellPattern;
};

class QSSSpatialViewOptions : public QOptions {
public:
    // A rows x columns cell pattern with every choice 0 and every height 100.
    QSSSpatialViewOptions(uint16_t rows, uint16_t columns);
    QSSSpatialViewSettings GetViewSettings() const;
    void SetPattern(const QProbeScanPattern& pattern) { m_cellPattern = pattern; }
    // Ignores the source: mode 0, flag 1 and every probe choice 0 (the pattern keeps its size).
    void ResetOnCopy(const QSSSpatialViewOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSSSpatialViewOptions; }
    uint32_t GetBodySize() const override { return m_cellPattern.GetBodySize() + 8; }

    uint32_t m_viewMode = 0;
    uint32_t m_viewFlag = 0;
    QProbeScanPattern m_cellPattern;
};

// The two view words and the picked frequency buckets of a spectral/spatial spectral view.
struct QSSSpectralViewSettings {
    uint32_t m_viewMode = 0;
    uint32_t m_viewFlag = 1;
    QFrequencyBucketList m_buckets;
};

class QSSSpectralViewOptions : public QOptions {
public:
    QSSSpectralViewOptions() = default;
    QSSSpectralViewSettings GetViewSettings() const;
    void SetFrequencyBuckets(const QFrequencyBucketList& buckets) { m_buckets.Assign(buckets); }
    const QFrequencyBucketList& GetFrequencyBuckets() const { return m_buckets; }
    // Ends at the defaults whatever the source holds: the picked buckets belong to one node's data.
    void CopyFrom(const QSSSpectralViewOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSSSpectralViewOptions; }
    uint32_t GetBodySize() const override { return m_buckets.GetBodySize() + 8; }

    uint32_t m_viewMode = 0;
    uint32_t m_viewFlag = 1;
    QFrequencyBucketList m_buckets;
    std::string m_text;
};

class QNoteOptions : public QOptions {
public:
    QNoteOptions() = default;
    void CopyFrom(const QNoteOptions& other);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeNoteOptions; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(m_noteText.size()) + 4; }

    std::string m_noteText;
};

class QSpectralScriptingDisplayOptions : public QOptions {
public:
    static constexpr uint32_t kStoredBodySize = 23;
    static constexpr uint32_t kReportedBodySize = 19;

    QSpectralScriptingDisplayOptions() = default;
    void CopyFrom(const QSpectralScriptingDisplayOptions& other);
    bool IsShared() const override { return true; }
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralScriptingDisplayOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    float m_levelLow = 10.0F;
    float m_levelHigh = 100.0F;
    uint16_t m_count = 10;
    float m_step = 5.0F;
    float m_fraction = 0.1F;
    uint16_t m_width = 281;
    uint8_t m_flagA = 1;
    uint8_t m_flagB = 1;
    uint8_t m_flagC = 0;
};

class QCurrentClampModuleOptions : public QOptions {
public:
    QCurrentClampModuleOptions() = default;
    // Copies of the three correction-set names.
    std::vector<std::string> GetCorrectionSetNames() const { return {m_setName1, m_setName2, m_setName3}; }
    void ResetOnCopy(const QCurrentClampModuleOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCurrentClampModuleOptions; }
    uint32_t GetBodySize() const override;

    float m_rangeLow = 10.0F;
    float m_rangeHigh = 100.0F;
    std::string m_setName1 = "New";
    std::string m_setName2 = "New";
    std::string m_setName3 = "New";
    uint32_t m_word = 1;
    uint8_t m_bytes[16] = {};
    uint8_t m_flag = 0;
};

class QCableScanOptions : public QOptions {
public:
    QCableScanOptions() = default;
    // Ignores the source; the unit comes back as "Meter" (a new object says "Meters").
    void ResetOnCopy(const QCableScanOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCableScanOptions; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(m_unit.size()) + 20; }

    uint32_t m_word1 = 0;
    uint32_t m_word2 = 0;
    uint32_t m_word3 = 0;
    float m_resolution = 0.01F;
    std::string m_unit = "Meters";
    float m_scale = 1.0F;
    uint32_t m_word4 = 0;
    uint8_t m_flag = 0;
};

// Names of the cables in a cables spectral view, by 16-bit key.
class QCablesSpectralViewOptions : public QOptions {
public:
    QCablesSpectralViewOptions() = default;
    void WriteBody(QDataWriter& writer) const override;
    // The map is replaced by the stored entries (emptied by a count of 0); a key stored twice keeps
    // its first text.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCablesSpectralViewOptions; }
    uint32_t GetBodySize() const override;

    uint32_t m_selection = 0;
    std::map<uint16_t, std::string> m_cableNames;
};

class QSpectralStandLineOptions : public QOptions {
public:
    QSpectralStandLineOptions() = default;
    void ResetOnCopy(const QSpectralStandLineOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralStandLineOptions; }
    uint32_t GetBodySize() const override;

    std::vector<std::string> m_lineNames;
    std::vector<std::string> m_lineTexts2;
    std::vector<std::string> m_lineTexts3;
    uint8_t m_flag = 1;
};

class QAmplifierAntennuatorOptions : public QOptions {
public:
    QAmplifierAntennuatorOptions() = default;
    // Ignores the source: no name, mode 0, both words 0, flag 1.
    void ResetOnCopy(const QAmplifierAntennuatorOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAmplifierAntennuatorOptions; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(m_name.size()) + 4; }

    uint32_t m_mode = 1;
    std::string m_name = "New";
    uint8_t m_flag = 1;
    uint32_t m_word1 = 0;
    uint32_t m_word2 = 0;
};

class QWordReportOptions : public QOptions {
public:
    QWordReportOptions() = default;
    void WriteBody(QDataWriter& writer) const override;
    // The second text is stored only behind a presence byte that is not 0; without it the text
    // reads as empty.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeWordReportOptions; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(m_firstText.size()) + 1; }

    std::string m_firstText;
    uint8_t m_flag = 0;
    uint8_t m_hasSecondText = 0;
    std::string m_secondText;
};

class QAmbientScanOptions : public QOptions {
public:
    QAmbientScanOptions() = default;
    // MHz.
    float GetResolutionBandwidth() const { return m_rbw; }
    void ResetOnCopy(const QAmbientScanOptions& source);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAmbientScanOptions; }
    uint32_t GetBodySize() const override { return 16; }

    uint32_t m_word1 = 0;
    uint32_t m_word2 = 0;
    uint32_t m_word3 = 0;
    float m_rbw = 0.01F;
};

class QNearFieldAmbientScanOptions : public QOptions {
public:
    QNearFieldAmbientScanOptions() = default;
    void SetResetFlag(bool flag) { m_resetFlag = flag ? 1 : 0; }
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeNearFieldAmbientScanOptions; }
    uint32_t GetBodySize() const override { return 12; }

    float m_rangeLow = 10.0F;
    float m_rangeHigh = 100.0F;
    float m_value = 0.1F;
    uint8_t m_resetFlag = 1;
};

class QFarFieldAmbientScanOptions : public QOptions {
public:
    QFarFieldAmbientScanOptions() = default;
    void SetResetFlag(bool flag) { m_resetFlag = flag ? 1 : 0; }
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeFarFieldAmbientScanOptions; }
    uint32_t GetBodySize() const override { return 12; }

    uint32_t m_word1 = 0;
    uint32_t m_word2 = 0;
    float m_value1 = 0.01F;
    float m_value2 = 5.0F;
    uint32_t m_count = 10;
    uint8_t m_resetFlag = 1;
};

// Has no body; reports a size of 1 all the same.
class QAntennaScanModuleOptions : public QOptions {
public:
    QAntennaScanModuleOptions() = default;
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint16_t GetTypeID() const override { return kTypeAntennaScanModuleOptions; }
    uint32_t GetBodySize() const override { return 1; }

    uint32_t m_value = 1;
};

class QAutoSpatialsOptions : public QOptions {
public:
    QAutoSpatialsOptions() = default;
    void CopyFrom(const QAutoSpatialsOptions& other);
    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAutoSpatialsOptions; }
    uint32_t GetBodySize() const override { return 13; }

    uint8_t m_flag = 1;
    uint32_t m_mode = 1;
    uint32_t m_count = 10;
    float m_value = 5.0F;
};

} // namespace orv
