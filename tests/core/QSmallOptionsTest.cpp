#include "core/QSmallOptions.h"
#include "core/QAnalyzerOptions.h"
#include "core/QException.h"
#include "tests/core/support/FakeAttachedScanner.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;
using test::ReadBodyFrom;

TEST(WordReportOptions, SecondTextOnlyBehindPresenceByte) {
    QWordReportOptions options;
    options.m_secondText = "old";
    const std::vector<uint8_t> without = ByteBuilder().Str("Title").U8(1).U8(0).U8(0xEE);
    EXPECT_EQ(ReadBodyFrom(options, without), 1U); // ends after the presence byte
    EXPECT_EQ(options.m_firstText, "Title");
    EXPECT_EQ(options.m_flag, 1);
    EXPECT_EQ(options.m_secondText, "");

    const std::vector<uint8_t> with = ByteBuilder().Str("A").U8(0).U8(1).Str("second");
    EXPECT_EQ(ReadBodyFrom(options, with), 0U);
    EXPECT_EQ(options.m_secondText, "second");
    EXPECT_EQ(BodyBytes(options), with);
    EXPECT_EQ(options.GetBodySize(), 2U);
}

TEST(CablesSpectralViewOptions, MapIsReplacedWhateverTheCount) {
    QCablesSpectralViewOptions options;
    options.m_cableNames = {{4, "four"}, {9, "nine"}};
    EXPECT_EQ(options.GetBodySize(), 8U + 2U * (2U + 4U));

    EXPECT_EQ(ReadBodyFrom(options, ByteBuilder().U32(3).U32(0)), 0U);
    EXPECT_EQ(options.m_selection, 3U);
    EXPECT_TRUE(options.m_cableNames.empty());

    options.m_cableNames = {{4, "four"}};
    const std::vector<uint8_t> stored = ByteBuilder().U32(0).U32(2).U16(7).Str("a").U16(2).Str("bb");
    EXPECT_EQ(ReadBodyFrom(options, stored), 0U);
    EXPECT_EQ(options.m_cableNames, (std::map<uint16_t, std::string>{{2, "bb"}, {7, "a"}}));
    // Written back in key order.
    EXPECT_EQ(BodyBytes(options), (ByteBuilder().U32(0).U32(2).U16(2).Str("bb").U16(7).Str("a").Bytes()));

    const std::vector<uint8_t> huge = ByteBuilder().U32(5).U32(0x7FFFFFFF).U16(1).Str("x");
    EXPECT_THROW(ReadBodyFrom(options, huge), QException);
    EXPECT_EQ(options.m_cableNames.size(), 2U);
    EXPECT_EQ(options.m_selection, 0U);
}

TEST(SpectralStandLineOptions, HugeCountFailsWithBoundedMemory) {
    QSpectralStandLineOptions options;
    options.m_lineNames = {"keep"};
    EXPECT_THROW(ReadBodyFrom(options, ByteBuilder().U32(0x7FFFFFFF).Str("x")), QException);
    EXPECT_EQ(options.m_lineNames, std::vector<std::string>{"keep"});
    EXPECT_EQ(ReadBodyFrom(options, ByteBuilder().U32(2).Str("ab").Str("")), 0U);
    EXPECT_EQ(options.m_lineNames, (std::vector<std::string>{"ab", ""}));
    EXPECT_EQ(options.GetBodySize(), 6U);
}

TEST(SmallOptions, ResetOnCopyRestoresDefaultsWhateverTheSource) {
    QCableScanOptions cable;
    QCableScanOptions cableSource;
    cableSource.m_unit = "Feet";
    cableSource.m_word1 = 5;
    cable.m_word2 = 6;
    cable.m_scale = 3.0F;
    cable.m_word4 = 8;
    cable.ResetOnCopy(cableSource);
    EXPECT_EQ(cable.m_unit, "Meter");
    EXPECT_EQ(QCableScanOptions().m_unit, "Meters");
    EXPECT_EQ(cable.m_word1, 0U);
    EXPECT_EQ(cable.m_word2, 0U);
    EXPECT_EQ(cable.m_scale, 1.0F);
    EXPECT_EQ(cable.m_resolution, 0.01F);
    EXPECT_EQ(cable.m_word4, 8U); // not part of the reset

    QAmplifierAntennuatorOptions amplifier;
    amplifier.m_flag = 0;
    amplifier.m_word1 = 4;
    amplifier.ResetOnCopy(QAmplifierAntennuatorOptions());
    EXPECT_EQ(amplifier.m_name, "");
    EXPECT_EQ(amplifier.m_mode, 0U);
    EXPECT_EQ(amplifier.m_flag, 1);
    EXPECT_EQ(amplifier.m_word1, 0U);

    QCurrentClampModuleOptions clamp;
    clamp.m_setName2 = "Clamp";
    clamp.m_rangeHigh = 5.0F;
    clamp.m_bytes[3] = 1;
    clamp.ResetOnCopy(QCurrentClampModuleOptions());
    EXPECT_EQ(clamp.GetCorrectionSetNames(), (std::vector<std::string>{"New", "New", "New"}));
    EXPECT_EQ(clamp.m_rangeHigh, 100.0F);
    EXPECT_EQ(clamp.m_bytes[3], 0);

    QAmbientScanOptions ambient;
    ambient.m_rbw = 3.0F;
    ambient.m_word3 = 2;
    ambient.ResetOnCopy(QAmbientScanOptions());
    EXPECT_EQ(ambient.GetResolutionBandwidth(), 0.01F);
    EXPECT_EQ(ambient.m_word3, 0U);

    QSpectralStandLineOptions lines;
    lines.m_lineNames = {"a"};
    lines.m_flag = 0;
    lines.ResetOnCopy(lines);
    EXPECT_TRUE(lines.m_lineNames.empty());
    EXPECT_EQ(lines.m_flag, 1);

    QSSSpatialViewOptions view(2, 2);
    QProbeScanPattern on(2, 2, 1, 50);
    view.SetPattern(on);
    view.m_viewMode = 3;
    view.ResetOnCopy(view);
    EXPECT_EQ(view.m_viewMode, 0U);
    EXPECT_EQ(view.m_viewFlag, 1U);
    EXPECT_FALSE(view.m_cellPattern.HasProbeOn());
    EXPECT_EQ(view.m_cellPattern.GetHeightAt(1, 1), 50); // heights are not part of the reset
}

TEST(SmallOptions, SpectralViewCopyEndsEmpty) {
    QSSSpectralViewOptions source;
    QFrequencyBucketList buckets;
    buckets.Insert(5);
    source.SetFrequencyBuckets(buckets);
    source.m_viewMode = 2;
    source.m_text = "t";
    QSSSpectralViewOptions target;
    target.SetFrequencyBuckets(buckets);
    target.m_viewFlag = 0;
    target.CopyFrom(source);
    EXPECT_TRUE(target.GetFrequencyBuckets().IsEmpty());
    EXPECT_EQ(target.m_viewMode, 0U);
    EXPECT_EQ(target.m_viewFlag, 1U);
    EXPECT_EQ(target.m_text, "");
    EXPECT_EQ(source.GetViewSettings().m_buckets.GetCount(), 1U);

    // The body carries the list after the two words.
    EXPECT_EQ(BodyBytes(source), (ByteBuilder().U32(2).U32(1).U32(1).U32(5).Bytes()));
    EXPECT_EQ(source.GetBodySize(), 16U);
    QSSSpectralViewOptions back;
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(source)), 0U);
    EXPECT_EQ(back.GetFrequencyBuckets(), buckets);
}

TEST(SmallOptions, CopyFromMovesEverySetting) {
    QIPAddressOptions ip;
    ip.m_address = "10.1.2.3";
    ip.m_commandPort = 1;
    ip.m_dataPort = 2;
    QIPAddressOptions ipCopy;
    ipCopy.CopyFrom(ip);
    EXPECT_EQ(BodyBytes(ipCopy), BodyBytes(ip));

    QNoteOptions note;
    note.m_noteText = "note";
    QNoteOptions noteCopy;
    noteCopy.CopyFrom(note);
    EXPECT_EQ(noteCopy.m_noteText, "note");

    QSpectralScriptingDisplayOptions scripting;
    scripting.m_levelLow = 1;
    scripting.m_count = 2;
    scripting.m_width = 3;
    scripting.m_flagC = 1;
    scripting.m_fraction = 0.7F;
    QSpectralScriptingDisplayOptions scriptingCopy;
    scriptingCopy.CopyFrom(scripting);
    EXPECT_EQ(BodyBytes(scriptingCopy), BodyBytes(scripting));

    QAutoSpatialsOptions autoSpatials;
    autoSpatials.m_flag = 0;
    autoSpatials.m_mode = 4;
    autoSpatials.m_count = 5;
    autoSpatials.m_value = 6.0F;
    QAutoSpatialsOptions autoCopy;
    autoCopy.CopyFrom(autoSpatials);
    EXPECT_EQ(BodyBytes(autoCopy), BodyBytes(autoSpatials));
}

TEST(SmallOptions, ShortBodiesChangeNothing) {
    QIPAddressOptions ip;
    EXPECT_THROW(ReadBodyFrom(ip, ByteBuilder().Str("1.2.3.4").U32(1)), QException);
    EXPECT_EQ(ip.m_address, "127.0.0.1");
    EXPECT_EQ(ip.m_commandPort, 5005U);

    QCableScanOptions cable;
    EXPECT_THROW(ReadBodyFrom(cable, ByteBuilder().U32(1).U32(2).U32(3).F32(4).Str("Feet").F32(1)),
                 QException);
    EXPECT_EQ(cable.m_word1, 0U);
    EXPECT_EQ(cable.m_unit, "Meters");

    QSSSpatialViewOptions view(2, 2);
    EXPECT_THROW(ReadBodyFrom(view, ByteBuilder().U32(7).U32(7).U16(2).U16(2).U8(1)), QException);
    EXPECT_EQ(view.m_viewMode, 0U);
    EXPECT_FALSE(view.m_cellPattern.HasProbeOn());
}

TEST(SmallOptions, ResetFlagsAndModuleWithoutBody) {
    QNearFieldAmbientScanOptions nearField;
    nearField.SetResetFlag(false);
    EXPECT_EQ(nearField.m_resetFlag, 0);
    QFarFieldAmbientScanOptions farField;
    farField.SetResetFlag(false);
    EXPECT_EQ(farField.m_resetFlag, 0);
    EXPECT_EQ(BodyBytes(farField).size(), 20U); // the flag is not stored

    QAntennaScanModuleOptions module;
    EXPECT_EQ(module.GetBodySize(), 1U);
    EXPECT_TRUE(BodyBytes(module).empty());
    const std::vector<uint8_t> next = {0x2A};
    EXPECT_EQ(ReadBodyFrom(module, next), 1U);
}

TEST(AnalyzerOptions, ScannerIdFollowsTheAttachedScanner) {
    {
        fake::ScopedAttachedScanner attached;
        fake::FakeAttachedScanner& source = attached.Source();
        QAnalyzerOptions noScanner; // a device manager without an attached scanner
        EXPECT_EQ(noScanner.GetScannerId(), 45);
        source.m_id = 77;
        QAnalyzerOptions options;
        EXPECT_EQ(options.GetStoredScannerId(), 77);
        source.m_id = 12;
        EXPECT_EQ(options.GetScannerId(), 12);
        options.SetScannerId(5);
        EXPECT_EQ(options.GetScannerId(), 12);
        EXPECT_EQ(BodyBytes(options)[15], 5); // the recorded id is what is stored
    }
    QAnalyzerOptions detached;
    detached.SetScannerId(5);
    EXPECT_EQ(detached.GetScannerId(), 5);
}

TEST(AnalyzerOptions, DriverStateCopyAndRead) {
    QAnalyzerOptions options;
    options.SetManualDriver(65);
    options.SetLoadedDriver(20, 0);
    options.SetCalibrated(true);
    options.SetScannerId(3);
    EXPECT_TRUE(options.IsManualDriver());
    EXPECT_EQ(options.GetManualDriverId(), 65);
    EXPECT_EQ(options.GetLoadedDriverId(), 20);
    EXPECT_TRUE(options.IsCalibrated());

    QAnalyzerOptions copy;
    copy.CopyFrom(options);
    EXPECT_EQ(BodyBytes(copy), BodyBytes(options));

    options.ClearLoadedDriver();
    EXPECT_FALSE(options.IsDriverLoaded());
    EXPECT_EQ(options.GetLoadedDriverId(), -1);
    EXPECT_EQ(options.GetLoadedAnalyzerId(), -1);

    const std::vector<uint8_t> stored =
        ByteBuilder().U8(1).U8(1).U8(0).I32(2).I32(3).I32(4).I32(6).Str("2.5.1");
    QAnalyzerOptions back;
    EXPECT_EQ(ReadBodyFrom(back, stored), 0U);
    EXPECT_EQ(back.GetVersionText(), "2.5.1");
    EXPECT_EQ(back.GetBodySize(), 28U);
    EXPECT_EQ(BodyBytes(back), stored);

    // A version text longer than the body: nothing changes.
    QAnalyzerOptions untouched;
    const std::vector<uint8_t> bad =
        ByteBuilder().U8(1).U8(1).U8(1).I32(2).I32(3).I32(4).I32(6).U32(0x7FFFFFFF);
    EXPECT_THROW(ReadBodyFrom(untouched, bad), QException);
    EXPECT_FALSE(untouched.IsManualDriver());
    EXPECT_EQ(untouched.GetVersionText(), "1.0.0");
}

} // namespace
} // namespace orv
