#pragma once

// What the settings-sheet tests stand on: nodes of a kind with the program's own mediators, whose
// settings sheets are the real sheet with the program's pages (recording pages for the kinds that
// have no page class), a project window that records what it is told, and a page that records what
// the sheet asks of it.

#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CPropertyPage.h"
#include "platform/msg/MessageTarget.h"
#include "project/QMainFrame.h"
#include "project/QViewFactory.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/project/support/MediatorFakes.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orv::testing {

// A page that records the sheet's calls ("init Spectral", "active ...", "kill ...", "apply ...",
// "cancel ...") and the threads its EnableControls ran on.
class RecordingPage : public CPropertyPage {
public:
    RecordingPage(QSettingsPageKind kind, uint16_t scanKind, std::vector<std::string>* log);

    // "Spectral", "Probes 2003", "Description", ...
    static QString CaptionOf(QSettingsPageKind kind, uint16_t scanKind);

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    bool OnApply() override;
    void OnCancel() override;
    void EnableControls(bool enable) override;

    bool applyAnswer = true;
    bool killAnswer = true;
    std::vector<bool> enables;
    std::vector<std::thread::id> enableThreads;

private:
    void Record(const std::string& what);
    std::vector<std::string>* m_log;
};

// Makes the sheets as the program makes them (without a parent window) and the pages with the
// program's page maker; the kinds it has no page for get recording pages.
class SheetViewFactory : public QViewFactory {
public:
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption, QProjectWindow* parent,
                                                        int32_t firstPage) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

    // When set, every page comes from here instead.
    std::function<std::unique_ptr<QSettingsPage>(QSettingsPageKind, QNodeMediator&, uint16_t)> makePage;
    // Not owned: the mediators own what the factory makes.
    std::vector<CNodeOptionsSheet*> sheets;
    std::vector<RecordingPage*> recordingPages;
    std::vector<std::string> pageLog;
};

// A main frame whose engine link is the test's (none by default).
class LinkMainFrame : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return link; }
    std::optional<std::string> BrowseForFolder(const std::string& /*title*/) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int exitCode) override;
    void DisableScreenSaver() override {}

    QScanEngineLink* link = nullptr;
};

// A flat node container that makes real child nodes, with `make`, and holds them in the order made:
// what a scripting node rebuilds its children in.
class ChildNodeContainer : public test::FakeNodeContainer {
public:
    QNodeMediator* AddChildNode(QNodeMediator& parent, uint16_t kind) override;
    bool DeleteChildNode(QNodeMediator& child) override;
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent) override;
    // Records the node whose spectral/spatial scan arrived, in the order they arrive.
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                          QNodeMediator& mediator) override;

    std::vector<QNodeMediator*> spectralSpatialScanOwners;
    std::function<std::unique_ptr<QNodeMediator>(QNodeMediator& parent, uint16_t kind)> make;
    std::vector<std::unique_ptr<QNodeMediator>> owned;
};

class SheetFixture : public QtWidgetTest {
protected:
    SheetFixture();
    ~SheetFixture() override;

    // A node of the kind with the program's mediator, under `parent` when given, its settings made
    // by the factory and its project window the recording one.
    std::unique_ptr<QNodeMediator> MakeNode(uint16_t kind, QNodeMediator* parent = nullptr,
                                            const std::string& name = "Board A");
    // Opens the node's settings on the page and shows the sheet without blocking.
    CNodeOptionsSheet* OpenSheet(QNodeMediator& mediator, int32_t firstPage = 0);
    // The messages the project window received, pumping the user-interface queue first.
    std::vector<uint32_t> WindowMessages();

    MessageThread thread;
    test::FakeProjectWindow window{thread};
    SheetViewFactory factory;
    LinkMainFrame mainFrame;
};

// Runs `trigger`, which shows a modal sheet, and once the sheet is up runs `script` on it inside the
// sheet's own event loop. False when no modal sheet came up.
bool WithModalSheet(const std::function<void()>& trigger,
                    const std::function<void(CNodeOptionsSheet&)>& script);

// A left click in the middle of the widget, delivered as the user's press and release.
void Click(QWidget& widget);
// Replaces the edit's text as the user does: select all, then type.
void TypeInto(QWidget& edit, const QString& text);
// Picks the entry of a combo box with the keyboard from the first one.
void PickEntry(QWidget& combo, int index);

} // namespace orv::testing
