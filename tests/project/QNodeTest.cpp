#include "project/QNode.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNodeMediator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/NodeFixtures.h"

#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <vector>

namespace orv {
namespace {

using nodefix::AnnouncingContainer;
using nodefix::AppendU32;
using nodefix::FixtureNode;
using nodefix::LinkListMediator;
using nodefix::ReadBodyBytes;
using nodefix::U32At;
using nodefix::WriteBodyBytes;

constexpr const char* kCorruptText = "Error#317: Invalid or corrupt project.";

// A spectral/spatial container that holds something other than its defaults: a stored body with a
// 2 x 3 pattern and its own frequency range.
std::unique_ptr<QSpectralSpatialScanContainer> FilledContainer(float start, float stop) {
    auto container = std::make_unique<QSpectralSpatialScanContainer>();
    std::vector<uint8_t> body(256);
    QCharArrayDataWriter writer(body.data(), static_cast<uint32_t>(body.size()));
    writer.WriteI16(-120);
    writer.WriteI16(450);
    writer.WriteU32(0);
    writer.WriteU32(0);
    writer.WriteF32(start);
    writer.WriteF32(stop);
    writer.WriteF32(2.5F);
    QProbeScanPattern pattern(2, 3, 1, 80);
    pattern.SetProbeAt(1, 2, 0);
    pattern.WriteBody(writer);
    body.resize(writer.GetBytesWritten());
    EXPECT_EQ(ReadBodyBytes(*container, body), 0U);
    return container;
}

// A node whose every stored part differs from a new node's.
void FillNode(QNode& node) {
    node.SetID(0x01020304);
    node.SetName("Board \xE9 1"); // a raw code-page byte inside
    node.SetLabel("Label");
    node.SetSettingsCopied(true);
    node.SetSettingsSourceID(99);
    node.GetNoteOptions()->m_noteText = "a note";
    node.GetIPAddressOptions()->m_address = "10.0.0.2";
    node.GetOverlayOptions()->m_sourceKind = QOverlayOptions::kSourcePicture;
    node.GetOverlayOptions()->m_overlayId = 17;
    node.GetOverlayOptions()->m_pictureValues[2] = 0.75F;
    node.GetAutoSpatialsOptions()->m_count = 3;
    node.GetCablesSpectralViewOptions()->m_cableNames[4] = "cable four";
    node.GetAttenuatorOptions()->SetValue(12.5F);
    node.GetAntennaScanModuleOptions()->m_value = 5;
}

struct NodeWithMediator {
    explicit NodeWithMediator(uint16_t kind = kTypeSpectralSpatialScanNode, float start = 10.0F,
                              float stop = 100.0F)
        : node(kind, FilledContainer(start, stop)), mediator(&node) {
        node.SetMediator(&mediator);
    }
    FixtureNode node;
    LinkListMediator mediator;
};

TEST(QNodeTest, NewNodeHasEmptyIdentityAndTheTwoDefaultPatterns) {
    FixtureNode node(kTypeModuleNode);
    EXPECT_EQ(node.GetID(), 0U);
    EXPECT_EQ(node.GetName(), "");
    EXPECT_EQ(node.GetLabel(), "");
    EXPECT_EQ(node.GetType(), -1);
    EXPECT_FALSE(node.IsSettingsCopied());
    EXPECT_EQ(node.GetSettingsSourceID(), 0U);
    EXPECT_EQ(node.GetNodeMediator(), nullptr);
    EXPECT_EQ(node.GetContext(), nullptr);

    const QProbeScanPatternOptions& first = *node.GetFirstProbePatternOptions();
    EXPECT_TRUE(first.IsOwnPattern());
    EXPECT_EQ(first.GetPattern().GetRows(), 29);
    EXPECT_EQ(first.GetPattern().GetColumns(), 42);
    EXPECT_EQ(first.GetPattern().GetProbeOnCount(), 9U);
    for (int row : {6, 14, 22}) {
        for (int column : {9, 19, 29}) {
            EXPECT_TRUE(first.GetPattern().IsProbeOn(row, column)) << row << "," << column;
        }
    }

    const QProbeScanPatternOptions& second = *node.GetSecondProbePatternOptions();
    EXPECT_TRUE(second.IsOwnPattern());
    EXPECT_EQ(second.GetPattern().GetProbeOnCount(), 11U * 21U);
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;
    ASSERT_TRUE(second.GetPattern().GetProbeOnBounds(firstRow, firstColumn, lastRow, lastColumn));
    EXPECT_EQ(firstRow, 5);
    EXPECT_EQ(firstColumn, 5);
    EXPECT_EQ(lastRow, 15);
    EXPECT_EQ(lastColumn, 25);
}

TEST(QNodeTest, OwnsTheListedOptionsAndLeavesTheOthersWithoutOwner) {
    FixtureNode node(kTypeSpectralScanNode);
    const std::vector<const QOptions*> owned = {node.GetScanOptions(),
                                                node.GetFirstProbePatternOptions(),
                                                node.GetSecondProbePatternOptions(),
                                                node.GetAttenuatorOptions(),
                                                node.GetSpectralDisplayOptions(),
                                                node.GetSpatialDisplayOptions(),
                                                node.GetIPAddressOptions(),
                                                node.GetSSSpectralViewOptions(),
                                                node.GetSSSpatialViewOptions(),
                                                node.GetNoteOptions(),
                                                node.GetOverlayOptions(),
                                                node.GetSpectralScriptingDisplayOptions(),
                                                node.GetCablesSpectralViewOptions(),
                                                node.GetCurrentClampModuleOptions(),
                                                node.GetCableScanOptions(),
                                                node.GetSpectralStandLineOptions(),
                                                node.GetAmplifierAntennuatorOptions(),
                                                node.GetWordReportOptions(),
                                                node.GetAmbientScanOptions()};
    for (const QOptions* options : owned) {
        EXPECT_EQ(options->GetOwner(), &node) << options->GetTypeID();
    }
    const std::vector<const QOptions*> unowned = {node.GetAnalyzerOptions(),
                                                  node.GetAntennaScanOptions(),
                                                  node.GetDifferentRangeScanModuleOptions(),
                                                  node.GetAntennaPositionScanOptions(),
                                                  node.GetNearFieldAmbientScanOptions(),
                                                  node.GetFarFieldAmbientScanOptions(),
                                                  node.GetAntennaScanModuleOptions(),
                                                  node.GetAutoSpatialsOptions()};
    for (const QOptions* options : unowned) {
        EXPECT_EQ(options->GetOwner(), nullptr) << options->GetTypeID();
    }
    // The option walk sees the node's kind through its frame type.
    EXPECT_EQ(node.GetScanOptions()->GetOwnerKind(), kTypeSpectralScanNode);
}

TEST(QNodeTest, BodyWithTwoLinksRoundTripsByteForByte) {
    NodeWithMediator source(kTypeSpectralSpatialScanNode, 30.0F, 90.0F);
    FillNode(source.node);
    source.mediator.m_links = {11, 0xFFFFFFF0};
    const std::vector<uint8_t> bytes = WriteBodyBytes(source.node);
    EXPECT_EQ(source.node.GetBodySize(), bytes.size());

    // Identity at the front, texts as a length and raw bytes.
    EXPECT_EQ(U32At(bytes, 0), 0x01020304U);
    EXPECT_EQ(U32At(bytes, 4), 9U);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 17), "Board \xE9 1");
    EXPECT_EQ(bytes[17], 1);
    EXPECT_EQ(U32At(bytes, 18), 99U);
    EXPECT_EQ(U32At(bytes, 22), 5U);
    // The mediator data block at the end: N = 12, C = 2, the two IDs in order.
    const size_t end = bytes.size();
    EXPECT_EQ(U32At(bytes, end - 16), 12U);
    EXPECT_EQ(U32At(bytes, end - 12), 2U);
    EXPECT_EQ(U32At(bytes, end - 8), 11U);
    EXPECT_EQ(U32At(bytes, end - 4), 0xFFFFFFF0U);

    NodeWithMediator target;
    EXPECT_EQ(ReadBodyBytes(target.node, bytes), 0U);
    ASSERT_EQ(target.mediator.m_readBlocks.size(), 1U);
    EXPECT_EQ(target.mediator.m_readBlocks[0], (std::vector<uint32_t>{11, 0xFFFFFFF0}));
    EXPECT_EQ(target.node.GetID(), 0x01020304U);
    EXPECT_EQ(target.node.GetName(), "Board \xE9 1");
    EXPECT_EQ(target.node.GetLabel(), "Label");
    EXPECT_TRUE(target.node.IsSettingsCopied());
    EXPECT_EQ(target.node.GetSettingsSourceID(), 99U);
    EXPECT_EQ(target.node.GetOverlayOptions()->m_pictureValues[2], 0.75F);
    float start = 0.0F;
    float stop = 0.0F;
    target.node.GetScanContainer()->GetFrequencyRange(&start, &stop);
    float sourceStart = 0.0F;
    float sourceStop = 0.0F;
    source.node.GetScanContainer()->GetFrequencyRange(&sourceStart, &sourceStop);
    EXPECT_EQ(start, sourceStart);
    EXPECT_EQ(stop, sourceStop);
    // The antenna scan module options are not stored.
    EXPECT_EQ(target.node.GetAntennaScanModuleOptions()->m_value, 1U);

    // The fundamental mediator re-links the IDs it read; the node then writes the same bytes.
    target.mediator.m_links = target.mediator.m_readBlocks[0];
    EXPECT_EQ(WriteBodyBytes(target.node), bytes);
}

TEST(QNodeTest, UnlinkedNodeWritesAnEmptyLinkBlock) {
    NodeWithMediator linked;
    const std::vector<uint8_t> bytes = WriteBodyBytes(linked.node);
    ASSERT_GE(bytes.size(), 8U);
    EXPECT_EQ(U32At(bytes, bytes.size() - 8), 4U);
    EXPECT_EQ(U32At(bytes, bytes.size() - 4), 0U);
    EXPECT_EQ(linked.node.GetBodySize(), bytes.size());

    // Without a mediator nothing can be linked to the node: the same block.
    FixtureNode alone(kTypeSpectralSpatialScanNode, FilledContainer(10.0F, 100.0F));
    EXPECT_EQ(WriteBodyBytes(alone), bytes);

    NodeWithMediator target;
    EXPECT_EQ(ReadBodyBytes(target.node, bytes), 0U);
    ASSERT_EQ(target.mediator.m_readBlocks.size(), 1U);
    EXPECT_TRUE(target.mediator.m_readBlocks[0].empty());
}

TEST(QNodeTest, CorruptLinkBlocksAreRefusedAndTheNodeKeepsWhatItHad) {
    NodeWithMediator source(kTypeSpectralSpatialScanNode, 30.0F, 90.0F);
    FillNode(source.node);
    std::vector<uint8_t> prefix = WriteBodyBytes(source.node);
    prefix.resize(prefix.size() - 8); // drop N = 4, C = 0

    struct Case {
        const char* what;
        std::vector<uint32_t> words;
    };
    const std::vector<Case> cases = {
        {"N = 0", {0}},
        {"N = 3", {3, 0}},
        {"N = 8 with C = 0", {8, 0, 0}},
        {"N = 8 with C = 2", {8, 2, 7}},
        {"N = 4 with C = 1", {4, 1}},
        {"N = 12 with C = 1", {12, 1, 5, 6}},
        {"N = 16 with C = 4", {16, 4, 5, 6, 7}},
        {"N beyond the body", {20, 4, 1, 2}},
        {"N = 0xFFFFFFFF", {0xFFFFFFFFU, 0}},
        {"C whose 4 + 4C wraps to 4 in 32 bits", {4, 0x40000000U}},
        {"C whose 4 + 4C wraps to 8 in 32 bits", {8, 0x40000001U, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = prefix;
        for (uint32_t word : c.words) {
            AppendU32(bytes, word);
        }
        if (std::string(c.what) == "N = 3") {
            bytes.resize(bytes.size() - 1); // three bytes of block behind N
        }

        NodeWithMediator target(kTypeSpectralSpatialScanNode, 1.0F, 2.0F);
        target.node.SetID(5);
        target.node.SetName("kept");
        target.node.GetNoteOptions()->m_noteText = "old note";
        const std::vector<uint8_t> before = WriteBodyBytes(target.node);
        try {
            ReadBodyBytes(target.node, bytes);
            ADD_FAILURE() << "accepted";
        } catch (const QIOException& e) {
            EXPECT_STREQ(e.what(), kCorruptText);
        }
        EXPECT_TRUE(target.mediator.m_readBlocks.empty());
        EXPECT_EQ(target.node.GetName(), "kept");
        EXPECT_EQ(WriteBodyBytes(target.node), before);
    }
}

// A node whose spectral/spatial container holds a run of 2 x 2 cells, which live outside the body.
void RunTwoByTwo(QSpectralSpatialScanContainer& container) {
    auto setup = std::make_unique<QTransportContainer>();
    auto* command = new QSetupScanCommand();
    command->SetProbeScanPattern(QProbeScanPattern(2, 2));
    command->SetFrequencyRange(100.0F, 200.0F);
    setup->SetSetupScanCommand(command);
    container.TakeTransportContainer(std::move(setup), false, nullptr, false);
    for (uint16_t cell = 0; cell < 4; ++cell) {
        auto* component = new QSpectralSpatialScanComponent();
        component->SetCell(cell / 2, cell % 2, 0);
        component->SetPointCount(3);
        for (uint32_t i = 0; i < 3; ++i) {
            component->SetAmplitude(i, static_cast<int16_t>(10 * cell + static_cast<int16_t>(i) - 5));
        }
        auto step = std::make_unique<QTransportContainer>();
        step->SetSpectralSpatialScanComponent(component);
        container.TakeTransportContainer(std::move(step), false, nullptr, false);
    }
}

TEST(QNodeTest, ABodyRefusedHalfWayLeavesTheContainersRunAsItWas) {
    NodeWithMediator source(kTypeSpectralSpatialScanNode, 30.0F, 90.0F); // a 2 x 3 pattern
    std::vector<uint8_t> refused = WriteBodyBytes(source.node);
    refused.resize(refused.size() - 8);
    AppendU32(refused, 0); // a link block of N = 0, read after the container

    auto owned = std::make_unique<QSpectralSpatialScanContainer>();
    QSpectralSpatialScanContainer& container = *owned;
    FixtureNode node(kTypeSpectralSpatialScanNode, std::move(owned));
    LinkListMediator mediator(&node);
    node.SetMediator(&mediator);
    RunTwoByTwo(container);
    const std::vector<uint8_t> before = WriteBodyBytes(node);

    EXPECT_THROW(ReadBodyBytes(node, refused), QIOException);
    EXPECT_EQ(WriteBodyBytes(node), before);
    EXPECT_EQ(container.GetGridRows(), 2U);
    for (uint16_t cell = 0; cell < 4; ++cell) {
        const QSSCellRecord* record = container.GetCellRecord(cell / 2, cell % 2);
        ASSERT_NE(record, nullptr) << cell;
        EXPECT_EQ(record->m_Amplitudes[2], 10 * cell - 3);
        EXPECT_EQ(container.GetPeakMap().GetAmplitude(cell / 2, cell % 2), 10 * cell - 3);
    }
    EXPECT_EQ(container.GetMinLevel(), -5);
    EXPECT_EQ(container.GetMaxLevel(), 27);
    EXPECT_EQ(container.GetSpectralScanForCells(container.GetProbeScanPattern())->GetAmplitude(1), 26);

    // The same body with a sound link block is taken: the stored grid replaces the run's.
    refused.resize(refused.size() - 4);
    AppendU32(refused, 4);
    AppendU32(refused, 0);
    ReadBodyBytes(node, refused);
    EXPECT_EQ(container.GetGridColumns(), 3U);
    EXPECT_EQ(container.GetCellRecord(0, 0), nullptr);
}

TEST(QNodeTest, TruncatedBodyFailsWithTheReadersErrorAndChangesNothing) {
    NodeWithMediator source(kTypeSpectralSpatialScanNode, 30.0F, 90.0F);
    FillNode(source.node);
    const std::vector<uint8_t> bytes = WriteBodyBytes(source.node);

    // Cut inside the identity, inside the options before and after the container, and inside the
    // link block.
    for (size_t cut : {size_t{6}, size_t{200}, bytes.size() / 2, bytes.size() - 20, bytes.size() - 2}) {
        SCOPED_TRACE(cut);
        NodeWithMediator target(kTypeSpectralSpatialScanNode, 1.0F, 2.0F);
        target.node.SetName("kept");
        const std::vector<uint8_t> before = WriteBodyBytes(target.node);
        const std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(ReadBodyBytes(target.node, truncated), QException);
        EXPECT_TRUE(target.mediator.m_readBlocks.empty());
        EXPECT_EQ(WriteBodyBytes(target.node), before);
    }
}

TEST(QNodeTest, DestructorAnnouncesTheNodeAroundTheContainersDeletion) {
    DebugOutputCapture capture;
    {
        FixtureNode node(kTypeNoteNode, std::make_unique<AnnouncingContainer>());
        node.SetName("A");
        node.SetID(7);
    }
    {
        FixtureNode node(kTypeNoteNode, std::make_unique<AnnouncingContainer>());
        node.SetName("");
        node.SetID(0xFFFFFFFFU);
    }
    const std::vector<std::string> expected = {
        "Deleting Node with name:  Begin\nName: A and ID: 7. \n",
        AnnouncingContainer::kDeletedText,
        "Deleting Node with name: End\n",
        "Deleting Node with name:  Begin\nName:  and ID: 4294967295. \n",
        AnnouncingContainer::kDeletedText,
        "Deleting Node with name: End\n",
    };
    EXPECT_EQ(capture.Texts(), expected);
}

TEST(QNodeTest, CopyOptionsFromTakesTheTravellingSettingsAndResetsTheOthers) {
    FixtureNode source(kTypeSpectralScanNode);
    FillNode(source);
    source.GetSSSpatialViewOptions()->m_viewMode = 3;
    source.GetWordReportOptions()->m_firstText = "source report";
    source.GetAmbientScanOptions()->m_rbw = 3.0F;
    source.GetFirstProbePatternOptions()->SetMeasurementHeight(55.0F);

    FixtureNode target(kTypeSpectralScanNode);
    target.GetWordReportOptions()->m_firstText = "own report";
    target.GetAmbientScanOptions()->m_rbw = 2.0F;
    target.GetCablesSpectralViewOptions()->m_cableNames[1] = "own cable";
    target.GetSSSpatialViewOptions()->m_viewMode = 2;
    target.GetAntennaScanModuleOptions()->m_value = 9;
    target.SetID(44);
    target.CopyOptionsFrom(source);

    EXPECT_EQ(target.GetName(), source.GetName());
    EXPECT_EQ(target.GetLabel(), "Label");
    EXPECT_EQ(target.GetID(), 44U); // identity stays
    EXPECT_EQ(target.GetNoteOptions()->m_noteText, "a note");
    EXPECT_EQ(target.GetIPAddressOptions()->m_address, "10.0.0.2");
    EXPECT_EQ(target.GetOverlayOptions()->m_overlayId, 17);
    EXPECT_EQ(target.GetAutoSpatialsOptions()->m_count, 3U);
    EXPECT_EQ(target.GetAttenuatorOptions()->m_value, 12.5F);
    EXPECT_EQ(target.GetFirstProbePatternOptions()->GetMeasurementHeight(), 55.0F);
    // Reset on copy.
    EXPECT_EQ(target.GetSSSpatialViewOptions()->m_viewMode, 0U);
    EXPECT_EQ(target.GetAmbientScanOptions()->m_rbw, QAmbientScanOptions().m_rbw);
    // Not touched.
    EXPECT_EQ(target.GetWordReportOptions()->m_firstText, "own report");
    EXPECT_EQ(target.GetCablesSpectralViewOptions()->m_cableNames.at(1), "own cable");
    EXPECT_EQ(target.GetCablesSpectralViewOptions()->m_cableNames.count(4), 0U);
    EXPECT_EQ(target.GetAntennaScanModuleOptions()->m_value, 9U);
}

TEST(QNodeTest, SyncOptionsFromParentFollowsTheParentNode) {
    FixtureNode parent(kTypeProjectNode);
    LinkListMediator parentMediator(&parent);
    parent.SetMediator(&parentMediator);
    parent.GetOverlayOptions()->m_overlayId = 42;
    parent.GetOverlayOptions()->GetPlacementRect()->c = 7;
    parent.GetAttenuatorOptions()->SetValue(6.0F);

    FixtureNode child(kTypeSpectralScanNode);
    LinkListMediator childMediator(&child, &parentMediator);
    child.SetMediator(&childMediator);
    EXPECT_EQ(child.GetMediator(), &childMediator);
    child.SyncOptionsFromParent();

    EXPECT_EQ(child.GetOverlayOptions()->m_overlayId, 42);
    EXPECT_EQ(child.GetOverlayOptions()->GetPlacementRect()->c, 7);
    EXPECT_EQ(child.GetAttenuatorOptions()->m_ownValue, 0);
    EXPECT_EQ(child.GetAttenuatorOptions()->m_value, 6.0F);
}

TEST(QNodeTest, CommandStateTakesTheAttenuatorValueOfItsMediatorsNode) {
    FixtureNode node(kTypeSpectralScanNode);
    LinkListMediator mediator(&node);
    node.SetMediator(&mediator);
    std::unique_ptr<QNodeCommandState> state = node.CreateCommandState();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->m_attenuatorValue, 0);
    EXPECT_EQ(state->m_pMediator, &mediator);
    EXPECT_EQ(state->m_commandsEnabled, 0);
    EXPECT_EQ(state->m_firstPattern.GetRows(), 0);

    node.SetCommandsEnabled(*state, true);
    EXPECT_EQ(state->m_commandsEnabled, 1);
    node.SetCommandsEnabled(*state, false);
    EXPECT_EQ(state->m_commandsEnabled, 0);

    node.GetAttenuatorOptions()->SetValue(-12.9F);
    node.RefreshAttenuatorValue(*state);
    EXPECT_EQ(state->m_attenuatorValue, -12);
}

TEST(QNodeTest, BaseNodeOffersNoViewsMenusOrRuns) {
    FixtureNode node(kTypeModuleNode);
    FixtureNode other(kTypeNoteNode);
    EXPECT_EQ(node.CreateSpectralViewRequest(), nullptr);
    EXPECT_EQ(node.CreateSpatialViewRequest(), nullptr);
    EXPECT_EQ(node.CreateNoteViewRequest(), nullptr);
    EXPECT_EQ(node.CreateOverlayViewRequest(), nullptr);
    std::vector<std::string> items;
    node.GetTopLevelMenuItems(items);
    node.GetAddMenuItems(items);
    node.GetViewMenuItems(items);
    node.GetRunMenuItems(items);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(node.GetImageIndex(), -1);
    EXPECT_FALSE(node.CanAcceptChild(1, &other));
    EXPECT_EQ(node.GetLinkMode(1, &other), 0);
    EXPECT_EQ(node.GetViewKind(), 0);
    EXPECT_FALSE(node.IsRunnable());
    EXPECT_FALSE(node.CanRunContinuously());
}

TEST(QNodeTest, ViewRequestsCarryTheMediatorOrNothing) {
    FixtureNode node(kTypeNoteNode);
    LinkListMediator mediator(&node);
    std::unique_ptr<QViewRequest> note = QNoteViewRequest::Create(&mediator);
    auto* noteRequest = dynamic_cast<QNoteViewRequest*>(note.get());
    ASSERT_NE(noteRequest, nullptr);
    EXPECT_EQ(noteRequest->GetMediator(), &mediator);
    std::unique_ptr<QViewRequest> overlay = QOverlayViewRequest::Create(&mediator);
    EXPECT_NE(dynamic_cast<QOverlayViewRequest*>(overlay.get()), nullptr);
}

} // namespace
} // namespace orv
