#pragma once

#include "scandata/CScanData.h"

#include <QWidget>

#include <vector>

namespace orv {

class CSpatialView;
class QViewFrame;

// The list of the selected frequencies beside a spectral/spatial heat map. Until its rows and check
// boxes exist it keeps the frequencies it is given.
class CSelectedFrequencyList : public QWidget {
public:
    static constexpr int kControlId = 1;

    explicit CSelectedFrequencyList(QWidget* parent = nullptr);

    void SetOwner(CSpatialView* view, QViewFrame* frame);
    void SetFrequencies(std::vector<_FrequencyMarkerPoint> frequencies) {
        m_frequencies = std::move(frequencies);
    }
    const std::vector<_FrequencyMarkerPoint>& GetFrequencies() const { return m_frequencies; }
    void DeleteAllItems() { m_frequencies.clear(); }

private:
    CSpatialView* m_pOwnerView = nullptr;
    QViewFrame* m_pOwnerFrame = nullptr;
    std::vector<_FrequencyMarkerPoint> m_frequencies;
};

} // namespace orv
