#include "views/spatial/CViewFrame.h"

#include "app/AppResources.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CHalvionView.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>

namespace orv {
namespace {

CViewFrame::DropTargetHook& DropHook() {
    static CViewFrame::DropTargetHook hook;
    return hook;
}

} // namespace

// The sub-window: it tells its frame object of a press outside the client, of its closing and of
// its end, and of the sizes its client takes.
class CViewFrame::Window : public QMdiSubWindow {
public:
    explicit Window(CViewFrame& owner) : m_owner(&owner) { setAttribute(Qt::WA_DeleteOnClose); }
    ~Window() override {
        // Deleted with the project window or after a close: the views leave before the children go.
        if (m_owner != nullptr) {
            CViewFrame* owner = m_owner;
            m_owner = nullptr;
            owner->OnWindowEnding(Ending::ParentGone);
        }
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void Release() { m_owner = nullptr; }

protected:
    // A press outside the client: the caption, the border, the buttons.
    void mousePressEvent(QMouseEvent* event) override {
        const QWidget* client = widget();
        if (m_owner != nullptr && event->button() == Qt::LeftButton &&
            (client == nullptr || !client->geometry().contains(event->position().toPoint()))) {
            m_owner->OnCaptionClick();
        }
        QMdiSubWindow::mousePressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override {
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted() && m_owner != nullptr) {
            CViewFrame* owner = m_owner;
            m_owner = nullptr;
            owner->OnWindowEnding(Ending::UserClose);
        }
    }

    void resizeEvent(QResizeEvent* event) override {
        QMdiSubWindow::resizeEvent(event);
        if (m_owner != nullptr) {
            m_owner->OnFrameSize();
        }
    }

private:
    CViewFrame* m_owner;
};

void CViewFrame::SetDropTargetHook(DropTargetHook hook) {
    DropHook() = std::move(hook);
}

void CViewFrame::MoveDropTargetTo(QWidget& view, QNodeMediator& mediator) {
    if (DropHook()) {
        DropHook()(view, mediator);
    }
}

CViewFrame::CViewFrame(const QFrameRequest& request, CHalvionView& formView, QSize initialSize,
                       QSize minimumSize)
    : m_request(request), m_formView(formView), m_initialSize(initialSize), m_minimumSize(minimumSize),
      m_target(formView.GetMessageTarget().GetThread(), *this) {}

// The derived frames' views are gone by now (their members go first); the mediator has destroyed
// a live window before it lets the frame go.
CViewFrame::~CViewFrame() {
    if (m_window != nullptr) {
        static_cast<Window*>(m_window.data())->Release();
        m_bHasWindow = false;
        delete m_window.data();
    }
}

MessageThread& CViewFrame::GetThread() const {
    return m_target.GetThread();
}

CViewTreeWidget* CViewFrame::GetTreeWidget() const {
    return dynamic_cast<CViewTreeWidget*>(m_request.projectTree);
}

CViewTree* CViewFrame::GetTree() const {
    return dynamic_cast<CViewTree*>(m_request.projectTree);
}

TfrmMainApp* CViewFrame::GetProject() const {
    return m_formView.GetProject();
}

const QOverlayControlList* CViewFrame::GetOverlayControls() const {
    TfrmMainApp* project = GetProject();
    return project != nullptr ? &project->GetOverlayControls() : nullptr;
}

bool CViewFrame::Create() {
    QMdiArea* area = m_formView.GetFrameArea();
    if (area == nullptr) {
        return false;
    }
    EnsureAppResources();
    auto* window = new Window(*this);
    m_window = window;
    window->setWindowTitle(QString::fromStdString(m_request.title));
    window->setWindowIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(m_request.iconResource)));
    window->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    if (!CreateClient(*window)) {
        window->Release();
        m_bHasWindow = false;
        DestroyClient();
        delete window;
        return false;
    }
    m_bHasWindow = true;
    area->addSubWindow(window);
    if (m_minimumSize.isValid()) {
        window->setMinimumSize(m_minimumSize);
    } else {
        window->setMinimumSize(0, 0);
    }
    window->setGeometry(kLeft, kTop, m_initialSize.width(), m_initialSize.height());
    window->hide();
    return true;
}

bool CViewFrame::HasWindow() const {
    return m_bHasWindow && m_window != nullptr;
}

bool CViewFrame::IsVisible() const {
    return HasWindow() && m_window->isVisible();
}

bool CViewFrame::IsMinimised() const {
    return HasWindow() && m_window->isMinimized();
}

QShowState CViewFrame::GetShowState() const {
    if (!HasWindow()) {
        return QShowState::Normal;
    }
    if (m_window->isMinimized()) {
        return QShowState::Minimised;
    }
    return m_window->isMaximized() ? QShowState::Maximised : QShowState::Normal;
}

void CViewFrame::SetShowState(QShowState state) {
    if (!HasWindow()) {
        return;
    }
    switch (state) {
    case QShowState::Minimised:
        m_window->showMinimized();
        break;
    case QShowState::Maximised:
        m_window->showMaximized();
        break;
    default:
        m_window->showNormal();
        break;
    }
}

void CViewFrame::BringToTop() {
    if (!HasWindow()) {
        return;
    }
    if (QMdiArea* area = m_window->mdiArea()) {
        area->setActiveSubWindow(m_window);
    }
    m_window->raise();
}

void CViewFrame::Show() {
    if (!HasWindow()) {
        return;
    }
    // The first show places the window as it was created; later ones leave its placement.
    if (!m_bShown && ShowsMaximised()) {
        m_window->showMaximized();
    } else {
        m_window->show();
    }
    m_bShown = true;
}

void CViewFrame::SetTitle(const std::string& title) {
    if (HasWindow()) {
        m_window->setWindowTitle(QString::fromStdString(title));
    }
}

std::string CViewFrame::GetTitle() const {
    return HasWindow() ? m_window->windowTitle().toStdString() : std::string();
}

void CViewFrame::DestroyWindow() {
    if (m_window == nullptr) {
        return;
    }
    static_cast<Window*>(m_window.data())->Release();
    if (m_bHasWindow) {
        OnWindowEnding(Ending::Mediator);
    }
    delete m_window.data();
}

void CViewFrame::OnWindowEnding(Ending ending) {
    if (!m_bHasWindow) {
        return;
    }
    m_bHasWindow = false;
    DestroyClient();
    if (ending == Ending::Mediator) {
        // The mediator is being destroyed: nothing may call back into it.
        return;
    }
    if (ResetsDisplayedScanIds() && m_request.mediator != nullptr) {
        m_request.mediator->ResetDisplayedScanIds();
    }
    if (ending != Ending::UserClose) {
        return;
    }
    TfrmMainApp* project = GetProject();
    CViewTreeWidget* tree = GetTreeWidget();
    if (tree == nullptr || project == nullptr || project->IsClosing()) {
        return;
    }
    tree->ClearDropHighlight();
    tree->SetCurrentNode(nullptr);
    tree->ShowSelectedNodeScanData();
}

void CViewFrame::OnCaptionClick() {
    if (!HasWindow()) {
        return;
    }
    if (CViewTreeWidget* tree = GetTreeWidget(); tree != nullptr && m_request.mediator != nullptr) {
        // Selects the node's item (searched from the root) and refills the list, unless the tree
        // already follows this node.
        tree->SetCurrentNode(m_request.mediator);
    }
    BringToTop();
    m_window->setFocus(Qt::MouseFocusReason);
    MoveDropTarget();
}

void CViewFrame::ReleaseClient(QWidget& client) {
    if (m_window != nullptr && m_window->widget() == &client) {
        m_window->setWidget(nullptr);
    }
    client.hide();
    client.setParent(nullptr);
}

void CViewFrame::MoveDropTarget() {
    QWidget* view = DropTargetView();
    if (view != nullptr && m_request.mediator != nullptr && DropHook()) {
        DropHook()(*view, *m_request.mediator);
    }
}

int64_t CViewFrame::OnFrameMessage(const Message& message) {
    switch (message.id) {
    case NodeMessage::kRelayoutFrame:
        if (MovesOnNudge() && HasWindow()) {
            // The offsets are signed: -1 arrives as all ones.
            const auto dx = static_cast<int32_t>(static_cast<int64_t>(message.wParam));
            const auto dy = static_cast<int32_t>(message.lParam);
            m_window->move(m_window->pos() + QPoint(dx, dy));
        }
        return 0;
    case NodeMessage::kClose:
        if (HasWindow()) {
            m_window->close();
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace orv
