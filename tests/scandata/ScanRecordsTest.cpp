#include "core/QCorrectionData.h"
#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QAmbientScan.h"
#include "scandata/QAntennaPositionScan.h"
#include "scandata/QBlindSpotReductionScan.h"
#include "scandata/QCableScan.h"
#include "scandata/QDataPacketHandler.h"
#include "scandata/QFarFieldAmbientScan.h"
#include "scandata/QGeneralModuleScan.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QNearFieldAmbientScan.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpatialComparisonScan.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralComparisonScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace orv {
namespace {

using testing::CompensationSwitchGuard;
using testing::ReadFrame;
using testing::SizedBodyBytes;
using testing::SizedFrameBytes;

template <typename Family> void FillFamily(Family& record, uint32_t n) {
    record.SetPointCount(n);
    for (uint32_t i = 0; i < n; ++i) {
        record.SetAmplitude(i, static_cast<int16_t>(100 - 30 * static_cast<int>(i)));
        record.SetPointWord1(i, static_cast<uint16_t>(i + 1));
        record.SetPointWord2(i, static_cast<uint16_t>(i + 2));
    }
}

// One filled record of every kind with its body size for N = 3 points (or entries).
struct Kind {
    const char* name;
    uint16_t typeId;
    uint32_t bodySize;
    std::function<std::unique_ptr<QDataPacket>(bool filled)> make;
};

std::vector<Kind> Kinds() {
    return {
        {"measured frequencies", 102, 4 + 8 * 3,
         [](bool filled) {
             auto r = std::make_unique<QMeasuredFrequencyData>();
             if (filled) {
                 r->SetEntryCount(3);
                 for (uint32_t k = 0; k < 3; ++k) {
                     r->SetEntryIndex(k, 10 * k + 1);
                     r->SetEntryFrequency(k, 30.5f + static_cast<float>(k));
                 }
             }
             return r;
         }},
        {"spectral/spatial component", 101, 13 + 2 * 3,
         [](bool filled) {
             auto r = std::make_unique<QSpectralSpatialScanComponent>();
             if (filled) {
                 r->SetHeader(1, -2, 1);
                 r->SetCell(4, 5, 6);
                 r->SetPointCount(3);
                 r->SetAmplitude(0, -7);
                 r->SetAmplitude(2, 300);
             }
             return r;
         }},
        {"hand-held probe", 112, 11 + 2 * 3,
         [](bool filled) {
             auto r = std::make_unique<QHandHeldProbeScan>();
             if (filled) {
                 r->SetCell(8, 9);
                 r->SetPointCount(3);
                 r->SetAmplitude(1, -1);
             }
             return r;
         }},
        {"progress", 105, 15,
         [](bool filled) {
             auto r = std::make_unique<QScanProgressIndicator>();
             if (filled) {
                 r->m_Row = 1;
                 r->m_Column = 2;
                 r->m_Value = 3;
                 r->m_Flag = 4;
                 r->m_Total = 1218;
                 r->m_Done = 17;
             }
             return r;
         }},
        {"near-field ambient", 110, 4 + 6 * 3,
         [](bool filled) {
             auto r = std::make_unique<QNearFieldAmbientScan>();
             if (filled) {
                 FillFamily(*r, 3);
             }
             return r;
         }},
        {"far-field ambient", 111, 4 + 6 * 3,
         [](bool filled) {
             auto r = std::make_unique<QFarFieldAmbientScan>();
             if (filled) {
                 FillFamily(*r, 3);
             }
             return r;
         }},
        {"antenna position", 109, 4 + 6 * 3,
         [](bool filled) {
             auto r = std::make_unique<QAntennaPositionScan>();
             if (filled) {
                 FillFamily(*r, 3);
             }
             return r;
         }},
        {"ambient", 107, 4 + 6 * 3,
         [](bool filled) {
             auto r = std::make_unique<QAmbientScan>();
             if (filled) {
                 FillFamily(*r, 3);
             }
             return r;
         }},
        {"general module", 108, 6 + 2 * 3,
         [](bool filled) {
             auto r = std::make_unique<QGeneralModuleScan>(filled ? 3 : 0);
             if (filled) {
                 r->SetAmplitude(2, -9);
                 r->SetModuleValue(5); // the written size, whatever the module value
             }
             return r;
         }},
        {"cable", 106, 13 + 2 * 3,
         [](bool filled) {
             auto r = std::make_unique<QCableScan>(filled ? 3 : 0);
             if (filled) {
                 r->SetAmplitude(0, 12);
                 r->SetModuleValue(2);
             }
             return r;
         }},
    };
}

TEST(ScanRecords, EveryKindRoundTripsWithTheSizeItWrites) {
    for (const Kind& kind : Kinds()) {
        SCOPED_TRACE(kind.name);
        const auto record = kind.make(true);
        EXPECT_EQ(record->GetTypeID(), kind.typeId);
        EXPECT_EQ(record->GetBodySize(), kind.bodySize);
        const std::vector<uint8_t> bytes = SizedFrameBytes(*record);
        EXPECT_EQ(bytes.size(), 9 + kind.bodySize);
        EXPECT_EQ(record->GetSerializedSize(), bytes.size());

        const auto back = kind.make(false);
        ReadFrame(*back, bytes);
        EXPECT_EQ(SizedFrameBytes(*back), bytes);
        EXPECT_FALSE(back->DeliverToHandler(nullptr));
    }
}

TEST(ScanRecords, EveryCutBodyThrowsAndLeavesTheRecordAsItWas) {
    for (const Kind& kind : Kinds()) {
        SCOPED_TRACE(kind.name);
        const std::vector<uint8_t> other = SizedBodyBytes(*kind.make(true));
        for (size_t cut = 0; cut < other.size(); ++cut) {
            auto record = kind.make(false);
            const std::vector<uint8_t> before = SizedFrameBytes(*record);
            QCharArrayDataReader reader(other.data(), static_cast<uint32_t>(cut));
            EXPECT_THROW(record->ReadBody(reader), QIOException) << cut;
            EXPECT_EQ(SizedFrameBytes(*record), before) << cut;
        }
    }
}

TEST(ScanRecords, CountsBeyondTheBodyThrowBeforeAllocating) {
    const std::vector<uint8_t> huge{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8};
    for (const Kind& kind : Kinds()) {
        if (kind.typeId == 101 || kind.typeId == 112 || kind.typeId == 105) {
            continue; // their count is not the first field; the cut bodies cover them
        }
        SCOPED_TRACE(kind.name);
        auto record = kind.make(false);
        QCharArrayDataReader reader(huge.data(), static_cast<uint32_t>(huge.size()));
        EXPECT_THROW(record->ReadBody(reader), QIOException);
    }
    const std::vector<uint8_t> component =
        testing::Bytes().U8(0).U8(0).U8(0).U16(1).U16(2).U16(3).U32(0x7FFFFFFF).U16(1).Get();
    QSpectralSpatialScanComponent record;
    QCharArrayDataReader reader(component.data(), static_cast<uint32_t>(component.size()));
    EXPECT_THROW(record.ReadBody(reader), QIOException);
    EXPECT_EQ(record.GetPointCount(), 0U);
}

TEST(ScanRecords, SmallRecordDefaults) {
    const QScanProgressIndicator progress;
    EXPECT_EQ(progress.m_Kind, 1);
    EXPECT_EQ(progress.m_SubKind, 1);
    EXPECT_EQ(progress.GetBodySize(), 15U);

    QGeneralModuleScan module(4);
    ReadFrame(module, SizedFrameBytes(QGeneralModuleScan(0)));
    EXPECT_EQ(module.GetBodySize(), 6U);
    EXPECT_FALSE(module.HasData());

    QMeasuredFrequencyData table;
    table.Reset(2);
    table.SetEntryCountField(40); // never past the entries
    EXPECT_EQ(table.GetEntryCount(), 2U);
    EXPECT_EQ(table.GetEntryFrequency(7), 0.0f);
    table.SetEntryCount(0);
    EXPECT_EQ(table.GetEntryCount(), 0U);
}

class RecordingHandler : public QDataPacketHandler {
public:
    void ProcessZeltSpatialScanData(const QZeltSpatialHandOver& /*record*/) override { ++m_SpatialCalls; }
    void ZeltSpectralSpatialScanData(const QZeltSpectralSpatialHandOver& record) override { m_Last = record; }
    int m_SpatialCalls = 0;
    QZeltSpectralSpatialHandOver m_Last;
};

TEST(ScanRecords, InterleavedComponentIsHandedOverAsDoubles) {
    RecordingHandler handler;
    QSpectralSpatialScanComponent plain;
    plain.SetPointCount(2);
    EXPECT_FALSE(plain.DeliverToHandler(&handler));

    QSpectralSpatialScanComponent interleaved;
    interleaved.SetHeader(1, 3, 0);
    interleaved.SetCell(7, 8, 9);
    interleaved.SetPointCount(2);
    interleaved.SetAmplitude(0, -15);
    interleaved.SetAmplitude(1, 250);
    EXPECT_TRUE(interleaved.DeliverToHandler(&handler));
    EXPECT_EQ(handler.m_Last.m_Level, 3);
    EXPECT_EQ(handler.m_Last.m_SubPosition, 9U);
    EXPECT_EQ(handler.m_Last.m_PointCount, 2U);
    EXPECT_EQ(handler.m_Last.m_Values, (std::vector<double>{-15.0, 250.0}));
    EXPECT_EQ(handler.m_Last.m_Row, 7);
    EXPECT_EQ(handler.m_Last.m_Column, 8);
    EXPECT_EQ(handler.m_SpatialCalls, 0);
}

QSpectralScan Received(const std::vector<int16_t>& levels) {
    QSpectralScan scan;
    scan.SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        scan.SetAmplitude(i, levels[i]);
        scan.SetPointWord1(i, static_cast<uint16_t>(i + 10));
        scan.SetPointWord2(i, static_cast<uint16_t>(i + 20));
    }
    return scan;
}

TEST(ScanRecords, FamilyCopiesAndMaximumHold) {
    const QSpectralScan received = Received({5, -5, 50});
    QNearFieldAmbientScan near;
    near.CopyFromSpectral(received);
    EXPECT_EQ(near.GetPointWord1(2), 12);
    QFarFieldAmbientScan far;
    far.CopyAmplitudes(received);
    EXPECT_EQ(far.GetStoredAmplitude(2), 50);
    EXPECT_EQ(far.GetPointWord1(2), 0);

    QFarFieldAmbientScan incoming;
    incoming.CopyAmplitudes(Received({6, -9}));
    far.MergeScan(QSpectralFamilyScan::kMergeMaximumHold, incoming);
    EXPECT_EQ(far.GetStoredAmplitude(0), 6);
    EXPECT_EQ(far.GetStoredAmplitude(1), -5);
    EXPECT_EQ(far.GetStoredAmplitude(2), 50); // beyond the incoming points

    QAntennaPositionScan empty;
    empty.MergeScan(QSpectralFamilyScan::kMergeMaximumHold, near);
    EXPECT_EQ(empty.GetPointCount(), 3U);
    EXPECT_EQ(empty.GetPointWord2(0), 20);
    empty.MergeScan(1, far); // only maximum hold exists for the family
    EXPECT_EQ(empty.GetStoredAmplitude(0), 5);
}

TEST(ScanRecords, SpectralComparisonReadsStoredLevelsAndLeavesTheSwitchAlone) {
    const CompensationSwitchGuard guard;
    QSpectralScan a = Received({100, -32768, 7});
    QSpectralScan b = Received({40, 32767, 7});
    a.SetFrequencyRange(100.0f, 400.0f);
    b.SetFrequencyRange(200.0f, 500.0f);
    const QSpectralComparisonScan difference(a, b);
    for (const bool on : {false, true}) {
        QCorrectionData::SetSpectralCompensationOn(on);
        EXPECT_EQ(difference.GetPointCount(), 3U);
        EXPECT_EQ(difference.GetAmplitude(0), 60);
        EXPECT_EQ(difference.GetAmplitude(1), -32768); // held, not wrapped
        EXPECT_EQ(difference.GetAmplitude(2), 0);
        EXPECT_FLOAT_EQ(difference.GetFrequency(1), 250.0f);
        EXPECT_EQ(difference.GetPointWord1(0), 0);
        EXPECT_EQ(QCorrectionData::IsSpectralCompensationOn(), on);
    }
}

// The spectra of spectral/spatial sources are snapshots that compensate what they show: the
// difference still takes their raw levels.
TEST(ScanRecords, SpectralComparisonOfSpectralSpatialSourcesTakesTheirRawLevels) {
    const CompensationSwitchGuard guard;
    QCorrectionData::SetSpectralCompensationOn(true);
    QSSSpectralSnapshot a(2);
    QSSSpectralSnapshot b(2);
    a.SetPoint(0, 500, 1, 2);
    b.SetPoint(0, 100, 0, 0);
    a.GetCorrections()[0] = 3.0F;
    b.GetCorrections()[0] = 1.0F;
    ASSERT_EQ(a.GetAmplitude(0), 530); // the factor is in force for what the views show
    const QSpectralComparisonScan difference(a, b);
    EXPECT_EQ(difference.GetAmplitude(0), 400);
    EXPECT_EQ(a.GetStoredAmplitude(0), 500);
    EXPECT_EQ(a.GetStoredAmplitude(2), 0); // beyond the points
}

QSpatialScan Spatial(uint16_t rows, uint16_t columns, const std::vector<int16_t>& levels, float frequency) {
    QSpatialScan scan;
    scan.SetGridSize(rows, columns);
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            scan.SetStoredAmplitude(r, c, levels[r * columns + c]);
        }
    }
    scan.SetFrequency(frequency);
    return scan;
}

TEST(ScanRecords, SpatialDifferenceKeepsNoValueCellsAndSaturates) {
    const QSpatialScan a = Spatial(2, 2, {100, 30000, 32000, -30000}, 88.0f);
    const QSpatialScan b = Spatial(1, 2, {40, 5}, 99.0f); // one row short
    const QProbeScanPattern pattern(2, 2);
    const QSpatialComparisonScan difference(a, b, pattern);
    EXPECT_EQ(difference.GetRowCount(), 2);
    EXPECT_EQ(difference.GetAmplitude(0, 0), 60);
    EXPECT_EQ(difference.GetAmplitude(0, 1), 30000);
    EXPECT_EQ(difference.GetAmplitude(1, 0), 30000); // outside B's grid
    EXPECT_FLOAT_EQ(difference.GetFrequency(1, 1), 88.0f);

    const QSpatialScan c = Spatial(1, 2, {-32000, 32000}, 1.0f);
    const QSpatialScan d = Spatial(1, 2, {32000, -32000}, 1.0f);
    const QSpatialComparisonScan extremes(c, d, QProbeScanPattern(1, 2));
    EXPECT_EQ(extremes.GetAmplitude(0, 0), -32768);
    EXPECT_EQ(extremes.GetAmplitude(0, 1), 29999); // never reads as "no value"
}

TEST(ScanRecords, BlindSpotReductionCombinesWithTheRowBelow) {
    const QSpatialScan a = Spatial(3, 1, {100, 200, 300}, 50.0f);
    const QSpatialScan b = Spatial(3, 1, {0, 150, 30000}, 60.0f);
    const QProbeScanPattern pattern(3, 1);
    const QBlindSpotReductionScan reduced(a, b, pattern);
    EXPECT_EQ(reduced.GetAmplitude(2, 0), 300); // last row: A alone
    EXPECT_EQ(reduced.GetAmplitude(0, 0), 150); // B(1) = 150 against A(0) = 100
    EXPECT_EQ(reduced.GetAmplitude(1, 0), 200); // B(2) has no value
    EXPECT_FLOAT_EQ(reduced.GetFrequency(0, 0), 50.0f);

    // The combination is the higher level plus log10(1 + 10^-(difference)), truncated.
    EXPECT_EQ(QBlindSpotReductionScan::CombineLevels(100, 100), 100);
    EXPECT_EQ(QBlindSpotReductionScan::CombineLevels(-50, -50), -49); // -50 + 0.301, toward zero
    EXPECT_EQ(QBlindSpotReductionScan::CombineLevels(32767, 32767), 32767);
    EXPECT_EQ(QBlindSpotReductionScan::CombineLevels(-32768, 5), 5);
}

} // namespace
} // namespace orv
