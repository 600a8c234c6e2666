#include "analyzers/AnalyzerSwitches.h"
#include "app/CAppProfile.h"
#include "app/CCommandTable.h"
#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/MemoryStatus.h"
#include "app/StartupSwitches.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/NoScannerFallback.h"
#include "core/QDeviceInfoList.h"
#include "core/QManagers.h"
#include "platform/sync/SingleInstanceLock.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace orv {
namespace {

using testing::MainFrameTestEnvironment;

struct SwitchCase {
    std::vector<std::string> arguments;
    bool console, logErrors, noAnalyzer, noOverlay, noOverlayRestore, fallbackCleared;
    std::vector<std::string> files;
};

TEST(StartupSwitchesTest, ExactCaseWholeArgumentsOnly) {
    const std::vector<SwitchCase> cases = {
        {{}, false, false, false, false, false, false, {}},
        {{"-Console"}, true, false, false, false, false, false, {}},
        {{"-console", "-CONSOLE", "-Console2", "Console"},
         false,
         false,
         false,
         false,
         false,
         false,
         {"Console"}},
        {{"-NoSA", "-NoOVP"}, false, false, true, true, false, true, {}},
        {{"-NoOVPR"}, false, false, false, false, true, true, {}},
        {{"-LogSAErrors", "/x/project.ovp", "-unknown"},
         false,
         true,
         false,
         false,
         false,
         false,
         {"/x/project.ovp"}},
        {{"-nosa", "-NoSa"}, false, false, false, false, false, false, {}},
    };
    for (const SwitchCase& c : cases) {
        ResetNoScannerFallback();
        const StartupSwitches switches = StartupSwitches::Parse(c.arguments);
        switches.Apply();
        SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : c.arguments.front());
        EXPECT_EQ(switches.console, c.console);
        EXPECT_EQ(IsLogAnalyzerErrorsSwitchSet(), c.logErrors);
        EXPECT_EQ(IsNoAnalyzerSwitchSet(), c.noAnalyzer);
        EXPECT_EQ(IsNoOverlaySwitchSet(), c.noOverlay);
        EXPECT_EQ(IsNoOverlayRestoreSwitchSet(), c.noOverlayRestore);
        EXPECT_EQ(!IsNoScannerFallbackAllowed(), c.fallbackCleared);
        EXPECT_EQ(switches.files, c.files);
    }
    StartupSwitches().Apply();
    ResetNoScannerFallback();
}

struct IniCase {
    const char* text;
    std::string address;
    int32_t port;
    bool analyzer;
    bool scanner;
};

TEST(MainFrameIniTest, ValuesAsTheFrameReadsThem) {
    const std::vector<IniCase> cases = {
        {nullptr, "", 80, false, false},
        {"", "", 80, false, false},
        {"[Orvilant server Info]\nOrvilant server IP=default\nOrvilant server port=default\n"
         "[Orvilant Info]\nSpectrum Analyzer Detecting=default\nScanner Detecting=default\n",
         "", 80, false, false},
        {"[Orvilant server Info]\nOrvilant server IP= 10.0.0.7 \nOrvilant server port=8080 \n"
         "[Orvilant Info]\nSpectrum Analyzer Detecting=1\nScanner Detecting=2\n",
         "10.0.0.7", 8080, true, false},
        {"[orvilant info]\nspectrum analyzer detecting=0\nscanner detecting=1\n"
         "[Orvilant server Info]\nOrvilant server port=abc\n",
         "", 0, false, true},
        {"[Orvilant Info]\nSpectrum Analyzer Detecting=Default\n", "", 80, false, false},
    };
    MainFrameTestEnvironment environment;
    for (const IniCase& c : cases) {
        SCOPED_TRACE(c.text == nullptr ? "no file" : c.text);
        const std::string path = environment.Root() + "/case.ini";
        std::remove(path.c_str());
        if (c.text != nullptr) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            std::fputs(c.text, file);
            std::fclose(file);
        }
        const MainFrameIniSettings settings = CMainFrame::ReadIniSettings(path);
        EXPECT_EQ(settings.serverAddress, c.address);
        EXPECT_EQ(settings.serverPort, c.port);
        EXPECT_EQ(settings.analyzerDetection, c.analyzer);
        EXPECT_EQ(settings.scannerDetection, c.scanner);
    }
}

TEST(DeviceInfoKeysTest, TheShippedListsFillEveryCatalogueWithoutABox) {
    MainFrameTestEnvironment environment;
    DestroyDeviceInfoList();
    CMainFrame::LoadDeviceInfoKeys();
    EXPECT_TRUE(environment.GetPrompt().Texts().empty());
    EXPECT_TRUE(GetSpectrumAnalyzerInfoManager().Contains(900));
    EXPECT_TRUE(GetDriverInfoManager().Contains(900));
    EXPECT_EQ(GetDeviceInfoList().GetNameById(900), "900*Null");
    EXPECT_TRUE(GetAnalyzerInfoManager().Contains(900));
    EXPECT_TRUE(GetScanHeadInfoManager().Contains(255));
    EXPECT_TRUE(GetCalibrationMessageManager().Contains(1));
    EXPECT_TRUE(GetSystemMessageManager().Contains(1));
    DestroyDeviceInfoList();
}

TEST(DeviceInfoKeysTest, AnEmptyKeyGivesOneBoxNamingItAndTheRestLoads) {
    MainFrameTestEnvironment environment(
        "[Software\\QZV Technologies\\Analyzers]\n\"901\"=sz:\"Fixture,901,1MHz,3GHz,10Hz,3MHz,0\"\n"
        "[Software\\QZV Technologies\\Analyzer Drivers]\n\"901\"=sz:\"FixtureDriver\"\n"
        "[Software\\QZV Technologies\\Analyzer Drivers Relation]\n"
        "[Software\\QZV Technologies\\Analyzers Info]\n\"901\"=sz:\"Fixture Info\"\n"
        "[Software\\QZV Technologies\\Scan Heads]\n\"77\"=sz:\"Fixture Head,1MHz,3GHz,16,16,0,0,0\"\n"
        "[Software\\QZV Technologies\\Calibrations]\n\"77\"=sz:\"Calibrate.\"\n"
        "[Software\\QZV Technologies\\System Messages]\n\"77\"=sz:\"A message.\"\n");
    DestroyDeviceInfoList();
    CMainFrame::LoadDeviceInfoKeys();
    const std::vector<PromptRequest> boxes = environment.GetPrompt().Requests();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, "Error#348: No device information found in registry key \"Software\\QZV "
                             "Technologies\\Analyzer Drivers Relation\".  Please contact QZV Technologies "
                             "technical support.");
    EXPECT_EQ(boxes[0].caption, "Missing Device Information");
    EXPECT_EQ(GetDeviceInfoList().GetCount(), 0U);
    EXPECT_TRUE(GetSpectrumAnalyzerInfoManager().Contains(901));
    EXPECT_TRUE(GetDriverInfoManager().Contains(901));
    EXPECT_TRUE(GetAnalyzerInfoManager().Contains(901));
    EXPECT_TRUE(GetScanHeadInfoManager().Contains(77));
    EXPECT_TRUE(GetCalibrationMessageManager().Contains(77));
    EXPECT_TRUE(GetSystemMessageManager().Contains(77));
}

TEST(MemoryStatusTest, FiguresFromTheSystemTextsAndTheirLines) {
    const MemoryStatus status =
        MemoryStatus::FromTexts("MemTotal:  100 kB\nCommitLimit:    2097152 kB\nCommitted_AS:   1048576 kB\n",
                                "Name:\tx\nVmSize:\t   1024 kB\n", uint64_t{4} << 30);
    EXPECT_EQ(status.totalPageFile, uint64_t{2} << 30);
    EXPECT_EQ(status.availablePageFile, uint64_t{1} << 30);
    EXPECT_EQ(status.totalVirtual, uint64_t{4} << 30);
    EXPECT_EQ(status.availableVirtual, (uint64_t{4} << 30) - (uint64_t{1} << 20));
    const std::vector<std::string> lines = status.FormatLines();
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[0], "There are    2048.00 MB total of paging file");
    EXPECT_EQ(lines[1], "There are    1024.00 MB free of paging file");
    EXPECT_EQ(lines[2], "There are    4096.00 MB total of virtual memory");
    EXPECT_EQ(lines[3], "There are    4095.00 MB free of virtual memory");
    EXPECT_EQ(lines[4], "There are       0.00 MB free of extended memory");
    // More committed than the limit, or missing lines: nothing negative, nothing invented.
    const MemoryStatus over = MemoryStatus::FromTexts("CommitLimit: 1 kB\nCommitted_AS: 5 kB\n", "", 0);
    EXPECT_EQ(over.availablePageFile, 0U);
    EXPECT_EQ(over.availableVirtual, 0U);
}

TEST(CommandTableTest, ACommandWithoutHandlerIsDisabledAndARuleDecides) {
    CCommandTable table;
    table.Set(57664, "&About Orvilant...");
    EXPECT_FALSE(table.IsEnabled(57664));
    EXPECT_FALSE(table.Execute(57664));
    EXPECT_FALSE(table.IsEnabled(1));
    int runs = 0;
    bool allowed = false;
    table.SetHandler(
        57664, [&] { ++runs; }, [&] { return allowed; });
    EXPECT_EQ(table.GetCaption(57664), "&About Orvilant...");
    EXPECT_FALSE(table.Execute(57664));
    allowed = true;
    EXPECT_TRUE(table.Execute(57664));
    EXPECT_EQ(runs, 1);
}

class ApplicationTest : public testing::QtWidgetTest {};

// Options for an application on the environment's lock and scripted prompt.
CHalvionApp::Options InstanceOptions(MainFrameTestEnvironment& environment) {
    CHalvionApp::Options options;
    options.lockPath = environment.LockPath();
    options.prompt = environment.GetPromptPointer();
    return options;
}

// The same, for one that goes on to make its main frame: the environment's pipe, no ping.
CHalvionApp::Options FrameOptions(MainFrameTestEnvironment& environment) {
    CHalvionApp::Options options = InstanceOptions(environment);
    options.frame.pipePath = environment.PipePath();
    options.frame.makeIcmpPing = false;
    return options;
}

TEST_F(ApplicationTest, ASecondStartSaysSoAndEndsWithOneMakingNothing) {
    MainFrameTestEnvironment environment;
    SingleInstanceLock running;
    ASSERT_EQ(running.Acquire(environment.LockPath()), SingleInstanceLock::Result::Acquired);

    const CHalvionApp::Options options = InstanceOptions(environment);
    CHalvionApp second({"-NoSA"}, options);
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(second.GetExitCode(), 1);
    EXPECT_EQ(second.GetMainFrame(), nullptr);
    EXPECT_EQ(environment.GetPrompt().Texts(),
              std::vector<std::string>{"An instance of Orvilant is already running."});
    EXPECT_EQ(second.ExitInstance(), 1);
    // The first copy keeps its lock, and its log was never touched.
    EXPECT_TRUE(running.IsHeld());
    EXPECT_EQ(environment.LogText(), "");
    SingleInstanceLock third;
    EXPECT_EQ(third.Acquire(environment.LockPath()), SingleInstanceLock::Result::AlreadyRunning);
    running.Release();
    EXPECT_EQ(third.Acquire(environment.LockPath()), SingleInstanceLock::Result::Acquired);
}

TEST_F(ApplicationTest, StartsWithTheBuiltInListsAndEndsInOrderReleasingTheLockLast) {
    MainFrameTestEnvironment environment;
    const CHalvionApp::Options options = FrameOptions(environment);
    {
        CHalvionApp app({"-NoSA"}, options);
        ASSERT_TRUE(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->windowTitle(), "Orvilant");
        EXPECT_TRUE(frame->isMaximized());
        // No file on the command line: the new-file path made the blank start-up project, whose
        // document took the start-up flag.
        EXPECT_FALSE(app.IsStartupDocumentFlagSet());
        auto& kind = static_cast<CProjectDocumentKind&>(*frame->GetDocumentFactory());
        ASSERT_EQ(kind.GetWindows().GetFrames().size(), 1U);
        EXPECT_TRUE(kind.GetWindows().GetFrames().front()->GetDocument().IsStartupDocument());
        EXPECT_EQ(frame->GetNewProjectFlag(), 1);
        EXPECT_TRUE(environment.GetPrompt().Texts().empty());
        SingleInstanceLock other;
        EXPECT_EQ(other.Acquire(environment.LockPath()), SingleInstanceLock::Result::AlreadyRunning);
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_EQ(other.Acquire(environment.LockPath()), SingleInstanceLock::Result::Acquired);
    }
    const std::string log = environment.LogText();
    EXPECT_NE(log.find("Orvilant version:  5.1.2.0"), std::string::npos);
    EXPECT_NE(log.find("MB total of paging file"), std::string::npos);
    EXPECT_NE(log.find("MB free of extended memory"), std::string::npos);
}

TEST_F(ApplicationTest, AMissingProjectFileSaysSoAndOpensNothing) {
    MainFrameTestEnvironment environment;
    const CHalvionApp::Options options = FrameOptions(environment);
    CHalvionApp app({environment.Root() + "/gone.ovp"}, options);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_FALSE(app.IsStartupDocumentFlagSet());
    EXPECT_EQ(environment.GetPrompt().Texts(), std::vector<std::string>{"The file doesn't exist any more!"});
    EXPECT_TRUE(app.GetMainFrame()->GetProjects().empty());
    app.ExitInstance();
}

TEST_F(ApplicationTest, AMissingManualGivesFourLogLinesAndNoBox) {
    MainFrameTestEnvironment environment;
    const CHalvionApp::Options options = FrameOptions(environment);
    CHalvionApp app({"-NoSA"}, options);
    ASSERT_TRUE(app.InitInstance());
    const std::string folder = std::filesystem::current_path().string();
    app.GetMainFrame()->OnCommand(32913);
    app.ExitInstance();
    EXPECT_TRUE(environment.GetPrompt().Texts().empty());
    std::vector<std::string> lines;
    std::istringstream in(environment.LogText());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    const auto trying = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.ends_with("--- Trying to open Orvilant manual in::   " + folder);
    });
    ASSERT_NE(trying, lines.end());
    ASSERT_NE(trying, lines.begin());
    ASSERT_LT(trying + 2, lines.end());
    EXPECT_EQ(*(trying - 1), "");
    EXPECT_TRUE((trying + 1)->ends_with("--- Error opening Orvilant Manual, returned code = 2"));
    EXPECT_EQ(*(trying + 2), "");
}

} // namespace
} // namespace orv
