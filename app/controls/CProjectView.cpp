#include "app/controls/CProjectView.h"

#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "project/QProjectFormView.h"
#include "project/TfrmMainApp.h"

#include <QLabel>
#include <QResizeEvent>
#include <QSplitter>
#include <QVBoxLayout>

namespace orv {
namespace {

// A splitter pane: its title above the view.
QWidget* TitledPane(QWidget* parent, const QString& title, QWidget*& body) {
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* caption = new QLabel(title, pane);
    caption->setObjectName(QStringLiteral("paneTitle"));
    caption->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(caption);
    body = pane;
    return pane;
}

} // namespace

CProjectView::CProjectView(QWidget* parent) : QDockWidget(parent) {
    setObjectName(QStringLiteral("CProjectView"));
    setProperty("controlId", kPaneId);
    setWindowTitle(QString());
    setAllowedAreas(Qt::LeftDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
}

CProjectView::~CProjectView() {
    m_created = false;
}

void CProjectView::Create(TfrmMainApp* project, QScanEngineLink* controller, QProjectFormView* formView,
                          const ViewMakers& makers) {
    if (m_inner != nullptr) {
        return;
    }
    auto* inner = new QWidget(this);
    inner->setAutoFillBackground(true);
    QPalette white = inner->palette();
    white.setColor(QPalette::Window, Qt::white);
    inner->setPalette(white);
    m_inner = inner;
    setWidget(inner);
    auto* layout = new QVBoxLayout(inner);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, inner);
    m_splitter->setProperty("controlId", kFirstPaneId);
    layout->addWidget(m_splitter);

    // Each view starts a quarter of the pane high; the splitter shares the rest.
    const QSize start(width(), height() / 4);
    QWidget* treePane = nullptr;
    QWidget* listPane = nullptr;
    m_splitter->addWidget(TitledPane(m_splitter, QStringLiteral("Project Nodes"), treePane));
    m_splitter->addWidget(TitledPane(m_splitter, QStringLiteral("Scan Data List"), listPane));
    CViewTreeWidget* tree = makers.tree ? makers.tree(treePane) : new CViewTreeWidget(treePane);
    CViewList* list = makers.list ? makers.list(listPane) : new CViewList(listPane);
    m_created = true;
    if (tree == nullptr || list == nullptr) {
        // Done without views: nothing is linked.
        delete tree;
        delete list;
        return;
    }
    tree->resize(start);
    list->resize(start);
    tree->setWindowTitle(QStringLiteral("Project Nodes"));
    list->setWindowTitle(QStringLiteral("Scan Data List"));
    treePane->layout()->addWidget(tree);
    listPane->layout()->addWidget(list);
    m_tree = tree;
    m_list = list;
    m_formView = formView;
    if (m_treeCreated) {
        m_treeCreated(tree);
    }
    SetProject(project, controller);
    if (formView != nullptr) {
        tree->SetDocumentView(formView);
        tree->SetScanDataList(list);
        list->SetDocumentView(formView);
        list->SetProjectTree(tree);
    }
}

void CProjectView::SetProject(TfrmMainApp* project, QScanEngineLink* controller) {
    if (m_tree == nullptr) {
        return;
    }
    m_tree->SetProject(project);
    m_tree->SetStateController(controller);
    if (project != nullptr) {
        m_tree->SetProjectId(project->GetProjectId());
    }
}

void CProjectView::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    if (!m_created) {
        return;
    }
    m_resizePending = true;
    m_lastResize = std::chrono::steady_clock::now();
    if (m_inner == nullptr) {
        PlacePanes();
    }
    // With the inner frame the dock's layout gives it the whole client area and the splitter lays
    // the views out.
    if (m_relayout) {
        m_relayout();
    }
}

void CProjectView::PlacePanes() {
    // Without the inner frame the views are placed directly: the tree over the upper half, the list
    // from one pixel under the middle.
    const QRect client = contentsRect();
    const int half = client.height() / 2;
    if (m_tree != nullptr) {
        m_tree->setGeometry(client.left(), client.top(), client.width() + 3, half - 2);
    }
    if (m_list != nullptr) {
        m_list->setGeometry(client.left(), client.top() + half + 1, client.width() + 3, half - 2);
    }
}

} // namespace orv
