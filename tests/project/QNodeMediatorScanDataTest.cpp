#include "analyzers/CInstrumentInfo.h"
#include "core/PathUtilities.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/log/InformationLog.h"
#include "project/NodeMessages.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFileFormat.h"
#include "project/QScanMemoryBudget.h"
#include "project/QScanResidency.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <stdexcept>
#include <unistd.h>

namespace orv::test {
namespace {

QSpectralScanAddition Spectral(int32_t id, std::vector<int16_t> levels) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Texts = {"user " + std::to_string(id), "analyser", "module", "date", "head", ""};
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_HasPoints = true;
    for (int16_t level : levels) {
        addition.m_MirtPoints.push_back(QSpectralPoint{level, 1, 2});
    }
    return addition;
}

QSpatialScanAddition Spatial(int32_t id, uint16_t rows, uint16_t columns, int16_t value) {
    QSpatialScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = rows;
    addition.m_Record.m_Columns = columns;
    addition.m_Record.m_CenterFrequency = 150.0F;
    addition.m_Values.assign(static_cast<size_t>(rows) * columns, value);
    return addition;
}

QCellAddition Cell(int32_t id, uint32_t index, uint32_t count, std::vector<int16_t> values) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_CellIndex = index;
    addition.m_CellCount = count;
    addition.m_CellWord1 = static_cast<uint16_t>(index);
    addition.m_CellWord2 = 3;
    addition.m_CellWord3 = static_cast<uint16_t>(-5);
    addition.m_CellValue = 1.5F;
    addition.m_HasValues = !values.empty();
    addition.m_Values = std::move(values);
    return addition;
}

class ScanDataTest : public ::testing::Test {
protected:
    ScanDataTest() : factory(thread), window(thread) {}

    std::unique_ptr<TestMediator> Make(uint16_t kind) {
        auto mediator = std::make_unique<TestMediator>(kind, "Node");
        mediator->Wire(&factory, &window, &tree, &list, &container);
        return mediator;
    }

    MessageThread thread;
    FakeViewFactory factory;
    FakeProjectWindow window;
    FakeProjectTree tree;
    FakeScanDataList list;
    FakeNodeContainer container;
};

TEST_F(ScanDataTest, AddedScansAreListedAndLookedUp) {
    auto mediator = Make(2003);
    int32_t id = 77;
    EXPECT_EQ(mediator->GetLastSpectralScanData(id), nullptr);
    EXPECT_EQ(id, 77);
    EXPECT_EQ(mediator->GetNextSpectralScanID(), 1);

    for (int32_t scanID : {1, 2, 3}) {
        ASSERT_TRUE(mediator->AddSpectralScanData(Spectral(scanID, {10, 20}), false, false));
    }
    EXPECT_EQ(mediator->GetScanDataCount(), 3U);
    CSpectralScanData* scan = mediator->GetSpectralScanData(2);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_Prepared, 1);
    EXPECT_EQ(scan->m_UserText, "user 2");
    EXPECT_EQ(scan->m_PointCount, 2U);
    EXPECT_EQ(scan->m_Rows, 29);
    EXPECT_EQ(mediator->GetSpectralScanData(9), nullptr);
    EXPECT_NE(mediator->GetLastSpectralScanData(id), nullptr);
    EXPECT_EQ(id, 3);
    ASSERT_EQ(container.listCalls.size(), 3U);
    EXPECT_TRUE(container.listCalls[0].newEntry);
    EXPECT_FALSE(container.listCalls[0].live);
    EXPECT_TRUE(mediator->notifications.empty());
    EXPECT_EQ(mediator->GetScanIDs(2004), std::vector<int32_t>{});
}

// Past the memory budget the least recently used scans are moved out to their scan file and come
// back whole when looked up: every scan stays listed, what a save writes of each is what was added,
// and the memory the scans hold stays bounded while they are walked.
TEST_F(ScanDataTest, ScansBeyondTheMemoryBudgetAreMovedOutAndComeBackWhole) {
    struct BudgetScope {
        BudgetScope() { QScanMemoryBudget::SetBudgetBytesForTest(1); }
        ~BudgetScope() { QScanMemoryBudget::SetBudgetBytesForTest(0); }
    } budget;
    const uint64_t heldBefore = QScanMemoryBudget::GetHeldBytes();
    auto mediator = Make(2003);
    std::vector<QProjectSpectralScanRecord> added;
    std::vector<QProbeScanPattern> patterns;
    constexpr int32_t kScans = 40;
    for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
        std::vector<int16_t> levels(500);
        for (size_t i = 0; i < levels.size(); ++i) {
            levels[i] = static_cast<int16_t>(scanID * 7 + static_cast<int32_t>(i));
        }
        QSpectralScanAddition addition = Spectral(scanID, levels);
        addition.m_Markers = {{1, 2}, {3, static_cast<uint16_t>(scanID)}};
        addition.m_MeasuredFrequencies = {{0, 100.5F}, {499, 199.25F + static_cast<float>(scanID)}};
        ASSERT_TRUE(mediator->AddSpectralScanData(std::move(addition), true, false));
        const CSpectralScanData* listed = mediator->FindSpectralScanData(scanID);
        added.push_back(QMediatorProjectFileModel::MakeSpectralRecord(*listed));
        patterns.push_back(listed->m_ProbeScanPattern);
    }
    // Only the scans used last stay whole; the others keep neither points nor pattern grids.
    const uint64_t perScan = mediator->FindSpectralScanData(kScans)->GetBulkBytes();
    EXPECT_GT(perScan, 29U * 42U * 3U) << "the pattern's grids are counted";
    const uint64_t wholeBytes = QScanMemoryBudget::GetHeldBytes() - heldBefore;
    EXPECT_LE(wholeBytes, (QScanResidency::kRecentlyUsed + 2) * perScan);
    EXPECT_EQ(mediator->GetSpectralScanData(1)->m_ProbeScanPattern.GetRows(), 29);
    EXPECT_EQ(mediator->GetScanDataCount(), static_cast<size_t>(kScans));
    EXPECT_EQ(mediator->GetScanIDs(2003).size(), static_cast<size_t>(kScans));

    // A save's walk (the lookups it makes) finds every scan whole and as it was added, while what
    // is held stays as bounded as before.
    for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
        const CSpectralScanData* scan = mediator->FindSpectralScanData(scanID);
        ASSERT_NE(scan, nullptr);
        EXPECT_EQ(scan->m_UserText, "user " + std::to_string(scanID));
        EXPECT_TRUE(QMediatorProjectFileModel::MakeSpectralRecord(*scan) == added[scanID - 1]) << scanID;
        EXPECT_FALSE(scan->m_ProbeScanPattern != patterns[scanID - 1]) << scanID;
        EXPECT_LE(QScanMemoryBudget::GetHeldBytes() - heldBefore, wholeBytes + perScan); // one scan more
    }
    // The spatial page's copy of a moved-out scan's measured frequencies is taken from the whole scan.
    CSpectralScanData* early = mediator->GetSpectralScanData(2);
    for (int32_t scanID = 10; scanID <= kScans; ++scanID) {
        mediator->FindSpectralScanData(scanID);
    }
    const std::vector<QMeasuredFrequencyData::Entry> copied = mediator->CopyMeasuredFrequencies(*early);
    ASSERT_EQ(copied.size(), 2U);
    EXPECT_EQ(copied[1].m_Frequency, 201.25F);
    // A view's lookup prepares the scan it brings back.
    CSpectralScanData* shown = mediator->GetSpectralScanData(3);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->m_Prepared, 1);
    EXPECT_EQ(shown->m_PointCount, 500U);
    EXPECT_EQ(shown->GetMirtPoints()[10].m_Amplitude, 3 * 7 + 10);

    // Deleting scans, whole or moved out, and clearing give back what they held.
    EXPECT_TRUE(mediator->DeleteSpectralScanData(1));
    EXPECT_TRUE(mediator->DeleteSpectralScanData(kScans));
    mediator->ClearScanData();
    EXPECT_EQ(QScanMemoryBudget::GetHeldBytes(), heldBefore);
}

struct BudgetScope {
    explicit BudgetScope(uint64_t bytes) { QScanMemoryBudget::SetBudgetBytesForTest(bytes); }
    ~BudgetScope() { QScanMemoryBudget::SetBudgetBytesForTest(0); }
};

// The bytes a save writes of a node's scans, through the save's own walk.
std::vector<uint8_t> SavedScans(QNodeMediator& mediator, uint16_t kind) {
    QMediatorProjectFileModel model;
    const auto walk = [&](QDataWriter& writer) {
        switch (kind) {
        case kTypeSpatialScanNode:
            model.VisitSpatialScans(mediator, [&writer](const QProjectSpatialScanRecord& record) {
                WriteSpatialScanRecord(writer, record);
            });
            break;
        case kTypeSpectralSpatialScanNode:
            model.VisitSpectralSpatialScans(mediator,
                                            [&writer](const QProjectSpectralSpatialScanRecord& record) {
                                                WriteSpectralSpatialScanRecord(writer, record, false);
                                            });
            break;
        default:
            model.VisitHandHeldScans(mediator, [&writer](const QProjectSpectralSpatialScanRecord& record) {
                WriteSpectralSpatialScanRecord(writer, record, true);
            });
            break;
        }
    };
    QCharCounterDataWriter counter;
    walk(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    walk(writer);
    return bytes;
}

struct KeptKind {
    const char* name;
    uint16_t kind;
    bool zelt;
};

class ScanResidencyKindsTest : public ScanDataTest, public ::testing::WithParamInterface<KeptKind> {
protected:
    static constexpr int32_t kScans = 24;
    static constexpr uint32_t kCells = 6;

    // Header texts longer than a short text's inline room, each its own per scan: a moved-out scan
    // gives up those the list does not show and must get them back for a save.
    static decltype(QScanDataRecord::m_Texts) Texts(int32_t scanID) {
        const std::string id = std::to_string(scanID);
        return {"user " + id,
                "Placeholder Analyzer " + id,
                "Scanner Module " + id,
                "2026-12-11,  17:00:" + id,
                "Scan Head " + id + ", wide band",
                "extra text " + id + " past sixteen"};
    }

    // Scan `scanID`, whole: spatial values (or Zelt records) that differ per scan, or kCells cells of
    // 300 points each; the pattern's heights are set apart from the defaults.
    void AddScan(QNodeMediator& mediator, int32_t scanID) {
        const KeptKind& kept = GetParam();
        if (kept.kind == kTypeSpatialScanNode) {
            QSpatialScanAddition addition = Spatial(scanID, 29, 42, 0);
            addition.m_Record.m_Texts = Texts(scanID);
            for (size_t i = 0; i < addition.m_Values.size(); ++i) {
                addition.m_Values[i] = i % 5 == 0
                                           ? CScanData::kNoValue
                                           : static_cast<int16_t>(scanID * 3 + static_cast<int32_t>(i));
            }
            if (kept.zelt) {
                addition.m_Record.m_IsZeltData = 1;
                addition.m_Record.m_ZeltLevel = 1;
                for (uint16_t cell = 0; cell < 40; ++cell) {
                    const uint16_t words[4] = {static_cast<uint16_t>(cell % 29), static_cast<uint16_t>(cell),
                                               static_cast<uint16_t>(cell & 1), 1};
                    for (uint16_t word : words) {
                        addition.m_ZeltRecords.push_back(static_cast<uint8_t>(word));
                        addition.m_ZeltRecords.push_back(static_cast<uint8_t>(word >> 8));
                    }
                    const float value = 10.5F * static_cast<float>(scanID) + static_cast<float>(cell);
                    uint32_t raw = 0;
                    std::memcpy(&raw, &value, 4);
                    for (int b = 0; b < 4; ++b) {
                        addition.m_ZeltRecords.push_back(static_cast<uint8_t>(raw >> (8 * b)));
                    }
                }
            }
            ASSERT_TRUE(mediator.AddSpatialScanData(std::move(addition), true, false));
        } else {
            for (uint32_t index = 1; index <= kCells; ++index) {
                std::vector<int16_t> levels(300);
                for (size_t i = 0; i < levels.size(); ++i) {
                    levels[i] = static_cast<int16_t>(scanID * 11 + static_cast<int32_t>(index * i % 97));
                }
                QCellAddition cell = Cell(scanID, index, kCells, kept.zelt ? std::vector<int16_t>{} : levels);
                cell.m_Record.m_Texts = Texts(scanID);
                if (kept.zelt) {
                    cell.m_Record.m_IsZeltData = 1;
                    cell.m_Record.m_ZeltLevel = 1;
                    cell.m_HasValues = true;
                    cell.m_ZeltWords = {static_cast<uint16_t>(index), 3, 1, 0};
                    cell.m_ZeltValues.assign(levels.begin(), levels.end());
                }
                const bool added = kept.kind == kTypeHandHeldProbeScanNode
                                       ? mediator.AddHandHeldProbeScanData(std::move(cell), true)
                                       : mediator.AddSpectralSpatialScanData(std::move(cell), true);
                ASSERT_TRUE(added);
            }
        }
        CScanData* scan = Listed(mediator, scanID);
        ASSERT_NE(scan, nullptr);
        scan->m_ProbeScanPattern.SetHeightAt(1, static_cast<int>(scanID % 42),
                                             static_cast<uint16_t>(200 + scanID));
    }

    CScanData* Listed(QNodeMediator& mediator, int32_t scanID) {
        switch (GetParam().kind) {
        case kTypeSpatialScanNode:
            return mediator.FindSpatialScanData(scanID);
        case kTypeSpectralSpatialScanNode:
            return mediator.FindSpectralSpatialScanData(scanID);
        default:
            return mediator.FindHandHeldProbeScanData(scanID);
        }
    }
    CScanData* Shown(QNodeMediator& mediator, int32_t scanID) {
        switch (GetParam().kind) {
        case kTypeSpatialScanNode:
            return mediator.GetSpatialScanData(scanID);
        case kTypeSpectralSpatialScanNode:
            return mediator.GetSpectralSpatialScanData(scanID);
        default:
            return mediator.GetHandHeldProbeScanData(scanID);
        }
    }
    // Whether the scan holds its bulk now (read without a lookup, which would bring it back).
    bool Holds(const CScanData& scan) const {
        if (const auto* spatial = dynamic_cast<const CSpatialScanData*>(&scan)) {
            return !spatial->m_Values.empty() || !spatial->m_ZeltRecords.empty();
        }
        return !dynamic_cast<const CSpectralSpatialScanData&>(scan).m_Units.empty();
    }
};

// Every kind of scan is moved out past the budget and comes back whole: a save writes exactly the
// bytes it wrote while every scan was in memory, the scans hold no more than the few used last
// while the save walks them, and a view's lookup prepares what it brings back.
TEST_P(ScanResidencyKindsTest, MovedOutScansComeBackForASaveByteForByte) {
    const uint16_t kind = GetParam().kind;
    const uint64_t heldBefore = QScanMemoryBudget::GetHeldBytes();
    auto mediator = Make(kind);
    std::vector<uint8_t> whole;
    {
        BudgetScope roomy(uint64_t{1} << 40);
        for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
            AddScan(*mediator, scanID);
        }
        whole = SavedScans(*mediator, kind);
    }
    ASSERT_FALSE(whole.empty());
    const uint64_t perScan = Listed(*mediator, kScans)->GetBulkBytes();
    CScanData* first = Listed(*mediator, 1);

    BudgetScope tight(1);
    const uint64_t heldByRoomy = QScanMemoryBudget::GetHeldBytes();
    auto other = Make(kind);
    std::vector<QProbeScanPattern> patterns;
    for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
        AddScan(*other, scanID);
        patterns.push_back(Listed(*other, scanID)->m_ProbeScanPattern);
    }
    // Past the budget the early scans hold nothing, yet every one stays listed with its texts.
    CScanData* early = Listed(*other, 2);
    for (int32_t scanID = 3; scanID <= kScans; ++scanID) {
        Listed(*other, scanID);
    }
    EXPECT_FALSE(Holds(*early));
    EXPECT_EQ(early->m_UserText, "user 2");
    EXPECT_EQ(early->m_DateText, "2026-12-11,  17:00:2");
    EXPECT_TRUE(early->m_AnalyzerText.empty());
    EXPECT_TRUE(early->m_DescriptionTexts.IsEmpty());
    EXPECT_EQ(other->GetScanIDs(kind).size(), static_cast<size_t>(kScans));
    const uint64_t bound = (QScanResidency::kRecentlyUsed + 2) * perScan;
    EXPECT_LE(QScanMemoryBudget::GetHeldBytes() - heldByRoomy, bound);

    // The save of the tight node writes the bytes the roomy one did, twice over, within the bound.
    EXPECT_EQ(SavedScans(*other, kind), whole);
    EXPECT_LE(QScanMemoryBudget::GetHeldBytes() - heldByRoomy, bound);
    EXPECT_EQ(SavedScans(*other, kind), whole);
    for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
        EXPECT_FALSE(Listed(*other, scanID)->m_ProbeScanPattern != patterns[scanID - 1]) << scanID;
    }
    // The roomy node was trimmed by its own lookups only: its first scan was never moved out.
    EXPECT_TRUE(Holds(*first));

    // A view's lookup brings a moved-out scan back prepared.
    CScanData* shown = Shown(*other, 2);
    ASSERT_EQ(shown, early);
    EXPECT_TRUE(Holds(*shown));
    EXPECT_EQ(shown->m_Prepared, 1);
    EXPECT_EQ(shown->m_AnalyzerText, "Placeholder Analyzer 2");
    EXPECT_EQ(shown->m_DescriptionTexts.GetDate(), "2026-12-11,  17:00:2");

    // Deleting scans, whole or moved out, and clearing give back what they held.
    EXPECT_TRUE(kind == kTypeSpatialScanNode           ? other->DeleteSpatialScanData(1)
                : kind == kTypeSpectralSpatialScanNode ? other->DeleteSpectralSpatialScanData(1)
                                                       : other->DeleteHandHeldProbeScanData(1));
    other->ClearScanData();
    mediator->ClearScanData();
    EXPECT_EQ(QScanMemoryBudget::GetHeldBytes(), heldBefore);
}

// A scan whose scan file cannot be read back: a view's lookup logs Error#312 and finds no scan
// rather than throwing into the event loop; a save's lookup throws it, so the save fails.
TEST_P(ScanResidencyKindsTest, AScanThatCannotBeReadBackIsLoggedForAViewAndFailsASave) {
    const uint16_t kind = GetParam().kind;
    BudgetScope tight(1);
    auto mediator = Make(kind);
    for (int32_t scanID = 1; scanID <= kScans; ++scanID) {
        AddScan(*mediator, scanID);
    }
    // Every scan file of the process is emptied: it is open, unnamed, in the temp folder.
    const std::string folder = GetTempFolder();
    int emptied = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds)) {
            char target[4096] = {};
            const std::string link = std::string("/proc/self/fd/") + entry->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof(target) - 1);
            const std::string path(target, n > 0 ? static_cast<size_t>(n) : 0);
            if (path.rfind(folder, 0) == 0 && path.find(" (deleted)") != std::string::npos &&
                ::ftruncate(std::atoi(entry->d_name), 0) == 0) {
                ++emptied;
            }
        }
        ::closedir(fds);
    }
    ASSERT_GE(emptied, 1);

    std::vector<std::string> lines;
    InformationLog::Sink previous = InformationLog::Instance().SetSink(
        [&lines](uint8_t, const std::string& line) { lines.push_back(line); });
    CScanData* shown = nullptr;
    EXPECT_NO_THROW(shown = Shown(*mediator, 1));
    InformationLog::Instance().SetSink(previous);
    EXPECT_EQ(shown, nullptr);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_NE(lines[0].find("Error#312: Error reading from file: "), std::string::npos) << lines[0];
    EXPECT_THROW(SavedScans(*mediator, kind), QStorageLayerException);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ScanResidencyKindsTest,
    ::testing::Values(KeptKind{"SpatialMirt", kTypeSpatialScanNode, false},
                      KeptKind{"SpatialZelt", kTypeSpatialScanNode, true},
                      KeptKind{"SpectralSpatialMirt", kTypeSpectralSpatialScanNode, false},
                      KeptKind{"SpectralSpatialZelt", kTypeSpectralSpatialScanNode, true},
                      KeptKind{"HandHeld", kTypeHandHeldProbeScanNode, false}),
    [](const ::testing::TestParamInfo<KeptKind>& info) { return std::string(info.param.name); });

TEST(ScanMemoryBudget, FollowsTheSettingWithinAQuarterOfTheMachine) {
    constexpr uint64_t kMB = 1024 * 1024;
    EXPECT_EQ(QScanMemoryBudget::ChooseBudget(0, 16 * 1024 * kMB), 512 * kMB);
    EXPECT_EQ(QScanMemoryBudget::ChooseBudget(2048, 16 * 1024 * kMB), 2048 * kMB);
    EXPECT_EQ(QScanMemoryBudget::ChooseBudget(0, 1024 * kMB), 256 * kMB);
    EXPECT_EQ(QScanMemoryBudget::ChooseBudget(1, 16 * 1024 * kMB), 16 * kMB);
}

TEST_F(ScanDataTest, ComparedResultIsMarkedChangedByEverySetAndRelease) {
    auto comparison = Make(2011);
    EXPECT_TRUE(comparison->IsComparedResultChanged()); // nothing built yet
    EXPECT_TRUE(comparison->SetComparedResult(std::make_unique<CSpatialScanData>()));
    EXPECT_FALSE(comparison->SetComparedResult(std::make_unique<CSpectralScanData>())); // wrong kind
    ASSERT_NE(comparison->GetComparedResult(), nullptr);
    comparison->ClearComparedResultChanged();
    EXPECT_FALSE(comparison->IsComparedResultChanged());
    ASSERT_TRUE(comparison->SetComparedScan(true, std::make_unique<CSpatialScanData>()));
    EXPECT_TRUE(comparison->IsComparedResultChanged());
    comparison->ClearComparedResultChanged();
    comparison->RemoveSpatialComparisonScan(true);
    EXPECT_TRUE(comparison->IsComparedResultChanged());
    // Kinds without compared scans hold no result.
    auto spectral = Make(2003);
    EXPECT_FALSE(spectral->SetComparedResult(std::make_unique<CSpectralScanData>()));
    EXPECT_EQ(spectral->GetComparedResult(), nullptr);
    EXPECT_FALSE(spectral->IsComparedResultChanged());
}

TEST_F(ScanDataTest, NextIdAfterAReorderIsUnique) {
    auto mediator = Make(2003);
    for (int32_t scanID : {1, 2, 3}) {
        mediator->AddSpectralScanData(Spectral(scanID, {10}), false, false);
    }
    mediator->ReorderScanData({3}, false);
    EXPECT_EQ(mediator->GetScanIDs(2003), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(list.rows, (std::vector<std::string>{"1", "3", "2"}));
    EXPECT_EQ(list.selected, std::vector<std::string>{"3"});
    EXPECT_EQ(list.owner, mediator.get());
    EXPECT_EQ(mediator->GetNextSpectralScanID(), 4);

    // Each ID in turn: 1 moves down past 3, then 3 (now first) past 1.
    mediator->ReorderScanData({1, 3}, true);
    EXPECT_EQ(mediator->GetScanIDs(2003), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(list.selected, (std::vector<std::string>{"1", "3"}));
    mediator->ReorderScanData({2}, true); // already last: stays
    EXPECT_EQ(mediator->GetScanIDs(2003), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(mediator->GetNextSpectralScanID(), 4);
}

TEST_F(ScanDataTest, DeletingTheDisplayedScan) {
    auto mediator = Make(2003);
    for (int32_t scanID : {1, 2, 3}) {
        mediator->AddSpectralScanData(Spectral(scanID, {10}), false, false);
    }
    bool created = false;
    mediator->OpenView(2003, created, true);
    FakeFrame& frame = *factory.frames.back();
    mediator->ShowSpectralScanData(3);
    EXPECT_FALSE(mediator->DeleteSpectralScanData(8));
    ASSERT_TRUE(mediator->DeleteSpectralScanData(3));
    EXPECT_EQ(mediator->GetDisplayedSpectralScanID(), 2);
    EXPECT_EQ(frame.title, "Node --- Scan ID: 2   ");
    // Deleting a scan that is not shown changes nothing on the screen.
    ASSERT_TRUE(mediator->DeleteSpectralScanData(1));
    EXPECT_EQ(mediator->GetDisplayedSpectralScanID(), 2);
    ASSERT_TRUE(mediator->DeleteSpectralScanData(2));
    thread.Pump();
    EXPECT_FALSE(frame.HasWindow());
    EXPECT_EQ(frame.target.Ids(), std::vector<uint32_t>{NodeMessage::kClose});
    EXPECT_EQ(mediator->GetScanDataCount(), 0U);
}

// A spatial node with its own display options, as the stitcher's node has.
class SpatialNodeMediator : public TestMediator {
public:
    using TestMediator::TestMediator;
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &spatialDisplay; }
    QSpatialDisplayOptions spatialDisplay;
};

// A copy of a listed scan with a grid of its own, as the stitcher makes one.
std::unique_ptr<CSpatialScanData> MadeFrom(QNodeMediator& node, int32_t scanID, uint16_t rows,
                                           uint16_t columns) {
    std::unique_ptr<CSpatialScanData> made = node.GetSpatialScanData(scanID)->Clone();
    made->SetProbeScanPatternSize(rows, columns);
    made->m_Values.resize(static_cast<size_t>(rows) * columns);
    for (size_t at = 0; at < made->m_Values.size(); ++at) {
        made->m_Values[at] = at % 7 == 0 ? CScanData::kNoValue : static_cast<int16_t>(at % 1000 - 300);
    }
    made->m_Prepared = 0;
    return made;
}

TEST_F(ScanDataTest, AMadeScanGetsAnUnusedIdIsListedNotifiedAndMarksTheProjectModified) {
    auto node = std::make_unique<SpatialNodeMediator>(kTypeSpatialScanNode, "Node");
    node->Wire(&factory, &window, &tree, &list, &container);
    node->spectralDisplay.m_count = 17;
    node->spectralDisplay.m_step = 2.5F;
    node->spatialDisplay.m_rangeLow = -20.0F;
    node->spatialDisplay.m_rangeHigh = 80.0F;
    node->spatialDisplay.m_modeB = 0;
    for (int32_t scanID : {1, 2, 3}) {
        ASSERT_TRUE(node->AddSpatialScanData(Spatial(scanID, 2, 3, 40), false, false));
    }
    // With the middle scan gone, the count + 1 would name scan 3 again.
    ASSERT_TRUE(node->DeleteSpatialScanData(2));
    container.listCalls.clear();
    thread.Pump();
    window.target.received.clear();

    // The whole canvas of the stitcher, beyond the 64 x 64 of a scan head.
    const int32_t made = node->AddMadeSpatialScanData(MadeFrom(*node, 1, 116, 168));
    EXPECT_EQ(made, 4);
    EXPECT_EQ(node->GetScanIDs(kTypeSpatialScanNode), (std::vector<int32_t>{1, 3, 4}));
    ASSERT_EQ(container.listCalls.size(), 1U);
    EXPECT_EQ(container.listCalls[0].scanID, 4U);
    EXPECT_TRUE(container.listCalls[0].newEntry);
    EXPECT_EQ(node->notifications, std::vector<uint16_t>{kTypeSpatialScanNode});
    thread.Pump();
    EXPECT_EQ(window.target.Ids(), std::vector<uint32_t>{NodeMessage::kProjectModified});

    // Prepared for a view: its map spans the whole grid, each cell as stored.
    CSpatialScanData* scan = node->GetSpatialScanData(4);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_Mediator, node.get());
    ASSERT_NE(scan->m_SpatialSnapshot, nullptr);
    EXPECT_EQ(scan->m_SpatialSnapshot->GetRowCount(), 116);
    EXPECT_EQ(scan->m_SpatialSnapshot->GetColumnCount(), 168);
    const size_t last = 116U * 168U - 1U;
    EXPECT_EQ(scan->m_SpatialSnapshot->GetRawAmplitude(115, 167), scan->m_Values[last]);
    EXPECT_EQ(scan->m_SpatialSnapshot->GetRawAmplitude(0, 0), CScanData::kNoValue);
    EXPECT_TRUE(scan->m_ProbeScanPattern.IsProbeOn(115, 167));
    EXPECT_FALSE(scan->m_ProbeScanPattern.IsProbeOn(0, 0));
    // The view settings a received scan starts with.
    EXPECT_EQ(scan->m_DisplayCount, 17U);
    EXPECT_EQ(scan->m_DisplayValue, 2.5F);
    EXPECT_EQ(scan->m_SpatialRangeLow, -20.0F);
    EXPECT_EQ(scan->m_SpatialRangeHigh, 80.0F);
    EXPECT_EQ(scan->m_SpatialAutoByte, 0);
}

TEST_F(ScanDataTest, UpdateLastFailsCleanly) {
    auto mediator = Make(2003);
    EXPECT_THROW(mediator->AddSpectralScanData(Spectral(1, {10}), true, true), std::invalid_argument);
    EXPECT_THROW(mediator->AddSpatialScanData(Spatial(1, 2, 2, 5), true, true), std::invalid_argument);
    EXPECT_THROW(mediator->AddSpectralSpatialScanData(Cell(1, 2, 4, {1, 2}), true), std::invalid_argument);
    EXPECT_TRUE(container.listCalls.empty());

    ASSERT_TRUE(mediator->AddSpectralScanData(Spectral(1, {10, 20}), true, false));
    // More points than the entry holds: refused, nothing changed.
    QSpectralScanAddition oversized = Spectral(1, {50, 60, 70});
    oversized.m_Record.m_Texts[0] = "changed";
    EXPECT_FALSE(mediator->AddSpectralScanData(oversized, true, true));
    CSpectralScanData* scan = mediator->GetSpectralScanData(1);
    EXPECT_EQ(scan->m_UserText, "user 1");
    EXPECT_EQ(scan->GetMirtPoints()[0].m_Amplitude, 10);
    // A smaller update overwrites the leading points and keeps the rest.
    QSpectralScanAddition update = Spectral(1, {55});
    update.m_Record.m_Texts[0] = "running";
    update.m_Record.m_PeakHold = 1;
    ASSERT_TRUE(mediator->AddSpectralScanData(update, true, true));
    EXPECT_EQ(scan->m_UserText, "running");
    EXPECT_EQ(scan->m_PeakHold, 1);
    EXPECT_EQ(scan->GetMirtPoints()[0].m_Amplitude, 55);
    EXPECT_EQ(scan->GetMirtPoints()[1].m_Amplitude, 20);
    EXPECT_EQ(scan->m_SpectralSnapshot->GetRawAmplitude(0), 55);
    ASSERT_EQ(container.listCalls.size(), 2U);
    EXPECT_FALSE(container.listCalls[1].newEntry);
    EXPECT_EQ(mediator->notifications, (std::vector<uint16_t>{2003, 2003}));

    // A spatial update of a larger grid than the entry's is refused too.
    ASSERT_TRUE(mediator->AddSpatialScanData(Spatial(1, 2, 2, 5), false, false));
    EXPECT_FALSE(mediator->AddSpatialScanData(Spatial(1, 3, 3, 9), false, true));
    EXPECT_EQ(mediator->GetSpatialScanData(1)->m_Values, std::vector<int16_t>(4, 5));
    ASSERT_TRUE(mediator->AddSpatialScanData(Spatial(1, 2, 2, 9), false, true));
    EXPECT_EQ(mediator->GetSpatialScanData(1)->m_Values, std::vector<int16_t>(4, 9));
}

TEST_F(ScanDataTest, MeasuredFrequenciesReachTheLastSpectralEntry) {
    auto mediator = Make(2003);
    QSpectralScanAddition frequencies;
    frequencies.m_MeasuredFrequencies = {{0, 101.0F}};
    EXPECT_FALSE(mediator->AddSpectralScanData(frequencies, true, false)); // empty list
    mediator->AddSpectralScanData(Spectral(1, {10, 20}), false, false);
    QSpectralScanAddition none;
    EXPECT_FALSE(mediator->AddSpectralScanData(none, true, false));
    EXPECT_TRUE(mediator->GetSpectralScanData(1)->m_MeasuredFrequencies.empty());
    EXPECT_TRUE(mediator->AddSpectralScanData(frequencies, true, false));
    ASSERT_EQ(mediator->GetSpectralScanData(1)->m_MeasuredFrequencies.size(), 1U);
    EXPECT_EQ(container.listCalls.size(), 1U);
}

TEST_F(ScanDataTest, BlindSpotPassesArePaired) {
    auto mediator = Make(2004);
    QSpatialScanAddition first = Spatial(4, 3, 2, 100);
    first.m_Record.m_BlindSpot = 1;
    first.m_Record.m_PassWord = 0;
    ASSERT_TRUE(mediator->AddSpatialScanData(first, true, false));
    EXPECT_EQ(mediator->GetScanDataCount(), 0U);
    EXPECT_TRUE(mediator->HasKeptBlindSpotPass());
    EXPECT_TRUE(container.listCalls.empty());
    EXPECT_TRUE(mediator->notifications.empty());

    QSpatialScanAddition second = Spatial(5, 3, 2, 200);
    second.m_Record.m_BlindSpot = 1;
    second.m_Record.m_PassWord = 1;
    ASSERT_TRUE(mediator->AddSpatialScanData(second, true, false));
    EXPECT_FALSE(mediator->HasKeptBlindSpotPass());
    ASSERT_EQ(mediator->GetScanIDs(2004), std::vector<int32_t>{5});
    CSpatialScanData* combined = mediator->GetSpatialScanData(5);
    ASSERT_NE(combined, nullptr);
    EXPECT_EQ(combined->m_Mediator, mediator.get());
    EXPECT_EQ(combined->m_Values.size(), 6U);
    EXPECT_EQ(mediator->notifications, std::vector<uint16_t>{2004});

    // A second pass with nothing kept is kept itself; a stored (not live) pass is listed as it is.
    ASSERT_TRUE(mediator->AddSpatialScanData(second, true, false));
    EXPECT_TRUE(mediator->HasKeptBlindSpotPass());
    ASSERT_TRUE(mediator->AddSpatialScanData(first, false, false));
    EXPECT_EQ(mediator->GetScanIDs(2004), (std::vector<int32_t>{5, 4}));
}

TEST_F(ScanDataTest, ZeltBlindSpotPassesAreListedWhenTheInstrumentSaysSo) {
    auto mediator = Make(2004);
    QSpatialScanAddition pass = Spatial(1, 2, 2, 0);
    pass.m_Record.m_BlindSpot = 1;
    pass.m_Record.m_IsZeltData = 1;
    ASSERT_TRUE(mediator->AddSpatialScanData(pass, true, false)); // mode 3 at start
    EXPECT_EQ(mediator->GetScanDataCount(), 1U);
    GetInstrumentInfo().SetBlindSpotPassMode(2);
    pass.m_Record.m_ScanId = 2;
    ASSERT_TRUE(mediator->AddSpatialScanData(pass, true, false));
    EXPECT_EQ(mediator->GetScanDataCount(), 1U);
    EXPECT_TRUE(mediator->HasKeptBlindSpotPass());
    GetInstrumentInfo().SetBlindSpotPassMode(3);
}

TEST_F(ScanDataTest, SpectralSpatialCells) {
    auto mediator = Make(2005);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(1, 1, 2, {1, 2, 3}), true));
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(1, 2, 2, {4, 5, 6}), true));
    CSpectralSpatialScanData* scan = mediator->GetSpectralSpatialScanData(1);
    ASSERT_NE(scan, nullptr);
    ASSERT_EQ(scan->m_Units.size(), 2U);
    EXPECT_EQ(scan->m_Units[1]->m_Row, 2);
    EXPECT_EQ(scan->m_Units[1]->m_Column, 3);
    EXPECT_EQ(scan->m_Units[1]->m_Amplitudes, (std::vector<int16_t>{4, 5, 6}));
    EXPECT_EQ(mediator->GetLastCellIndex(), 2U);
    EXPECT_EQ(mediator->GetLastCellCount(), 2U);
    ASSERT_EQ(container.listCalls.size(), 1U); // only the first cell is listed
    EXPECT_EQ(mediator->notifications.size(), 2U);

    // The closing call of a scan without cells does not feed scan 1.
    QCellAddition closing = Cell(2, 0, 0, {});
    closing.m_MeasuredFrequencies = {{1, 120.0F}};
    EXPECT_FALSE(mediator->AddSpectralSpatialScanData(closing, false));
    EXPECT_TRUE(scan->m_MeasuredFrequencies.empty());
    // Its own closing call does.
    closing.m_Record.m_ScanId = 1;
    EXPECT_TRUE(mediator->AddSpectralSpatialScanData(closing, false));
    EXPECT_EQ(scan->m_MeasuredFrequencies.size(), 1U);
    EXPECT_EQ(scan->m_Prepared, 0);
    EXPECT_EQ(mediator->GetNextSpectralSpatialScanID(), 2);
}

TEST_F(ScanDataTest, HandHeldCellsAreListedOnEveryCall) {
    auto mediator = Make(2029);
    ASSERT_TRUE(mediator->AddHandHeldProbeScanData(Cell(1, 1, 3, {1}), true));
    ASSERT_TRUE(mediator->AddHandHeldProbeScanData(Cell(1, 2, 3, {2}), true));
    EXPECT_EQ(container.listCalls.size(), 2U);
    EXPECT_EQ(mediator->GetHandHeldProbeScanData(1)->m_Units.size(), 2U);
    EXPECT_THROW(Make(2029)->AddHandHeldProbeScanData(Cell(1, 2, 3, {2}), true), std::invalid_argument);
}

TEST_F(ScanDataTest, NewestScanRepaintsTheTreeOnTheFirstScanOnly) {
    auto mediator = Make(2003);
    mediator->AddSpectralScanData(Spectral(1, {10}), true, false);
    mediator->ShowNewestScan(2003);
    EXPECT_EQ(tree.repaints, 1);
    EXPECT_EQ(mediator->GetDisplayedScanID(), 1);
    ASSERT_EQ(factory.frames.size(), 1U);
    EXPECT_EQ(factory.frames[0]->title, "Node --- Scan ID: 1   ");
    mediator->AddSpectralScanData(Spectral(2, {10}), true, false);
    mediator->ShowNewestScan(2003);
    EXPECT_EQ(tree.repaints, 1);
    EXPECT_EQ(mediator->GetDisplayedSpectralScanID(), 2);

    auto spectralSpatial = Make(2005);
    spectralSpatial->AddSpectralSpatialScanData(Cell(1, 1, 2, {1}), true);
    spectralSpatial->ShowNewestScan(2005);
    EXPECT_EQ(tree.repaints, 2);
    spectralSpatial->AddSpectralSpatialScanData(Cell(1, 2, 2, {1}), true);
    spectralSpatial->ShowNewestScan(2005); // cell 2: not again
    EXPECT_EQ(tree.repaints, 2);
}

TEST_F(ScanDataTest, ReportPictureOfASpectralScan) {
    auto mediator = Make(2003);
    mediator->AddSpectralScanData(Spectral(4, {10}), false, false);
    FakeReportDocument document;
    mediator->InsertScanViewIntoReport(9, &document, 1); // no such scan: only the view opens
    ASSERT_EQ(factory.frames.size(), 1U);
    FakeFrame& frame = *factory.frames[0];
    EXPECT_TRUE(document.steps.empty());
    EXPECT_FALSE(frame.visible);

    mediator->InsertScanViewIntoReport(4, &document, 3);
    EXPECT_EQ(frame.spectral->scanTitle, "Node --- Scan ID: 4   ");
    // Sent, not posted: the view switched before the copy.
    EXPECT_EQ(frame.spectral->target.Ids(), std::vector<uint32_t>{NodeMessage::kShowSpectralScan});
    EXPECT_EQ(frame.spectral->copies, std::vector<int32_t>{3});
    EXPECT_EQ(document.steps, (std::vector<std::string>{"paste", "\n\n"}));
    thread.Pump();
    EXPECT_FALSE(frame.HasWindow()); // opened only for the picture
}

TEST_F(ScanDataTest, UserCompositeLinksToTheScanItsSourceShows) {
    auto parent = Make(2005);
    parent->AddSpectralSpatialScanData(Cell(1, 1, 1, {1}), false);
    parent->AddSpectralSpatialScanData(Cell(2, 1, 1, {1}), false);
    parent->SetDisplayedScanID(1);
    auto composite = Make(2033);
    composite->SetParentMediator(parent.get());
    composite->CreateUserComposite(*parent);
    EXPECT_EQ(composite->GetLinkedScanID(), 1);
    EXPECT_TRUE(composite->IsLinkedToScan());
    EXPECT_EQ(composite->name, "Spectral/Spatial User Composite");
    EXPECT_EQ(composite->label, "");
    EXPECT_EQ(composite->settingsTakenFrom, std::vector<QNodeMediator*>{parent.get()});
    EXPECT_TRUE(composite->IsSettingsCopied());
    EXPECT_EQ(composite->GetSettingsSourceID(), parent->GetNodeID());
    EXPECT_TRUE(composite->ResolveLinkedScanData());

    container.children = {composite.get()};
    EXPECT_EQ(parent->CountNodesLinkedToScan(1), 1U);
    EXPECT_EQ(parent->CountNodesLinkedToScan(2), 0U);
    composite->ViewNode();
    ASSERT_EQ(factory.frames.size(), 1U);
    parent->CloseViewsOfNodesLinkedToScan(2);
    thread.Pump();
    EXPECT_TRUE(factory.frames[0]->HasWindow());
    parent->CloseViewsOfNodesLinkedToScan(1);
    thread.Pump();
    EXPECT_FALSE(factory.frames[0]->HasWindow());

    // A scan that is gone is not found again.
    parent->DeleteSpectralSpatialScanData(1);
    EXPECT_FALSE(composite->ResolveLinkedScanData());
}

TEST_F(ScanDataTest, ScansUsingAnOverlay) {
    auto mediator = Make(2003);
    QSpectralScanAddition onOverlay = Spectral(1, {1});
    onOverlay.m_Record.m_Area.m_OverlayId = 7;
    mediator->AddSpectralScanData(onOverlay, false, false);
    mediator->AddSpectralScanData(Spectral(2, {1}), false, false);
    QSpatialScanAddition spatial = Spatial(1, 1, 1, 0);
    spatial.m_Record.m_Area.m_OverlayId = 7;
    mediator->AddSpatialScanData(spatial, false, false);
    EXPECT_EQ(mediator->CountScansUsingOverlay(7), 2U);
    EXPECT_EQ(mediator->CountScansUsingOverlay(8), 0U);
}

TEST_F(ScanDataTest, ReportPictureOfAComparisonNeedsBothScans) {
    auto mediator = Make(2010);
    EXPECT_FALSE(mediator->SetComparedScan(true, std::make_unique<CSpatialScanData>())); // wrong kind
    ASSERT_TRUE(mediator->SetComparedScan(true, std::make_unique<CSpectralScanData>()));
    FakeReportDocument document;
    mediator->InsertScanViewIntoReport(0, &document, 0);
    ASSERT_EQ(factory.frames.size(), 1U);
    FakeFrame& frame = *factory.frames[0];
    EXPECT_TRUE(document.steps.empty());
    EXPECT_EQ(frame.spectral->comparisonState, 0);

    ASSERT_TRUE(mediator->SetComparedScan(false, std::make_unique<CSpectralScanData>()));
    mediator->InsertScanViewIntoReport(0, &document, 5);
    EXPECT_EQ(frame.spectral->comparisonState, 2);
    EXPECT_EQ(frame.spectral->target.Ids(), std::vector<uint32_t>{NodeMessage::kRefreshSpectralComparison});
    EXPECT_EQ(frame.spectral->copies, std::vector<int32_t>{5});
    EXPECT_EQ(document.steps, (std::vector<std::string>{"paste", "\n\n"}));

    // Releasing a scan refreshes the open view; the picture then needs it again.
    thread.Pump(); // the frame opened for the picture closes
    bool created = false;
    mediator->OpenView(2010, created, true);
    ASSERT_TRUE(created);
    mediator->RemoveSpectralComparisonScan(false);
    EXPECT_EQ(mediator->GetComparedScan(false), nullptr);
    EXPECT_NE(mediator->GetComparedScan(true), nullptr);
    thread.Pump();
    EXPECT_EQ(factory.frames.back()->spectral->target.Ids(),
              std::vector<uint32_t>{NodeMessage::kRefreshSpectralComparison});
}

struct PeakRow {
    const char* name;
    uint8_t marking;
    uint8_t sameAsView;
    float step;
    uint32_t count;
    std::vector<int16_t> levels;    // snapshot levels by point
    std::vector<uint32_t> entries;  // measured point indexes
    std::vector<uint32_t> expected; // point indexes found
};

class FindPeaksTest : public ScanDataTest, public ::testing::WithParamInterface<PeakRow> {};

TEST_P(FindPeaksTest, Table) {
    const PeakRow& row = GetParam();
    auto mediator = Make(2003);
    mediator->spectralDisplay.m_switch2 = row.marking;
    mediator->spectralDisplay.m_useSameViewSetting = row.sameAsView;
    mediator->spectralDisplay.m_step = row.step;
    mediator->spectralDisplay.m_count = row.count;
    mediator->spectralDisplay.m_modeA = kAmplitudeUnitStored;
    QSpectralScanAddition addition = Spectral(1, row.levels);
    for (uint32_t index : row.entries) {
        addition.m_MeasuredFrequencies.push_back({index, 100.0F + static_cast<float>(index)});
    }
    mediator->AddSpectralScanData(addition, false, false);
    CSpectralScanData* scan = mediator->GetSpectralScanData(1);
    ASSERT_NE(scan, nullptr);
    std::vector<uint32_t> indexes{99};
    std::vector<float> frequencies{1.0F};
    mediator->FindPeaks(*scan, indexes, frequencies);
    EXPECT_EQ(indexes, row.expected);
    ASSERT_EQ(frequencies.size(), indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        EXPECT_EQ(frequencies[i], 100.0F + static_cast<float>(indexes[i]));
    }
}

std::vector<uint32_t> Iota(uint32_t from, uint32_t count) {
    std::vector<uint32_t> values;
    for (uint32_t i = 0; i < count; ++i) {
        values.push_back(from + i);
    }
    return values;
}

std::vector<int16_t> Levels30() {
    std::vector<int16_t> levels;
    for (int i = 0; i < 30; ++i) {
        levels.push_back(static_cast<int16_t>(100 + i));
    }
    return levels;
}

std::vector<uint32_t> Highest20() {
    std::vector<uint32_t> indexes;
    for (uint32_t i = 29; i >= 10; --i) {
        indexes.push_back(i);
    }
    return indexes;
}

INSTANTIATE_TEST_SUITE_P(
    Peaks, FindPeaksTest,
    ::testing::Values(
        PeakRow{"MarkingOff", 0, 1, 0.0F, 10, {50, 60}, {0, 1}, {}},
        PeakRow{"ThirtyQualifyScanCountTwenty", 1, 0, 0.0F, 99, Levels30(), Iota(0, 30), Highest20()},
        PeakRow{"TiesInEntryOrder", 1, 1, 0.0F, 3, {70, 90, 70, 90, 10}, {0, 1, 2, 3, 4}, {1, 3, 0}},
        PeakRow{"BelowThreshold", 1, 1, 65.0F, 10, {70, 60, 80}, {0, 1, 2}, {2, 0}},
        PeakRow{"IndexBeyondSnapshotIsLevelZero", 1, 1, -5.0F, 10, {-20, 30}, {0, 1, 7}, {1, 7}},
        PeakRow{"IndexBeyondSnapshotBelowThreshold", 1, 1, 5.0F, 10, {-20, 30}, {0, 1, 7}, {1}},
        PeakRow{"EveryLevelBelowTheSearchFloor",
                1,
                1,
                -30000.0F,
                10,
                {-25000, -20000, -20000},
                {0, 1, 2},
                {1, 2, 0}}),
    [](const ::testing::TestParamInfo<PeakRow>& info) { return std::string(info.param.name); });

TEST_F(ScanDataTest, FindPeaksIgnoresKindsWithoutPeaks) {
    auto mediator = Make(2004);
    QSpectralScanAddition addition = Spectral(1, {50});
    addition.m_MeasuredFrequencies = {{0, 100.0F}};
    auto spectral = Make(2003);
    spectral->AddSpectralScanData(addition, false, false);
    std::vector<uint32_t> indexes;
    std::vector<float> frequencies;
    mediator->FindPeaks(*spectral->GetSpectralScanData(1), indexes, frequencies);
    EXPECT_TRUE(indexes.empty());
}

} // namespace
} // namespace orv::test
