#include "core/QScanOptions.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "support/FakeOptionNodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using fake::FakeOptionNode;
using fake::FakeOptionTree;
using fake::ReadBodyBytes;
using fake::WrittenBody;

template <typename T> T At(const std::vector<uint8_t>& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T> void Append(std::vector<uint8_t>& bytes, T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

// Items 1-13 of the body: the part every layout shares.
std::vector<uint8_t> CommonItems(float start, float stop) {
    std::vector<uint8_t> bytes;
    Append(bytes, start);
    Append(bytes, stop);
    Append(bytes, 0.3F);    // RBW
    Append(bytes, 77.0F);   // centre
    Append(bytes, 40.0F);   // reference level
    Append(bytes, 500000U); // samples per second
    Append(bytes, 3U);      // spatial sweeps per cell
    Append(bytes, 111U);    // set-up word 3
    Append(bytes, 4U);      // sweeps per cell
    bytes.insert(bytes.end(), {1, 1, 0, 1});
    return bytes;
}

// Every stored field changed from its default.
QScanOptions Changed() {
    QScanOptions options;
    options.SetStartFrequency(1.5F);
    options.SetStopFrequency(2.5F);
    options.SetRBW(0.01F);
    options.SetReferenceLevel(60.0F);
    options.SetSamplesPerSecond(42);
    options.SetSpatialSweepsPerCell(5);
    options.SetSetupWord3(7);
    options.SetSweepsPerCell(9);
    options.SetSetupSwitch1(true);
    options.SetSetupSwitch2(true);
    options.SetMeasurePeaks(false);
    options.SetPeakHold(true);
    options.SetExtensionValue(0.5F);
    options.SetMaxPeaks(11);
    options.SetExtensionCount2(12);
    options.SetDcCoupled(true);
    options.SetAveraging(true);
    options.SetControlLevel(3);
    options.SetInterleavedScan(1);
    options.SetSignedSetting(-2);
    options.SetFlagH(false);
    options.SetReplaceDataContinuous(false);
    return options;
}

TEST(ScanOptions, FreshBodyLayout) {
    const QScanOptions options;
    const std::vector<uint8_t> body = WrittenBody(options);
    ASSERT_EQ(body.size(), 158U);
    EXPECT_EQ(options.GetBodySize(), 53U);
    EXPECT_EQ(options.GetTypeID(), 3000);
    EXPECT_EQ(At<float>(body, 0), 10.0F);
    EXPECT_EQ(At<float>(body, 4), 110.0F);
    EXPECT_EQ(At<float>(body, 8), 0.12F);
    EXPECT_EQ(At<float>(body, 12), 55.0F);
    EXPECT_EQ(At<float>(body, 16), 50.0F);
    EXPECT_EQ(At<uint32_t>(body, 20), 1000000U);
    EXPECT_EQ(At<uint32_t>(body, 28), 110U);
    EXPECT_EQ(body[38], 1); // measure peaks
    EXPECT_EQ(std::vector<uint8_t>(body.begin() + 40, body.begin() + 44),
              (std::vector<uint8_t>{0x9C, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(At<float>(body, 44), 0.0F);
    EXPECT_EQ(At<float>(body, 48), 0.02F);
    EXPECT_EQ(At<uint16_t>(body, 52), 2);
    EXPECT_EQ(At<uint16_t>(body, 54), 2);
    EXPECT_EQ(std::vector<uint8_t>(body.begin() + 56, body.begin() + 62),
              (std::vector<uint8_t>{0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(std::vector<uint8_t>(body.begin() + 62, body.begin() + 157), std::vector<uint8_t>(95, 0));
    EXPECT_EQ(body[157], 1); // replace data when running continuously
}

TEST(ScanOptions, RoundTripKeepsEveryStoredField) {
    QScanOptions written = Changed();
    written.SetExtensionSelector(3.0F); // never stored: the writer always writes 0.0
    const std::vector<uint8_t> body = WrittenBody(written);
    ASSERT_EQ(body.size(), 158U);
    EXPECT_EQ(At<float>(body, 44), 0.0F);
    EXPECT_EQ(body[59], 1);    // interleaved stored as (value == 1)
    EXPECT_EQ(body[60], 0xFE); // low byte of -2

    QScanOptions read;
    EXPECT_EQ(ReadBodyBytes(read, body), 0U);
    EXPECT_EQ(WrittenBody(read), body);
    EXPECT_EQ(read.GetSignedSetting(), -2);
    EXPECT_EQ(read.GetExtensionSelector(), 0.0F);
    EXPECT_TRUE(read.HasExtension());
    EXPECT_EQ(read.GetMaxPeaks(), 11);
    EXPECT_EQ(read.GetControlLevel(), 3);
    EXPECT_FALSE(read.IsReplaceDataContinuous());

    // An interleaved value other than 1 is stored, and so read back, as 0.
    QScanOptions two;
    two.SetInterleavedScan(2);
    QScanOptions twoRead;
    ReadBodyBytes(twoRead, WrittenBody(two));
    EXPECT_EQ(twoRead.GetInterleavedScan(), 0);
}

TEST(ScanOptions, OlderBodyWithoutMarkerKeepsDefaultsAndTheNextObjectIntact) {
    // Older layout: items 1-13, then item 26, then the next object of the stream.
    std::vector<uint8_t> bytes = CommonItems(20.0F, 30.0F);
    bytes.push_back(0); // replace data when running continuously
    const std::vector<uint8_t> next = WrittenBody(Changed());
    bytes.insert(bytes.end(), next.begin(), next.end());

    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QScanOptions old;
    old.ReadBody(reader);
    EXPECT_FALSE(old.HasExtension());
    EXPECT_EQ(old.GetStartFrequency(), 20.0F);
    EXPECT_EQ(old.GetSweepsPerCell(), 4U);
    EXPECT_FALSE(old.IsReplaceDataContinuous());
    EXPECT_EQ(old.GetExtensionValue(), 0.02F);
    EXPECT_EQ(old.GetMaxPeaks(), 2);
    EXPECT_EQ(old.GetSignedSetting(), 1);
    EXPECT_TRUE(old.GetFlagH());

    QScanOptions following;
    following.ReadBody(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
    EXPECT_EQ(WrittenBody(following), next);

    // Writing again gives the full layout.
    EXPECT_EQ(WrittenBody(old).size(), 158U);
    EXPECT_TRUE(old.HasExtension());
}

TEST(ScanOptions, OlderBodyAtTheEndOfAStoredFile) {
    // The last object of a file: fewer than four bytes follow item 13.
    std::vector<uint8_t> bytes = CommonItems(20.0F, 30.0F);
    bytes.push_back(1);
    const std::string path =
        (std::filesystem::temp_directory_path() / ("orv-scanoptions-" + std::to_string(::getpid()) + ".bin"))
            .string();
    {
        QFileDataWriter writer(path);
        writer.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        writer.Close();
    }
    QFileDataReader reader(path);
    QScanOptions old;
    old.ReadBody(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
    EXPECT_FALSE(old.HasExtension());
    EXPECT_EQ(old.GetStopFrequency(), 30.0F);
    reader.Close();
    std::filesystem::remove(path);
}

TEST(ScanOptions, StoredSelectorOtherThanZeroSkipsTheLaterFields) {
    std::vector<uint8_t> bytes = CommonItems(20.0F, 30.0F);
    Append(bytes, int32_t{-100});
    Append(bytes, 1.0F); // selector
    Append(bytes, 0.7F); // value
    Append(bytes, uint16_t{5});
    Append(bytes, uint16_t{6});
    bytes.push_back(0); // replace data when running continuously
    QScanOptions read;
    EXPECT_EQ(ReadBodyBytes(read, bytes), 0U);
    EXPECT_EQ(read.GetExtensionSelector(), 0.0F);
    EXPECT_EQ(read.GetExtensionValue(), 0.7F);
    EXPECT_EQ(read.GetMaxPeaks(), 5);
    EXPECT_FALSE(read.IsDcCoupled());
    EXPECT_TRUE(read.GetFlagH());
    EXPECT_FALSE(read.IsReplaceDataContinuous());
}

TEST(ScanOptions, FailedReadLeavesTheObjectAsItWas) {
    std::vector<uint8_t> body = WrittenBody(Changed());
    body.resize(100);
    QScanOptions target;
    EXPECT_THROW(ReadBodyBytes(target, body), QException);
    EXPECT_EQ(WrittenBody(target), WrittenBody(QScanOptions()));
}

struct CentreCase {
    uint16_t kind;
    float startAfter;
    float stopAfter;
    float storedCentreAfter;
    float centreAfter;
    float spanAfter;
};

TEST(ScanOptions, CentreAndSpanByOwnerKind) {
    // Start 10, stop 110, stored centre 55, then SetCenterFrequency(100).
    const std::vector<CentreCase> cases{
        {kTypeSpectralScanNode, 50.0F, 150.0F, 55.0F, 100.0F, 100.0F},
        {kTypeSpectralSpatialScanNode, 50.0F, 150.0F, 55.0F, 100.0F, 100.0F},
        {kTypeSpatialScanNode, 100.0F, 100.0F, 55.0F, 100.0F, 0.0F},
        {kTypeProjectNode, 10.0F, 110.0F, 100.0F, 100.0F, 100.0F},
        {kTypeModuleNode, 10.0F, 110.0F, 100.0F, 100.0F, 100.0F},
    };
    for (const CentreCase& c : cases) {
        SCOPED_TRACE(c.kind);
        FakeOptionNode node(c.kind);
        QScanOptions& options = node.m_scanOptions;
        if (c.kind == kTypeProjectNode || c.kind == kTypeModuleNode) {
            EXPECT_EQ(options.GetCenterFrequency(), 55.0F);
        } else {
            EXPECT_EQ(options.GetCenterFrequency(), 60.0F); // ignores the stored centre
        }
        options.SetCenterFrequency(100.0F);
        EXPECT_EQ(options.GetStartFrequency(), c.startAfter);
        EXPECT_EQ(options.GetStopFrequency(), c.stopAfter);
        EXPECT_EQ(options.GetStoredCenterFrequency(), c.storedCentreAfter);
        EXPECT_EQ(options.GetCenterFrequency(), c.centreAfter);
        EXPECT_EQ(options.GetSpan(), c.spanAfter);
    }
}

TEST(ScanOptions, CopyFromTakesEverySettingButExportAllPeaksAndOwner) {
    FakeOptionNode source(kTypeProjectNode);
    FakeOptionNode target(kTypeProjectNode);
    source.m_scanOptions.CopyFrom(Changed());
    source.m_scanOptions.SetCenterFrequency(99.0F);
    source.m_scanOptions.SetLevel100(12.0F);
    source.m_scanOptions.SetFlagG(false);
    source.m_scanOptions.SetWord4(4);
    source.m_scanOptions.SetWord5(5);
    source.m_scanOptions.SetExportAllPeaks(true);

    QScanOptions& copy = target.m_scanOptions;
    copy.CopyFrom(source.m_scanOptions);
    EXPECT_EQ(WrittenBody(copy), WrittenBody(source.m_scanOptions));
    EXPECT_EQ(copy.GetLevel100(), 12.0F);
    EXPECT_FALSE(copy.GetFlagG());
    EXPECT_EQ(copy.GetWord4(), 4U);
    EXPECT_EQ(copy.GetWord5(), 5U);
    EXPECT_FALSE(copy.IsExportAllPeaks());
    EXPECT_EQ(copy.GetOwner(), &target);
}

struct SyncCase {
    uint16_t governingKind;
    uint16_t ownKind;
    float start;
    float stop;
    bool measurePeaks;
};

TEST(ScanOptions, SyncFromNodeTable) {
    // The governing node's start/stop 1.5/2.5, centre 99, measure peaks on.
    const std::vector<SyncCase> cases{
        {kTypeProjectNode, kTypeSpectralScanNode, 1.5F, 2.5F, true},
        {kTypeModuleNode, kTypeSpectralScanNode, 1.5F, 2.5F, true},
        {kTypeProjectNode, kTypeSpatialScanNode, 99.0F, 99.0F, true},
        {kTypeModuleNode, kTypeSpatialScanNode, 99.0F, 99.0F, true},
        {kTypeSpectralSpatialScanNode, kTypeSpatialScanNode, 1.5F, 2.5F, true},
        {kTypeModuleNode, kTypeSpectralSpatialScanNode, 1.5F, 2.5F, false},
        {kTypeModuleNode, kTypeHandHeldProbeScanNode, 1.5F, 2.5F, false},
        {kTypeModuleNode, kTypeSpectralSpatialScriptingModuleNode, 1.5F, 2.5F, false},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.governingKind) + " -> " + std::to_string(c.ownKind));
        FakeOptionTree tree;
        FakeOptionNode& project = tree.Add(kTypeProjectNode);
        FakeOptionNode& governing =
            c.governingKind == kTypeProjectNode ? project : tree.Add(c.governingKind, &project);
        FakeOptionNode& own = tree.Add(c.ownKind, &governing);

        QScanOptions& source = governing.m_scanOptions;
        source.CopyFrom(Changed());
        source.SetMeasurePeaks(true);
        source.SetLevel100(12.0F);
        source.SetExportAllPeaks(true);
        source.SetFlagG(false);
        source.SetWord4(4);
        source.SetWord5(5);
        source.SetExtensionSelector(6.0F);
        // Project and Module nodes keep a centre of their own; a scan node's stays at its default.
        if (c.governingKind == kTypeProjectNode || c.governingKind == kTypeModuleNode) {
            source.SetCenterFrequency(99.0F);
        }
        const float governingCentre = source.GetStoredCenterFrequency();

        QScanOptions& options = own.m_scanOptions;
        options.SyncFromNode();
        EXPECT_EQ(options.GetStartFrequency(), c.start);
        EXPECT_EQ(options.GetStopFrequency(), c.stop);
        EXPECT_EQ(options.IsMeasurePeaks(), c.measurePeaks);
        EXPECT_EQ(options.GetStoredCenterFrequency(), governingCentre);
        // Moved by the synchronisation:
        EXPECT_EQ(options.GetRBW(), 0.01F);
        EXPECT_EQ(options.GetLevel100(), 12.0F);
        EXPECT_EQ(options.GetReferenceLevel(), 60.0F);
        EXPECT_EQ(options.GetSamplesPerSecond(), 42U);
        EXPECT_EQ(options.GetSpatialSweepsPerCell(), 5U);
        EXPECT_EQ(options.GetSetupWord3(), 7U);
        EXPECT_EQ(options.GetSweepsPerCell(), 9U);
        EXPECT_TRUE(options.GetSetupSwitch1());
        EXPECT_TRUE(options.GetSetupSwitch2());
        EXPECT_TRUE(options.IsPeakHold());
        EXPECT_EQ(options.GetMaxPeaks(), 11);
        EXPECT_TRUE(options.IsExportAllPeaks());
        EXPECT_FALSE(options.IsReplaceDataContinuous());
        EXPECT_EQ(options.GetInterleavedScan(), 1);
        EXPECT_EQ(options.GetControlLevel(), 3);
        EXPECT_TRUE(options.IsDcCoupled());
        EXPECT_TRUE(options.IsAveraging());
        EXPECT_FALSE(options.GetFlagG());
        EXPECT_EQ(options.GetWord4(), 4U);
        EXPECT_EQ(options.GetWord5(), 5U);
        EXPECT_EQ(options.GetSignedSetting(), -2);
        EXPECT_FALSE(options.GetFlagH());
        // Not moved: the second extension values and the selector.
        EXPECT_EQ(options.GetExtensionValue(), 0.02F);
        EXPECT_EQ(options.GetExtensionCount2(), 2);
        EXPECT_EQ(options.GetExtensionSelector(), 0.0F);
    }
}

TEST(ScanOptions, SyncWithoutGoverningNodeChangesNothing) {
    FakeOptionTree tree;
    FakeOptionNode& root = tree.Add(kTypeNoteNode);
    root.m_scanOptions.CopyFrom(Changed());
    FakeOptionNode& own = tree.Add(kTypeSpectralScanNode, &root);
    own.m_scanOptions.SyncFromNode();
    EXPECT_EQ(WrittenBody(own.m_scanOptions), WrittenBody(QScanOptions()));
}

} // namespace
} // namespace orv
