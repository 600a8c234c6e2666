#include "app/project/CProjectWindows.h"

#include "app/AppResources.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"

#include <QEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include <algorithm>
#include <filesystem>

namespace orv {
namespace {

// Where the program put a project window; the window keeps following the client while it is there.
constexpr const char* kPlacedProperty = "orvPlacedRect";

std::string Canonical(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ignored);
    return canonical.empty() ? path : canonical.string();
}

} // namespace

CProjectWindows::CProjectWindows(QMdiArea& area, CProjectArray& projects)
    : m_area(area), m_projects(projects) {
    connect(&m_area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window == nullptr) {
            return;
        }
        if (auto* frame = qobject_cast<QWidget*>(window->widget())) {
            const auto found = std::find(m_frames.begin(), m_frames.end(), frame);
            if (found != m_frames.end()) {
                m_active = *found;
                if (m_activated) {
                    m_activated(window);
                }
            }
        }
    });
    m_area.viewport()->installEventFilter(this);
    m_chooseSaveAs = [](QWidget* owner) -> std::optional<std::string> {
        QFileDialog dialog(owner, QString::fromLatin1(kSaveAsTitle), QString::fromLatin1(kSaveAsDefaultName),
                           QString::fromLatin1(kSaveAsFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("ovp"));
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front().toStdString();
    };
}

QRect CProjectWindows::CascadeRect(const QSize& client, const std::optional<QRect>& previous, int step) {
    const QSize size(4 * (client.width() / 5), 4 * (client.height() / 5));
    QPoint at(0, 0);
    if (previous.has_value()) {
        at = previous->topLeft() + QPoint(step, step);
    }
    if (at.x() < 0 || at.y() < 0 || at.x() + size.width() > client.width() ||
        at.y() + size.height() > client.height()) {
        at = QPoint(0, 0);
    }
    return {at, size};
}

QWidget& CProjectWindows::OuterWindow(CChildFrame& frame) {
    QWidget* outer = qobject_cast<QMdiSubWindow*>(frame.parentWidget());
    return outer != nullptr ? *outer : static_cast<QWidget&>(frame);
}

void CProjectWindows::PlaceOnFirstShow(QWidget& window) {
    const QSize client = m_area.viewport()->size();
    std::optional<QRect> previous;
    for (CChildFrame* frame : m_frames) {
        QWidget& outer = OuterWindow(*frame);
        if (&outer == &window) {
            break;
        }
        if (outer.isVisible() && !outer.isMinimized() && !outer.isMaximized()) {
            previous = outer.geometry();
        }
    }
    const int step = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    window.setGeometry(CascadeRect(client, previous, step));
    window.setProperty(kPlacedProperty, window.geometry());
}

void CProjectWindows::PlaceAgain() {
    const QSize client = m_area.viewport()->size();
    std::optional<QRect> previous;
    for (CChildFrame* frame : m_frames) {
        QWidget& outer = OuterWindow(*frame);
        const QVariant placed = outer.property(kPlacedProperty);
        if (!outer.isVisible() || outer.isMinimized() || outer.isMaximized()) {
            continue;
        }
        if (placed.isValid() && placed.toRect() == outer.geometry()) {
            const int step = outer.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &outer);
            outer.setGeometry(CascadeRect(client, previous, step));
            outer.setProperty(kPlacedProperty, outer.geometry());
        }
        previous = outer.geometry();
    }
}

bool CProjectWindows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area.viewport() && event->type() == QEvent::Resize) {
        PlaceAgain();
    }
    return QObject::eventFilter(watched, event);
}

CProjectWindows::~CProjectWindows() {
    // Every window frees its project before its tree goes.
    const std::vector<CChildFrame*> frames = m_frames;
    for (CChildFrame* frame : frames) {
        frame->DestroyWithoutAsking();
    }
}

bool CProjectWindows::TakeStartupDocumentFlag() {
    if (m_takeStartupDocument) {
        return m_takeStartupDocument();
    }
    const bool set = m_startupDocument;
    m_startupDocument = false;
    return set;
}

int32_t CProjectWindows::TakeNextTitleNumber() {
    return m_takeTitleNumber ? m_takeTitleNumber() : m_nextTitle++;
}

uint32_t CProjectWindows::TakeNextProjectId() {
    return m_takeProjectId ? m_takeProjectId() : m_nextProjectId++;
}

CChildFrame* CProjectWindows::MakeFrame(const std::string* path) {
    auto* frame = new CChildFrame(*this, TakeNextProjectId(), path);
    m_frames.push_back(frame);
    QMdiSubWindow* window = m_area.addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(ProgramIcon());
    frame->show();
    // Shown first: the area does not activate a hidden sub-window, and the information window would
    // stay the active one.
    window->show();
    m_area.setActiveSubWindow(window);
    // The window's keyboard focus moves here too: where it stays in another sub-window (the
    // information window's text), the area activates that one again when the program window is
    // activated.
    frame->setFocus(Qt::OtherFocusReason);
    m_active = frame;
    return frame;
}

CChildFrame* CProjectWindows::NewDocument() {
    return MakeFrame(nullptr);
}

CChildFrame* CProjectWindows::OpenDocument(const std::string& path) {
    const std::string wanted = Canonical(path);
    for (CChildFrame* frame : m_frames) {
        const std::string& open = frame->GetDocument().GetPathName();
        if (!open.empty() && Canonical(open) == wanted) {
            frame->Activate();
            return frame;
        }
    }
    return MakeFrame(&path);
}

void CProjectWindows::ProjectBuilt(CChildFrame& frame, bool built) {
    if (m_built) {
        m_built();
    }
    if (!built) {
        frame.CloseWithoutAsking();
        return;
    }
    if (frame.GetDocument().GetPathName().empty()) {
        return;
    }
    const std::vector<CChildFrame*> frames = m_frames;
    for (CChildFrame* other : frames) {
        if (other != &frame && other->GetDocument().IsStartupDocument()) {
            other->CloseWithoutAsking();
        }
    }
}

void CProjectWindows::FrameDestroyed(CChildFrame* frame) {
    m_frames.erase(std::remove(m_frames.begin(), m_frames.end(), frame), m_frames.end());
    if (m_active == frame) {
        m_active = nullptr;
    }
}

CChildFrame* CProjectWindows::GetActiveFrame() const {
    return m_active;
}

std::vector<CChildFrame*> CProjectWindows::GetFrames() const {
    return m_frames;
}

CChildFrame* CProjectWindows::FindFrameByProjectId(uint32_t projectId) const {
    const auto found = std::find_if(m_frames.begin(), m_frames.end(), [projectId](CChildFrame* frame) {
        return frame->GetProjectId() == projectId;
    });
    return found != m_frames.end() ? *found : nullptr;
}

bool CProjectWindows::SaveAllModified() {
    for (CChildFrame* frame : m_frames) {
        if (!frame->GetDocument().SaveModified()) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> CProjectWindows::ChooseSaveAsPath(QWidget* owner) {
    return m_chooseSaveAs ? m_chooseSaveAs(owner) : std::nullopt;
}

void CProjectWindows::AddRecentFile(const std::string& path) {
    if (m_addRecentFile) {
        m_addRecentFile(path);
    }
}

} // namespace orv
