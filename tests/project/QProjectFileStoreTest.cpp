#include "project/QProjectFileStore.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/QException.h"
#include "core/QSerializable.h"
#include "tests/project/support/StoreTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using storetest::ReadBytes;
using storetest::ScratchFolder;
using storetest::Snapshot;
using storetest::WriteBytes;
using storetest::WriteText;

// A small stored object standing in for a node body: the file layer stores any serialisable.
class Record : public QSerializable {
public:
    explicit Record(uint32_t value = 0) : m_value(value) {}
    void WriteBody(QDataWriter& writer) const override { writer.WriteU32(m_value); }
    void ReadBody(QDataReader& reader) override { m_value = reader.ReadU32(); }
    uint16_t GetTypeID() const override { return 2003; }
    uint32_t GetBodySize() const override { return 4; }
    uint32_t m_value;
};

std::shared_ptr<QFileSystemProjectDescriptor> Project(const std::string& name, const std::string& folder) {
    return std::make_shared<QFileSystemProjectDescriptor>(name, folder);
}

TEST(StoredId, FormatsTheSignedValueWithLeadingZeros) {
    const struct {
        uint32_t id;
        const char* text;
    } cases[] = {
        {0, "0000000000"},
        {42, "0000000042"},
        {999999999, "0999999999"},
        {1000000000, "01000000000"},   // ten digits: one leading zero, never cut
        {3000000000U, "0-1294967296"}, // 2^31 and above read as negative, as older files name them
        {0xFFFFFFFFU, "00000000-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QProjectFileStore::FormatStoredID(c.id), c.text) << c.id;
    }
}

TEST(StoredPaths, FollowTheFolderLayout) {
    QProjectFileStore store(Project("Board A", "/repo/Data/Board A"));
    store.SetSourceProject(Project("Old", "/repo/Data/Old"));
    EXPECT_EQ(store.BuildStoredFilePath(kStoredNodeFile, true, 0, false),
              "/repo/Data/Board A/temp/nodes/0000000000.nod");
    EXPECT_EQ(store.BuildStoredFilePath(kStoredScanFile, false, 42, false),
              "/repo/Data/Board A/permanent/scans/0000000042.scn");
    // The id plays no part in the node table's name.
    EXPECT_EQ(store.BuildStoredFilePath(kStoredNodeTable, true, 77, false),
              "/repo/Data/Board A/temp/Board A.lin");
    EXPECT_EQ(store.BuildStoredFilePath(kStoredNodeTable, false, 0, false),
              "/repo/Data/Board A/permanent/Board A.lin");
    EXPECT_EQ(store.BuildStoredFilePath(7, true, 5, false), "/repo/Data/Board A/temp/0000000005");
    EXPECT_EQ(store.BuildStoredFilePath(kStoredScanFile, false, 3, true),
              "/repo/Data/Old/permanent/scans/0000000003.scn");
    EXPECT_EQ(store.BuildProjectFilePath(false), "/repo/Data/Board A/Board A");
    EXPECT_EQ(store.BuildProjectFilePath(true), "/repo/Data/Old/Old");

    store.SetSourceProject(nullptr);
    EXPECT_THROW(store.BuildProjectFilePath(true), QStorageLayerException);
}

class FileStoreTest : public ::testing::Test {
protected:
    std::string Folder() const { return m_scratch.Path("Data/Board A"); }
    std::string Saved(const std::string& relative) const { return Folder() + "/permanent/" + relative; }
    std::string Working(const std::string& relative) const { return Folder() + "/temp/" + relative; }

    // The saved copy of an earlier save: nodes 1, 2, 3; scan files for them and for 9 (an orphan).
    void WriteEarlierSave() const {
        WriteText(Saved("Board A.lin"), "old table");
        for (const char* id : {"0000000001", "0000000002", "0000000003"}) {
            WriteText(Saved(std::string("nodes/") + id + ".nod"), std::string("old node ") + id);
            WriteText(Saved(std::string("scans/") + id + ".scn"), std::string("old scan ") + id);
        }
        WriteText(Saved("scans/0000000009.scn"), "orphan");
    }

    ScratchFolder m_scratch;
    QProjectFileStore m_store{Project("Board A", m_scratch.Path("Data/Board A"))};
};

TEST_F(FileStoreTest, EveryStoredFileBeginsWithVersion11) {
    auto node = m_store.CreateStoredFileWriter(kStoredNodeFile, 1);
    node->Close();
    auto scan = m_store.CreateStoredFileWriter(kStoredScanFile, 1); // also a current-clamp scan file
    scan->Close();
    m_store.WriteNodeTableFile(QNodeTable{});
    auto project = m_store.CreateProjectFileWriter();
    project->Close();

    const std::vector<uint8_t> header{0x0B, 0x00, 0x00, 0x00};
    EXPECT_EQ(ReadBytes(Working("nodes/0000000001.nod")), header);
    EXPECT_EQ(ReadBytes(Working("scans/0000000001.scn")), header);
    const std::vector<uint8_t> table = ReadBytes(Working("Board A.lin"));
    ASSERT_GE(table.size(), 4U);
    EXPECT_EQ(std::vector<uint8_t>(table.begin(), table.begin() + 4), header);
    EXPECT_EQ(ReadBytes(Folder() + "/Board A"), header);
}

TEST_F(FileStoreTest, NodeTableIsByteExact) {
    QNodeTable table;
    table.m_nextNodeId = 9;
    table.m_entries = {{5, 5}, {6, 6}, {7, 6}, {0x01020304, 5}};
    m_store.WriteNodeTableFile(table);
    const std::vector<uint8_t> expected{
        0x0B, 0, 0, 0,             // stored-file version
        4,    0, 0, 0,             // entries
        9,    0, 0, 0,             // next node id
        5,    0, 0, 0, 5, 0, 0, 0, // Preferences, its own parent
        6,    0, 0, 0, 6, 0, 0, 0, // root, its own parent
        7,    0, 0, 0, 6, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 5, 0, 0, 0,
    };
    EXPECT_EQ(ReadBytes(Working("Board A.lin")), expected);

    m_store.CommitTempToPermanent();
    const QNodeTable back = m_store.ReadNodeTableFile();
    EXPECT_EQ(back.m_nextNodeId, 9U);
    EXPECT_EQ(back.m_entries, table.m_entries);
}

TEST_F(FileStoreTest, NodeTableWithAnImpossibleCountFailsAndKeepsTheOldTable) {
    WriteBytes(Saved("Board A.lin"), {0x0B, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_THROW(m_store.ReadNodeTableFile(), QStorageLayerException);

    QNodeTable table;
    table.m_nextNodeId = 3;
    table.m_entries = {{1, 1}};
    const std::vector<uint8_t> bad{2, 0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    QCharArrayDataReader reader(bad.data(), static_cast<uint32_t>(bad.size()));
    EXPECT_THROW(table.Read(reader), QIOException);
    EXPECT_EQ(table.m_nextNodeId, 3U);
    EXPECT_EQ(table.m_entries.size(), 1U);
}

TEST_F(FileStoreTest, NodeFileCarriesParentIdThenTheFrameAndItsKindCanBePeeked) {
    m_store.WriteObjectFile(Record(0xA1B2C3D4), kStoredNodeFile, 12, 5U);
    EXPECT_EQ(ReadBytes(Working("nodes/0000000012.nod")),
              (std::vector<uint8_t>{0x0B, 0, 0, 0, 5, 0, 0, 0, 0x2A, 0xD3, 0x07, 4, 0, 0, 0, 0xD4, 0xC3, 0xB2,
                                    0xA1}));
    m_store.CommitTempToPermanent();

    Record record;
    uint32_t parent = 0;
    m_store.ReadObjectFile(record, kStoredNodeFile, 12, &parent);
    EXPECT_EQ(parent, 5U);
    EXPECT_EQ(record.m_value, 0xA1B2C3D4U);

    // The storage learns the kind of a node file before it makes the node: header only, body left.
    auto reader = m_store.OpenStoredFileReader(kStoredNodeFile, 12);
    EXPECT_EQ(reader->GetStoredFileVersion(), 11U);
    EXPECT_EQ(reader->ReadU32(), 5U);
    QNodeHeader header;
    header.Deserialize(*reader);
    EXPECT_EQ(header.GetTypeID(), 2003);
    EXPECT_EQ(header.GetBodySize(), 4U);
    EXPECT_EQ(reader->ReadU32(), 0xA1B2C3D4U);
}

TEST_F(FileStoreTest, NodeHeaderReadsAnyKindButOnlyAFrame) {
    // A kind that no node has still reads: telling kinds apart is the node factory's business.
    WriteBytes(Saved("nodes/0000000001.nod"), {0x0B, 0, 0, 0, 1, 0, 0, 0, 0x2A, 0xEF, 0xBE, 9, 0, 0, 0});
    auto reader = m_store.OpenStoredFileReader(kStoredNodeFile, 1);
    reader->ReadU32();
    QNodeHeader header;
    header.Deserialize(*reader);
    EXPECT_EQ(header.GetTypeID(), 0xBEEF);
    EXPECT_EQ(header.GetBodySize(), 9U);

    WriteBytes(Saved("nodes/0000000002.nod"), {0x0B, 0, 0, 0, 1, 0, 0, 0, 0x2B, 0xD3, 0x07, 0, 0, 0, 0});
    auto bad = m_store.OpenStoredFileReader(kStoredNodeFile, 2);
    bad->ReadU32();
    try {
        header.Deserialize(*bad);
        FAIL() << "no exception";
    } catch (const QIOException& e) {
        EXPECT_STREQ(e.what(),
                     "Error#318: Invalid serialized object header detected.\nI/O operation has failed.");
    }
}

TEST_F(FileStoreTest, OpenerKeepsTheFilesVersionOnTheReaderAndInTheInstrumentState) {
    WriteBytes(Saved("scans/0000000003.scn"), {0x0A, 0, 0, 0, 0x55});
    auto reader = m_store.OpenStoredFileReader(kStoredScanFile, 3);
    EXPECT_EQ(reader->GetStoredFileVersion(), 10U);
    EXPECT_EQ(GetInstrumentInfo().GetStoredFileVersion(), 10);
    EXPECT_EQ(reader->ReadU8(), 0x55);

    WriteBytes(Saved("scans/0000000004.scn"), {0x0B, 0, 0, 0});
    m_store.OpenStoredFileReader(kStoredScanFile, 4);
    EXPECT_EQ(GetInstrumentInfo().GetStoredFileVersion(), 11);

    WriteBytes(Folder() + "/Board A", {0x0B, 0});
    EXPECT_THROW(m_store.OpenProjectFileReader(), QStorageLayerException); // shorter than its header
}

TEST_F(FileStoreTest, MissingStoredFileThrowsNamingIt) {
    const std::string path = Saved("scans/0000000042.scn");
    try {
        m_store.OpenStoredFileReader(kStoredScanFile, 42);
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    Record record;
    EXPECT_THROW(m_store.ReadObjectFile(record, kStoredNodeFile, 1, nullptr), QStorageLayerException);
    EXPECT_THROW(m_store.OpenProjectFileReader(), QStorageLayerException);
}

TEST_F(FileStoreTest, CommitLeavesTheWorkingNodeSetAndDropsOrphanScans) {
    WriteEarlierSave();
    // This save: node 2 is gone, node 4 is new, node 3's scan data changed, node 1's did not.
    WriteText(Working("Board A.lin"), "new table");
    WriteText(Working("nodes/0000000001.nod"), "node 1");
    WriteText(Working("nodes/0000000003.nod"), "node 3");
    WriteText(Working("nodes/0000000004.nod"), "node 4");
    WriteText(Working("scans/0000000003.scn"), "scan 3");
    WriteText(Working("scans/0000000004.scn"), "scan 4");

    m_store.CommitTempToPermanent();

    auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
    std::map<std::string, std::string> saved;
    for (const auto& [name, bytes] : Snapshot(Folder() + "/permanent")) {
        saved[name] = text(bytes);
    }
    const std::map<std::string, std::string> expected{
        {"Board A.lin", "new table"},
        {"nodes/0000000001.nod", "node 1"},
        {"nodes/0000000003.nod", "node 3"},
        {"nodes/0000000004.nod", "node 4"},
        {"scans/0000000001.scn", "old scan 0000000001"}, // not rewritten, its node stays
        {"scans/0000000003.scn", "scan 3"},
        {"scans/0000000004.scn", "scan 4"},
    };
    EXPECT_EQ(saved, expected);
    EXPECT_TRUE(Snapshot(Folder() + "/temp").empty()); // the working copy's files went over
    EXPECT_TRUE(fs::is_directory(Folder() + "/temp/nodes"));
    EXPECT_FALSE(fs::exists(Folder() + "/permanent.commit"));
}

TEST_F(FileStoreTest, FirstCommitMakesTheSavedCopy) {
    m_store.WriteObjectFile(Record(1), kStoredNodeFile, 1, 1U);
    m_store.CommitTempToPermanent();
    EXPECT_EQ(Snapshot(Folder() + "/permanent").size(), 1U);
    EXPECT_TRUE(fs::exists(Saved("nodes/0000000001.nod")));
}

TEST_F(FileStoreTest, CommitFailingHalfWayLeavesTheSavedCopyAsItWas) {
    WriteEarlierSave();
    // A folder squatting on a scan file's name in the saved copy: the move of the working copy's scan
    // file fails after the node table and the node files have gone over.
    fs::create_directories(Saved("scans/0000000004.scn"));
    const auto before = Snapshot(Folder() + "/permanent");

    WriteText(Working("Board A.lin"), "new table");
    WriteText(Working("nodes/0000000004.nod"), "node 4");
    WriteText(Working("scans/0000000004.scn"), "scan 4");
    EXPECT_THROW(m_store.CommitTempToPermanent(), QStorageLayerException);

    EXPECT_EQ(Snapshot(Folder() + "/permanent"), before);
    EXPECT_TRUE(fs::is_directory(Saved("scans/0000000004.scn")));
    EXPECT_FALSE(fs::exists(Folder() + "/permanent.commit"));
    EXPECT_EQ(ReadBytes(Saved("nodes/0000000002.nod")).size(), std::string("old node 0000000002").size());

    // Once the obstacle is gone the next save commits normally.
    fs::remove(Saved("scans/0000000004.scn"));
    WriteText(Working("Board A.lin"), "new table");
    WriteText(Working("nodes/0000000004.nod"), "node 4");
    WriteText(Working("scans/0000000004.scn"), "scan 4");
    m_store.CommitTempToPermanent();
    EXPECT_EQ(Snapshot(Folder() + "/permanent").size(), 3U);
}

TEST_F(FileStoreTest, CommitRecoversASavedCopyLeftUnderTheRetiredName) {
    // What a commit that stopped between its two folder renames leaves behind.
    WriteText(Folder() + "/permanent.retired/scans/0000000001.scn", "old scan");
    WriteText(Folder() + "/permanent.retired/nodes/0000000001.nod", "old node");
    WriteText(Working("nodes/0000000001.nod"), "node 1");
    m_store.CommitTempToPermanent();
    EXPECT_EQ(Snapshot(Folder() + "/permanent").size(), 2U);
    EXPECT_EQ(ReadBytes(Saved("scans/0000000001.scn")).size(), 8U);
    EXPECT_FALSE(fs::exists(Folder() + "/permanent.retired"));
}

TEST_F(FileStoreTest, DeleteOrphanScanFilesKeepsScansWithANodeAndSubfolders) {
    WriteText(Saved("nodes/0000000001.nod"), "n");
    WriteText(Saved("scans/0000000001.scn"), "s");
    WriteText(Saved("scans/0000000002.scn"), "s");
    fs::create_directories(Saved("scans/sub"));
    m_store.DeleteOrphanScanFiles();
    EXPECT_TRUE(fs::exists(Saved("scans/0000000001.scn")));
    EXPECT_FALSE(fs::exists(Saved("scans/0000000002.scn")));
    EXPECT_TRUE(fs::is_directory(Saved("scans/sub")));
}

TEST_F(FileStoreTest, AbandonedWriterLeavesTheOldFile) {
    WriteText(Working("nodes/0000000001.nod"), "old");
    {
        auto writer = m_store.CreateStoredFileWriter(kStoredNodeFile, 1);
        writer->WriteU32(7);
    } // destroyed without Close: a failed save
    EXPECT_EQ(ReadBytes(Working("nodes/0000000001.nod")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Snapshot(Folder() + "/temp").size(), 1U);
}

} // namespace
} // namespace orv
