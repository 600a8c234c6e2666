// Exact stored bytes, reported sizes, type ids and shared answers of every option kind (and the
// serialisable records that live with them) as they stand fresh from their constructors.
#include "core/QAnalyzerOptions.h"
#include "core/QAntennaPositionScanOptions.h"
#include "core/QAntennaScanOptions.h"
#include "core/QAttenuatorOptions.h"
#include "core/QDifferentRangeScanModuleOptions.h"
#include "core/QFineScanTask.h"
#include "core/QFrequencyBucketList.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;

struct KindRow {
    std::string name;
    std::function<std::unique_ptr<QSerializable>()> make;
    uint16_t typeId;
    std::vector<uint8_t> body;
    uint32_t reported;
    int shared; // -1: not an option kind
};

template <typename T, typename... Args> std::function<std::unique_ptr<QSerializable>()> Make(Args... args) {
    return [=] { return std::make_unique<T>(args...); };
}

std::vector<uint8_t> PatternBody(uint16_t rows, uint16_t columns, uint8_t choice, uint16_t height) {
    ByteBuilder b;
    b.U16(rows).U16(columns);
    for (int i = 0; i < rows * columns; ++i) {
        b.U8(choice);
    }
    b.U16(rows).U16(columns);
    for (int i = 0; i < rows * columns; ++i) {
        b.U16(height);
    }
    return b;
}

std::vector<KindRow> Rows() {
    std::vector<KindRow> rows;
    rows.push_back({"spectral display", Make<QSpectralDisplayOptions>(), 3004,
                    ByteBuilder()
                        .U32(1)
                        .U8(1)
                        .F32(0.0f)
                        .F32(50.0f)
                        .U8(1)
                        .F32(10.0f)
                        .F32(100.0f)
                        .U8(1)
                        .U8(1)
                        .U8(0)
                        .U8(1)
                        .U8(1)
                        .U8(1)
                        .U8(1)
                        .U8(1)
                        .U8(0)
                        .U32(10)
                        .F32(5.0f)
                        .U8(2)
                        .U8(0)
                        .Zeros(99),
                    31, 1});
    rows.push_back({"spatial display", Make<QSpatialDisplayOptions>(), 3005,
                    ByteBuilder()
                        .U32(1)
                        .U8(1)
                        .F32(100.0f)
                        .F32(1000.0f)
                        .I32(-10)
                        .U8(0) // use same view setting
                        .U8(1) // flag3
                        .U8(1) // flag6
                        .U8(1) // flag7
                        .U8(0) // flag4
                        .U8(1) // flag12
                        .U8(1) // own offset
                        .U8(1) // flag1
                        .U8(0) // flag5
                        .U8(1) // own flag6
                        .U8(1) // own flag7
                        .U8(1) // flag9
                        .Zeros(100),
                    28, 1});
    rows.push_back({"analyser", Make<QAnalyzerOptions>(), 3007,
                    ByteBuilder().U8(0).U8(0).U8(0).I32(-1).I32(-1).I32(-1).I32(45).Str("1.0.0"), 28, 0});
    rows.push_back({"IP address", Make<QIPAddressOptions>(), 3008,
                    ByteBuilder().Str("127.0.0.1").U32(5005).U32(6006), 21, 0});
    rows.push_back({"SS spatial view 2x3", Make<QSSSpatialViewOptions>(uint16_t{2}, uint16_t{3}), 3009,
                    ByteBuilder().U32(0).U32(0).Append(PatternBody(2, 3, 0, 100)), 34, 0});
    rows.push_back({"SS spectral view", Make<QSSSpectralViewOptions>(), 3010,
                    ByteBuilder().U32(0).U32(1).U32(0), 12, 0});
    rows.push_back({"bucket list", Make<QFrequencyBucketList>(), 3011, ByteBuilder().U32(0), 4, -1});
    rows.push_back({"note", Make<QNoteOptions>(), 3012, ByteBuilder().Str(""), 4, 0});
    rows.push_back({"attenuator", Make<QAttenuatorOptions>(), 3014,
                    ByteBuilder()
                        .I32(-100)
                        .U8(1)
                        .F32(0.0f)
                        .U8(1)
                        .U8(0)
                        .U8(1) // layout
                        .U8(0)
                        .U8(0)
                        .U8(0)
                        .U8(1)
                        .U16(0)
                        .F32(0.0f)
                        .U8(0)
                        .Zeros(120)
                        .U8(0),
                    9, 1});
    rows.push_back(
        {"scripting display", Make<QSpectralScriptingDisplayOptions>(), 3015,
         ByteBuilder().F32(10.0f).F32(100.0f).F32(5.0f).F32(0.1f).U16(10).U8(1).U16(281).U8(1).U8(0), 19, 1});
    rows.push_back({"current clamp", Make<QCurrentClampModuleOptions>(), 3016,
                    ByteBuilder().F32(10.0f).F32(100.0f).Str("New").Str("New").Str("New"), 17, 0});
    rows.push_back({"cable scan", Make<QCableScanOptions>(), 3017,
                    ByteBuilder().U32(0).U32(0).U32(0).F32(1.0f).Str("Meters").F32(0.01f).U32(0), 26, 0});
    rows.push_back({"cables spectral view", Make<QCablesSpectralViewOptions>(), 3020,
                    ByteBuilder().U32(0).U32(0), 8, 0});
    rows.push_back({"stand lines", Make<QSpectralStandLineOptions>(), 3021, ByteBuilder().U32(0), 4, 0});
    rows.push_back(
        {"amplifier", Make<QAmplifierAntennuatorOptions>(), 3022, ByteBuilder().U32(1).Str("New"), 7, 0});
    rows.push_back(
        {"word report", Make<QWordReportOptions>(), 3023, ByteBuilder().Str("").U8(0).U8(0), 1, 0});
    rows.push_back({"ambient scan", Make<QAmbientScanOptions>(), 3024,
                    ByteBuilder().U32(0).U32(0).U32(0).F32(0.01f), 16, 0});
    rows.push_back({"antenna position", Make<QAntennaPositionScanOptions>(), 3025,
                    ByteBuilder().I32(0).I32(0).F32(0.01f).I32(0).I32(0).F32(5.0f).I32(10), 20, 0});
    rows.push_back({"antenna scan", Make<QAntennaScanOptions>(), 3026,
                    ByteBuilder()
                        .Str("")
                        .I32(0)
                        .I32(0)
                        .I32(0)
                        .F32(5.0f)
                        .I32(10)
                        .Str("")
                        .I32(0)
                        .I32(0)
                        .U32(0)
                        .Str("")
                        .I32(0)
                        .I32(0)
                        .U32(0)
                        .Str("")
                        .U32(0)
                        .Str("")
                        .U32(0)
                        .U32(0)
                        .Str("")
                        .U32(0),
                    12, 0});
    rows.push_back({"near-field ambient", Make<QNearFieldAmbientScanOptions>(), 3027,
                    ByteBuilder().F32(10.0f).F32(100.0f).F32(0.1f), 12, 0});
    rows.push_back({"far-field ambient", Make<QFarFieldAmbientScanOptions>(), 3028,
                    ByteBuilder().U32(0).U32(0).F32(0.01f).F32(5.0f).U32(10), 12, 0});
    rows.push_back({"antenna scan module", Make<QAntennaScanModuleOptions>(), 3029, {}, 1, 0});
    rows.push_back({"different range", Make<QDifferentRangeScanModuleOptions>(), 3030,
                    ByteBuilder()
                        .U8(1)
                        .U8(0)
                        .I32(20)
                        .F32(3.0f)
                        .U8(1)
                        .I32(25)
                        .I32(10)
                        .F32(5.0f)
                        .Str("")
                        .U32(0)
                        .U32(0)
                        .U32(0)
                        .Append(PatternBody(0, 0, 0, 0))
                        .Append(PatternBody(0, 0, 0, 0)),
                    1, 0});
    rows.push_back({"auto spatials", Make<QAutoSpatialsOptions>(), 3031,
                    ByteBuilder().U32(10).F32(5.0f).U8(1).U32(1), 13, 0});
    rows.push_back({"fine-scan task", Make<QFineScanTask>(), 4000,
                    ByteBuilder().F32(10.0f).F32(100.0f).F32(55.0f).U8(1).F32(10.0f), 17, -1});
    return rows;
}

TEST(OptionKindBytes, FreshBodiesAndReportedSizes) {
    for (const KindRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        const auto object = row.make();
        EXPECT_EQ(object->GetTypeID(), row.typeId);
        EXPECT_EQ(BodyBytes(*object), row.body);
        EXPECT_EQ(object->GetBodySize(), row.reported);
        if (row.shared >= 0) {
            EXPECT_EQ(dynamic_cast<QOptions&>(*object).IsShared(), row.shared == 1);
        }
        // Each reader takes exactly what its writer wrote and writes it back unchanged.
        auto back = row.make();
        std::vector<uint8_t> stored = row.body;
        stored.push_back(0xA5); // the next object's first byte stays where it is
        EXPECT_EQ(test::ReadBodyFrom(*back, stored), 1U);
        EXPECT_EQ(BodyBytes(*back), row.body);
    }
}

TEST(OptionKindBytes, SizesThatTheTableNames) {
    EXPECT_EQ(BodyBytes(QSpectralDisplayOptions()).size(), 140U);
    EXPECT_EQ(BodyBytes(QSpatialDisplayOptions()).size(), 129U);
    EXPECT_EQ(BodyBytes(QAnalyzerOptions()).size(), 28U);
    EXPECT_EQ(BodyBytes(QIPAddressOptions()).size(), 21U);
    EXPECT_EQ(BodyBytes(QAttenuatorOptions()).size(), 144U);
    EXPECT_EQ(BodyBytes(QAntennaScanOptions()).size(), 84U);
    EXPECT_EQ(BodyBytes(QDifferentRangeScanModuleOptions()).size(), 55U);
    EXPECT_EQ(BodyBytes(QAntennaPositionScanOptions()).size(), 28U);
    EXPECT_EQ(BodyBytes(QFineScanTask()).size(), 17U);
    EXPECT_EQ(BodyBytes(QFrequencyBucketList()).size(), 4U);
    // The node's spatial view is built 29 x 42: 8 + 1218 + 2436 pattern bytes and the two words.
    const QSSSpatialViewOptions nodeView(29, 42);
    EXPECT_EQ(BodyBytes(nodeView).size(), 3670U);
    EXPECT_EQ(nodeView.GetBodySize(), 3670U);
}

} // namespace
} // namespace orv
