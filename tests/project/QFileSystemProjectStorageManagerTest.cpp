#include "project/QFileSystemProjectStorageManager.h"

#include "core/ByteCodec.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/fs/AppPaths.h"
#include "project/FolderTree.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QDummyScanContainer.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/NodeFixtures.h"
#include "tests/project/support/StoreTestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;
using storetest::FakeStorageManagerFactory;
using storetest::ReadBytes;
using storetest::ScratchFolder;
using storetest::Snapshot;
using storetest::WriteBytes;
using Bytes = std::vector<uint8_t>;

const Bytes kHeader{0x0B, 0x00, 0x00, 0x00};

Bytes FrameOf(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.Serialize(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    object.Serialize(writer);
    return bytes;
}

Bytes CableScansOf(const QCableScanContainer& container) {
    QCharCounterDataWriter counter;
    container.WriteCableScans(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    container.WriteCableScans(writer);
    return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes U32s(std::initializer_list<uint32_t> values) {
    Bytes bytes(values.size() * 4);
    uint8_t* cursor = bytes.data();
    for (uint32_t value : values) {
        PutLE(cursor, value);
    }
    return bytes;
}

std::unique_ptr<QTransportContainer> SpectrumStep(const std::vector<int16_t>& levels) {
    auto* record = new QSpectralScan();
    record->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        record->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSpectralScan(record);
    return step;
}

std::unique_ptr<QTransportContainer> GridStep(uint16_t rows, uint16_t columns) {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(rows, columns));
    setup->SetFrequencyRange(100.0F, 200.0F);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    return step;
}

std::unique_ptr<QTransportContainer> CellStep(uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(0, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

std::unique_ptr<QSpectralScanContainer> Spectral(const std::vector<int16_t>& levels) {
    auto container = std::make_unique<QSpectralScanContainer>();
    container->TakeTransportContainer(SpectrumStep(levels), false, nullptr, false);
    return container;
}

// A 2 x 2 grid with the cells (0,0) and (1,1) filled.
std::unique_ptr<QSpectralSpatialScanContainer> Cells(int16_t base) {
    auto container = std::make_unique<QSpectralSpatialScanContainer>();
    container->TakeTransportContainer(GridStep(2, 2), false, nullptr, false);
    container->TakeTransportContainer(CellStep(0, 0, {base, 2, 3}), false, nullptr, false);
    container->TakeTransportContainer(CellStep(1, 1, {-1, base, -3}), false, nullptr, false);
    return container;
}

// A mediator over a node of its own; its store runs the storage operation of the node's kind, and
// it counts the container locks taken and released.
class TestMediator : public QNodeMediator {
public:
    TestMediator(uint32_t id, uint16_t type, std::unique_ptr<QScanContainer> container)
        : m_id(id), m_node(type, std::move(container)) {
        m_node.SetID(id);
        m_node.SetMediator(this);
    }
    ~TestMediator() override { m_node.SetMediator(nullptr); }

    QNode* GetNode() override { return &m_node; }
    uint32_t GetNodeID() override { return m_id; }
    QScanContainer* LockScanContainer() override {
        ++m_locks;
        return m_node.LockScanContainer();
    }
    void UnlockScanContainer() override {
        ++m_unlocks;
        m_node.UnlockScanContainer();
    }
    QHeldScanContainer AcquireHeldScanContainer() override { return {LockScanContainer(), &m_countedLock}; }
    void StoreScanData(QProjectStorageManager& storage) override {
        switch (m_node.GetTypeID()) {
        case kTypeSpectralScanNode:
            storage.StoreSpectralScanData(*this);
            break;
        case kTypeSpectralSpatialScanNode:
            storage.StoreSpectralSpatialScanData(*this);
            break;
        case kTypeCurrentClampModuleNode:
            storage.StoreCurrentClampScanData(*this);
            break;
        case kTypeCableScanNode:
            storage.StoreCableScanData(*this);
            break;
        default:
            break;
        }
    }
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    uint32_t GetDataSize() override { return 4; }
    void WriteData(QDataWriter& writer) override { writer.WriteU32(0); }
    void ReadData(QDataReader& reader) override { reader.ReadU32(); }
    uint16_t GetNodeTypeId() const override { return m_node.GetTypeID(); }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }

    template <class Kind> Kind& Container() { return dynamic_cast<Kind&>(*m_node.GetScanContainer()); }
    bool LocksBalanced() const { return m_locks > 0 && m_locks == m_unlocks; }

    int m_locks = 0;
    int m_unlocks = 0;

private:
    // The node's lock as the storage's holder gives it back, counted.
    class CountedLock final : public QLockable {
    public:
        explicit CountedLock(TestMediator& mediator) : m_mediator(mediator) {}
        void Lock() override { m_mediator.LockScanContainer(); }
        void Unlock() override { m_mediator.UnlockScanContainer(); }

    private:
        TestMediator& m_mediator;
    };

    uint32_t m_id;
    nodefix::FixtureNode m_node;
    CountedLock m_countedLock{*this};
};

class StorageManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_scratch.Path("process-temp"));
        SetProcessTempFolderOverride(m_scratch.Path("process-temp"));
        m_storage = Open("Board A");
    }
    void TearDown() override { SetProcessTempFolderOverride(""); }

    std::unique_ptr<QFileSystemProjectStorageManager> Open(const std::string& name) {
        auto manager = m_repository.OpenProjectByPath(ProjectFile(name));
        return std::unique_ptr<QFileSystemProjectStorageManager>(
            dynamic_cast<QFileSystemProjectStorageManager*>(manager.release()));
    }
    std::string ProjectFile(const std::string& name) const {
        return m_scratch.Path("Data/" + name + "/" + name);
    }
    std::string Saved(const std::string& project, const std::string& relative) const {
        return m_scratch.Path("Data/" + project + "/permanent/" + relative);
    }
    static std::string ScanFile(uint32_t id) {
        return "scans/" + QProjectFileStore::FormatStoredID(id) + ".scn";
    }

    TestMediator& Add(uint32_t id, uint32_t parent, uint16_t type,
                      std::unique_ptr<QScanContainer> container) {
        m_mediators.push_back(std::make_unique<TestMediator>(id, type, std::move(container)));
        TestMediator* parentMediator = m_mediators.back().get();
        for (const auto& mediator : m_mediators) {
            if (mediator->GetNodeID() == parent) {
                parentMediator = mediator.get();
            }
        }
        m_pairs.push_back({m_mediators.back().get(), parentMediator});
        return *m_mediators.back();
    }
    // The Preferences node (0) and the root (1).
    void AddTreeHead() {
        Add(0, 0, kTypePreferencesNode, std::make_unique<QDummyScanContainer>());
        Add(1, 1, kTypeProjectNode, std::make_unique<QDummyScanContainer>());
    }

    ScratchFolder m_scratch;
    std::shared_ptr<FakeStorageManagerFactory> m_factory = std::make_shared<FakeStorageManagerFactory>();
    QFileSystemRepositoryManager m_repository{m_scratch.Path(), m_factory};
    std::unique_ptr<QFileSystemProjectStorageManager> m_storage;
    std::vector<std::unique_ptr<TestMediator>> m_mediators;
    QNodePairList m_pairs;
};

TEST_F(StorageManagerTest, NodeIdsCountUpAndBoundTheLoads) {
    EXPECT_EQ(m_storage->AllocateNodeID(), 0U);
    EXPECT_EQ(m_storage->AllocateNodeID(), 1U);
    EXPECT_EQ(m_storage->AllocateNodeID(), 2U);
    EXPECT_EQ(m_storage->GetProjectName(), "Board A");

    // Only a node whose id, read as a signed number, lies below the committed bound has files in the
    // saved copy.
    struct Case {
        uint32_t committed;
        uint32_t id;
        bool loads;
    };
    const Case cases[] = {
        {0, 0, false}, {0, 0x80000000U, true}, {0, 0xFFFFFFFFU, true},
        {5, 4, true},  {5, 5, false},          {5, 0x7FFFFFFFU, false},
    };
    QSpectralScan stored;
    stored.SetPointCount(2);
    stored.SetAmplitude(0, 11);
    stored.SetAmplitude(1, 22);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.committed << " / " << c.id);
        WriteBytes(Saved("Board A", ScanFile(c.id)), Join({kHeader, FrameOf(stored)}));
        TestMediator node(c.id, kTypeSpectralScanNode, std::make_unique<QSpectralScanContainer>());
        m_storage->SetCommittedNodeId(c.committed);
        m_storage->LoadSpectralScanData(node);
        auto& container = node.Container<QSpectralScanContainer>();
        EXPECT_EQ(container.HasScanData(), c.loads);
        EXPECT_EQ(container.GetSpectralScanRecord().GetPointCount(), c.loads ? 2U : 0U);
        EXPECT_EQ(container.IsStale(), true); // a loaded scan is pending until a new scan starts
        EXPECT_FALSE(container.IsUpdated());
        EXPECT_TRUE(node.LocksBalanced());
    }

    // A committed node without a scan file had no scan data: nothing happens.
    TestMediator absent(3, kTypeSpectralScanNode, std::make_unique<QSpectralScanContainer>());
    m_storage->SetCommittedNodeId(10);
    m_storage->LoadSpectralScanData(absent);
    EXPECT_FALSE(absent.Container<QSpectralScanContainer>().HasScanData());
    EXPECT_TRUE(absent.LocksBalanced());
}

TEST_F(StorageManagerTest, NodeTableNodeFilesAndScanFilesAreWrittenByteExact) {
    AddTreeHead();
    TestMediator& spectral = Add(7, 1, kTypeSpectralScanNode, Spectral({-5, 40, 12}));
    Add(9, 7, kTypeSpectralScanNode, std::make_unique<QSpectralScanContainer>()); // no scan data
    m_storage->SetNextNodeId(10);

    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));

    EXPECT_EQ(ReadBytes(Saved("Board A", "Board A.lin")),
              Join({kHeader, U32s({4, 10, 0, 0, 1, 1, 7, 1, 9, 7})}));
    EXPECT_EQ(ReadBytes(Saved("Board A", "nodes/0000000007.nod")),
              Join({kHeader, U32s({1}), FrameOf(*spectral.GetNode())}));
    const Bytes firstScan =
        Join({kHeader, FrameOf(spectral.Container<QSpectralScanContainer>().GetSpectralScanRecord())});
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(7))), firstScan);
    EXPECT_FALSE(fs::exists(Saved("Board A", ScanFile(9))));
    EXPECT_EQ(m_storage->GetCommittedNodeId(), 10U);
    EXPECT_FALSE(spectral.Container<QSpectralScanContainer>().IsUpdated());
    EXPECT_TRUE(spectral.LocksBalanced());

    const auto saved = Snapshot(m_scratch.Path("Data/Board A/permanent"));
    EXPECT_EQ(saved.size(), 6U); // the table, four node files, one scan file
    for (const auto& [name, bytes] : saved) {
        ASSERT_GE(bytes.size(), 4U) << name;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), kHeader) << name;
    }

    // Unchanged data is not written again: the saved scan file stays as it is.
    Bytes marked = firstScan;
    marked.push_back(0xEE);
    WriteBytes(Saved("Board A", ScanFile(7)), marked);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(7))), marked);

    // New data is; a node that left the tree takes its files with it.
    spectral.Container<QSpectralScanContainer>().TakeTransportContainer(SpectrumStep({1, 2, 3}), false,
                                                                        nullptr, false);
    m_pairs.pop_back();
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(7))),
              Join({kHeader, FrameOf(spectral.Container<QSpectralScanContainer>().GetSpectralScanRecord())}));
    EXPECT_FALSE(fs::exists(Saved("Board A", "nodes/0000000009.nod")));
    EXPECT_EQ(ReadBytes(Saved("Board A", "Board A.lin")), Join({kHeader, U32s({3, 10, 0, 0, 1, 1, 7, 1})}));
}

// The commit fails half-way (a folder squats on the name of a scan file in the saved copy): the saved
// copy stays as it was, the working copy keeps every file, and the new data stays marked, so the next
// commit writes every changed scan file.
TEST_F(StorageManagerTest, AFailedCommitKeepsTheWorkingFilesAndTheChangedScansMarked) {
    AddTreeHead();
    TestMediator& first = Add(7, 1, kTypeSpectralScanNode, Spectral({-5, 40, 12}));
    TestMediator& second = Add(8, 1, kTypeSpectralScanNode, Spectral({1, 2}));
    m_storage->SetNextNodeId(10);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    EXPECT_TRUE(Snapshot(m_scratch.Path("Data/Board A/temp")).empty());

    for (TestMediator* node : {&first, &second}) {
        node->Container<QSpectralScanContainer>().TakeTransportContainer(SpectrumStep({3, 3, 3}), false,
                                                                         nullptr, false);
    }
    fs::remove(Saved("Board A", ScanFile(8)));
    fs::create_directories(Saved("Board A", ScanFile(8)));
    const auto before = Snapshot(m_scratch.Path("Data/Board A/permanent"));
    EXPECT_THROW(m_storage->WriteNodeTable(m_pairs), QStorageLayerException);

    EXPECT_EQ(Snapshot(m_scratch.Path("Data/Board A/permanent")), before);
    const auto working = Snapshot(m_scratch.Path("Data/Board A/temp"));
    EXPECT_EQ(working.size(), 7U); // the table, four node files, two scan files
    EXPECT_EQ(working.count(ScanFile(7)), 1U);
    EXPECT_EQ(working.count(ScanFile(8)), 1U);
    EXPECT_FALSE(fs::exists(m_scratch.Path("Data/Board A/permanent.commit")));
    for (TestMediator* node : {&first, &second}) {
        EXPECT_TRUE(node->Container<QSpectralScanContainer>().IsUpdated());
        EXPECT_TRUE(node->LocksBalanced());
    }

    fs::remove(Saved("Board A", ScanFile(8)));
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    for (TestMediator* node : {&first, &second}) {
        auto& container = node->Container<QSpectralScanContainer>();
        EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(node->GetNodeID()))),
                  Join({kHeader, FrameOf(container.GetSpectralScanRecord())}));
        EXPECT_FALSE(container.IsUpdated());
    }
    EXPECT_TRUE(Snapshot(m_scratch.Path("Data/Board A/temp")).empty());
}

TEST_F(StorageManagerTest, CellDataFileIsTheScanFileAndLoadsBack) {
    AddTreeHead();
    TestMediator& cells = Add(2, 1, kTypeSpectralSpatialScanNode, Cells(70));
    TestMediator& clamp =
        Add(3, 1, kTypeCurrentClampModuleNode, std::make_unique<QCurrentClampModuleContainer>());
    clamp.Container<QCurrentClampModuleContainer>().SetHasScanData(true);
    clamp.Container<QCurrentClampModuleContainer>().ClearScanData(); // marks it updated
    m_storage->SetNextNodeId(4);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));

    auto row = [](uint16_t r, uint16_t c, std::vector<int16_t> levels) {
        Bytes bytes(8 + 2 * levels.size());
        uint8_t* cursor = bytes.data();
        PutLE(cursor, r);
        PutLE(cursor, c);
        PutLE(cursor, static_cast<uint32_t>(levels.size()));
        for (int16_t level : levels) {
            PutLE(cursor, level);
        }
        return bytes;
    };
    const Bytes expected = Join({kHeader, U32s({2, 2, 2}), row(0, 0, {70, 2, 3}), row(1, 1, {-1, 70, -3})});
    auto& source = cells.Container<QSpectralSpatialScanContainer>();
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(2))), expected);
    EXPECT_EQ(ReadBytes(source.GetTempFilePath()), expected);
    EXPECT_FALSE(source.IsUpdated());
    // The clamp's data travels in its node: its scan file is the header alone.
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(3))), kHeader);
    EXPECT_TRUE(cells.LocksBalanced());
    EXPECT_TRUE(clamp.LocksBalanced());

    // A node read back from its body has the grid but no cells until its scan file is loaded.
    auto restored = std::make_unique<QSpectralSpatialScanContainer>();
    {
        const Bytes body = FrameOf(source);
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        restored->Deserialize(reader);
    }
    TestMediator reloaded(2, kTypeSpectralSpatialScanNode, std::move(restored));
    auto& target = reloaded.Container<QSpectralSpatialScanContainer>();
    ASSERT_EQ(target.GetGridRows(), 2U);
    ASSERT_EQ(target.GetCellRecord(0, 0), nullptr);
    m_storage->LoadSpectralSpatialScanData(reloaded);
    EXPECT_TRUE(target.HasScanData());
    EXPECT_EQ(ReadBytes(target.GetTempFilePath()), expected);
    for (auto [r, c] : {std::pair{0U, 0U}, std::pair{1U, 1U}}) {
        ASSERT_NE(target.GetCellRecord(r, c), nullptr);
        EXPECT_EQ(target.GetCellRecord(r, c)->m_Amplitudes, source.GetCellRecord(r, c)->m_Amplitudes);
    }
    EXPECT_EQ(target.GetCellRecord(0, 1), nullptr);
    EXPECT_TRUE(reloaded.LocksBalanced());

    // A damaged scan file is refused whole, and the container keeps what it had.
    struct Damage {
        const char* what;
        Bytes bytes;
    };
    const Damage damages[] = {
        {"cut short", Bytes(expected.begin(), expected.end() - 1)},
        {"trailing bytes", Join({expected, Bytes{0}})},
        {"other grid", Join({kHeader, U32s({3, 2, 0})})},
        {"cell outside", Join({kHeader, U32s({2, 2, 1}), row(2, 0, {1})})},
        {"cell twice", Join({kHeader, U32s({2, 2, 2}), row(0, 1, {1}), row(0, 1, {2})})},
        {"huge count", Join({kHeader, U32s({2, 2, 0xFFFFFFFFU})})},
        {"huge points", Join({kHeader, U32s({2, 2, 1, 0, 0x7FFFFFFFU})})},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        WriteBytes(Saved("Board A", ScanFile(2)), damage.bytes);
        try {
            m_storage->LoadSpectralSpatialScanData(reloaded);
            ADD_FAILURE() << "loaded";
        } catch (const QStorageLayerException& e) {
            EXPECT_STREQ(e.what(), "Error#317: Invalid or corrupt project.");
        }
        ASSERT_NE(target.GetCellRecord(1, 1), nullptr);
        EXPECT_EQ(target.GetCellRecord(1, 1)->m_Amplitudes, (std::vector<int16_t>{-1, 70, -3}));
        EXPECT_EQ(reloaded.m_locks, reloaded.m_unlocks);
    }
}

// A FIFO put in place of a stored file would block a plain open for ever: each reader gives the
// opening error at once instead.
TEST_F(StorageManagerTest, AFifoInPlaceOfAStoredFileIsAnOpeningErrorAtOnce) {
    AddTreeHead();
    TestMediator& spectral = Add(7, 1, kTypeSpectralScanNode, Spectral({-5, 40, 12}));
    TestMediator& cells = Add(2, 1, kTypeSpectralSpatialScanNode, Cells(70));
    m_storage->SetNextNodeId(10);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));

    struct Case {
        const char* what;
        std::string path;
        std::function<void()> read;
    };
    const Case cases[] = {
        {"node file", Saved("Board A", "nodes/0000000007.nod"),
         [&] { m_storage->GetFileStore().OpenStoredFileReader(kStoredNodeFile, 7); }},
        {"spectral scan file", Saved("Board A", ScanFile(7)),
         [&] { m_storage->LoadSpectralScanData(spectral); }},
        {"cell scan file", Saved("Board A", ScanFile(2)),
         [&] { m_storage->LoadSpectralSpatialScanData(cells); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(c.path);
        ASSERT_EQ(::mkfifo(c.path.c_str(), 0600), 0);
        try {
            c.read();
            ADD_FAILURE() << "read";
        } catch (const QStorageLayerException& e) {
            EXPECT_EQ(e.m_message, "Error#311: Error opening file: " + c.path + ".");
        }
    }
    // Copying a FIFO (a save-as of an unchanged scan) is refused the same way.
    QStorageBuffer buffer(64);
    EXPECT_THROW(CopyFileRaw(Saved("Board A", ScanFile(7)), m_scratch.Path("copy.scn"), buffer),
                 QStorageLayerException);
    EXPECT_FALSE(fs::exists(m_scratch.Path("copy.scn")));
}

TEST_F(StorageManagerTest, CableScansTravelInTheScanFile) {
    AddTreeHead();
    auto filled = std::make_unique<QCableScanContainer>();
    filled->TakeTransportContainer(SpectrumStep({-30, 250, 40, -10}), false, nullptr, false);
    TestMediator& cable = Add(2, 1, kTypeCableScanNode, std::move(filled));
    m_storage->SetNextNodeId(3);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));

    auto& source = cable.Container<QCableScanContainer>();
    const Bytes scans = CableScansOf(source);
    ASSERT_NE(source.GetReferenceScan(), nullptr);
    EXPECT_EQ(ReadBytes(Saved("Board A", ScanFile(2))), Join({kHeader, scans}));
    EXPECT_FALSE(source.IsUpdated());
    EXPECT_TRUE(cable.LocksBalanced());

    TestMediator reloaded(2, kTypeCableScanNode, std::make_unique<QCableScanContainer>());
    m_storage->LoadCableScanData(reloaded);
    auto& target = reloaded.Container<QCableScanContainer>();
    EXPECT_EQ(CableScansOf(target), scans);
    EXPECT_EQ(target.GetCableScanCount(), source.GetCableScanCount());
    EXPECT_TRUE(target.HasScanData());
    EXPECT_TRUE(target.IsStale());
    EXPECT_FALSE(target.IsUpdated());
    EXPECT_TRUE(reloaded.LocksBalanced());
}

TEST_F(StorageManagerTest, SaveAsCopiesUnchangedScanFilesAndWritesChangedOnes) {
    AddTreeHead();
    TestMediator& keptSpectrum = Add(2, 1, kTypeSpectralScanNode, Spectral({1, 2}));
    TestMediator& newSpectrum = Add(3, 1, kTypeSpectralScanNode, Spectral({3, 4}));
    Add(4, 1, kTypeSpectralSpatialScanNode, Cells(10));
    TestMediator& newCells = Add(5, 1, kTypeSpectralSpatialScanNode, Cells(20));
    TestMediator& lateSpectrum = Add(6, 1, kTypeSpectralScanNode, Spectral({5, 6}));
    m_storage->SetNextNodeId(7);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));

    // Since the save: 2 and 4 are untouched (a new scan started on 2 and brought nothing yet); 3 and
    // 5 took new data; 6 took new data and then a new scan started.
    keptSpectrum.Container<QSpectralScanContainer>().StartNewScan();
    newSpectrum.Container<QSpectralScanContainer>().TakeTransportContainer(SpectrumStep({7, 8}), false,
                                                                           nullptr, false);
    newSpectrum.Container<QSpectralScanContainer>().StartNewScan();
    newCells.Container<QSpectralSpatialScanContainer>().TakeTransportContainer(CellStep(0, 1, {9, 9, 9}),
                                                                               false, nullptr, false);
    lateSpectrum.Container<QSpectralScanContainer>().TakeTransportContainer(SpectrumStep({9, 9}), false,
                                                                            nullptr, false);
    // Marks in the source's files show which ones were copied.
    for (uint32_t id : {2U, 3U, 4U, 5U, 6U}) {
        Bytes bytes = ReadBytes(Saved("Board A", ScanFile(id)));
        bytes.push_back(static_cast<uint8_t>(0xA0 + id));
        WriteBytes(Saved("Board A", ScanFile(id)), bytes);
    }
    const auto sourceBefore = Snapshot(m_scratch.Path("Data/Board A"));
    const std::shared_ptr<QProjectDescriptor> source = m_storage->GetProjectDescriptor();

    m_factory->m_operations->m_onSave = [](QFileSystemProjectStorageManager& storage,
                                           const QNodePairList& pairs) {
        return storage.WriteNodeTable(pairs);
    };
    QStorageErrorList errors;
    ASSERT_TRUE(m_storage->SaveProjectAs(nullptr, m_pairs, errors, ProjectFile("Board B")));

    EXPECT_TRUE(m_factory->m_operations->m_sawSavingAs);
    EXPECT_EQ(m_factory->m_operations->m_sawSourceFolder, m_scratch.Path("Data/Board A"));
    EXPECT_EQ(m_factory->m_operations->m_savedProjectFolder, m_scratch.Path("Data/Board B"));
    EXPECT_EQ(ReadBytes(Saved("Board B", ScanFile(2))), ReadBytes(Saved("Board A", ScanFile(2))));
    EXPECT_EQ(ReadBytes(Saved("Board B", ScanFile(4))), ReadBytes(Saved("Board A", ScanFile(4))));
    EXPECT_EQ(
        ReadBytes(Saved("Board B", ScanFile(3))),
        Join({kHeader, FrameOf(newSpectrum.Container<QSpectralScanContainer>().GetSpectralScanRecord())}));
    EXPECT_EQ(
        ReadBytes(Saved("Board B", ScanFile(6))),
        Join({kHeader, FrameOf(lateSpectrum.Container<QSpectralScanContainer>().GetSpectralScanRecord())}));
    EXPECT_EQ(ReadBytes(Saved("Board B", ScanFile(5))),
              ReadBytes(newCells.Container<QSpectralSpatialScanContainer>().GetTempFilePath()));
    EXPECT_EQ(ReadBytes(Saved("Board B", ScanFile(5))).size(), 16U + 3 * (8 + 6));
    EXPECT_EQ(ReadBytes(Saved("Board B", "Board B.lin")),
              Join({kHeader, U32s({7, 7, 0, 0, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1})}));

    EXPECT_FALSE(m_storage->IsSavingAs());
    EXPECT_EQ(m_storage->GetSourceProject(), nullptr);
    EXPECT_EQ(m_storage->GetProjectName(), "Board B");
    EXPECT_NE(m_storage->GetProjectDescriptor(), source);
    for (const auto& mediator : m_mediators) {
        EXPECT_EQ(mediator->m_locks, mediator->m_unlocks);
    }

    // From now on every save goes to the new project only.
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    EXPECT_EQ(Snapshot(m_scratch.Path("Data/Board A")), sourceBefore);
}

TEST_F(StorageManagerTest, FailedSaveAsLeavesTheOldProjectCurrentAndTheLockFree) {
    AddTreeHead();
    TestMediator& kept = Add(2, 1, kTypeSpectralScanNode, Spectral({1, 2}));
    m_storage->SetNextNodeId(3);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    kept.Container<QSpectralScanContainer>().StartNewScan();
    const auto savedBefore = Snapshot(m_scratch.Path("Data/Board A"));
    const std::shared_ptr<QProjectDescriptor> source = m_storage->GetProjectDescriptor();
    const std::string sourceScan = Saved("Board A", ScanFile(2));

    struct Case {
        const char* what;
        std::function<bool(QFileSystemProjectStorageManager&, const QNodePairList&)> save;
        std::string message; // empty: the save answers false
    };
    // The source's scan file of the unchanged node is made uncopyable: a folder in its place.
    auto blockSourceScan = [&] {
        fs::rename(sourceScan, sourceScan + ".aside");
        fs::create_directories(sourceScan);
    };
    auto unblockSourceScan = [&] {
        fs::remove_all(sourceScan);
        fs::rename(sourceScan + ".aside", sourceScan);
    };
    const std::string copyError = "Error#323: Unable to copy file: " + sourceScan + " -> " +
                                  m_scratch.Path("Data/Board B/temp/" + ScanFile(2)) + ".";
    const Case cases[] = {
        {"copy fails half-way",
         [](QFileSystemProjectStorageManager& storage, const QNodePairList& pairs) {
             return storage.WriteNodeTable(pairs);
         },
         copyError},
        {"save throws",
         [](QFileSystemProjectStorageManager&, const QNodePairList&) -> bool {
             throw QStorageLayerException("Error#331: Error writing to file: x.");
         },
         "Error#331: Error writing to file: x."},
        {"no file made", [](QFileSystemProjectStorageManager&, const QNodePairList&) { return false; }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_factory->m_operations->m_onSave = c.save;
        kept.m_locks = kept.m_unlocks = 0;
        blockSourceScan();
        QStorageErrorList errors;
        std::string thrown;
        bool result = false;
        try {
            result = m_storage->SaveProjectAs(nullptr, m_pairs, errors, ProjectFile("Board B"));
        } catch (const QStorageLayerException& e) {
            thrown = e.what();
        }
        unblockSourceScan();
        EXPECT_EQ(thrown, c.message);
        EXPECT_FALSE(result);
        EXPECT_TRUE(m_factory->m_operations->m_sawSavingAs);
        EXPECT_FALSE(m_storage->IsSavingAs());
        EXPECT_EQ(m_storage->GetSourceProject(), nullptr);
        EXPECT_EQ(m_storage->GetProjectDescriptor(), source);
        EXPECT_EQ(m_storage->GetProjectName(), "Board A");
        EXPECT_EQ(kept.m_locks, kept.m_unlocks);
        EXPECT_EQ(Snapshot(m_scratch.Path("Data/Board A")), savedBefore);
        EXPECT_FALSE(fs::exists(Saved("Board B", "Board B.lin")));
    }
    EXPECT_GT(m_factory->m_operations->m_saves, 0);

    // The storage manager goes on saving the old project.
    m_factory->m_operations->m_onSave = nullptr;
    kept.Container<QSpectralScanContainer>().TakeTransportContainer(SpectrumStep({4, 4}), false, nullptr,
                                                                    false);
    ASSERT_TRUE(m_storage->WriteNodeTable(m_pairs));
    EXPECT_EQ(ReadBytes(sourceScan),
              Join({kHeader, FrameOf(kept.Container<QSpectralScanContainer>().GetSpectralScanRecord())}));
}

TEST_F(StorageManagerTest, FactoryMakesFileSystemStorageManagersOverSharedFileOperations) {
    auto operations = std::make_shared<storetest::RecordingFileOperations>();
    QFileSystemProjectStorageManagerFactory factory(operations);
    auto descriptor = std::make_shared<QFileSystemProjectDescriptor>("P", m_scratch.Path("Data/P"));
    auto made = factory.CreateStorageManager(descriptor, m_repository);
    auto* storage = dynamic_cast<QFileSystemProjectStorageManager*>(made.get());
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(storage->GetProjectDescriptor(), descriptor);
    EXPECT_EQ(storage->GetNextNodeId(), 0U);
    EXPECT_EQ(storage->GetCommittedNodeId(), 0U);
    EXPECT_FALSE(storage->IsSavingAs());

    QNodePairList pairs;
    QStorageErrorList errors;
    EXPECT_TRUE(storage->SaveProject(nullptr, pairs, errors));
    EXPECT_TRUE(storage->LoadProject(nullptr, pairs, errors));
    EXPECT_TRUE(storage->ValidateNodes(pairs, errors));
    EXPECT_EQ(operations->m_saves, 1);
    EXPECT_EQ(operations->m_loads, 1);
    EXPECT_EQ(operations->m_validations, 1);
    EXPECT_FALSE(operations->m_sawSavingAs);
}

} // namespace
} // namespace orv
