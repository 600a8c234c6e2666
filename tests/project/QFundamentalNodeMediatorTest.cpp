#include "project/QFundamentalNodeMediator.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "platform/fs/AppPaths.h"
#include "platform/msg/MessageTarget.h"
#include "platform/sync/Event.h"
#include "project/QFileSystemProjectStorageManager.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QMainFrame.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeFactory.h"
#include "project/QNodeKinds.h"
#include "project/QProjectFile.h"
#include "project/QProxyNodeMediator.h"
#include "project/QScanEngineLink.h"
#include "project/QScanThread.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/MediatorFakes.h"
#include "tests/project/support/ProjectContainerFakes.h"
#include "tests/project/support/ProjectContainerFixture.h"
#include "tests/project/support/StoreTestSupport.h"
#include "tests/scandata/support/ClampContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Log = std::vector<std::string>;

class FundamentalMediatorTest : public ::testing::Test {
protected:
    std::unique_ptr<QNodeMediator> Make(uint16_t kind, QNodeMediator* parent = nullptr, uint32_t id = 0) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(m_thread, &m_frame));
        std::unique_ptr<QNodeMediator> mediator =
            factory.CreateNodeWithMediator(parent, nullptr, kind, nullptr, false);
        mediator->SetKind(kind);
        mediator->GetEffectiveNode()->SetID(id);
        return mediator;
    }
    static QFundamentalNodeMediator& Fundamental(QNodeMediator& mediator) {
        return dynamic_cast<QFundamentalNodeMediator&>(mediator);
    }

    MessageThread m_thread;
    containertest::FakeMainFrame m_frame;
};

std::vector<uint32_t> LinkWords(QNodeMediator& mediator) {
    std::vector<uint8_t> bytes(mediator.GetDataSize());
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    mediator.WriteData(writer);
    std::vector<uint32_t> words(bytes.size() / 4);
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    for (uint32_t& word : words) {
        word = reader.ReadU32();
    }
    return words;
}

TEST_F(FundamentalMediatorTest, TheLinkBlockListsTheLinkedProxiesInNodeIdOrder) {
    std::unique_ptr<QNodeMediator> target = Make(kTypeSpectralScanNode, nullptr, 5);
    EXPECT_EQ(target->GetDataSize(), 4U);
    EXPECT_EQ(LinkWords(*target), std::vector<uint32_t>{0});

    std::vector<std::unique_ptr<QNodeMediator>> proxies;
    for (uint32_t id : {30U, 10U, 20U}) {
        proxies.push_back(Make(kTypeSpectralScanReferenceNode, nullptr, id));
        ASSERT_TRUE(dynamic_cast<QProxyNodeMediator&>(*proxies.back()).LinkToTarget(*target));
    }
    // Linking twice keeps one entry.
    ASSERT_TRUE(dynamic_cast<QProxyNodeMediator&>(*proxies[0]).LinkToTarget(*target));
    EXPECT_EQ(target->GetDataSize(), 16U);
    EXPECT_EQ(LinkWords(*target), (std::vector<uint32_t>{3, 10, 20, 30}));

    proxies[1]->Unlink();
    EXPECT_EQ(LinkWords(*target), (std::vector<uint32_t>{2, 20, 30}));
}

TEST_F(FundamentalMediatorTest, ReadLinksKeepsTheIdsUntilTheyAreTaken) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpatialScanNode);
    auto& fields = Fundamental(*mediator);
    const std::vector<uint8_t> none = {0, 0, 0, 0};
    QCharArrayDataReader noneReader(none.data(), 4);
    mediator->ReadData(noneReader);
    EXPECT_TRUE(fields.TakePendingLinks().empty());

    const std::vector<uint8_t> two = {2, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0};
    QCharArrayDataReader twoReader(two.data(), 12);
    mediator->ReadData(twoReader);
    EXPECT_EQ(fields.TakePendingLinks(), (std::vector<uint32_t>{7, 9}));
    EXPECT_TRUE(fields.TakePendingLinks().empty());

    fields.SetNodeValues({1, {1.5F, -2.0F, 300.0F}});
    EXPECT_EQ(fields.GetNodeValues(), (QProjectNodeValues{1, {1.5F, -2.0F, 300.0F}}));
}

TEST_F(FundamentalMediatorTest, ForwardsTheNodesAnswersAndRefusesMissingPartners) {
    std::unique_ptr<QNodeMediator> module = Make(kTypeModuleNode);
    std::unique_ptr<QNodeMediator> note = Make(kTypeNoteNode, module.get());
    std::unique_ptr<QNodeMediator> reference = Make(kTypeSpectralScanReferenceNode);
    EXPECT_EQ(module->GetLabel(), "Module");
    module->SetLabel("Board A");
    EXPECT_EQ(module->GetEffectiveNode()->GetLabel(), "Board A");
    EXPECT_EQ(module->GetImageIndex(), 4);
    EXPECT_EQ(module->GetViewKind(), 1);
    EXPECT_TRUE(module->CanAcceptChild(0, note.get()));
    EXPECT_FALSE(module->CanAcceptChild(0, nullptr));
    EXPECT_EQ(module->GetLinkMode(1, note.get()), 1);
    EXPECT_EQ(module->GetLinkMode(1, nullptr), 0);
    // The reference node's own mediator answers as its kind: link mode 2.
    EXPECT_EQ(reference->GetLinkMode(0, module.get()), 2);
    std::vector<std::string> items;
    module->GetTopLevelMenuItems(items);
    EXPECT_EQ(items, (std::vector<std::string>{"m_pmiTopLevelOpenOptions", "m_pmiTopLevelAddNode",
                                               "m_pmiTopLevelDeleteNode"}));
    EXPECT_EQ(module->GetScanOptions(), module->GetNode()->GetScanOptions());
    EXPECT_EQ(module->GetAutoSpatialsOptions(), module->GetNode()->GetAutoSpatialsOptions());

    // The command state (the scan-run record) is made once; the release refreshes its attenuator value.
    EXPECT_FALSE(module->HasScanData());
    QNodeCommandState* state = module->GetCommandState();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(module->GetCommandState(), state);
    EXPECT_TRUE(module->HasScanData());
    state->m_attenuatorValue = -99;
    module->ReleaseScanData();
    EXPECT_EQ(state->m_attenuatorValue, module->GetAttenuatorOptions()->GetValueRecord().m_valueInt);

    // Settings come only from a node of the same kind.
    std::unique_ptr<QNodeMediator> other = Make(kTypeModuleNode);
    other->SetName("Copied");
    module->TakeSettingsFrom(*other);
    EXPECT_EQ(module->GetName(), "Copied");
    note->SetName("Note A");
    module->TakeSettingsFrom(*note);
    EXPECT_EQ(module->GetName(), "Copied");
}

// --- Notifications ---

QSpectralScanAddition Spectral(int32_t id) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {QSpectralPoint{10, 1, 2}, QSpectralPoint{20, 1, 2}};
    return addition;
}

QSpatialScanAddition Spatial(int32_t id) {
    QSpatialScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 2;
    addition.m_Record.m_Columns = 2;
    addition.m_Values.assign(4, 100);
    return addition;
}

QCellAddition Cell(int32_t id) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_CellIndex = 1;
    addition.m_CellCount = 1;
    addition.m_HasValues = true;
    addition.m_Values = {1, 2};
    return addition;
}

TEST_F(FundamentalMediatorTest, ShowNewestScanShowsTheNewestScanOfTheScanKinds) {
    struct Row {
        uint16_t kind;
        int32_t newest; // -1: only the view is raised, nothing shown
    };
    for (const Row& row : std::vector<Row>{{2003, 2}, {2004, 2}, {2005, 2}, {2029, 2}, {2016, -1}}) {
        SCOPED_TRACE(row.kind);
        std::unique_ptr<QNodeMediator> mediator = Make(row.kind);
        for (int32_t id : {1, 2}) {
            switch (row.kind) {
            case 2003:
                ASSERT_TRUE(mediator->AddSpectralScanData(Spectral(id), false, false));
                break;
            case 2004:
                ASSERT_TRUE(mediator->AddSpatialScanData(Spatial(id), false, false));
                break;
            case 2005:
                ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(id), false));
                break;
            case 2029:
                ASSERT_TRUE(mediator->AddHandHeldProbeScanData(Cell(id), false));
                break;
            default:
                break;
            }
        }
        mediator->PostNotification(row.kind);
        // Nothing happens before the user-interface thread takes the message.
        EXPECT_EQ(mediator->GetDisplayedScanID(), -1);
        EXPECT_EQ(m_thread.Pump(), 1U);
        EXPECT_EQ(mediator->GetDisplayedScanID(), row.newest);
    }
}

TEST_F(FundamentalMediatorTest, ANotificationQueuedForADestroyedMediatorNeverRuns) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    ASSERT_TRUE(mediator->AddSpectralScanData(Spectral(1), false, false));
    mediator->PostNotification(kTypeSpectralScanNode);
    ASSERT_TRUE(Fundamental(*mediator).PostOptionsChanged(QFundamentalNodeMediator::kSelectionOptionsBit));
    EXPECT_EQ(m_thread.GetPendingCount(), 2U);
    mediator.reset();
    EXPECT_EQ(m_thread.Pump(), 0U);
}

TEST_F(FundamentalMediatorTest, OptionsChangedClearsTheSelectionsOnlyForItsBitAndOnlyWhenSet) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralSpatialScanNode);
    auto& fundamental = Fundamental(*mediator);
    QSSSpatialViewOptions& spatial = *mediator->GetSSSpatialViewOptions();
    QSSSpectralViewOptions& spectral = *mediator->GetSSSpectralViewOptions();
    spatial.m_cellPattern.SetAllProbes(0);
    spatial.m_viewMode = 7;
    spectral.m_viewMode = 8;

    // Nothing selected: the words stay.
    fundamental.PostOptionsChanged(QFundamentalNodeMediator::kSelectionOptionsBit);
    m_thread.Pump();
    EXPECT_EQ(spatial.m_viewMode, 7U);
    EXPECT_EQ(spectral.m_viewMode, 8U);

    spatial.m_cellPattern.SetProbeAt(2, 3, 1);
    QFrequencyBucketList buckets;
    buckets.Insert(100);
    spectral.SetFrequencyBuckets(buckets);

    // Another option kind: nothing changes.
    fundamental.PostOptionsChanged(0x10 | 0x40);
    m_thread.Pump();
    EXPECT_TRUE(spatial.m_cellPattern.HasProbeOn());
    EXPECT_FALSE(spectral.GetFrequencyBuckets().IsEmpty());

    fundamental.PostOptionsChanged(0x21);
    m_thread.Pump();
    EXPECT_FALSE(spatial.m_cellPattern.HasProbeOn());
    EXPECT_TRUE(spectral.GetFrequencyBuckets().IsEmpty());
    EXPECT_EQ(spatial.m_viewMode, 0U);
    EXPECT_EQ(spectral.m_viewMode, 0U);
}

// --- IsBusy ---

class FrameWithoutEngine : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
    std::optional<std::string> BrowseForFolder(const std::string& /*title*/) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int exitCode) override { throw containertest::ProgramExit{exitCode}; }
    void DisableScreenSaver() override {}
};

TEST_F(FundamentalMediatorTest, IsBusyAsksTheEngineLinkWhetherARunIsAllowed) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    m_frame.engine.commandsAllowed = true;
    EXPECT_TRUE(mediator->IsBusy());
    m_frame.engine.commandsAllowed = false;
    EXPECT_FALSE(mediator->IsBusy());
    EXPECT_EQ(m_frame.engine.askedCommands, (std::vector<uint32_t>{2, 2}));

    FrameWithoutEngine noEngine;
    QFundamentalNodeMediator withoutLink(m_thread, &noEngine);
    EXPECT_FALSE(withoutLink.IsBusy());
    QFundamentalNodeMediator withoutFrame(m_thread, nullptr);
    EXPECT_FALSE(withoutFrame.IsBusy());
}

// --- Destruction ---

class LoggedSpectralNode : public QSpectralScanNode {
public:
    explicit LoggedSpectralNode(Log& log) : m_log(log) {}
    ~LoggedSpectralNode() override { m_log.emplace_back("node deleted"); }

private:
    Log& m_log;
};

class LoggedProxy : public QProxyNodeMediator {
public:
    explicit LoggedProxy(Log& log) : m_log(log) {}
    void Unlink() override {
        if (GetTarget() != nullptr) {
            m_log.push_back("unlink " + std::to_string(GetNodeID()));
        }
        QProxyNodeMediator::Unlink();
    }

private:
    Log& m_log;
};

// A worker that runs until it is destroyed, and says when it has stopped.
class LoggedScanThread : public QScanThread {
public:
    explicit LoggedScanThread(Log& log) : m_log(log) {}
    ~LoggedScanThread() override {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        m_log.emplace_back("worker stopped");
    }
    bool Start() override {
        m_thread = std::thread([this] {
            while (!m_stop) {
                std::this_thread::yield();
            }
        });
        return true;
    }
    void SignalEvent() override {}

private:
    Log& m_log;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class LoggedHost : public QScanThreadHost {
public:
    explicit LoggedHost(Log& log) : m_log(log) {}
    Event& GetScanEvent() override { return m_event; }
    std::unique_ptr<QScanThread> CreateScanThread(int32_t /*value*/, Event& /*scanEvent*/,
                                                  int64_t /*argument*/,
                                                  QNodeMediator& /*mediator*/) override {
        return std::make_unique<LoggedScanThread>(m_log);
    }

private:
    Log& m_log;
    Event m_event;
};

TEST_F(FundamentalMediatorTest, DestructionStopsTheWorkerUnlinksEveryProxyThenDeletesTheNode) {
    Log log;
    auto target = std::make_unique<QFundamentalNodeMediator>(m_thread, &m_frame);
    auto node = std::make_unique<LoggedSpectralNode>(log);
    node->SetID(1);
    node->SetMediator(target.get());
    target->SetNode(std::move(node));

    std::vector<std::unique_ptr<LoggedProxy>> proxies;
    for (uint32_t id : {12U, 11U, 13U}) {
        auto proxy = std::make_unique<LoggedProxy>(log);
        std::unique_ptr<QNodeMediator> own = Make(kTypeSpectralScanReferenceNode, nullptr, id);
        proxy->SetOwnMediator(std::move(own));
        ASSERT_TRUE(proxy->LinkToTarget(*target));
        proxies.push_back(std::move(proxy));
    }
    LoggedHost host(log);
    ASSERT_TRUE(target->StartScanThread(host, 0));
    // The proxies stand for the running scan.
    EXPECT_TRUE(proxies[0]->IsScanning());
    target->PostNotification(kTypeSpectralScanNode);

    target.reset();
    EXPECT_EQ(log, (Log{"worker stopped", "unlink 11", "unlink 12", "unlink 13", "node deleted"}));
    for (const auto& proxy : proxies) {
        EXPECT_EQ(proxy->GetTarget(), nullptr);
    }
    EXPECT_EQ(m_thread.Pump(), 0U);
}

// --- The scan container ---

std::unique_ptr<QTransportContainer> SpectralStep(const std::vector<int16_t>& levels) {
    auto transport = std::make_unique<QTransportContainer>();
    transport->SetSpectralScan(testing::MakeSpectralRecord(levels).release());
    return transport;
}

TEST_F(FundamentalMediatorTest, TheLocksStampTheContainerWithTheMediatorThatTookIt) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    QScanContainer* container = mediator->GetNode()->GetScanContainer();
    container->SetMediator(nullptr);
    EXPECT_EQ(mediator->LockScanContainer(), container);
    EXPECT_EQ(container->GetMediator(), mediator.get());
    mediator->UnlockScanContainer();
    container->SetMediator(nullptr);
    EXPECT_EQ(mediator->AcquireScanContainer(), container);
    EXPECT_EQ(container->GetMediator(), mediator.get());
    mediator->UnlockScanContainer();

    EXPECT_EQ(mediator->TakeTransportContainer(SpectralStep({1, 2, 3}), false, nullptr, false), 0U);
    EXPECT_EQ(mediator->TakeTransportContainer(nullptr, false, nullptr, false), 0U);
    QFundamentalNodeMediator empty(m_thread, nullptr);
    EXPECT_EQ(empty.TakeTransportContainer(SpectralStep({1}), false, nullptr, false), 0U);
    EXPECT_EQ(empty.LockScanContainer(), nullptr);
}

// A clamp module with an ambient and a cable child, all real nodes and mediators, over table files.
class ClampExchangeTest : public FundamentalMediatorTest {
protected:
    ClampExchangeTest() {
        m_tables.WriteTable("CTCTctCTCT", {{10.0F, 1.0F}, {1000.0F, 3.0F}});
        m_tables.WriteTable("AMAMambAMAM", {{10.0F, 0.5F}, {1000.0F, 0.5F}});
        m_children.children = {m_ambient.get(), m_cable.get()};
        m_clamp->SetContainer(&m_children);
        for (QNodeMediator* child : {m_ambient.get(), m_cable.get()}) {
            QAcquiredScanContainer own(child);
            own.Get()->GetSetupScanCommand().SetFrequencyRange(10.0F, 1000.0F);
        }
        // The run's set-up range, which the ambient container stores in place of the set-up command.
        QAcquiredScanContainer ambient(m_ambient.get());
        ambient.As<QAmbientScanContainer>()->SetSetupRange(10.0F, 1000.0F);
    }

    void ChangeClampSetup(const std::string& ambientTable) {
        {
            QAcquiredScanContainer clamp(m_clamp.get());
            clamp.As<QCurrentClampModuleContainer>()->SetSetupTexts(1, ambientTable, "md1", "md2", "ct");
        }
        Fundamental(*m_clamp).SynchroniseClampChildren();
    }

    static std::pair<float, float> LevelRangeOf(QNodeMediator& mediator) {
        std::pair<float, float> range{0.0F, 0.0F};
        QAcquiredScanContainer own(&mediator);
        own.Get()->GetLevelRange(&range.first, &range.second);
        return range;
    }

    template <class T> QClampSetupTexts ParentSetupOf(QNodeMediator& child) {
        QAcquiredScanContainer own(&child);
        return own.As<T>()->GetParentSetup();
    }

    testing::CompensationTableFolder m_tables;
    testing::CompensationSwitches m_switches{true, false};
    test::FakeNodeContainer m_children;
    std::unique_ptr<QNodeMediator> m_clamp = Make(kTypeCurrentClampModuleNode, nullptr, 1);
    std::unique_ptr<QNodeMediator> m_ambient = Make(kTypeAmbientScanNode, m_clamp.get(), 2);
    std::unique_ptr<QNodeMediator> m_cable = Make(kTypeCableScanNode, m_clamp.get(), 3);
};

TEST_F(ClampExchangeTest, ASetupChangeReachesTheAmbientAndTheCableChild) {
    ChangeClampSetup("amb");
    EXPECT_EQ(ParentSetupOf<QAmbientScanContainer>(*m_ambient).m_Name3, "ct");
    EXPECT_EQ(ParentSetupOf<QAmbientScanContainer>(*m_ambient).m_Name4, "amb");
    EXPECT_EQ(ParentSetupOf<QCableScanContainer>(*m_cable).m_Name4, "amb");
    ChangeClampSetup("other");
    EXPECT_EQ(ParentSetupOf<QAmbientScanContainer>(*m_ambient).m_Name4, "other");
    EXPECT_EQ(ParentSetupOf<QCableScanContainer>(*m_cable).m_Name4, "other");
}

TEST_F(ClampExchangeTest, HandOversThroughTheMediatorCorrectLikeTheDirectExchange) {
    ChangeClampSetup("amb");
    const std::vector<int16_t> spectrum = testing::SpectrumWithPeaks(3, -100, {1}, 400);
    m_ambient->TakeTransportContainer(SpectralStep(spectrum), false, nullptr, false);
    float low = 0.0F;
    float high = 0.0F;
    {
        QAcquiredScanContainer own(m_ambient.get());
        own.Get()->GetLevelRange(&low, &high);
    }
    // Points at 10, 505 and 1000 MHz, corrected by the clamp's transformer and ambient tables.
    EXPECT_NEAR(low, -100.0F + 10.0F * (1.0F + 0.5F), 1e-3F);

    // The same spectrum in a container that was linked by hand gives the same range.
    testing::FakeContainerNode clampNode(std::make_unique<QCurrentClampModuleContainer>());
    testing::FakeContainerNode ambientNode(std::make_unique<QAmbientScanContainer>(), &clampNode);
    clampNode.Container<QCurrentClampModuleContainer>().SetSetupTexts(1, "amb", "md1", "md2", "ct");
    ambientNode.Container<QScanContainer>().GetSetupScanCommand().SetFrequencyRange(10.0F, 1000.0F);
    testing::DeliverSpectrum(ambientNode.Container<QScanContainer>(), spectrum, false);
    ASSERT_TRUE(QParentClampLink::Synchronise(ambientNode));
    float directLow = 0.0F;
    float directHigh = 0.0F;
    ambientNode.Container<QScanContainer>().GetLevelRange(&directLow, &directHigh);
    EXPECT_FLOAT_EQ(low, directLow);
    EXPECT_FLOAT_EQ(high, directHigh);
}

TEST_F(ClampExchangeTest, TheCorrectedRangeAfterHandOversIsTheOneAfterSavingAndReopening) {
    ChangeClampSetup("amb");
    for (const auto& spectrum :
         {testing::SpectrumWithPeaks(3, -100, {1}, 400), testing::SpectrumWithPeaks(3, -90, {2}, 300)}) {
        m_ambient->TakeTransportContainer(SpectralStep(spectrum), true, nullptr, false);
    }
    const std::pair<float, float> live = LevelRangeOf(*m_ambient);

    // Saved in the node-table form: node files and the ambient scan's scan file.
    storetest::ScratchFolder scratch;
    std::filesystem::create_directories(scratch.Path("process-temp"));
    SetProcessTempFolderOverride(scratch.Path("process-temp"));
    auto factory = std::make_shared<storetest::FakeStorageManagerFactory>();
    QFileSystemRepositoryManager repository(scratch.Path(), factory);
    std::unique_ptr<QProjectStorageManager> storage =
        repository.OpenProjectByPath(scratch.Path("Data/Board/Board"));
    ASSERT_NE(storage, nullptr);
    std::unique_ptr<QNodeMediator> preferences = Make(kTypePreferencesNode, nullptr, 20);
    std::unique_ptr<QNodeMediator> root = Make(kTypeProjectNode, nullptr, 21);
    const QNodePairList pairs = {{preferences.get(), preferences.get()},
                                 {root.get(), root.get()},
                                 {m_clamp.get(), root.get()},
                                 {m_ambient.get(), m_clamp.get()}};
    dynamic_cast<QFileSystemProjectStorageManager&>(*storage).SetNextNodeId(30);
    ASSERT_TRUE(storage->WriteNodeTable(pairs));

    // Reopened: the nodes read their bodies, the ambient scan its scan file, and the open takes the
    // clamp's set-up over once the tree stands.
    std::unique_ptr<QNodeMediator> clamp = Make(kTypeCurrentClampModuleNode, nullptr, 1);
    std::unique_ptr<QNodeMediator> ambient = Make(kTypeAmbientScanNode, clamp.get(), 2);
    for (auto [from, to] :
         {std::pair{m_clamp.get(), clamp.get()}, std::pair{m_ambient.get(), ambient.get()}}) {
        std::vector<uint8_t> body(from->GetNode()->GetBodySize());
        QCharArrayDataWriter writer(body.data(), static_cast<uint32_t>(body.size()));
        from->GetNode()->WriteBody(writer);
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        to->GetNode()->ReadBody(reader);
    }
    ambient->GetNode()->LoadScanData(*storage);
    ASSERT_TRUE(Fundamental(*ambient).SynchroniseWithClampParent());
    const std::pair<float, float> reopened = LevelRangeOf(*ambient);
    EXPECT_FLOAT_EQ(reopened.first, live.first);
    EXPECT_FLOAT_EQ(reopened.second, live.second);
    EXPECT_NE(live.first, live.second);
    SetProcessTempFolderOverride("");
}

// An Ambient Scan node that notes how deep its lock is held when its parent clamp is reached.
class DepthAmbientNode : public QAmbientScanNode {
public:
    QScanContainer* LockScanContainer() override {
        ++depth;
        return QAmbientScanNode::LockScanContainer();
    }
    QScanContainer* AcquireScanContainer() override {
        ++depth;
        return QAmbientScanNode::AcquireScanContainer();
    }
    void UnlockScanContainer() override {
        --depth;
        QAmbientScanNode::UnlockScanContainer();
    }
    int depth = 0;
};

class WatchingClampNode : public QCurrentClampModuleNode {
public:
    QScanContainer* AcquireScanContainer() override {
        if (watched != nullptr) {
            depthsSeen.push_back(watched->depth);
        }
        return QCurrentClampModuleNode::AcquireScanContainer();
    }
    DepthAmbientNode* watched = nullptr;
    std::vector<int> depthsSeen;
};

TEST_F(FundamentalMediatorTest, TheClampExchangeNeverRunsWithTheChildsLockHeld) {
    QFundamentalNodeMediator clamp(m_thread, &m_frame);
    auto clampNode = std::make_unique<WatchingClampNode>();
    WatchingClampNode& clampRef = *clampNode;
    clampNode->SetMediator(&clamp);
    clamp.SetNode(std::move(clampNode));
    QFundamentalNodeMediator ambient(m_thread, &m_frame);
    ambient.SetParentMediator(&clamp);
    auto ambientNode = std::make_unique<DepthAmbientNode>();
    clampRef.watched = ambientNode.get();
    ambientNode->SetMediator(&ambient);
    ambient.SetNode(std::move(ambientNode));

    ambient.TakeTransportContainer(SpectralStep({1, 50, 2}), false, nullptr, false);
    ASSERT_FALSE(clampRef.depthsSeen.empty());
    for (int depth : clampRef.depthsSeen) {
        EXPECT_EQ(depth, 0);
    }
    ambient.SetNode(nullptr);
    clamp.SetNode(nullptr);
}

// --- A project through the real maker ---

class RealMakerProjectTest : public containertest::ProjectContainerTest {
protected:
    std::unique_ptr<TfrmMainApp> MakeRealApp(bool noPreferences) {
        auto app = std::make_unique<TfrmMainApp>(m_frame, noPreferences,
                                                 std::make_shared<QFileSystemProjectStorageManagerFactory>(
                                                     std::make_shared<QProjectFile>(m_model)),
                                                 m_maker);
        app->RegisterProjectTree(kWindow, &m_tree);
        return app;
    }
    QNodeMediator* Add(TfrmProjectView& view, QNodeMediator* parent, uint16_t kind) {
        return view.AddNode(parent != nullptr ? m_tree.Find(parent) : m_tree.GetRootItem(), CViewTree::kLast,
                            kind);
    }
    std::vector<uint8_t> SavedBytes() const {
        std::ifstream file(m_repository + "/Data/Untitled/Untitled", std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    static QNodeMediator* FindKind(TfrmMainApp& app, uint16_t kind) {
        for (const QNodePair& pair : app.GetOpenProject()->GetPairList()) {
            if (pair.m_node->GetEffectiveNode()->GetTypeID() == kind) {
                return pair.m_node;
            }
        }
        return nullptr;
    }

    MessageThread m_thread;
    QNodeFactory::FundamentalMediatorMaker m_maker = QFundamentalNodeMediator::MakeMaker(m_thread, &m_frame);
    QMediatorProjectFileModel m_model{m_maker};
};

TEST_F(RealMakerProjectTest, LinkedReferenceNodesSurviveSaveAndReopenAndTwoSavesAreByteIdentical) {
    {
        auto app = MakeRealApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        TfrmProjectView& view = *app->GetOpenProject();
        QNodeMediator* module = Add(view, nullptr, kTypeModuleNode);
        QNodeMediator* spectral = Add(view, module, kTypeSpectralScanNode);
        ASSERT_TRUE(spectral->AddSpectralScanData(Spectral(1), false, false));
        QNodeMediator* cells = Add(view, module, kTypeSpectralSpatialScanNode);
        dynamic_cast<QFundamentalNodeMediator&>(*cells).SetNodeValues({1, {1.5F, -2.0F, 300.0F}});
        for (int i = 0; i < 3; ++i) {
            auto* reference =
                dynamic_cast<QProxyNodeMediator*>(Add(view, module, kTypeSpectralScanReferenceNode));
            ASSERT_NE(reference, nullptr);
            ASSERT_TRUE(reference->LinkToTarget(*spectral));
        }
        ASSERT_TRUE(app->SaveProject());
        app->CloseProject();
    }
    std::vector<std::vector<uint8_t>> saves;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto app = MakeRealApp(true);
        ASSERT_TRUE(app->OpenProject(kWindow, m_repository + "/Data/Untitled/Untitled", nullptr));
        QNodeMediator* spectral = FindKind(*app, kTypeSpectralScanNode);
        ASSERT_NE(spectral, nullptr);
        std::vector<uint32_t> referenceIds;
        for (const QNodePair& pair : app->GetOpenProject()->GetPairList()) {
            if (auto* proxy = dynamic_cast<QProxyNodeMediator*>(pair.m_node)) {
                EXPECT_EQ(proxy->GetTarget(), spectral);
                referenceIds.push_back(proxy->GetNodeID());
            }
        }
        ASSERT_EQ(referenceIds.size(), 3U);
        std::sort(referenceIds.begin(), referenceIds.end());
        std::vector<uint32_t> expected{3};
        expected.insert(expected.end(), referenceIds.begin(), referenceIds.end());
        EXPECT_EQ(LinkWords(*spectral), expected);
        EXPECT_EQ(dynamic_cast<QFundamentalNodeMediator&>(*FindKind(*app, kTypeSpectralSpatialScanNode))
                      .GetNodeValues(),
                  (QProjectNodeValues{1, {1.5F, -2.0F, 300.0F}}));
        ASSERT_TRUE(app->SaveProject());
        saves.push_back(SavedBytes());
        app->CloseProject();
    }
    m_thread.Pump();
    ASSERT_EQ(saves.size(), 2U);
    EXPECT_FALSE(saves[0].empty());
    EXPECT_TRUE(saves[0] == saves[1]);
}

} // namespace
} // namespace orv
