#pragma once

// The project pane of a project frame: a dock whose inner frame holds a splitter with the project
// tree ("Project Nodes") above the scan-data list ("Scan Data List"). Making it links the tree and
// the list with the frame's project and form view; when a view cannot be made, the pane is done
// without views and makes no links.
//
// User-interface thread only.

#include <QDockWidget>
#include <QPointer>

#include <chrono>
#include <functional>

class QSplitter;

namespace orv {

class CViewList;
class CViewTreeWidget;
class QProjectFormView;
class QScanEngineLink;
class TfrmMainApp;

class CProjectView : public QDockWidget {
public:
    static constexpr int kPaneId = 11222;
    static constexpr int kFirstPaneId = 59648;

    // What the pane's two views are made by; a maker that answers null fails the pane's views.
    struct ViewMakers {
        std::function<CViewTreeWidget*(QWidget* parent)> tree;
        std::function<CViewList*(QWidget* parent)> list;
    };

    explicit CProjectView(QWidget* parent = nullptr);
    ~CProjectView() override;

    // Makes the inner frame, the splitter and the two views (by default the real ones), then links
    // them: each view gets the project and controller, and, with a form view, the view knows both
    // panes, each pane knows the view, and the tree and the list know each other. The main frame's
    // hook (when set) is handed the tree.
    void Create(TfrmMainApp* project, QScanEngineLink* controller, QProjectFormView* formView,
                const ViewMakers& makers = {});

    bool IsCreated() const { return m_created; }
    CViewTreeWidget* GetTree() const { return m_tree; }
    CViewList* GetList() const { return m_list; }
    QWidget* GetInnerFrame() const { return m_inner; }
    QSplitter* GetSplitter() const { return m_splitter; }
    bool IsResizePending() const { return m_resizePending; }

    // Called with the tree once the pane made it (the main frame's project-tree reference).
    void SetTreeCreatedHook(std::function<void(CViewTreeWidget*)> hook) { m_treeCreated = std::move(hook); }
    // Called after every resize, so the main frame lays itself out again.
    void SetRelayoutHook(std::function<void()> hook) { m_relayout = std::move(hook); }

    // Gives the views the project and its controller (when the project is built after the pane).
    void SetProject(TfrmMainApp* project, QScanEngineLink* controller);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlacePanes();

    QPointer<QWidget> m_inner;
    QSplitter* m_splitter = nullptr;
    CViewTreeWidget* m_tree = nullptr;
    CViewList* m_list = nullptr;
    QProjectFormView* m_formView = nullptr;
    bool m_created = false;
    bool m_resizePending = false;
    std::chrono::steady_clock::time_point m_lastResize;
    std::function<void(CViewTreeWidget*)> m_treeCreated;
    std::function<void()> m_relayout;
};

} // namespace orv
