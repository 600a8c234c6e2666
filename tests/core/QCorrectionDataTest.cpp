#include "core/QCorrectionData.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "platform/CLocale.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/core/support/CorrectionFixtures.h"
#include "tests/platform/support/HostileFiles.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::ApplicationFolderFixture;
using testing::ToCrLf;

// Scan heads that the tests use; the records are added once per process under ids of their own.
void AddScanHead(int32_t id, const std::string& name, uint16_t rows, uint16_t columns) {
    auto& heads = GetScanHeadInfoManager();
    if (heads.Find(id) == nullptr) {
        heads.Insert(std::make_unique<QScanHeadInfo>(name, id, 10.0f, 1500.0f, rows, columns, 0, 0, 100u));
    }
}

// Factor of frequency row r, cell k in the fixture: far from linear across rows, so that an
// interpolation between the wrong rows shows.
float FixtureFactor(int r, int k) {
    static const float kRowBase[] = {0.0f, 10.0f, 40.0f};
    return kRowBase[r] + static_cast<float>(k);
}

std::string RowFile(int r, int cells) {
    std::string text;
    for (int k = 0; k < cells; ++k) {
        text += std::to_string(static_cast<int>(FixtureFactor(r, k))) + ".0\n";
    }
    return text;
}

// A 2 x 3 cell head with rows at 100, 200 and 400 MHz.
void WriteGoodHead(const ApplicationFolderFixture& folder, const std::string& head, bool crlf = false) {
    const std::string dir = "correctiondata/" + head + "/";
    const std::string list = "10.0\n3\n1,100.0,row1.txt\n2 200.0 row2.txt\n3\t400.0\trow3.txt\textra\n";
    folder.WriteFile(dir + "correctionfile.txt", crlf ? ToCrLf(list) : list);
    for (int r = 0; r < 3; ++r) {
        const std::string rows = RowFile(r, 6);
        folder.WriteFile(dir + "row" + std::to_string(r + 1) + ".txt", crlf ? ToCrLf(rows) : rows);
    }
}

class CorrectionDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddScanHead(9101, "HeadA", 2, 3);
        AddScanHead(9102, "HeadCrLf", 2, 3);
        AddScanHead(9103, "HeadB", 2, 3);
        AddScanHead(9104, "HeadC", 2, 3);
        AddScanHead(9105, "HeadD", 2, 3);
        AddScanHead(9106, "HeadOne", 2, 3);
        AddScanHead(9107, "HeadHuge", 65, 64);
        AddScanHead(9108, "HeadBad", 2, 3);
        AddScanHead(9109, "HeadBig", 4, 4);
    }

    ApplicationFolderFixture m_folder;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(CorrectionDataTest, FreshStoreHoldsNoSet) {
    QCorrectionData store;
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(store.GetSetName(s), "*******");
        EXPECT_EQ(store.GetRowCount(s), 0);
    }
    EXPECT_EQ(store.GetCurrentSet(), 0);
    EXPECT_TRUE(store.GetRbwTimes().empty());
    EXPECT_EQ(store.GetListEntry(199).m_fileName, "");
}

TEST_F(CorrectionDataTest, LfAndCrLfFoldersLoadTheSameFactors) {
    WriteGoodHead(m_folder, "HeadA");
    WriteGoodHead(m_folder, "HeadCrLf", true);
    QCorrectionData store;
    ASSERT_EQ(store.ChooseSet("HeadA,1,2"), 1);
    ASSERT_EQ(store.ChooseSet("HeadCrLf"), 2);
    EXPECT_EQ(store.GetCellCount(), 6);
    for (int s = 1; s <= 2; ++s) {
        EXPECT_EQ(store.GetRowCount(s), 3);
        EXPECT_FLOAT_EQ(store.GetLowestFrequency(s), 10.0f);
        const std::shared_ptr<const QCorrectionSet> set = store.GetSet(s);
        const std::vector<float> rows(set->GetRowFrequencies().begin(), set->GetRowFrequencies().end());
        EXPECT_EQ(rows, (std::vector<float>{100.0f, 200.0f, 400.0f}));
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 6; ++k) {
                EXPECT_EQ(store.GetFactor(s, r, k), FixtureFactor(r, k)) << s << " " << r << " " << k;
            }
        }
    }
    EXPECT_EQ(store.GetListEntry(2).m_fileName, "row3.txt");
    EXPECT_EQ(store.GetListEntry(2).m_id, 3);
    // Selecting again finds the loaded set without loading.
    EXPECT_EQ(store.ChooseSet("HeadA"), 1);
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(CorrectionDataTest, PositionAndInterpolationTable) {
    WriteGoodHead(m_folder, "HeadA");
    QCorrectionData store;
    ASSERT_EQ(store.ChooseSet("HeadA"), 1);
    struct Case {
        float f;
        float position;
        int32_t lower;
        int32_t upper;
        bool atLast;
        float factorOfCell2;
    };
    const Case cases[] = {
        {50.0f, 0.0f, 0, 0, false, 2.0f},   // below the first row
        {100.0f, 0.0f, 0, 0, false, 2.0f},  // on the first row
        {150.0f, 0.5f, 0, 1, false, 7.0f},  // between the first two rows
        {200.0f, 1.0f, 1, 1, false, 12.0f}, // on a row: no interpolation
        {300.0f, 1.5f, 1, 2, false, 27.0f}, // between rows 1 and 2
        {400.0f, 2.0f, 2, 2, true, 42.0f},  // the last row
        {900.0f, 2.0f, 2, 2, true, 42.0f},  // above the last row
    };
    for (const Case& c : cases) {
        const QCorrectionBracket bracket = store.FindPosition(1, c.f);
        EXPECT_EQ(bracket.m_position, c.position) << c.f;
        EXPECT_EQ(bracket.m_lower, c.lower) << c.f;
        EXPECT_EQ(bracket.m_upper, c.upper) << c.f;
        EXPECT_EQ(bracket.m_atLastRow, c.atLast) << c.f;
        EXPECT_FLOAT_EQ(store.GetFactorAt(1, 2, bracket, c.f), c.factorOfCell2) << c.f;
    }
}

// The position rule walked row by row, as the store must answer it for any row order.
float WalkPosition(const std::vector<float>& F, float f) {
    const int R = static_cast<int>(F.size());
    if (F[0] >= f) {
        return 0.0f;
    }
    if (R >= 2 && F[1] > f) {
        return 0.5f;
    }
    if (f >= F[R - 1]) {
        return static_cast<float>(R - 1);
    }
    for (int k = 1; k < R; ++k) {
        if (f == F[k]) {
            return static_cast<float>(k);
        }
        if (k + 1 < R && f > F[k] && F[k + 1] > f) {
            return static_cast<float>(k) + 0.5f;
        }
    }
    return 0.0f;
}

TEST_F(CorrectionDataTest, PositionsAgreeWithTheRowWalkForAnyRowOrder) {
    const std::vector<std::vector<float>> tables = {
        {100, 200, 400, 800, 1600},
        {100, 200, 200, 200, 400, 400, 900}, // repeated frequencies
        {100, 500, 300, 200, 900, 50, 1000}, // out of order
    };
    int head = 0;
    for (const std::vector<float>& rows : tables) {
        const std::string name = "HeadOrder" + std::to_string(head);
        AddScanHead(9200 + head++, name, 1, 1);
        std::string list = "0\n" + std::to_string(rows.size()) + "\n";
        for (size_t r = 0; r < rows.size(); ++r) {
            list += FormatC("1,%.1f,r.txt\n", static_cast<double>(rows[r]));
        }
        m_folder.WriteFile("correctiondata/" + name + "/correctionfile.txt", list);
        m_folder.WriteFile("correctiondata/" + name + "/r.txt", "1\n");
        QCorrectionData store;
        ASSERT_EQ(store.ChooseSet(name), 1);
        std::vector<float> probes = {std::numeric_limits<float>::quiet_NaN(), -1.0f, 2000.0f};
        for (const float f : rows) {
            probes.insert(probes.end(), {f, f - 25.0f, f + 25.0f});
        }
        for (const float f : probes) {
            EXPECT_EQ(store.FindPosition(1, f).m_position, WalkPosition(rows, f)) << name << " f=" << f;
        }
    }
}

TEST_F(CorrectionDataTest, OneRowAndNoRowsStayInsideTheRowsInUse) {
    m_folder.WriteFile("correctiondata/HeadOne/correctionfile.txt", "0\n1\n7,100,only.txt\n");
    m_folder.WriteFile("correctiondata/HeadOne/only.txt", "1.5\n2.5\n3.5\n4.5\n5.5\n6.5\n");
    QCorrectionData store;
    ASSERT_EQ(store.ChooseSet("HeadOne"), 1);
    for (const float f : {50.0f, 100.0f, 150.0f, 1.0e6f}) {
        const QCorrectionBracket bracket = store.FindPosition(1, f);
        EXPECT_EQ(bracket.m_lower, 0) << f;
        EXPECT_EQ(bracket.m_upper, 0) << f;
        EXPECT_FLOAT_EQ(store.GetFactorAt(1, 3, bracket, f), 4.5f) << f;
    }
    EXPECT_TRUE(store.FindPosition(1, 150.0f).m_atLastRow);
    // Set 2 holds no rows: nothing is read, whatever the bracket says.
    const QCorrectionBracket empty = store.FindPosition(2, 150.0f);
    EXPECT_EQ(empty.m_lower, 0);
    EXPECT_EQ(empty.m_upper, 0);
    EXPECT_EQ(store.GetFactorAt(2, 0, 0, 1, 150.0f), 0.0f);
    EXPECT_EQ(store.GetFactorAt(1, 0, 0, 1, 150.0f), 0.0f); // row 1 is not in use
    EXPECT_EQ(store.GetFactorAt(1, 4096, 0, 0, 150.0f), 0.0f);
    EXPECT_EQ(store.GetFactorAt(4, 0, 0, 0, 150.0f), 0.0f);
}

TEST_F(CorrectionDataTest, CorruptInputsFailAndLeaveTheSetUnselectable) {
    std::string longToken(50, '1');
    std::string longLine = "1," + std::string(240, ' ') + "5\n";
    std::string rows201 = "0\n201\n";
    for (int r = 0; r < 201; ++r) {
        rows201 += std::to_string(r) + "," + std::to_string(100 + r) + ",row1.txt\n";
    }
    const std::string goodList = "10\n2\n1,100,row1.txt\n2,200,row2.txt\n";
    const std::string goodRow = RowFile(0, 6);
    struct Case {
        const char* what;
        std::string list;
        std::string row1;
        std::string row2;
        bool missingRowFile;
        std::string head;
        bool message;
    };
    const std::vector<Case> cases = {
        {"201 rows", rows201, goodRow, goodRow, false, "HeadBad", false},
        {"0 rows", "10\n0\n", goodRow, goodRow, false, "HeadBad", false},
        {"50-character token", goodList, "1\n" + longToken + "\n3\n4\n5\n6\n", goodRow, false, "HeadBad",
         false},
        {"250-character line", "10\n2\n" + longLine + "2,200,row2.txt\n", goodRow, goodRow, false, "HeadBad",
         false},
        {"no final line feed", goodList, goodRow, "1\n2\n3\n4\n5\n6", false, "HeadBad", false},
        {"missing row file", goodList, goodRow, "", true, "HeadBad", true},
        {"short row file", goodList, goodRow, "1\n2\n3\n4\n5\n", false, "HeadBad", false},
        {"short list file", "10\n3\n1,100,row1.txt\n2,200,row2.txt\n", goodRow, goodRow, false, "HeadBad",
         false},
        {"30-character file name", "10\n1\n1,100," + std::string(30, 'r') + "\n", goodRow, goodRow, false,
         "HeadBad", false},
        {"file name leaving the folder", "10\n1\n1,100,../HeadA/row1.txt\n", goodRow, goodRow, false,
         "HeadBad", false},
        {"factor beyond single precision", goodList, "1\n1e39\n3\n4\n5\n6\n", goodRow, false, "HeadBad",
         false},
        {"more than 4096 cells", goodList, goodRow, goodRow, false, "HeadHuge", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ApplicationFolderFixture folder;
        WriteGoodHead(folder, "HeadA");
        WriteGoodHead(folder, "HeadB");
        const std::string dir = "correctiondata/" + c.head + "/";
        folder.WriteFile(dir + "correctionfile.txt", c.list);
        folder.WriteFile(dir + "row1.txt", c.row1);
        if (!c.missingRowFile) {
            folder.WriteFile(dir + "row2.txt", c.row2);
        }
        const auto prompt = std::make_shared<ScriptedPrompt>();
        const ScopedPromptInstall install(prompt);

        QCorrectionData store;
        ASSERT_EQ(store.ChooseSet("HeadA"), 1);
        EXPECT_EQ(store.ChooseSet(c.head), 0);
        EXPECT_FALSE(store.SelectSet(c.head));
        EXPECT_EQ(store.GetSetName(2), "*******");
        EXPECT_EQ(store.GetRowCount(2), 0);
        // The good set is untouched and the failed slot is taken by the next head.
        EXPECT_EQ(store.ChooseSet("HeadA"), 1);
        EXPECT_EQ(store.GetFactor(1, 2, 5), FixtureFactor(2, 5));
        EXPECT_EQ(store.ChooseSet("HeadB"), 2);
        if (c.message) {
            ASSERT_EQ(prompt->Requests().size(), 1u);
            EXPECT_EQ(prompt->Requests()[0].text, "cannot open this correction file ");
            EXPECT_EQ(prompt->Requests()[0].caption, "File Error ");
        } else {
            EXPECT_TRUE(prompt->Requests().empty());
        }
    }
}

TEST_F(CorrectionDataTest, ThreeSetsAndAFourthHeadReplacesTheThird) {
    for (const char* head : {"HeadA", "HeadB", "HeadC", "HeadD"}) {
        WriteGoodHead(m_folder, head);
    }
    QCorrectionData store;
    EXPECT_EQ(store.ChooseSet("HeadA"), 1);
    EXPECT_EQ(store.ChooseSet("HeadB"), 2);
    EXPECT_EQ(store.ChooseSet("HeadC"), 3);
    EXPECT_EQ(store.ChooseSet("HeadD"), 3);
    EXPECT_EQ(store.GetSetName(3), "HeadD");
    EXPECT_FALSE(store.SelectSet("HeadC"));
    EXPECT_TRUE(store.SelectSet("HeadA"));
    EXPECT_EQ(store.GetCurrentSet(), 1);
}

TEST_F(CorrectionDataTest, CellIndexTableStaysInsideTheSetAndTheHeadsColumns) {
    for (const char* head : {"HeadA", "HeadB", "HeadC"}) {
        WriteGoodHead(m_folder, head);
    }
    // A 4 x 4 head first fills set 3 with 16 cells; the 2 x 3 head then replaces it.
    m_folder.WriteFile("correctiondata/HeadBig/correctionfile.txt", "0\n1\n1,100,big.txt\n");
    std::string big;
    for (int k = 0; k < 16; ++k) {
        big += "99\n";
    }
    m_folder.WriteFile("correctiondata/HeadBig/big.txt", big);
    QCorrectionData store;
    ASSERT_EQ(store.ChooseSet("HeadA"), 1);
    ASSERT_EQ(store.ChooseSet("HeadB"), 2);
    ASSERT_EQ(store.ChooseSet("HeadBig"), 3);
    EXPECT_EQ(store.GetFactor(3, 0, 10), 99.0f);
    ASSERT_EQ(store.ChooseSet("HeadC"), 3);
    const std::shared_ptr<const QCorrectionSet> set = store.GetSet(3);
    EXPECT_EQ(set->GetCellCount(), 6);
    EXPECT_EQ(set->GetColumnCount(), 3);

    struct Case {
        const char* what;
        int64_t row;
        int64_t column;
        int32_t cell; // -1: no cell
    };
    const Case cases[] = {
        {"first cell", 0, 0, 0},
        {"last cell", 1, 2, 5},
        {"second row", 1, 0, 3},
        {"row beyond the set's cells", 2, 0, -1},
        {"column beyond the head's columns", 0, 3, -1},
        {"negative row", -1, 2, -1},
        {"negative column", 1, -1, -1},
        {"far beyond", 70000, 70000, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32_t cell = set->GetCellIndex(c.row, c.column);
        EXPECT_EQ(cell, c.cell);
        const float expected = c.cell < 0 ? 0.0f : FixtureFactor(1, c.cell);
        EXPECT_EQ(set->GetFactorAt(cell, 1, 1, 200.0f), expected);
    }
    // Cells past the set's own count read 0, never what an earlier, larger set left there.
    for (const int32_t cell : {6, 10, 15, 4095, 4096}) {
        EXPECT_EQ(store.GetFactor(3, 0, cell), 0.0f) << cell;
        EXPECT_EQ(store.GetFactorAt(3, cell, 0, 1, 150.0f), 0.0f) << cell;
    }
}

TEST_F(CorrectionDataTest, HostileFilesEndAtOnceWithTheCannotOpenMessage) {
    const std::vector<test::HostileFile> files =
        test::MakeHostileFiles((m_folder.Path() / "hostile").string(), ".txt");
    for (const test::HostileFile& file : files) {
        SCOPED_TRACE(file.what);
        for (const char* target : {"correctionfile.txt", "row2.txt"}) {
            SCOPED_TRACE(target);
            const ApplicationFolderFixture folder;
            WriteGoodHead(folder, "HeadBad");
            test::PlaceHostileFile(file, (folder.Path() / "correctiondata" / "HeadBad" / target).string());
            const auto prompt = std::make_shared<ScriptedPrompt>();
            const ScopedPromptInstall install(prompt);
            QCorrectionData store;
            EXPECT_EQ(store.ChooseSet("HeadBad"), 0);
            EXPECT_EQ(store.GetRowCount(1), 0);
            EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"cannot open this correction file "});
        }
        // "RBWTime.txt" fails silently, as a missing one does.
        const ApplicationFolderFixture folder;
        test::PlaceHostileFile(file, (folder.Path() / "correctiondata" / "RBWTime.txt").string());
        QCorrectionData store;
        EXPECT_FALSE(store.LoadRbwTimes());
        EXPECT_TRUE(store.GetRbwTimes().empty());
    }
}

TEST_F(CorrectionDataTest, RbwTimesClaimingMoreEntriesThanTheFileHoldsFailAtOnce) {
    std::string text = "2000000000\n";
    for (int i = 0; i < 100; ++i) {
        text += std::to_string(i) + ",1\n";
    }
    m_folder.WriteFile("correctiondata/RBWTime.txt", text);
    QCorrectionData store;
    EXPECT_FALSE(store.LoadRbwTimes());
    EXPECT_TRUE(store.GetRbwTimes().empty());
}

TEST_F(CorrectionDataTest, UnknownOrUnsafeHeadsNeverSelectNorTakeASlot) {
    WriteGoodHead(m_folder, "NotInRecords");
    WriteGoodHead(m_folder, "HeadA");
    QCorrectionData store;
    EXPECT_EQ(store.ChooseSet("NotInRecords"), 0);
    // A load by hand (with the cell count of a known head) does not make the name selectable.
    ASSERT_EQ(store.ChooseSet("HeadA"), 1);
    EXPECT_TRUE(
        store.LoadCorrectionSet(6, QCorrectionData::GetScanHeadFolder("NotInRecords"), "NotInRecords"));
    EXPECT_EQ(store.GetSetName(2), "NotInRecords");
    EXPECT_FALSE(store.SelectSet("NotInRecords"));
    // The catalogue's default record does not stand in for an unknown name.
    EXPECT_FALSE(store.SelectSet("Unchecked-but-not-quite"));

    QCorrectionData fresh;
    EXPECT_EQ(fresh.ChooseSet("NotInRecords"), 0);
    EXPECT_EQ(fresh.ChooseSet("HeadA"), 1);

    for (const char* name : {"", "../HeadA", "HeadA/..", "a/b", ".."}) {
        EXPECT_EQ(QCorrectionData::GetScanHeadFolder(name), "") << name;
        EXPECT_EQ(fresh.ChooseSet(name), 0) << name;
    }
    EXPECT_EQ(QCorrectionData::GetScanHeadFolder("HeadA"),
              (m_folder.Path() / "correctiondata" / "HeadA").string() + "/");
}

TEST_F(CorrectionDataTest, MissingListFileMeansNoSetAndNoMessage) {
    QCorrectionData store;
    EXPECT_EQ(store.ChooseSet("HeadA"), 0);
    EXPECT_EQ(store.GetSetName(1), "*******");
    EXPECT_TRUE(m_prompt->Texts().empty());
    EXPECT_FALSE(store.ParseCorrectionList(QCorrectionData::GetCorrectionFolder() + "none.txt", 1));
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{"cannot open this correction file "});
}

TEST_F(CorrectionDataTest, CurrentScanHeadTextNamesTheSetUpToItsComma) {
    WriteGoodHead(m_folder, "HeadA");
    const std::string previous = GetInstrumentInfo().GetScanHeadText();
    GetInstrumentInfo().SetScanHeadText("HeadA,40,32");
    QCorrectionData store;
    EXPECT_EQ(store.ChooseSetForCurrentScanHead(), 1);
    EXPECT_EQ(store.GetSetName(1), "HeadA");
    GetInstrumentInfo().SetScanHeadText(previous);
}

TEST_F(CorrectionDataTest, ListNamesOf29CharactersAreReadWhole) {
    const std::string name(29, 'n');
    const std::string path = (m_folder.Path() / "list.txt").string();
    m_folder.WriteFile("list.txt", "5.5\n1,x\n3,250.5," + name + ",ignored\n");
    QCorrectionData store;
    ASSERT_TRUE(store.ParseCorrectionList(path, 2));
    EXPECT_EQ(store.GetListEntry(0).m_fileName, name);
    EXPECT_EQ(store.GetListEntry(0).m_id, 3);
    EXPECT_FLOAT_EQ(store.GetListEntry(0).m_frequency, 250.5f);
    EXPECT_EQ(store.GetRowCount(2), 1);
    EXPECT_FLOAT_EQ(store.GetLowestFrequency(2), 5.5f);
    EXPECT_FALSE(store.ParseCorrectionList(path, 4));
}

TEST_F(CorrectionDataTest, ReadCorrectionFileKeepsItsOutputOnFailure) {
    m_folder.WriteFile("f.txt", "1\n2\n3\n");
    const std::string path = (m_folder.Path() / "f.txt").string();
    QCorrectionData store;
    std::vector<float> out(4, -1.0f);
    EXPECT_FALSE(store.ReadCorrectionFile(path, 4, out));
    EXPECT_EQ(out, std::vector<float>(4, -1.0f));
    EXPECT_FALSE(store.ReadCorrectionFile(path, 3, std::span<float>(out.data(), 2))); // no room
    EXPECT_FALSE(store.ReadCorrectionFile(path, 0, out));
    ASSERT_TRUE(store.ReadCorrectionFile(path, 3, out));
    EXPECT_EQ(out, (std::vector<float>{1.0f, 2.0f, 3.0f, -1.0f}));
}

TEST_F(CorrectionDataTest, RbwTimesKeepTheFirstValueOfAKey) {
    m_folder.WriteFile("correctiondata/RBWTime.txt", ToCrLf("3\n0.01,5.5\n0.01 9\n1\t0.25\n"));
    const QCorrectionData store;
    EXPECT_EQ(store.GetRbwTimes(), (std::map<float, float>{{0.01f, 5.5f}, {1.0f, 0.25f}}));

    m_folder.WriteFile("correctiondata/RBWTime.txt", "3\n1,2\n");
    QCorrectionData shortFile;
    EXPECT_TRUE(shortFile.GetRbwTimes().empty());
    EXPECT_FALSE(shortFile.LoadRbwTimes());
}

TEST_F(CorrectionDataTest, CompensationSwitchesBelongToTheApplication) {
    QCorrectionData::SetSpectralCompensationOn(true);
    QCorrectionData::SetSpatialCompensationThreshold(123.5f);
    DestroyCorrectionData();
    EXPECT_TRUE(QCorrectionData::IsSpectralCompensationOn());
    EXPECT_FALSE(QCorrectionData::IsSpatialCompensationOn());
    EXPECT_EQ(QCorrectionData::GetSpatialCompensationThreshold(), 123.5f);
    QCorrectionData::SetSpectralCompensationOn(false);

    WriteGoodHead(m_folder, "HeadA");
    EXPECT_EQ(GetCorrectionData().ChooseSet("HeadA"), 1);
    EXPECT_EQ(&GetCorrectionData(), &GetCorrectionData());
    DestroyCorrectionData();
    EXPECT_EQ(GetCorrectionData().GetSetName(1), "*******");
    DestroyCorrectionData();
}

} // namespace
} // namespace orv
