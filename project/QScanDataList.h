#pragma once

#include <string>

namespace orv {

class QNodeMediator;

// The scan-data list pane: one row per scan of the node whose view was raised last, the scan ID as
// the row text, with the scan's date and description; the row added last stands at the top.
class QScanDataList {
public:
    QScanDataList() = default;
    QScanDataList(const QScanDataList&) = delete;
    QScanDataList& operator=(const QScanDataList&) = delete;
    virtual ~QScanDataList();

    virtual void SetOwner(QNodeMediator* mediator) = 0;
    // The node whose scans the list shows; null when none.
    virtual QNodeMediator* GetOwner() const = 0;
    // Removes every row (and with them the selection).
    virtual void Clear() = 0;
    virtual void AddRow(const std::string& text, const std::string& date, const std::string& description) = 0;
    // Adds the row with this text to the selection; no such row: nothing.
    virtual void SelectRow(const std::string& text) = 0;
};

} // namespace orv
