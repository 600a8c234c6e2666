// The pre-flight checks and the set-up list with scripted answers: DC coupling, the interleaved
// question by probe kind and adapter motors, the range and bandwidth checks (skipped for the
// hand-held probe), scripting children, the made 64 x 64 pattern, sub-node passes and the attenuator
// setting carried into the set-up.

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttenuatorOptions.h"
#include "core/QManagers.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeContainer.h"
#include "project/QNodeFactory.h"
#include "protocol/QUIBBStateController.h"
#include "tests/core/support/FakeAttachedScanner.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

// Registry limits: 10 to 3000 MHz, 1 kHz to 10 MHz. The table's row of the placeholder (900)
// supports RBWs up to 3 MHz and carries a DC-coupling message; the PSA's row (75) has none.
constexpr int32_t kPlaceholder = 900;
constexpr int32_t kNoDcMessage = 75;

class ChildrenContainer final : public QNodeContainer {
public:
    QNodeMediator* GetParentMediator(QNodeMediator& /*mediator*/) override { return nullptr; }
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& /*parent*/) override { return children; }
    QProjectStorageManager* GetStorageManager() override { return nullptr; }
    void UpdateNodeItem(QNodeMediator& /*mediator*/, int32_t /*code*/) override {}
    void MarkModified() override {}
    void RefreshAllNodeViews() override {}
    void RebuildAllNodeViews(bool /*rebuild*/) override {}
    QNodeMediator* GetPreferencesMediator() override { return nullptr; }
    QNodeMediator* AddChildNode(QNodeMediator& /*parent*/, uint16_t /*kind*/) override { return nullptr; }
    bool DeleteChildNode(QNodeMediator& /*child*/) override { return false; }
    void AddSpectralScanDataToList(CSpectralScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                   QNodeMediator& /*mediator*/) override {}
    void AddSpatialScanDataToList(CSpatialScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                  QNodeMediator& /*mediator*/) override {}
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& /*scan*/, bool /*live*/,
                                          QNodeMediator& /*mediator*/) override {}
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& /*scan*/, bool /*live*/,
                                        QNodeMediator& /*mediator*/) override {}

    std::vector<QNodeMediator*> children;
};

class ListController final : public QUIBBStateController {
public:
    using QUIBBStateController::GetSetupList;
    using QUIBBStateController::QUIBBStateController;
};

class SetupListTest : public ::testing::Test {
protected:
    SetupListTest() {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        GetInstrumentInfo().SetSelectedAnalyzerID(kPlaceholder);
        GetInstrumentInfo().SetProbeType(eProbeType::UsbScannerBoard);
        for (const int32_t id : {kPlaceholder, kNoDcMessage}) {
            GetSpectrumAnalyzerInfoManager().Insert(std::make_unique<QSpectrumAnalyzerInfo>(
                "Analyser", id, id, 10.0F, 3000.0F, 0.001F, 10.0F, 0));
        }
    }
    ~SetupListTest() override {
        mediators.clear();
        GetSpectrumAnalyzerInfoManager().Remove(kPlaceholder);
        GetSpectrumAnalyzerInfoManager().Remove(kNoDcMessage);
        GetInstrumentInfo().SetProbeType(previousProbeType);
        GetInstrumentInfo().SetSelectedAnalyzerID(previousAnalyzer);
    }

    // A node of the kind whose scan options ask for 100 to 200 MHz at 1 MHz RBW.
    QNodeMediator& MakeNode(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(ui, nullptr));
        mediators.push_back(factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false));
        QNodeMediator& node = *mediators.back();
        node.SetKind(kind);
        node.SetContainer(&container);
        Range(node, 100.0F, 200.0F, 1.0F);
        return node;
    }
    static void Range(QNodeMediator& node, float start, float stop, float rbw) {
        node.GetScanOptions()->SetStartFrequency(start);
        node.GetScanOptions()->SetStopFrequency(stop);
        node.GetScanOptions()->SetRBW(rbw);
    }
    std::vector<PromptRequest> Requests() const { return prompt->Requests(); }

    const eProbeType previousProbeType = GetInstrumentInfo().GetProbeType();
    const int32_t previousAnalyzer = GetInstrumentInfo().GetSelectedAnalyzerID();
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    MessageThread ui;
    ListController controller{ui};
    ChildrenContainer container;
    std::vector<std::unique_ptr<QNodeMediator>> mediators;
    std::vector<_SetupScanCommandInfo> list;
};

const char* const kDcQuestion =
    "The DC Coupled Mode has been activated. Make sure once more that the amplitude "
    "level of the signal is below the maximum safe input level.\n\n Are you sure "
    "you want to proceed?";

TEST_F(SetupListTest, DcCouplingShowsTheRowsMessageOrAsks) {
    _SupportedAnalyzerInfo placeholder;
    ASSERT_TRUE(GetInstrumentInfo().FindAnalyzerByID(kPlaceholder, placeholder));
    ASSERT_FALSE(placeholder.m_DcCouplingMessage.empty());
    struct Case {
        int32_t analyzer;
        PromptAnswer answer;
        bool accepted;
        uint8_t dcFlag;
        PromptButtons buttons;
        std::string text;
    };
    const Case cases[] = {
        {kPlaceholder, PromptAnswer::Ok, true, 0, PromptButtons::Ok, placeholder.m_DcCouplingMessage},
        {kNoDcMessage, PromptAnswer::Ok, true, 1, PromptButtons::OkCancel, kDcQuestion},
        {kNoDcMessage, PromptAnswer::Cancel, false, 0, PromptButtons::OkCancel, kDcQuestion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.analyzer);
        auto scripted = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall install{scripted};
        scripted->Script(c.answer);
        GetInstrumentInfo().SetSelectedAnalyzerID(c.analyzer);
        QNodeMediator& node = MakeNode(kTypeSpectralScanNode);
        node.GetScanOptions()->SetDcCoupled(true);
        list.clear();
        ASSERT_EQ(controller.CheckAndBuildSetupList(node, list), c.accepted);
        const std::vector<PromptRequest> asked = scripted->Requests();
        ASSERT_EQ(asked.size(), 1U);
        EXPECT_EQ(asked[0].text, c.text);
        EXPECT_EQ(asked[0].caption, "Confirmation");
        EXPECT_EQ(asked[0].buttons, c.buttons);
        EXPECT_EQ(asked[0].icon, PromptIcon::Warning);
        ASSERT_EQ(list.size(), c.accepted ? 1U : 0U);
        if (c.accepted) {
            EXPECT_EQ(list[0].m_SetupScan.m_AnalyzerFlag, c.dcFlag);
        }
    }
}

TEST_F(SetupListTest, InterleavedQuestionByProbeKindAndAdapterMotors) {
    const std::string robot =
        "You are going to perform an Interleaved Spatial Scan. An Interleaved Spatial Scan "
        "will requires two spatial scans to remove the blind spot effect of the scanner. "
        "The second spatial scan will take place after you rotate the probe 90 degrees.  "
        "Please press OK to proceed and set up the first spatial scan.\n";
    std::string board = robot;
    board.replace(board.find("rotate the probe 90 degrees"), 27, "move your PCB one row up");
    struct Case {
        eProbeType probe;
        std::optional<bool> motors;
        PromptAnswer answer;
        std::string question; // empty: nothing asked
        bool accepted;
    };
    const Case cases[] = {
        {eProbeType::RobotArm, std::nullopt, PromptAnswer::Ok, robot, true},
        {eProbeType::RobotArm, std::nullopt, PromptAnswer::Cancel, robot, false},
        {eProbeType::UsbScannerBoard, std::nullopt, PromptAnswer::Ok, board, true},
        {eProbeType::ExternalAdapter, false, PromptAnswer::Ok, board, true},
        {eProbeType::ExternalAdapter, std::nullopt, PromptAnswer::Ok, board, true},
        {eProbeType::ExternalAdapter, true, PromptAnswer::Cancel, "", true},
        // Motors reported by a scanner that is not the adapter selected count for nothing.
        {eProbeType::RobotArm, true, PromptAnswer::Ok, robot, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.probe));
        SCOPED_TRACE(c.motors.has_value() ? (*c.motors ? "motors" : "no motors") : "no adapter");
        auto scripted = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall install{scripted};
        scripted->Script(c.answer);
        fake::ScopedAttachedScanner attached;
        attached.Source().m_adapterMotors = c.motors;
        GetInstrumentInfo().SetProbeType(c.probe);
        QNodeMediator& node = MakeNode(kTypeSpatialScanNode);
        node.GetScanOptions()->SetInterleavedScan(1);
        list.clear();
        ASSERT_EQ(controller.CheckAndBuildSetupList(node, list), c.accepted);
        const std::vector<PromptRequest> asked = scripted->Requests();
        if (c.question.empty()) {
            EXPECT_TRUE(asked.empty());
        } else {
            ASSERT_EQ(asked.size(), 1U);
            EXPECT_EQ(asked[0].text, c.question);
            EXPECT_EQ(asked[0].caption, "Confirmation");
            EXPECT_EQ(asked[0].buttons, PromptButtons::OkCancel);
            EXPECT_EQ(asked[0].icon, PromptIcon::Information);
        }
        if (!c.accepted) {
            EXPECT_TRUE(list.empty());
            continue;
        }
        ASSERT_EQ(list.size(), 2U);
        for (uint32_t pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(list[pass].m_pMediator, &node);
            EXPECT_EQ(list[pass].m_Flag, 0);
            EXPECT_EQ(list[pass].m_Interleaved, 1);
            EXPECT_EQ(list[pass].m_PassNumber, pass);
            EXPECT_EQ(list[pass].m_SetupScan.GetScanKind(), 100);
        }
    }
}

TEST_F(SetupListTest, RangeAndBandwidthChecksExceptForTheHandHeldProbe) {
    const std::string range = "Error#340: The requested frequency range is outside the capabilities of the "
                              "attached spectrum analyzer.\n";
    const std::string bandwidth = "Error#338: The requested bandwidth is outside the capabilities of the "
                                  "attached spectrum analyzer.\n";
    struct Case {
        const char* name;
        uint16_t kind;
        float start, stop, rbw;
        std::string text; // empty: accepted without a box
        std::string caption;
    };
    const Case cases[] = {
        {"range equal to the analyser's", kTypeSpectralScanNode, 10.0F, 3000.0F, 3.0F, "", ""},
        {"start 0.1 MHz below", kTypeSpectralScanNode, 9.9F, 200.0F, 1.0F,
         range + "Requested range: 9.900000 MHz - 200.000000 MHz\nAvailable range: 10.000000 MHz - "
                 "3000.000000 MHz",
         "Invalid Frequency Range"},
        {"stop above", kTypeSpatialScanNode, 100.0F, 3000.5F, 1.0F,
         range + "Requested range: 100.000000 MHz - 3000.500000 MHz\nAvailable range: 10.000000 MHz - "
                 "3000.000000 "
                 "MHz",
         "Invalid Frequency Range"},
        {"RBW beyond the analyser's", kTypeSpectralSpatialScanNode, 100.0F, 200.0F, 20.0F,
         bandwidth + "Requested bandwidth: 20.000000 MHz\nAvailable range: 1.000000 kHz - 10.000000 MHz",
         "Invalid Bandwidth"},
        {"RBW the model does not support", kTypeSpectralScanNode, 100.0F, 200.0F, 5.0F,
         "The selected resolution bandwidth is not supported.", "Invalid Bandwidth"},
        {"hand-held probe out of range", kTypeHandHeldProbeScanNode, 9.9F, 3000.5F, 20.0F, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scripted = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall install{scripted};
        QNodeMediator& node = MakeNode(c.kind);
        Range(node, c.start, c.stop, c.rbw);
        list.clear();
        EXPECT_EQ(controller.CheckAndBuildSetupList(node, list), c.text.empty());
        const std::vector<PromptRequest> asked = scripted->Requests();
        if (c.text.empty()) {
            EXPECT_TRUE(asked.empty());
            ASSERT_EQ(list.size(), 1U);
            EXPECT_EQ(list[0].m_SetupScan.GetStartFrequency(), c.start);
            EXPECT_EQ(list[0].m_SetupScan.GetStopFrequency(), c.stop);
            EXPECT_EQ(list[0].m_SetupScan.m_ResolutionBandwidth, c.rbw);
            EXPECT_EQ(list[0].m_PassNumber, 0U);
            EXPECT_EQ(list[0].m_Interleaved, 0);
            continue;
        }
        EXPECT_TRUE(list.empty());
        ASSERT_EQ(asked.size(), 1U);
        EXPECT_EQ(asked[0].text, c.text);
        EXPECT_EQ(asked[0].caption, c.caption);
        EXPECT_EQ(asked[0].icon, PromptIcon::Warning);
    }

    // Without a registry record for the selected analyser nothing is checked further.
    GetInstrumentInfo().SetSelectedAnalyzerID(12345);
    list.clear();
    EXPECT_FALSE(controller.CheckAndBuildSetupList(MakeNode(kTypeHandHeldProbeScanNode), list));
    ASSERT_EQ(prompt->Texts(), (std::vector<std::string>{"No appropriate spectrum analyzer is connected."}));
    EXPECT_EQ(prompt->Requests()[0].caption, "Spectrum Analyzer");
}

TEST_F(SetupListTest, ScriptingChildrenEachGetAPassAndAFailingChildRefusesTheRest) {
    QNodeMediator& module = MakeNode(kTypeSpectralSpatialScriptingModuleNode);
    module.GetScanOptions()->SetControlLevel(2);
    module.GetScanOptions()->SetInterleavedScan(1); // no question for a scripting module
    // The first child has no script range: its own scan options stand in.
    QNodeMediator& first = MakeNode(kTypeSpectralSpatialScanNode);
    Range(first, 150.0F, 250.0F, 0.5F);
    QNodeMediator& second = MakeNode(kTypeSpectralSpatialScanNode);
    second.SetScriptRange(300.0F, 400.0F, 0.1F);
    QNodeMediator& third = MakeNode(kTypeSpectralSpatialScanNode);
    third.SetScriptRange(500.0F, 600.0F, 1.0F);
    container.children = {&first, &second, &third};

    ASSERT_TRUE(controller.CheckAndBuildSetupList(module, list));
    EXPECT_TRUE(prompt->Requests().empty());
    const struct {
        QNodeMediator* child;
        float start, stop, rbw;
    } expected[] = {
        {&first, 150.0F, 250.0F, 0.5F}, {&second, 300.0F, 400.0F, 0.1F}, {&third, 500.0F, 600.0F, 1.0F}};
    ASSERT_EQ(list.size(), 3U);
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        const QSetupScanCommand& setup = list[i].m_SetupScan;
        EXPECT_EQ(list[i].m_pMediator, expected[i].child);
        EXPECT_EQ(setup.GetScanKind(), 101);
        EXPECT_EQ(setup.GetStartFrequency(), expected[i].start);
        EXPECT_EQ(setup.GetStopFrequency(), expected[i].stop);
        EXPECT_EQ(setup.m_ResolutionBandwidth, expected[i].rbw);
        EXPECT_EQ(setup.GetSpatialLevel(), 3);
        EXPECT_EQ(list[i].m_Flag, 0);
        EXPECT_EQ(list[i].m_Interleaved, 0);
        EXPECT_EQ(list[i].m_PassNumber, 0U);
    }

    // The second child's RBW beyond the analyser's: the first child's pass stays, the third is never
    // checked.
    second.SetScriptRange(300.0F, 400.0F, 20.0F);
    list.clear();
    EXPECT_FALSE(controller.CheckAndBuildSetupList(module, list));
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0].m_pMediator, &first);
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].caption, "Invalid Bandwidth");
    EXPECT_EQ(prompt->Texts()[0].rfind("Error#338: ", 0), 0U);

    // Its range outside the analyser's: Error#340, again after the first child's pass.
    second.SetScriptRange(5.0F, 400.0F, 0.1F);
    list.clear();
    EXPECT_FALSE(controller.CheckAndBuildSetupList(module, list));
    ASSERT_EQ(list.size(), 1U);
    ASSERT_EQ(prompt->Requests().size(), 2U);
    EXPECT_EQ(prompt->Requests()[1].caption, "Invalid Frequency Range");
}

TEST_F(SetupListTest, AntennaKindsScanTheMadeSixtyFourByAnySixtyFourPattern) {
    for (const uint16_t kind : {kTypeAntennaPositionScanNode, kTypeFarFieldAmbientScanNode}) {
        SCOPED_TRACE(kind);
        list.clear();
        ASSERT_TRUE(controller.CheckAndBuildSetupList(MakeNode(kind), list));
        ASSERT_EQ(list.size(), 1U);
        const QSetupScanCommand& setup = list[0].m_SetupScan;
        EXPECT_EQ(setup.GetScanKind(), 99);
        ASSERT_EQ(setup.GetRows(), 64);
        ASSERT_EQ(setup.GetColumns(), 64);
        int on = 0;
        for (int row = 0; row < 64; ++row) {
            for (int column = 0; column < 64; ++column) {
                on += setup.GetProbeScanPattern().IsProbeOn(row, column) ? 1 : 0;
            }
        }
        EXPECT_EQ(on, 1);
        EXPECT_TRUE(setup.GetProbeScanPattern().IsProbeOn(5, 5));
    }
}

TEST_F(SetupListTest, SubNodePassesTakeEachSpatialChildsFrequencyAtTheNextLevel) {
    QNodeMediator& parent = MakeNode(kTypeSpectralSpatialScanNode);
    parent.GetScanOptions()->SetControlLevel(1);
    parent.GetAttenuatorOptions()->m_byte1 = 0;
    parent.GetAttenuatorOptions()->m_byte3 = 6;
    QProbeScanPattern pattern(3, 4);
    pattern.SetProbeAt(2, 3, 1);
    parent.GetSecondProbePatternOptions()->SetPattern(pattern);
    QNodeMediator& low = MakeNode(kTypeSpatialScanNode);
    Range(low, 120.0F, 120.0F, 1.0F);
    low.GetScanOptions()->SetSpatialSweepsPerCell(4);
    QNodeMediator& high = MakeNode(kTypeSpatialScanNode);
    Range(high, 180.5F, 180.5F, 1.0F);
    high.GetScanOptions()->SetSpatialSweepsPerCell(7);
    container.children = {&low, &high};

    controller.BuildSubNodeSetupList(parent);
    const std::vector<_SetupScanCommandInfo>& passes = controller.GetSetupList();
    ASSERT_EQ(passes.size(), 2U);
    const struct {
        QNodeMediator* child;
        float frequency;
        uint32_t samples;
    } expected[] = {{&low, 120.0F, 4}, {&high, 180.5F, 7}};
    for (std::size_t i = 0; i < passes.size(); ++i) {
        SCOPED_TRACE(i);
        const QSetupScanCommand& setup = passes[i].m_SetupScan;
        EXPECT_EQ(passes[i].m_pMediator, expected[i].child);
        EXPECT_EQ(setup.GetScanKind(), 100);
        EXPECT_EQ(setup.GetStartFrequency(), expected[i].frequency);
        EXPECT_EQ(setup.GetStopFrequency(), expected[i].frequency);
        EXPECT_EQ(setup.m_CenterFrequency, expected[i].child->GetScanOptions()->GetCenterFrequency());
        EXPECT_EQ(setup.m_Span, expected[i].child->GetScanOptions()->GetSpan());
        EXPECT_EQ(setup.m_SamplesPerCell, expected[i].samples);
        EXPECT_EQ(setup.GetSpatialLevel(), 2);
        EXPECT_EQ(setup.GetRows(), 3);
        EXPECT_TRUE(setup.GetProbeScanPattern().IsProbeOn(2, 3));
        EXPECT_EQ(setup.m_InternalPreAmp, 0);
        EXPECT_EQ(setup.m_ScanBytes[0], 6);
        EXPECT_EQ(passes[i].m_PassNumber, 0U);
    }
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(SetupListTest, TheAttenuatorSettingTravelsWithTheSetUp) {
    QNodeMediator& node = MakeNode(kTypeSpatialScanNode);
    QAttenuatorOptions& attenuator = *node.GetAttenuatorOptions();
    attenuator.m_byte1 = 0;
    attenuator.m_byte2 = 1;
    attenuator.m_byte3 = 3;
    attenuator.m_byte4 = 4;
    attenuator.m_byte5 = 5;
    attenuator.m_byte6 = 6;
    attenuator.m_byte7 = 7;
    attenuator.m_word = 0x1234;
    attenuator.SetValue(-12.5F);
    node.GetScanOptions()->SetControlLevel(2);

    ASSERT_TRUE(controller.CheckAndBuildSetupList(node, list));
    ASSERT_EQ(list.size(), 1U);
    const QSetupScanCommand& setup = list[0].m_SetupScan;
    EXPECT_EQ(setup.m_InternalPreAmp, 0);
    EXPECT_EQ(setup.m_TrackingGeneration, 1);
    EXPECT_EQ(setup.m_ScanBytes[0], 3);
    EXPECT_EQ(setup.m_ScanBytes[1], 4);
    EXPECT_EQ(setup.m_ScanBytes[2], 5);
    EXPECT_EQ(setup.GetSpatialLevel(), 2); // as stored for the node itself
    EXPECT_EQ(setup.GetAttenuatorByte6(), 6);
    EXPECT_EQ(setup.GetAttenuatorByte7(), 7);
    EXPECT_EQ(setup.GetAttenuatorWord(), 0x1234);
    EXPECT_EQ(setup.GetAttenuation(), -12.5F);

    // Copies of the command keep what the body has no place for.
    const QSetupScanCommand copy = setup;
    EXPECT_EQ(copy.GetAttenuatorWord(), 0x1234);
    EXPECT_EQ(copy.GetAttenuation(), -12.5F);
}

} // namespace
} // namespace orv
