#pragma once

// Drives the scan probes page as the user does: clicks, drags and hovers over its cells with mouse
// events, and answers its pop-up menus from a script while recording what they offered.

#include "dialogs/CPageScanProbes.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <deque>
#include <set>
#include <utility>
#include <vector>

namespace orv::testing {

class ProbesPageDriver {
public:
    explicit ProbesPageDriver(CPageScanProbes& page);

    CPageScanProbes& Page() const { return m_page; }
    QPoint CellCentre(int row, int column) const;
    // A press and a release at the point (no move between them).
    void ClickAt(const QPoint& point);
    void Click(int row, int column) { ClickAt(CellCentre(row, column)); }
    // Press, two moves with the button held, release.
    void Drag(const QPoint& from, const QPoint& to);
    void DragCells(int fromRow, int fromColumn, int toRow, int toColumn) {
        Drag(CellCentre(fromRow, fromColumn), CellCentre(toRow, toColumn));
    }
    // The pointer moves there with no button held.
    void Hover(const QPoint& point);
    // A right click: the page's "Probes" menu.
    void RightClick(const QPoint& point);
    void ClickButton(int id);

    // The command chosen at the next menu; 0 dismisses it. Menus without a scripted answer are
    // dismissed.
    void AnswerMenu(uint32_t command) { m_answers.push_back(command); }
    // The item texts of every menu shown, with whether each was enabled.
    std::vector<std::vector<std::pair<QString, bool>>> menus;

    std::set<std::pair<int, int>> OnCells() const;

private:
    CPageScanProbes& m_page;
    std::deque<uint32_t> m_answers;
};

} // namespace orv::testing
