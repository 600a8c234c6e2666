#include "project/QProjectFileFormat.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectFileReader.h"
#include "tests/project/support/ByteBuilder.h"

#include <gtest/gtest.h>

#include <functional>

namespace orv {
namespace {

using projectfiletest::ByteBuilder;

std::vector<uint8_t> Written(const std::function<void(QDataWriter&)>& write) {
    QCharCounterDataWriter counter;
    write(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    write(writer);
    EXPECT_EQ(writer.GetBytesWritten(), counter.m_count);
    return bytes;
}

void ExpectCorrupt(const std::vector<uint8_t>& bytes, const std::function<void(QDataReader&)>& read) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    try {
        read(reader);
        ADD_FAILURE() << "read through " << bytes.size() << " bytes";
    } catch (const QIOException& e) {
        EXPECT_EQ(e.m_message, kCorruptProjectMessage);
    }
}

// Scan header H1-H14 by hand: spectral form (four frequencies) or spatial (two), area of either
// variant.
void PutHeader(ByteBuilder& b, bool spatial, uint8_t variant) {
    b.U32(7).Text16("2026-12-10").Text16("Head").Text16("").Text16("Analyser").Text16("3rd").Text16("");
    if (!spatial) {
        b.F32(30.0F).F32(1000.0F);
    }
    b.F32(515.0F).F32(0.12F);
    b.F32(97.0F).U32(3).U8(1).F32(-1.5F).U8(4).U8(5);
    b.U8(variant).U32(0x01020304);
    if (variant == 0) {
        b.U8(9).F32(1.0F).F32(2.0F).U32(1).U32(2).U32(3).U32(4);
    } else {
        b.F32(3.0F).F32(4.0F).F32(5.0F).F32(6.0F).U32(5).U8(2).U8(3).U8(4);
    }
}

void PutTail(ByteBuilder& b) {
    b.U8(1).U8(2).U8(3).U8(4).U8(5).U8(6).U16(0xBEEF).F32(0.25F).Fill(88, 0);
}

struct Fixture {
    ByteBuilder bytes;
    std::vector<size_t> countOffsets; // 32-bit counts that sizes follow
};

Fixture SpectralFixture(uint8_t zelt, uint32_t points) {
    Fixture f;
    PutHeader(f.bytes, false, 0);
    f.bytes.U16(29).U16(42).U8(zelt).U8(zelt ? 2 : 0);
    f.countOffsets.push_back(f.bytes.Here());
    f.bytes.U32(2).Fill(8, 0x11);
    f.countOffsets.push_back(f.bytes.Here());
    f.bytes.U32(points).Fill(points * (zelt ? 12U : 6U), 0x22);
    f.countOffsets.push_back(f.bytes.Here());
    f.bytes.U32(1).U32(4).F32(200.0F);
    PutTail(f.bytes);
    return f;
}

Fixture SpatialFixture(uint8_t zelt) {
    Fixture f;
    PutHeader(f.bytes, true, 1);
    f.bytes.U16(3).U16(4).U8(1).U8(zelt).U8(zelt ? 1 : 0).U8(7);
    if (zelt) {
        f.countOffsets.push_back(f.bytes.Here());
        f.bytes.U32(24).Fill(24, 0x33);
    } else {
        f.bytes.Fill(3 * 4 * 2, 0x44);
    }
    PutTail(f.bytes);
    return f;
}

Fixture CellsFixture(uint8_t zelt, bool handHeld) {
    Fixture f;
    PutHeader(f.bytes, false, 0);
    f.bytes.U16(29).U16(42).U8(zelt).U8(zelt ? 1 : 0);
    if (!handHeld) {
        f.bytes.U8(1);
        f.countOffsets.push_back(f.bytes.Here());
        f.bytes.U32(1).U32(9).F32(450.0F);
    }
    PutTail(f.bytes);
    f.countOffsets.push_back(f.bytes.Here());
    f.bytes.U32(2);
    for (uint16_t cell = 0; cell < 2; ++cell) {
        f.bytes.U16(cell).U16(5).U16(0xFFFE).F32(-3.5F);
        f.countOffsets.push_back(f.bytes.Here());
        f.bytes.U32(3).Fill(zelt ? 3 * 4 + 8 : 3 * 2, static_cast<uint8_t>(0x50 + cell));
    }
    return f;
}

struct RecordKind {
    const char* name;
    std::function<Fixture()> make;
    std::function<void(QDataReader&)> read;
    std::function<std::vector<uint8_t>(QDataReader&)> roundTrip;
};

std::vector<RecordKind> RecordKinds() {
    const auto spectral = [](QDataReader& r) {
        QProjectSpectralScanRecord record;
        ReadSpectralScanRecord(r, record);
        return Written([&](QDataWriter& w) { WriteSpectralScanRecord(w, record); });
    };
    const auto spatial = [](QDataReader& r) {
        QProjectSpatialScanRecord record;
        ReadSpatialScanRecord(r, record);
        return Written([&](QDataWriter& w) { WriteSpatialScanRecord(w, record); });
    };
    const auto cells = [](bool handHeld) {
        return [handHeld](QDataReader& r) {
            QProjectSpectralSpatialScanRecord record;
            ReadSpectralSpatialScanRecord(r, record, handHeld);
            return Written([&](QDataWriter& w) { WriteSpectralSpatialScanRecord(w, record, handHeld); });
        };
    };
    std::vector<RecordKind> kinds{
        {"spectral Mirt", [] { return SpectralFixture(0, 3); }, nullptr, spectral},
        {"spectral Zelt", [] { return SpectralFixture(1, 2); }, nullptr, spectral},
        {"spectral no points", [] { return SpectralFixture(0, 0); }, nullptr, spectral},
        {"spatial Mirt", [] { return SpatialFixture(0); }, nullptr, spatial},
        {"spatial Zelt", [] { return SpatialFixture(1); }, nullptr, spatial},
        {"spectral/spatial Mirt", [] { return CellsFixture(0, false); }, nullptr, cells(false)},
        {"spectral/spatial Zelt", [] { return CellsFixture(1, false); }, nullptr, cells(false)},
        {"hand-held Zelt", [] { return CellsFixture(1, true); }, nullptr, cells(true)},
    };
    for (RecordKind& kind : kinds) {
        auto roundTrip = kind.roundTrip;
        kind.read = [roundTrip](QDataReader& r) { roundTrip(r); };
    }
    return kinds;
}

TEST(ProjectFileRecords, HandBuiltFixturesReadThroughAndWriteBackByteIdentical) {
    for (const RecordKind& kind : RecordKinds()) {
        SCOPED_TRACE(kind.name);
        const std::vector<uint8_t> bytes = kind.make().bytes.m_bytes;
        QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        EXPECT_EQ(kind.roundTrip(reader), bytes);
        EXPECT_EQ(reader.GetRemaining(), 0U);
    }
}

TEST(ProjectFileRecords, FieldsLandWhereTheLayoutPutsThem) {
    std::vector<uint8_t> bytes = SpectralFixture(1, 2).bytes.m_bytes;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QProjectSpectralScanRecord record;
    ReadSpectralScanRecord(reader, record);
    EXPECT_EQ(record.m_header.m_scanId, 7U);
    EXPECT_EQ(record.m_header.m_texts[0], "2026-12-10");
    EXPECT_EQ(record.m_header.m_texts[5], "");
    EXPECT_FLOAT_EQ(record.m_header.m_frequencies[1], 1000.0F);
    EXPECT_EQ(record.m_header.m_area.m_words1to4[3], 4U);
    EXPECT_EQ(record.m_points.size(), 24U); // Zelt: three 4-byte values per point
    EXPECT_EQ(record.m_extraCount, 1);
    EXPECT_EQ(record.m_header.m_tailWord, 0xBEEF);

    bytes = SpatialFixture(0).bytes.m_bytes;
    QCharArrayDataReader spatialReader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QProjectSpatialScanRecord spatial;
    ReadSpatialScanRecord(spatialReader, spatial);
    EXPECT_FLOAT_EQ(spatial.m_header.m_frequencies[2], 515.0F);
    EXPECT_EQ(spatial.m_header.m_area.m_bytes2to4[2], 4);
    EXPECT_EQ(spatial.m_values.size(), 24U);
    EXPECT_EQ(spatial.m_spatialByte2, 7);

    bytes = CellsFixture(1, false).bytes.m_bytes;
    QCharArrayDataReader cellReader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QProjectSpectralSpatialScanRecord cells;
    ReadSpectralSpatialScanRecord(cellReader, cells, false);
    ASSERT_EQ(cells.m_cells.size(), 2U);
    EXPECT_EQ(cells.m_cells[1].m_words[2], 0xFFFE);
    EXPECT_EQ(cells.m_cells[1].m_values.size(), 3U * 4 + 8); // k x 4 + 8 with Zelt data
}

TEST(ProjectFileRecords, EveryTruncationIsACorruptProject) {
    for (const RecordKind& kind : RecordKinds()) {
        SCOPED_TRACE(kind.name);
        const std::vector<uint8_t> bytes = kind.make().bytes.m_bytes;
        for (size_t length = 0; length < bytes.size(); ++length) {
            ExpectCorrupt(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(length)),
                          kind.read);
        }
    }
}

TEST(ProjectFileRecords, OversizedCountsAreACorruptProjectBeforeAnyAllocation) {
    for (const RecordKind& kind : RecordKinds()) {
        SCOPED_TRACE(kind.name);
        const Fixture fixture = kind.make();
        for (size_t offset : fixture.countOffsets) {
            for (uint32_t count : {0x7FFFFFFFU, 0x40000000U, 0xFFFFFFF0U}) {
                ByteBuilder patched = fixture.bytes;
                patched.PatchU32(offset, count);
                QCharArrayDataReader reader(patched.m_bytes.data(),
                                            static_cast<uint32_t>(patched.m_bytes.size()));
                try {
                    kind.read(reader);
                    // A count taken as signed and negative is "none": then the record must still have
                    // been read as a whole up to where its bytes run out.
                    EXPECT_GT(count, 0x7FFFFFFFU);
                } catch (const QIOException& e) {
                    EXPECT_EQ(e.m_message, kCorruptProjectMessage);
                }
            }
        }
    }
}

TEST(ProjectFileRecords, GridAndMultiLevelSizesAreChecked) {
    // Rows x columns beyond the file, and a multi-level byte count that is no multiple of 12.
    Fixture grid = SpatialFixture(0);
    const size_t rowsOffset = grid.bytes.m_bytes.size() - (3 * 4 * 2) - 100 - 8;
    grid.bytes.PatchU16(rowsOffset, 0xFFFF);
    grid.bytes.PatchU16(rowsOffset + 2, 0xFFFF);
    ExpectCorrupt(grid.bytes.m_bytes, [](QDataReader& r) {
        QProjectSpatialScanRecord record;
        ReadSpatialScanRecord(r, record);
    });
    Fixture zelt = SpatialFixture(1);
    zelt.bytes.PatchU32(zelt.countOffsets[0], 13);
    zelt.bytes.Fill(13, 0); // enough bytes: only the multiple of 12 is wrong
    ExpectCorrupt(zelt.bytes.m_bytes, [](QDataReader& r) {
        QProjectSpatialScanRecord record;
        ReadSpatialScanRecord(r, record);
    });
}

TEST(ProjectFileRecords, ZeroPointSpectralRecordStillCarriesItsExtraDataAndTail) {
    const std::vector<uint8_t> first = SpectralFixture(0, 0).bytes.m_bytes;
    std::vector<uint8_t> two = first;
    const std::vector<uint8_t> second = SpectralFixture(0, 2).bytes.m_bytes;
    two.insert(two.end(), second.begin(), second.end());
    QCharArrayDataReader reader(two.data(), static_cast<uint32_t>(two.size()));
    QProjectSpectralScanRecord empty;
    ReadSpectralScanRecord(reader, empty);
    EXPECT_EQ(empty.m_points.size(), 0U);
    EXPECT_EQ(empty.m_extra.size(), 8U);
    EXPECT_EQ(reader.GetRemaining(), second.size());
    QProjectSpectralScanRecord next;
    ReadSpectralScanRecord(reader, next);
    EXPECT_EQ(next.m_pointCount, 2U);
}

TEST(ProjectFileRecords, WritersRefuseWhatCannotBeReadBack) {
    QCharCounterDataWriter counter;
    try {
        WriteProjectText(counter, std::string(70000, 'x'));
        ADD_FAILURE();
    } catch (const QStorageLayerException& e) {
        EXPECT_NE(e.m_message.find("70000"), std::string::npos);
    }
    EXPECT_EQ(counter.m_count, 0U);
    WriteProjectText(counter, std::string(65535, 'x'));
    EXPECT_EQ(counter.m_count, 65537U);

    QProjectSpectralScanRecord record;
    record.m_header.m_texts[3] = std::string(65536, 'a');
    QCharCounterDataWriter refused;
    EXPECT_THROW(WriteSpectralScanRecord(refused, record), QStorageLayerException);
    EXPECT_EQ(refused.m_count, 0U); // nothing of the record was begun
    record.m_header.m_texts[3].clear();
    record.m_pointCount = 3; // but no point bytes
    EXPECT_THROW(WriteSpectralScanRecord(refused, record), QStorageLayerException);
    QProjectSpatialScanRecord zelt;
    zelt.m_zeltFlag = 1;
    zelt.m_zeltRecords.resize(13);
    EXPECT_THROW(WriteSpatialScanRecord(refused, zelt), QStorageLayerException);
}

TEST(ProjectFileVersion, ValueIsComputedInSixtyFourBits) {
    struct Case {
        std::array<int16_t, 4> parts;
        int64_t value;
    };
    for (const Case& c :
         {Case{{5, 1, 2, 0}, 5010200}, Case{{5, 1, 1, 99}, 5010199}, Case{{0, 0, 0, 0}, 0},
          Case{{32767, 32767, 32767, 32767}, 32767LL * 1000000 + 32767LL * 10000 + 32767LL * 100 + 32767},
          Case{{-1, 0, 0, 0}, -1000000}}) {
        EXPECT_EQ(ComputeVersionValue(c.parts), c.value);
    }
    EXPECT_GE(ComputeVersionValue(GetProgramVersionParts()), kOldestSupportedVersionValue);
}

TEST(ProjectFileSections, ScriptPointsAndReportRoundTripByteIdentical) {
    ByteBuilder b;
    b.U32(2).F32(1.0F).F32(2.0F).F32(3.0F).F32(4.0F).F32(5.0F).F32(6.0F);
    QCharArrayDataReader reader(b.m_bytes.data(), static_cast<uint32_t>(b.m_bytes.size()));
    std::vector<QProjectScriptPoint> points;
    ReadScriptPoints(reader, points);
    EXPECT_EQ(Written([&](QDataWriter& w) { WriteScriptPoints(w, points); }), b.m_bytes);

    ByteBuilder report;
    report.U32(2).U32(7).U32(2).U32(10).U32(11).U32(8).U32(0).U32(5);
    report.m_bytes.insert(report.m_bytes.end(), {'h', 'e', 'l', 'l', 'o'});
    QCharArrayDataReader reportReader(report.m_bytes.data(), static_cast<uint32_t>(report.m_bytes.size()));
    QProjectReportSection section;
    ReadReportSection(reportReader, section);
    EXPECT_EQ(section.m_text, "hello");
    ASSERT_EQ(section.m_groups.size(), 2U);
    EXPECT_EQ(section.m_groups[0].m_members, (std::vector<uint32_t>{10, 11}));
    EXPECT_EQ(Written([&](QDataWriter& w) { WriteReportSection(w, section); }), report.m_bytes);

    // An empty report text is still its 32-bit zero length.
    const std::vector<uint8_t> empty = Written([](QDataWriter& w) { WriteReportSection(w, {}); });
    EXPECT_EQ(empty, (std::vector<uint8_t>(8, 0)));

    for (size_t offset : {size_t{0}, size_t{8}, size_t{28}}) {
        ByteBuilder oversized = report;
        oversized.PatchU32(offset, 0x10000000U);
        ExpectCorrupt(oversized.m_bytes, [](QDataReader& r) {
            QProjectReportSection s;
            ReadReportSection(r, s);
        });
    }
}

ByteBuilder OverlayFixture() {
    ByteBuilder b;
    b.U32(4);
    b.U8(0).U32(100).U32(4096).U32(3).U8(1).U8(2).U8(3);
    b.U8(1).U32(101).U32(50).U32(2).U8(9).U8(8);
    b.U8(2).U32(102).U32(0).U32(2).U32(1).U8(3).Fill(6, 0x77);
    b.U8(0).U32(103).U32(0).U32(0); // no data: read, not kept
    return b;
}

TEST(ProjectFileOverlays, ListOfEveryKindReadsAndWritesBack) {
    const ByteBuilder fixture = OverlayFixture();
    QCharArrayDataReader reader(fixture.m_bytes.data(), static_cast<uint32_t>(fixture.m_bytes.size()));
    QOverlayControlList list;
    list.ReadOverlayControls(reader);
    ASSERT_EQ(list.GetControls().size(), 3U);
    EXPECT_EQ(list.GetControls()[0]->GetDrawingBlob(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(list.GetControls()[1]->GetPictureBytes(), (std::vector<uint8_t>{9, 8}));
    EXPECT_EQ(list.GetControls()[2]->GetPixelWidth(), 2U);
    EXPECT_EQ(list.GetControls()[2]->GetBytesPerPixel(), 3);
    // The entry without data is gone; the rest writes back as it was read.
    ByteBuilder expected = fixture;
    expected.m_bytes.resize(expected.m_bytes.size() - 13);
    expected.PatchU32(0, 3);
    EXPECT_EQ(Written([&](QDataWriter& w) { list.WriteOverlayControls(w); }), expected.m_bytes);
}

TEST(ProjectFileOverlays, UnknownKindsAndOversizedImagesAreCorruptAndLeaveTheListAsItWas) {
    QOverlayControlList list;
    list.Add(std::make_unique<COverlayControl>(), false);
    const auto read = [&list](QDataReader& r) { list.ReadOverlayControls(r); };
    ByteBuilder unknown;
    unknown.U32(1).U8(3).U32(1).U32(0).U32(0);
    ExpectCorrupt(unknown.m_bytes, read);
    ByteBuilder image;
    image.U32(1).U8(2).U32(1).U32(0).U32(0x10000).U32(0x10000).U8(4).Fill(16, 0);
    ExpectCorrupt(image.m_bytes, read);
    ByteBuilder count;
    count.U32(0x20000000).U8(0).U32(1).U32(0).U32(0);
    ExpectCorrupt(count.m_bytes, read);
    // The 64-bit product wraps to 2,891,648 bytes, which the few MB behind it would hold.
    ByteBuilder wrapping;
    wrapping.U32(1).U8(2).U32(1).U32(0).U32(268447041U).U32(536847743U).U8(128).Fill(4U << 20, 0x55);
    ExpectCorrupt(wrapping.m_bytes, read);
    const ByteBuilder fixture = OverlayFixture();
    for (size_t length = 0; length < fixture.m_bytes.size(); ++length) {
        ExpectCorrupt(std::vector<uint8_t>(fixture.m_bytes.begin(),
                                           fixture.m_bytes.begin() + static_cast<long>(length)),
                      read);
    }
    EXPECT_EQ(list.GetControls().size(), 1U);
}

TEST(ProjectFileOverlays, PixelImagesWhoseSizeOverflowsAreRefused) {
    COverlayControl control;
    const std::vector<uint8_t> pixels(12, 7);
    ASSERT_TRUE(control.SetPixels(pixels.data(), 2, 2, 3));
    EXPECT_FALSE(control.SetPixels(pixels.data(), 268447041U, 536847743U, 128));
    EXPECT_FALSE(control.SetPixels(pixels.data(), 0xFFFFFFFFU, 0xFFFFFFFFU, 0xFF));
    EXPECT_EQ(control.GetPixelWidth(), 2U);
    EXPECT_EQ(control.GetPixels(), pixels);
}

TEST(ProjectFileReaderTest, ShortReadsInsideForeignBodiesAreCorruptProjects) {
    const std::vector<uint8_t> bytes{1, 2, 3};
    QCharArrayDataReader source(bytes.data(), 3);
    QProjectFileReader reader(source);
    EXPECT_EQ(reader.ReadU16(), 0x0201);
    EXPECT_EQ(reader.GetRemaining(), 1U);
    try {
        reader.ReadU32();
        ADD_FAILURE();
    } catch (const QIOException& e) {
        EXPECT_EQ(e.m_message, kCorruptProjectMessage);
    }
    // Large blocks pass straight through.
    std::vector<uint8_t> big(200000);
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<uint8_t>(i * 13);
    }
    QCharArrayDataReader bigSource(big.data(), static_cast<uint32_t>(big.size()));
    QProjectFileReader bigReader(bigSource);
    std::vector<uint8_t> out(big.size());
    bigReader.Read(out.data(), 5);
    bigReader.Read(out.data() + 5, 150000);
    bigReader.Read(out.data() + 150005, static_cast<uint32_t>(big.size() - 150005));
    EXPECT_EQ(out, big);
}

} // namespace
} // namespace orv
