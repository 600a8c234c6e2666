#include "tests/dialogs/support/ProbesPageDriver.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace orv::testing {

ProbesPageDriver::ProbesPageDriver(CPageScanProbes& page) : m_page(page) {
    m_page.SetMenuRunner([this](QMenu& menu, const QPoint& /*globalPoint*/) -> QAction* {
        std::vector<std::pair<QString, bool>> items;
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator()) {
                items.emplace_back(action->text(), action->isEnabled());
            }
        }
        menus.push_back(items);
        const uint32_t answer = m_answers.empty() ? 0U : m_answers.front();
        if (!m_answers.empty()) {
            m_answers.pop_front();
        }
        for (QAction* action : menu.actions()) {
            if (answer != 0 && action->data().toUInt() == answer && action->isEnabled()) {
                return action;
            }
        }
        return nullptr;
    });
}

QPoint ProbesPageDriver::CellCentre(int row, int column) const {
    const ProbeCell& cell = m_page.GetCell(row, column);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

void ProbesPageDriver::ClickAt(const QPoint& point) {
    QTest::mousePress(&m_page, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(&m_page, Qt::LeftButton, Qt::NoModifier, point);
}

void ProbesPageDriver::Drag(const QPoint& from, const QPoint& to) {
    QTest::mousePress(&m_page, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&m_page, (from + to) / 2);
    QTest::mouseMove(&m_page, to);
    QTest::mouseRelease(&m_page, Qt::LeftButton, Qt::NoModifier, to);
}

void ProbesPageDriver::Hover(const QPoint& point) {
    // With no button held QTest would only move the cursor; the window system sends this.
    QMouseEvent move(QEvent::MouseMove, point, m_page.mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&m_page, &move);
}

void ProbesPageDriver::RightClick(const QPoint& point) {
    QTest::mouseClick(&m_page, Qt::RightButton, Qt::NoModifier, point);
}

void ProbesPageDriver::ClickButton(int id) {
    auto* button = qobject_cast<QPushButton*>(m_page.GetControl(id));
    if (button != nullptr) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

std::set<std::pair<int, int>> ProbesPageDriver::OnCells() const {
    std::set<std::pair<int, int>> on;
    for (int row = 0; row < CPageScanProbes::kRows; ++row) {
        for (int column = 0; column < CPageScanProbes::kColumns; ++column) {
            if (m_page.GetCell(row, column).on != 0) {
                on.emplace(row, column);
            }
        }
    }
    return on;
}

} // namespace orv::testing
