#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/fs/AppPaths.h"
#include "project/QFileSystemProjectStorageManager.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/NodeFixtures.h"
#include "tests/project/support/StoreTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<QTransportContainer> GridStep(uint16_t rows, uint16_t columns) {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(rows, columns));
    setup->SetFrequencyRange(100.0F, 200.0F);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    return step;
}

// One cell's spectrum, in the record of the node kind: a spectral/spatial component, or a hand-held
// probe record.
std::unique_ptr<QTransportContainer> CellStep(uint16_t kind, uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels) {
    auto step = std::make_unique<QTransportContainer>();
    if (kind == kTypeHandHeldProbeScanNode) {
        auto* record = new QHandHeldProbeScan();
        record->SetCell(row, column);
        record->SetHeader(0, 0, 0);
        record->SetPointCount(static_cast<uint32_t>(levels.size()));
        for (uint32_t i = 0; i < levels.size(); ++i) {
            record->SetAmplitude(i, levels[i]);
        }
        step->SetHandHeldProbeScan(record);
        return step;
    }
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(0, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

// A mediator over a node of its own whose store and load are the spectral/spatial ones.
class ScanMediator : public QNodeMediator {
public:
    ScanMediator(uint32_t id, uint16_t type, std::unique_ptr<QScanContainer> container)
        : m_id(id), m_node(type, std::move(container)) {
        m_node.SetID(id);
        m_node.SetMediator(this);
    }
    ~ScanMediator() override { m_node.SetMediator(nullptr); }

    QNode* GetNode() override { return &m_node; }
    uint32_t GetNodeID() override { return m_id; }
    QScanContainer* LockScanContainer() override { return m_node.LockScanContainer(); }
    void UnlockScanContainer() override { m_node.UnlockScanContainer(); }
    void StoreScanData(QProjectStorageManager& storage) override {
        if (m_node.GetTypeID() == kTypeSpectralSpatialScanNode ||
            m_node.GetTypeID() == kTypeHandHeldProbeScanNode) {
            storage.StoreSpectralSpatialScanData(*this);
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

    QSpectralSpatialScanContainer& Container() {
        return dynamic_cast<QSpectralSpatialScanContainer&>(*m_node.GetScanContainer());
    }

private:
    uint32_t m_id;
    nodefix::FixtureNode m_node;
};

std::vector<uint8_t> BodyOf(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    object.WriteBody(writer);
    return bytes;
}

class SpectralSpatialReload : public ::testing::TestWithParam<uint16_t> {
protected:
    void SetUp() override {
        fs::create_directories(m_scratch.Path("process-temp"));
        SetProcessTempFolderOverride(m_scratch.Path("process-temp"));
        auto manager = m_repository.OpenProjectByPath(m_scratch.Path("Data/Board/Board"));
        m_storage.reset(dynamic_cast<QFileSystemProjectStorageManager*>(manager.release()));
        ASSERT_NE(m_storage, nullptr);
    }
    void TearDown() override { SetProcessTempFolderOverride(""); }

    std::unique_ptr<QSpectralSpatialScanContainer> MakeContainer() const {
        if (GetParam() == kTypeHandHeldProbeScanNode) {
            return std::make_unique<QHandHeldProbeScanContainer>();
        }
        return std::make_unique<QSpectralSpatialScanContainer>();
    }

    storetest::ScratchFolder m_scratch;
    std::shared_ptr<storetest::FakeStorageManagerFactory> m_factory =
        std::make_shared<storetest::FakeStorageManagerFactory>();
    QFileSystemRepositoryManager m_repository{m_scratch.Path(), m_factory};
    std::unique_ptr<QFileSystemProjectStorageManager> m_storage;
};

TEST_P(SpectralSpatialReload, StoreThenLoadGivesTheSamePeakMapAndCellSpectrum) {
    auto made = MakeContainer();
    made->SetSetupRange(100.0F, 200.0F);
    made->TakeTransportContainer(GridStep(2, 3), false, nullptr, false);
    made->TakeTransportContainer(CellStep(GetParam(), 0, 2, {7, 12, 12, 3}), false, nullptr, false);
    made->TakeTransportContainer(CellStep(GetParam(), 1, 0, {-40, -45, -20, -50}), false, nullptr, false);
    made->TakeTransportContainer(CellStep(GetParam(), 1, 1, {15, 2, 1, 30}), false, nullptr, false);
    ScanMediator source(2, GetParam(), std::move(made));
    ScanMediator root(1, kTypeProjectNode, std::make_unique<QSpectralSpatialScanContainer>());
    m_storage->SetNextNodeId(3);
    ASSERT_TRUE(m_storage->WriteNodeTable({{&root, &root}, {&source, &root}}));

    // The node's body brings the settings back; its scan file the cells.
    auto restored = MakeContainer();
    {
        const std::vector<uint8_t> body = BodyOf(source.Container());
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        restored->ReadBody(reader);
    }
    ScanMediator reloaded(2, GetParam(), std::move(restored));
    m_storage->LoadSpectralSpatialScanData(reloaded);

    QSpectralSpatialScanContainer& before = source.Container();
    QSpectralSpatialScanContainer& after = reloaded.Container();
    ASSERT_TRUE(after.HasScanData());
    const QSSSpatialSnapshot& expected = before.GetPeakMap();
    const QSSSpatialSnapshot& peaks = after.GetPeakMap();
    ASSERT_EQ(peaks.GetRowCount(), 2U);
    ASSERT_EQ(peaks.GetColumnCount(), 3U);
    for (uint16_t r = 0; r < 2; ++r) {
        for (uint16_t c = 0; c < 3; ++c) {
            SCOPED_TRACE(::testing::Message() << r << "," << c);
            EXPECT_EQ(peaks.GetRawAmplitude(r, c), expected.GetRawAmplitude(r, c));
            EXPECT_EQ(peaks.GetFrequency(r, c), expected.GetFrequency(r, c));
        }
    }
    EXPECT_EQ(peaks.GetRawAmplitude(1, 1), 30);
    EXPECT_EQ(peaks.GetRawAmplitude(0, 0), QSSSpatialSnapshot::kNoValue);
    // Cells arrived in row-major order here, so the cell spectrum is the same too.
    ASSERT_EQ(after.GetCellSpectrum().GetPointCount(), 4U);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(after.GetCellSpectrum().GetRawAmplitude(i), before.GetCellSpectrum().GetRawAmplitude(i));
    }
    EXPECT_EQ(after.GetSpatialScan(), &after.GetPeakMap());
    EXPECT_FALSE(after.IsUpdated());
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpectralSpatialReload,
                         ::testing::Values(kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode));

} // namespace
} // namespace orv
