#include "app/CWindowsDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

CWindowsDialog::CWindowsDialog(QMdiArea* area, QWidget* parent)
    : QDialog(parent), m_area(area), m_list(new QListWidget(this)) {
    setWindowTitle("Windows");
    auto* activate = new QPushButton("&Activate", this);
    auto* close = new QPushButton("&Close Window(s)", this);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    auto* buttons = new QVBoxLayout();
    buttons->addWidget(activate);
    buttons->addWidget(close);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    connect(activate, &QPushButton::clicked, this, [this] {
        ActivateSelected();
        accept();
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        ActivateSelected();
        accept();
    });
    connect(close, &QPushButton::clicked, this, [this] { CloseSelected(); });
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    Fill();
}

void CWindowsDialog::Fill() {
    m_list->clear();
    m_windows = m_area != nullptr ? m_area->subWindowList(QMdiArea::CreationOrder) : QList<QMdiSubWindow*>();
    for (QMdiSubWindow* window : m_windows) {
        m_list->addItem(window->windowTitle());
    }
    const int active = m_area != nullptr ? m_windows.indexOf(m_area->activeSubWindow()) : -1;
    m_list->setCurrentRow(active >= 0 ? active : (m_windows.isEmpty() ? -1 : 0));
}

QMdiSubWindow* CWindowsDialog::Selected() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < m_windows.size() ? m_windows[row] : nullptr;
}

void CWindowsDialog::ActivateSelected() {
    if (QMdiSubWindow* window = Selected(); window != nullptr && m_area != nullptr) {
        window->show();
        m_area->setActiveSubWindow(window);
    }
}

void CWindowsDialog::CloseSelected() {
    if (QMdiSubWindow* window = Selected()) {
        window->close();
    }
    Fill();
}

} // namespace orv
