// A report generated from a real project window whose Spectral and Spectral/Spatial nodes were
// scanned through the in-process engine (the no-scanner driver and the placeholder analyser with a
// fixed seed), read back as other programs read it: its text with odt2txt, its paragraphs, fonts,
// pages and pictures from the file's parts.

#include "engine/CEngineObjects.h"
#include "project/QMediatorFileFields.h"
#include "project/QMediatorProjectFileModel.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/CSpatialScanData.h"
#include "tests/dialogs/support/OdtDocument.h"
#include "tests/dialogs/support/ReportGeneratorFixture.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"

#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace orv::testing {
namespace {

using namespace std::chrono_literals;

// What a report document would have been given: each picture the node's charts hand over.
class PictureRecordingDocument : public QReportDocument {
public:
    int32_t PasteAndFormat() override {
        pictures.push_back(CReportPictureHolder::Instance().Take().image);
        return S_OK;
    }
    int32_t TypeText(const std::string& /*text*/) override { return S_OK; }
    int32_t SetFont(int32_t /*size*/, bool /*bold*/, uint32_t /*colour*/) override { return S_OK; }
    std::vector<QImage> pictures;
};

// The non-empty lines of a text, each with its runs of blanks made one blank and trimmed.
std::vector<std::string> WordLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
        const QString words = line.simplified();
        if (!words.isEmpty()) {
            lines.push_back(words.toStdString());
        }
    }
    return lines;
}

std::string OdtToText(const std::string& path) {
    QProcess odt2txt;
    odt2txt.start(
        QStringLiteral("odt2txt"),
        {QStringLiteral("--width=-1"), QStringLiteral("--encoding=UTF-8"), QString::fromStdString(path)});
    if (!odt2txt.waitForFinished(30000) || odt2txt.exitStatus() != QProcess::NormalExit ||
        odt2txt.exitCode() != 0) {
        return {};
    }
    return odt2txt.readAllStandardOutput().toStdString();
}

class ReportGeneratorRunTest : public ReportGeneratorFixture {
protected:
    ReportGeneratorRunTest() = default;
    ~ReportGeneratorRunTest() override {
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
    }

    void SetUp() override {
        test::SeedPlaceholderAnalyzer(*engine, 4711U);
        ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, quietFrame,
                                                GetUiMessageThread(), link, 60s));
    }

    ::testing::AssertionResult RunOnce(QNodeMediator& node) {
        const size_t before = node.GetScanDataCount();
        if (!link->RunScan(node, false)) {
            return ::testing::AssertionFailure() << "the run did not start";
        }
        if (!ProcessEventsUntil(
                [&] { return controller->GetState() == 2 && node.GetScanDataCount() == before + 1; }, 60s)) {
            return ::testing::AssertionFailure() << "the run did not end";
        }
        FlushEvents();
        return ::testing::AssertionSuccess();
    }

    test::QuietMainFrame quietFrame{GetUiMessageThread()};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller =
        std::make_unique<QUIBBStateController>(GetUiMessageThread());
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(ReportGeneratorRunTest, TheReportHoldsTheTitleBlockAndOneSectionPerTickedScanWithTheViewsCharts) {
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode, "Board spectrum");
    // Texts of the user are data to the report's formats, never formats themselves.
    spectral.SetLabel("Top side %s%n, 30 MHz to 1 GHz (100%)");
    QNodeMediator& spectralSpatial = AddNode(kTypeSpectralSpatialScanNode, "Board map");
    QNodeMediator& untickedScans = AddNode(kTypeSpectralScanNode, "Nothing ticked");
    QNodeMediator& halfSet = AddNode(kTypeSpatialComparisonNode, "Half compare");
    QNodeMediator& script = AddNode(kTypeSpectralSpatialScriptingModuleNode, "Scripted");
    script.SetLabel("Two ranges");
    QNodeMediator& report = AddNode(kTypeWordReportNode, "Report");
    for (QNodeMediator* node : {&spectral, &spectral, &spectral, &spectralSpatial, &untickedScans}) {
        node->GetScanOptions()->SetMeasurePeaks(false);
        ASSERT_TRUE(RunOnce(*node));
    }
    auto reference = std::make_unique<CSpatialScanData>();
    reference->m_ScanId = 1;
    ASSERT_TRUE(halfSet.SetComparedScan(true, std::move(reference)));
    const std::vector<int32_t> spectralIds = spectral.GetScanIDs(kTypeSpectralScanNode);
    ASSERT_EQ(spectralIds.size(), 3U);
    const int32_t mapId = spectralSpatial.GetScanIDs(kTypeSpectralSpatialScanNode).at(0);

    CPageReportGenerator& page = OpenReport(report);
    for (QNodeMediator* node : {&spectral, &spectralSpatial, &untickedScans, &halfSet, &script}) {
        TickNode(page, *node);
    }
    // The first and the last of the three scans, ticked last first.
    SelectNode(page, spectral);
    TickScan(page, spectralIds[2]);
    TickScan(page, spectralIds[0]);
    SelectNode(page, spectralSpatial);
    TickScan(page, mapId);
    QTest::mouseClick(&page.GetGenerateButton(), Qt::LeftButton);
    FlushEvents();

    EXPECT_TRUE(Prompt().Requests().empty()) << ::testing::PrintToString(Prompt().Texts());
    ASSERT_EQ(m_opened.size(), 1U);
    const std::string path = m_opened.front().toStdString();
    // The sheet was closed with OK: the selection is the node's, and its report text names the
    // document written, which the node's View opens.
    const QMediatorFileFields* fields = QMediatorProjectFileModel::FindFileFields(report);
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->GetReportText(), path);
    EXPECT_FALSE(Sheet(page).isVisible());
    EXPECT_FALSE(Sheet(page).HasWindow());
    EXPECT_EQ(report.GetReportBuffers().size(), 5U);
    EXPECT_FALSE(Project().IsReportGeneratorOpen());

    // As another program reads it: odt2txt gives the paragraphs' words (it drops the document's
    // runs of blanks, which the file itself keeps; see below).
    const std::vector<std::string> lines = WordLines(OdtToText(path));
    ASSERT_GE(lines.size(), 5U) << "odt2txt could not read " << path;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"Orvilant Report", "Company Name:", "Reporter:"}));
    EXPECT_TRUE(QRegularExpression(R"(^Date: \d{4}-\d{2}-\d{2}, \d{2}:\d{2}:\d{2}$)")
                    .match(QString::fromStdString(lines[3]))
                    .hasMatch())
        << lines[3];
    EXPECT_EQ(lines[4], "The scans were conducted using an Orvilant. The system interfaced with a computer "
                        "running Orvilant client software and a Spectrum Analyzer.");
    auto lineOf = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    // The Spectral node's heading once, before its later scan, which comes first; then the map and
    // the script; no section for the node whose scans are all unticked, nor the half-set comparison.
    const std::vector<std::string> order = {"Node: Board spectrum",
                                            "Scan Data ID: " + std::to_string(spectralIds[2]),
                                            "Scan Data ID: " + std::to_string(spectralIds[0]),
                                            "Node: Board map",
                                            "Scan Data ID: " + std::to_string(mapId),
                                            "Node Name: Scripted",
                                            "Spectral Chart:"};
    auto next = lines.begin();
    for (const std::string& line : order) {
        SCOPED_TRACE(line);
        next = std::find(next, lines.end(), line);
        ASSERT_NE(next, lines.end());
        ++next;
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Node: Board spectrum"), 1);
    EXPECT_EQ(lineOf("Scan Data ID: " + std::to_string(spectralIds[1])),
              static_cast<std::ptrdiff_t>(lines.size()));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("Nothing ticked"), std::string::npos);
        EXPECT_EQ(line.find("Half compare"), std::string::npos);
    }

    const std::optional<OdtDocument> written = OdtDocument::Read(path);
    ASSERT_TRUE(written.has_value());
    // The texts as typed, blanks and all; a page break after the title block and after each
    // section (two spectral scans, the map, the script).
    const std::string exact = written->Text().toStdString();
    EXPECT_TRUE(
        QRegularExpression(QString::fromStdString(
                               "^" + std::string(28, ' ') +
                               "Orvilant Report\n\nCompany Name:\nReporter:\nDate:  \\d{4}-\\d{2}-\\d{2},  "
                               "\\d{2}:\\d{2}:\\d{2}\nThe scans were conducted using an Orvilant\\.  The "
                               "system interfaced with a computer running Orvilant client software and a "
                               "Spectrum Analyzer\\.\n\n\f\nNode:   Board spectrum\nNode Description: "
                               "\nTop side %s%n, 30 MHz to 1 GHz \\(100%\\) \n\nScan Data ID: " +
                               std::to_string(spectralIds[2]) + "\nScan Time: "))
            .match(QString::fromStdString(exact))
            .hasMatch())
        << exact;
    EXPECT_NE(exact.find("Node Name:  Scripted\nNode Description: Two ranges \nSpectral Chart:\n"),
              std::string::npos);
    EXPECT_EQ(std::count(exact.begin(), exact.end(), '\f'), 5) << exact;

    const std::vector<OdtItem> runs = written->Runs();
    struct Font {
        const char* text;
        const char* size;
        const char* weight;
        const char* colour;
    };
    for (const Font& font : std::vector<Font>{
             {"                            Orvilant Report", "20pt", "", "#000000"},
             {"Company Name:", "16pt", "bold", "#000000"},
             {"Node:   Board spectrum", "14pt", "", "#0000ff"},
             {"Node Name:  Scripted", "14pt", "", "#0000ff"},
             {"Spectral Chart:", "11pt", "", "#000000"},
         }) {
        SCOPED_TRACE(font.text);
        const OdtItem* run = FindRun(runs, QString::fromLatin1(font.text));
        ASSERT_NE(run, nullptr) << written->Content().toStdString();
        auto property = [&](const char* key) {
            const auto found = run->font.find(QString::fromLatin1(key));
            return found == run->font.end() ? std::string() : found->second.toStdString();
        };
        EXPECT_EQ(property("fo:font-family"), "Arial");
        EXPECT_EQ(property("fo:font-size"), font.size);
        EXPECT_EQ(property("fo:font-weight"), font.weight);
        EXPECT_EQ(property("fo:color"), font.colour);
    }

    // One picture per chart, in report order, each the view's own render of that chart.
    PictureRecordingDocument charts;
    spectral.InsertScanViewIntoReport(spectralIds[2], &charts, 0);
    spectral.InsertScanViewIntoReport(spectralIds[0], &charts, 0);
    spectralSpatial.InsertScanViewIntoReport(mapId, &charts, 0);
    script.InsertScanViewIntoReport(0, &charts, 0);
    FlushEvents();
    const std::vector<QImage> pictures = written->Pictures();
    ASSERT_EQ(pictures.size(), charts.pictures.size());
    ASSERT_GE(pictures.size(), 5U);
    EXPECT_EQ(pictures.front().size(), QSize(600, 390));
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].convertToFormat(QImage::Format_RGB32),
                  charts.pictures[i].convertToFormat(QImage::Format_RGB32))
            << "picture " << i;
    }
}

} // namespace
} // namespace orv::testing
