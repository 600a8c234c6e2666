// A Spectral and a Spectral/Spatial node scanned through the in-process engine (the no-scanner
// driver and the placeholder analyser with a fixed seed), each put into one report document by the
// node's own report insertion, the document written and read back as another program reads it.

#include "app/CReportPictureHolder.h"
#include "core/TypeIds.h"
#include "dialogs/CDesktopOpener.h"
#include "dialogs/CWordAutomation.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/dialogs/support/OdtDocument.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;
using orv::testing::OdtDocument;

// The report document, keeping a copy of each picture a view handed over for it before it is
// pasted: the views' own renders, to compare the written file with.
class PictureKeepingDocument : public QReportDocument {
public:
    explicit PictureKeepingDocument(CWordAutomation& document) : m_document(document) {}
    int32_t PasteAndFormat() override {
        if (CReportPictureHolder::Instance().HasPicture()) {
            handed.push_back(CReportPictureHolder::Instance().Peek().image.copy());
        }
        return m_document.PasteAndFormat();
    }
    int32_t TypeText(const std::string& text) override { return m_document.TypeText(text); }
    int32_t SetFont(int32_t size, bool bold, uint32_t colour) override {
        return m_document.SetFont(size, bold, colour);
    }

    std::vector<QImage> handed;

private:
    CWordAutomation& m_document;
};

class ReportDocumentRunTest : public SpatialViewTest {
protected:
    ReportDocumentRunTest() {
        std::filesystem::remove_all(m_data);
        std::filesystem::create_directories(m_data);
        SetUserDataFolderOverride(m_data);
        m_previousSpectralPanel =
            CFormViewSpectral::InstallMaker([](CSpectralView& /*view*/, QWidget* parent) {
                return std::make_unique<RecordingSpectralPanel>(parent);
            });
        CReportPictureHolder::Instance().Clear();
    }
    ~ReportDocumentRunTest() override {
        nodes.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        CFormViewSpectral::InstallMaker(m_previousSpectralPanel);
        CReportPictureHolder::Instance().Clear();
        SetUserDataFolderOverride({});
        std::filesystem::remove_all(m_data);
    }

    void SetUp() override {
        SeedPlaceholderAnalyzer(*engine, 4711U);
        ASSERT_TRUE(ConnectPlaceholderRun(*engine, *controller, *layer, mainFrame, thread, link, 60s));
    }

    // A real node of the kind, wired as a project window wires it, with its views open.
    QNodeMediator& OpenNode(uint16_t kind, const std::string& name) {
        QNodeFactory maker(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
        nodes.push_back(maker.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false));
        QNodeMediator& node = *nodes.back();
        node.SetKind(kind);
        node.SetName(name);
        node.SetViewFactory(&factory);
        node.SetMainWindow(&window);
        node.SetProjectTree(&tree);
        node.SetScanDataList(&list);
        node.SetContainer(&container);
        node.SetTreeContainer(&container);
        node.GetScanOptions()->SetMeasurePeaks(false);
        bool created = false;
        node.OpenView(kind, created, true);
        Pump();
        return node;
    }

    ::testing::AssertionResult RunOnce(QNodeMediator& node) {
        if (!link->RunScan(node, false)) {
            return ::testing::AssertionFailure() << "the run did not start";
        }
        if (!PumpUntil(
                thread, [&] { return controller->GetState() == 2 && node.GetScanDataCount() == 1; }, 60s)) {
            return ::testing::AssertionFailure() << "the run did not end";
        }
        Pump();
        return ::testing::AssertionSuccess();
    }

    std::string m_data =
        (std::filesystem::temp_directory_path() / ("orv-reportrun-" + std::to_string(::getpid()))).string();
    CFormViewSpectral::Maker m_previousSpectralPanel;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    std::vector<QString> opened;
    ScopedDesktopOpenerInstall opener{[this](const QString& path) {
        opened.push_back(path);
        return true;
    }};
    QuietMainFrame mainFrame{thread};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(thread);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    // Last: taken back after the engine and the link are gone.
    PlaceholderRunRegistries registries;
};

TEST_F(ReportDocumentRunTest, TheNodesChartsGoIntoTheDocumentAsTheViewsRenderedThemAndNeverByTheClipboard) {
    QNodeMediator& spectral = OpenNode(kTypeSpectralScanNode, "Spectral board");
    ASSERT_TRUE(RunOnce(spectral));
    QNodeMediator& spectralSpatial = OpenNode(kTypeSpectralSpatialScanNode, "Spectral/Spatial board");
    ASSERT_TRUE(RunOnce(spectralSpatial));
    ASSERT_NE(spectral.GetCurrentSpectralScanData(), nullptr);
    ASSERT_NE(spectralSpatial.GetCurrentSpectralSpatialScanData(), nullptr);
    const auto spectralId = static_cast<int32_t>(spectral.GetCurrentSpectralScanData()->m_ScanId);
    const auto spectralSpatialId =
        static_cast<int32_t>(spectralSpatial.GetCurrentSpectralSpatialScanData()->m_ScanId);

    // The user's clipboard holds a text of its own, which must still be there after the report.
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(QStringLiteral("the user's own text"));
    int clipboardChanges = 0;
    QObject::connect(&clipboard, &QClipboard::changed, [&](QClipboard::Mode) { ++clipboardChanges; });

    CWordAutomation automation;
    std::string error;
    ASSERT_EQ(automation.NewDocument(error), S_OK);
    PictureKeepingDocument document(automation);
    EXPECT_EQ(document.TypeText("Spectral board\n"), S_OK);
    spectral.InsertScanViewIntoReport(spectralId, &document, 0);
    EXPECT_EQ(document.TypeText("Spectral/Spatial board\n"), S_OK);
    spectralSpatial.InsertScanViewIntoReport(spectralSpatialId, &document, 0);
    Pump();
    automation.SetQuitOnRelease(false);
    automation.Release();
    ASSERT_EQ(automation.GetLastResult(), S_OK) << automation.GetErrorText();
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened.front().toStdString(), automation.GetWrittenPath());

    const std::optional<OdtDocument> written = OdtDocument::Read(automation.GetWrittenPath());
    ASSERT_TRUE(written.has_value());
    // Both spectral views' charts at least (the spatial pane hands over its own where it renders one).
    ASSERT_GE(document.handed.size(), 2U);
    EXPECT_EQ(document.handed.front().size(), QSize(600, 390));
    const std::vector<QImage> pictures = written->Pictures();
    ASSERT_EQ(pictures.size(), document.handed.size()) << written->Content().toStdString();
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].convertToFormat(QImage::Format_RGB32),
                  document.handed[i].convertToFormat(QImage::Format_RGB32))
            << "picture " << i;
    }
    // Each chart stands after its node's line, with the texts the node types after it.
    const std::string text = written->Text().toStdString();
    EXPECT_EQ(text.rfind("Spectral board\n[picture]\n\nSpectral/Spatial board\n[picture]\n", 0), 0U) << text;
    EXPECT_TRUE(text.ends_with("\n\n")) << text;

    EXPECT_EQ(clipboardChanges, 0);
    EXPECT_EQ(clipboard.text(), QStringLiteral("the user's own text"));
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
}

} // namespace
} // namespace orv::test
