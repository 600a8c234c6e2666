#pragma once

#include <cstdint>
#include <string>

namespace orv {

class CScanData;
class QNodeMediator;

// The scan-data list pane: one row per scan of the node whose view was raised last, the scan ID as
// the row text, with the scan's date and description; the row added last stands at the top.
class QScanDataList {
public:
    // What a two-scan node's fixed row carries for its first source and for its second.
    static constexpr int32_t kFirstSourceRow = 1;
    static constexpr int32_t kSecondSourceRow = 0;

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
    // Makes the row with this text the only selected one; by default it is only added to the
    // selection.
    virtual void SelectOnlyRow(const std::string& text) { SelectRow(text); }

    // The fixed rows of the two-scan nodes, one for each source the node holds, the first source's
    // row added first: "Reference" and "Test" (Compare Spectral, Spectral Overlay, Compare Spatial),
    // "Lower" and "Upper" (Blind Spot Reduction), each with its source's date and description.
    void AddSpectralComparisonRows(QNodeMediator& mediator);
    void AddSpectralOverlayRows(QNodeMediator& mediator);
    void AddSpatialComparisonRows(QNodeMediator& mediator);
    void AddBlindSpotReductionRows(QNodeMediator& mediator);

protected:
    // One fixed row; `source` is kFirstSourceRow or kSecondSourceRow. By default a plain row.
    virtual void AddSourceRow(const std::string& text, int32_t source, const CScanData& scan);

private:
    void AddSourceRows(QNodeMediator& mediator, const char* first, const char* second);
};

} // namespace orv
