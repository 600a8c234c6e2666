#include "dialogs/CNodeOptionsSheet.h"

#include "app/QtConversions.h"
#include "app/controls/CTabCtrlPropertySheet.h"
#include "dialogs/CPropertyPage.h"
#include "project/QMainFrame.h"
#include "project/QNodeMediator.h"
#include "project/QProjectWindow.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace orv {

CNodeOptionsSheet::CNodeOptionsSheet(const std::string& caption, QWidget* parent, int32_t firstPage)
    : QDialog(parent), m_caption(caption), m_firstPage(firstPage), m_tabs(new CTabCtrlPropertySheet(this)),
      m_stack(new QStackedWidget(this)), m_ok(new QPushButton("OK", this)),
      m_cancel(new QPushButton("Cancel", this)), m_apply(new QPushButton("&Apply", this)) {
    setWindowTitle(CodePageToQString(caption));
    setObjectName("CNodeOptionsSheet");
    m_tabs->setObjectName("tabs");
    m_ok->setObjectName(QString::number(kOkId));
    m_cancel->setObjectName(QString::number(kCancelId));
    m_apply->setObjectName(QString::number(kApplyId));
    m_ok->setDefault(true);
    m_apply->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_ok, m_cancel, m_apply}) {
        button->setMinimumWidth(90);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { OnTabChanged(index); });
    connect(m_ok, &QPushButton::clicked, this, [this] { PressOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { PressCancel(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { PressApply(); });
}

CNodeOptionsSheet::~CNodeOptionsSheet() {
    if (m_watchingCursor) {
        qApp->removeEventFilter(this);
    }
    // The pages belong to the node mediator, not to the dialog's widget tree.
    RemoveAllPages();
}

void CNodeOptionsSheet::SetNodeMediator(QNodeMediator* mediator) {
    if (mediator == nullptr) {
        return;
    }
    m_pMediator = mediator;
    QMainFrame* frame = mediator->GetMainFrame();
    auto* link =
        dynamic_cast<QScanEngineLinkOverController*>(frame != nullptr ? frame->GetScanEngineLink() : nullptr);
    m_pController = link != nullptr ? &link->GetController() : nullptr;
}

void CNodeOptionsSheet::RemoveAllPages() {
    const QSignalBlocker blockTabs(m_tabs);
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page != nullptr) {
            m_stack->removeWidget(page);
            page->setParent(nullptr);
            page->AttachToSheet(nullptr);
        }
    }
    m_pages.clear();
    while (m_tabs->count() > 0) {
        m_tabs->removeTab(0);
    }
    m_active = -1;
}

void CNodeOptionsSheet::AddPage(QSettingsPage& page) {
    auto* propertyPage = dynamic_cast<CPropertyPage*>(&page);
    if (propertyPage == nullptr) {
        return;
    }
    const QSignalBlocker blockTabs(m_tabs);
    propertyPage->AttachToSheet(this);
    m_stack->addWidget(propertyPage);
    m_tabs->addTab(propertyPage->GetCaption());
    m_pages.emplace_back(propertyPage);
}

CPropertyPage* CNodeOptionsSheet::GetPage(int index) const {
    if (index < 0 || index >= GetPageCount()) {
        return nullptr;
    }
    return m_pages[static_cast<size_t>(index)];
}

QPushButton* CNodeOptionsSheet::GetButton(int id) const {
    switch (id) {
    case kOkId:
        return m_ok;
    case kCancelId:
        return m_cancel;
    case kApplyId:
        return m_apply;
    default:
        return nullptr;
    }
}

void CNodeOptionsSheet::OnInitDialog() {
    m_hasWindow = true;
    if (!m_watchingCursor) {
        qApp->installEventFilter(this);
        m_watchingCursor = true;
    }
    if (GetPageCount() > 0) {
        ShowPage(std::clamp(m_firstPage, 0, GetPageCount() - 1));
    }
    UpdateApplyButton();
    UpdateCursor();
}

void CNodeOptionsSheet::OnDestroy() {
    if (!m_hasWindow) {
        return;
    }
    m_hasWindow = false;
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page != nullptr && page->HasWindow()) {
            page->OnDestroy();
        }
    }
    if (m_watchingCursor) {
        qApp->removeEventFilter(this);
        m_watchingCursor = false;
    }
}

void CNodeOptionsSheet::ShowModal() {
    if (!m_hasWindow) {
        OnInitDialog();
    }
    exec();
}

void CNodeOptionsSheet::ShowModeless(QProjectWindow* centreOver) {
    if (!m_hasWindow) {
        // The report generator's sheet stands on its own above the program, so that the user can go
        // on in the main window while it is open.
        m_bModeless = 1;
        setParent(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
        setModal(false);
        OnInitDialog();
    }
    show();
    raise();
    activateWindow();
    if (auto* over = dynamic_cast<QWidget*>(centreOver)) {
        const QPoint centre = over->mapToGlobal(over->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
}

void CNodeOptionsSheet::DestroyWindow() {
    if (m_hasWindow) {
        QDialog::done(QDialog::Rejected);
        OnDestroy();
    }
}

void CNodeOptionsSheet::done(int result) {
    if (m_waiting) {
        return; // the page that waits goes on once the wait ends
    }
    QDialog::done(result);
    OnDestroy();
}

void CNodeOptionsSheet::reject() {
    if (m_waiting) {
        return;
    }
    PressCancel();
}

void CNodeOptionsSheet::closeEvent(QCloseEvent* event) {
    if (m_waiting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CNodeOptionsSheet::SetWaiting(bool waiting) {
    m_waiting = waiting;
    m_tabs->setEnabled(!waiting);
    for (QPushButton* button : {m_ok, m_cancel, m_apply}) {
        button->setEnabled(!waiting);
    }
    if (!waiting) {
        UpdateApplyButton();
    }
}

void CNodeOptionsSheet::OnTabChanged(int index) {
    if (index == m_active) {
        return;
    }
    if (!SetActivePage(index)) {
        const QSignalBlocker blockTabs(m_tabs);
        m_tabs->setCurrentIndex(m_active);
    }
}

bool CNodeOptionsSheet::SetActivePage(int index) {
    if (GetPage(index) == nullptr) {
        return false;
    }
    if (index == m_active) {
        return true;
    }
    if (CPropertyPage* current = GetActivePage(); current != nullptr && !current->OnKillActive()) {
        return false;
    }
    ShowPage(index);
    return true;
}

void CNodeOptionsSheet::ShowPage(int index) {
    CPropertyPage* page = GetPage(index);
    if (page == nullptr) {
        return;
    }
    m_active = index;
    {
        const QSignalBlocker blockTabs(m_tabs);
        m_tabs->setCurrentIndex(index);
    }
    m_stack->setCurrentWidget(page);
    page->CreatePageWindow();
    page->OnSetActive();
}

bool CNodeOptionsSheet::ApplyPages() {
    if (CPropertyPage* current = GetActivePage(); current != nullptr && !current->OnKillActive()) {
        return false;
    }
    for (int i = 0; i < GetPageCount(); ++i) {
        CPropertyPage* page = GetPage(i);
        if (page == nullptr || !page->HasWindow()) {
            continue;
        }
        if (!page->OnApply()) {
            if (i != m_active) {
                ShowPage(i);
            }
            return false;
        }
    }
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page != nullptr) {
            page->SetModified(false);
        }
    }
    return true;
}

bool CNodeOptionsSheet::PressOK() {
    if (!ApplyPages()) {
        return false;
    }
    done(QDialog::Accepted);
    return true;
}

bool CNodeOptionsSheet::PressApply() {
    return ApplyPages();
}

void CNodeOptionsSheet::PressCancel() {
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page != nullptr && page->HasWindow()) {
            page->OnCancel();
        }
    }
    done(QDialog::Rejected);
}

void CNodeOptionsSheet::UpdateApplyButton() {
    const bool modified =
        std::any_of(m_pages.begin(), m_pages.end(), [](const QPointer<CPropertyPage>& page) {
            return page != nullptr && page->IsModified();
        });
    m_apply->setEnabled(modified);
}

Qt::CursorShape CNodeOptionsSheet::CurrentCursorShape() const {
    return m_pController != nullptr && m_pController->HasWaitCursor() ? Qt::WaitCursor : Qt::ArrowCursor;
}

void CNodeOptionsSheet::UpdateCursor() {
    if (CurrentCursorShape() == Qt::WaitCursor) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

bool CNodeOptionsSheet::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
            UpdateCursor();
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orv
