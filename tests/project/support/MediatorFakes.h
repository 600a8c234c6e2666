#pragma once

// Fakes of the window side that node mediators reach: frames and views that record the messages
// they receive, a view factory that records what it made, the settings sheet and its pages, the
// project window, tree, scan-data list and node container, and a concrete mediator for tests.

#include "core/QSpectralDisplayOptions.h"
#include "platform/msg/MessageTarget.h"
#include "project/QNodeContainer.h"
#include "project/QNodeMediator.h"
#include "project/QProjectTree.h"
#include "project/QProjectWindow.h"
#include "project/QReportDocument.h"
#include "project/QScanDataList.h"
#include "project/QSettingsSheet.h"
#include "project/QViewFactory.h"
#include "project/QViewFrame.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

struct ReceivedMessage {
    uint32_t id = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    bool operator==(const ReceivedMessage& other) const = default;
};

// A message target that records what reached it (posted messages once pumped, sent ones at once).
class RecordingTarget : public MessageTarget {
public:
    explicit RecordingTarget(MessageThread& thread) : MessageTarget(thread) {}
    std::vector<ReceivedMessage> received;
    std::vector<uint32_t> Ids() const;

protected:
    int64_t HandleMessage(Message& message) override;
};

class FakeSpectralView : public QSpectralViewInterface {
public:
    explicit FakeSpectralView(MessageThread& thread) : target(thread) {}
    bool HasWindow() const override { return window; }
    MessageTarget& GetMessageTarget() override { return target; }
    void SetScanTitle(const std::string& title) override { scanTitle = title; }
    void CopyImageToClipboard(int32_t picture) override { copies.push_back(picture); }
    void SetComparisonState(int32_t state) override { comparisonState = state; }
    void SetOverlayState(int32_t state) override { overlayState = state; }

    bool window = true;
    RecordingTarget target;
    std::string scanTitle;
    std::vector<int32_t> copies;
    int32_t comparisonState = 0;
    int32_t overlayState = 0;
};

class FakeSpatialView : public QSpatialViewInterface {
public:
    explicit FakeSpatialView(MessageThread& thread) : target(thread) {}
    bool HasWindow() const override { return window; }
    MessageTarget& GetMessageTarget() override { return target; }
    void CopyViewImageForReport(int32_t picture) override { copies.push_back(picture); }
    void SetComparisonState(int32_t state) override { comparisonState = state; }
    void SetBlindSpotState(int32_t state) override { blindSpotState = state; }

    bool window = true;
    RecordingTarget target;
    std::vector<int32_t> copies;
    int32_t comparisonState = 0;
    int32_t blindSpotState = 0;
};

// A frame whose window closes when it receives the close message, telling its mediator as a real
// frame does.
class FakeFrame : public QViewFrame {
public:
    FakeFrame(MessageThread& thread, const QFrameRequest& request, int* destroyedWindows);

    bool HasWindow() const override { return window; }
    bool IsVisible() const override { return visible; }
    QShowState GetShowState() const override { return state; }
    void SetShowState(QShowState newState) override;
    void BringToTop() override { ++raised; }
    void Show() override { visible = true; }
    void SetTitle(const std::string& newTitle) override { title = newTitle; }
    std::string GetTitle() const override { return title; }
    void DestroyWindow() override;
    MessageTarget& GetMessageTarget() override { return target; }
    QSpectralViewInterface* GetSpectralView() override { return spectral.get(); }
    QSpatialViewInterface* GetSpatialView() override { return spatial.get(); }

    // The user closes the window.
    void CloseWindow();

    class FrameTarget : public RecordingTarget {
    public:
        FrameTarget(MessageThread& thread, FakeFrame& frame) : RecordingTarget(thread), m_frame(frame) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        FakeFrame& m_frame;
    };

    QFrameRequest request;
    bool window = true;
    bool visible = false;
    QShowState state = QShowState::Normal;
    std::vector<QShowState> placements;
    int raised = 0;
    int* destroyedWindows;
    std::string title;
    FrameTarget target;
    std::unique_ptr<FakeSpectralView> spectral;
    std::unique_ptr<FakeSpatialView> spatial;
};

class FakePage : public QSettingsPage {
public:
    FakePage(QSettingsPageKind kind, uint16_t scanKind) : kind(kind), scanKind(scanKind) {}
    QSettingsPageKind GetKind() const override { return kind; }
    bool HasWindow() const override { return window; }
    void EnableControls(bool enable) override { enabled.push_back(enable); }
    void SetSheet(QSettingsSheet& newSheet) override { sheet = &newSheet; }

    QSettingsPageKind kind;
    uint16_t scanKind;
    bool window = true;
    QSettingsSheet* sheet = nullptr;
    std::vector<bool> enabled;
};

class FakeSheet : public QSettingsSheet {
public:
    FakeSheet(std::string caption, int* destroyedWindows)
        : caption(std::move(caption)), destroyedWindows(destroyedWindows) {}
    void SetNodeMediator(QNodeMediator* newMediator) override { mediator = newMediator; }
    bool HasWindow() const override { return window; }
    std::string GetCaption() const override { return caption; }
    void RemoveAllPages() override { pages.clear(); }
    void AddPage(QSettingsPage& page) override { pages.push_back(&page); }
    void DestroyWindow() override {
        window = false;
        ++*destroyedWindows;
    }
    void ShowModal() override { ++modalShows; }
    void ShowModeless(QProjectWindow* /*centreOver*/) override { ++modelessShows; }

    bool window = true;
    QNodeMediator* mediator = nullptr;
    std::string caption;
    int* destroyedWindows;
    std::vector<QSettingsPage*> pages;
    int modalShows = 0;
    int modelessShows = 0;
};

class FakeViewFactory : public QViewFactory {
public:
    explicit FakeViewFactory(MessageThread& thread) : m_thread(thread) {}

    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption, QProjectWindow* parent,
                                                        int32_t firstPage) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

    // Not owned: the mediator owns what the factory makes.
    std::vector<FakeFrame*> frames;
    std::vector<FakeSheet*> sheets;
    // The first-page index each sheet was made with.
    std::vector<int32_t> firstPages;
    std::vector<FakePage*> pages;
    int destroyedWindows = 0;
    QReportOpenResult reportResult = QReportOpenResult::Opened;
    int reportOpens = 0;

private:
    MessageThread& m_thread;
};

class FakeProjectWindow : public QProjectWindow {
public:
    explicit FakeProjectWindow(MessageThread& thread) : target(thread) {}
    MessageTarget& GetMessageTarget() override { return target; }
    RecordingTarget target;
};

class FakeProjectTree : public QProjectTree {
public:
    void Repaint() override { ++repaints; }
    void SelectNode(QNodeMediator& mediator) override { selected.push_back(&mediator); }
    void SetNodeItemText(uint32_t nodeId, const std::string& text) override {
        itemTexts.emplace_back(nodeId, text);
    }
    int repaints = 0;
    std::vector<QNodeMediator*> selected;
    std::vector<std::pair<uint32_t, std::string>> itemTexts;
};

class FakeScanDataList : public QScanDataList {
public:
    void SetOwner(QNodeMediator* mediator) override { owner = mediator; }
    QNodeMediator* GetOwner() const override { return owner; }
    void Clear() override {
        rows.clear();
        dates.clear();
        descriptions.clear();
        selected.clear();
    }
    void AddRow(const std::string& text, const std::string& date, const std::string& description) override {
        rows.push_back(text);
        dates.push_back(date);
        descriptions.push_back(description);
    }
    void SelectRow(const std::string& text) override { selected.push_back(text); }

    QNodeMediator* owner = nullptr;
    std::vector<std::string> rows;
    std::vector<std::string> dates;
    std::vector<std::string> descriptions;
    std::vector<std::string> selected;
};

class FakeNodeContainer : public QNodeContainer {
public:
    struct ListCall {
        std::string kind;
        uint32_t scanID;
        bool live;
        bool newEntry;
    };

    QNodeMediator* GetPreferencesMediator() override { return preferences; }
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& /*parent*/) override { return children; }
    void UpdateNodeItem(QNodeMediator& mediator, int32_t code) override {
        updates.push_back({&mediator, code});
    }
    // A flat container: no tree parents, storage or child nodes of its own.
    QNodeMediator* GetParentMediator(QNodeMediator& /*mediator*/) override { return nullptr; }
    QProjectStorageManager* GetStorageManager() override { return nullptr; }
    void MarkModified() override { ++modifiedMarks; }
    void RefreshAllNodeViews() override { ++allViewRefreshes; }
    void RebuildAllNodeViews(bool rebuild) override { rebuilds.push_back(rebuild); }
    QNodeMediator* AddChildNode(QNodeMediator& /*parent*/, uint16_t /*kind*/) override { return nullptr; }
    bool DeleteChildNode(QNodeMediator& /*child*/) override { return false; }
    void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                   QNodeMediator& mediator) override;
    void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                  QNodeMediator& mediator) override;
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                          QNodeMediator& mediator) override;
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                        QNodeMediator& mediator) override;

    QNodeMediator* preferences = nullptr;
    std::vector<QNodeMediator*> children;
    std::vector<std::pair<QNodeMediator*, int32_t>> updates;
    std::vector<ListCall> listCalls;
    int modifiedMarks = 0;
    int allViewRefreshes = 0;
    // The flag of every RebuildAllNodeViews, in order.
    std::vector<bool> rebuilds;
};

class FakeReportDocument : public QReportDocument {
public:
    int32_t PasteAndFormat() override {
        steps.emplace_back("paste");
        return S_OK;
    }
    int32_t TypeText(const std::string& text) override {
        steps.push_back(text);
        return S_OK;
    }
    int32_t SetFont(int32_t /*size*/, bool /*bold*/, uint32_t /*colour*/) override { return S_OK; }
    std::vector<std::string> steps;
};

// A mediator for tests: no node, its name, ID and spectral display options held here.
class TestMediator : public QNodeMediator {
public:
    explicit TestMediator(uint16_t kind = 0, std::string name = "Node", uint32_t id = 1);
    ~TestMediator() override;

    void PostNotification(uint16_t kind) override { notifications.push_back(kind); }
    void Detach() override { ++detached; }
    bool IsScanning() override { return scanning; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    std::string GetName() override { return name; }
    void SetName(const std::string& newName) override { name = newName; }
    std::string GetLabel() override { return label; }
    void SetLabel(const std::string& newLabel) override { label = newLabel; }
    uint32_t GetNodeID() override { return id; }
    void GetTopLevelMenuItems(std::vector<std::string>& items) override;
    int32_t GetImageIndex() override { return imageIndex; }
    bool CanAcceptChild(uint32_t /*word*/, QNodeMediator* /*child*/) override { return acceptsChildren; }
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &spectralDisplay; }
    QNoteOptions* GetNoteOptions() override { return &note; }
    void TakeSettingsFrom(QNodeMediator& other) override { settingsTakenFrom.push_back(&other); }
    bool IsRunnable() override { return runnable; }
    uint32_t GetDataSize() override { return 4; }
    void WriteData(QDataWriter& writer) override;
    void ReadData(QDataReader& reader) override;
    void AddLinkedProxy(QNodeMediator& proxy) override { linkedProxies.push_back(&proxy); }
    void RemoveLinkedProxy(QNodeMediator& proxy) override;
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }

    // Wires the fakes in and sets the kind.
    void Wire(FakeViewFactory* factory, FakeProjectWindow* window, FakeProjectTree* tree,
              FakeScanDataList* list, FakeNodeContainer* container);

    std::string name;
    std::string label;
    uint32_t id;
    bool scanning = false;
    bool runnable = false;
    bool acceptsChildren = false;
    int32_t imageIndex = 7;
    int detached = 0;
    std::vector<std::string> menu;
    QSpectralDisplayOptions spectralDisplay;
    QNoteOptions note;
    std::vector<uint16_t> notifications;
    std::vector<QNodeMediator*> settingsTakenFrom;
    std::vector<QNodeMediator*> linkedProxies;
};

} // namespace orv::test
