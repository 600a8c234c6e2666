#pragma once

// The project windows of the main frame's MDI area: it makes a window (document, frame, view) for a
// new or an opened project, keeps the counters of titles and project ids, the start-up document
// flag, the active project frame and the closing flag, and closes the blank start-up project once
// another project has opened. The main frame owns one and hands it its MDI area and projects.
//
// User-interface thread only.

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMdiArea;
class QMdiSubWindow;
class QRect;
class QSize;
class QWidget;

namespace orv {

class CChildFrame;
class CProjectArray;

class CProjectWindows : public QObject {
public:
    static constexpr const char* kSaveAsTitle = "Save Orvilant Project";
    static constexpr const char* kSaveAsFilter = "Orvilant Projects files(*.ovp)";
    static constexpr const char* kSaveAsDefaultName = "sss.ovp";

    CProjectWindows(QMdiArea& area, CProjectArray& projects);
    ~CProjectWindows() override;

    // A window with a new project (built once its pane exists).
    CChildFrame* NewDocument();
    // A window that opens the project at `path`; the window already showing it is activated instead.
    CChildFrame* OpenDocument(const std::string& path);

    // The next new document is the application's blank start-up project.
    void SetStartupDocumentFlag(bool set) { m_startupDocument = set; }
    // Where the flag is kept when the application keeps it (otherwise here).
    void SetStartupDocumentSource(std::function<bool()> take) { m_takeStartupDocument = std::move(take); }
    bool TakeStartupDocumentFlag();
    int32_t TakeNextTitleNumber();
    uint32_t TakeNextProjectId();
    // The main frame's counters, when it keeps them (otherwise this object's, from 1).
    void SetCounters(std::function<uint32_t()> nextProjectId, std::function<int32_t()> nextTitleNumber) {
        m_takeProjectId = std::move(nextProjectId);
        m_takeTitleNumber = std::move(nextTitleNumber);
    }

    // While the main frame closes.
    void SetClosing(bool closing) { m_closing = closing; }
    void SetClosingSource(std::function<bool()> closing) { m_isClosing = std::move(closing); }
    bool IsClosing() const { return m_isClosing ? m_isClosing() : m_closing; }
    // Told of every project window that becomes the active one.
    void SetActivationHook(std::function<void(QMdiSubWindow*)> hook) { m_activated = std::move(hook); }
    // Told after every project window's project was built (or failed).
    void SetBuiltHook(std::function<void()> hook) { m_built = std::move(hook); }
    // Asks every project to save (main frame closing); false when the user kept one open.
    bool SaveAllModified();

    CChildFrame* GetActiveFrame() const;
    std::vector<CChildFrame*> GetFrames() const;
    CChildFrame* FindFrameByProjectId(uint32_t projectId) const;
    QMdiArea& GetArea() const { return m_area; }
    CProjectArray& GetProjects() const { return m_projects; }

    // A project window's place at its first show: four fifths of the client, cascaded by one title
    // bar from the project window before it, back at the top left when it would not fit, so it lies
    // wholly inside the client. Until the user moves or sizes it, it keeps that place as the client
    // changes.
    void PlaceOnFirstShow(QWidget& window);
    // Where `window` goes in a client of `client` size after a window at `previous` (none: the
    // first).
    static QRect CascadeRect(const QSize& client, const std::optional<QRect>& previous, int step);

    // The frame's project was built (or failed): the blank start-up project goes once another
    // project opened; a project that failed closes its own window.
    void ProjectBuilt(CChildFrame& frame, bool built);
    void FrameDestroyed(CChildFrame* frame);

    // The Save As dialog; tests put their own answer here.
    using PathChooser = std::function<std::optional<std::string>(QWidget* owner)>;
    void SetSaveAsChooser(PathChooser chooser) { m_chooseSaveAs = std::move(chooser); }
    std::optional<std::string> ChooseSaveAsPath(QWidget* owner);
    void SetRecentFileHook(std::function<void(const std::string&)> hook) {
        m_addRecentFile = std::move(hook);
    }
    void AddRecentFile(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CChildFrame* MakeFrame(const std::string* path);
    // The sub-window that holds a project frame (the frame itself without one).
    static QWidget& OuterWindow(CChildFrame& frame);
    // The windows the program placed and the user left where they are follow the client.
    void PlaceAgain();

    QMdiArea& m_area;
    CProjectArray& m_projects;
    std::vector<CChildFrame*> m_frames;
    CChildFrame* m_active = nullptr;
    bool m_startupDocument = false;
    bool m_closing = false;
    int32_t m_nextTitle = 1;
    uint32_t m_nextProjectId = 1;
    std::function<bool()> m_takeStartupDocument;
    std::function<bool()> m_isClosing;
    std::function<void(QMdiSubWindow*)> m_activated;
    std::function<void()> m_built;
    std::function<uint32_t()> m_takeProjectId;
    std::function<int32_t()> m_takeTitleNumber;
    PathChooser m_chooseSaveAs;
    std::function<void(const std::string&)> m_addRecentFile;
};

} // namespace orv
