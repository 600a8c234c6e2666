#pragma once

#include "scandata/CScanData.h"

#include <QFont>
#include <QTreeWidget>

#include <cstdint>
#include <string>
#include <vector>

class QMouseEvent;

namespace orv {

class CSpatialView;
class QViewFrame;

// The list of the frequency markers of the frame's spectral pane beside a spectral/spatial heat map:
// one row per marker (a frequency or a range), its icon and text colour saying whether the marker is
// selected. A click on a row toggles that marker in the spectral pane, which then has the map and
// the list rebuilt.
class CSelectedFrequencyList : public QTreeWidget {
public:
    static constexpr int kControlId = 1;
    static constexpr int kColumnWidth = 120;
    static constexpr int kImageSize = 10;
    static constexpr int kSelectedImage = 0;
    static constexpr int kOtherImage = 1;
    static constexpr int kSelectedBitmap = 371;
    static constexpr int kOtherBitmap = 372;
    static constexpr uint32_t kMaskColour = 0x999999;
    static constexpr uint32_t kSelectedTextColour = 0x00009B;
    static constexpr uint32_t kOtherTextColour = 0x005A5A;
    static constexpr const char* kColumnTitle = "Freq List";
    // Row layout: the image after a small padding, the text after a gap; the row font steps down
    // from the largest size until every row's text fits the column.
    static constexpr int kRowPadding = 2;
    static constexpr int kImageGap = 3;
    static constexpr int kRowHeight = 16;
    static constexpr int kLargestFontPixels = 12;
    static constexpr int kSmallestFontPixels = 8;

    explicit CSelectedFrequencyList(QWidget* parent = nullptr);

    void SetOwner(CSpatialView* view, QViewFrame* frame);
    // One row per marker, in order. A range's end frequency that is not a finite number is shown as
    // the scan's frequency at the range's last point (0 without a scan).
    void Fill(const std::vector<_FrequencyMarkerPoint>& markers, CScanData* scan = nullptr);
    void DeleteAllItems();
    // The markers of the last fill, which the map counts.
    const std::vector<_FrequencyMarkerPoint>& GetFrequencies() const { return m_frequencies; }

    // A row's text, what the fill formats for a marker.
    static std::string RowText(const _FrequencyMarkerPoint& marker, CScanData* scan);
    // The range's end frequency, kept in the marker's carried word.
    static float EndFrequency(const _FrequencyMarkerPoint& marker);

    int GetItemCount() const { return topLevelItemCount(); }
    std::string GetItemText(int row) const;
    uint32_t GetItemData(int row) const;
    int GetItemImage(int row) const;
    uint32_t GetItemTextColour(int row) const;
    // The font the rows are drawn in and the width their texts have in the column as shown.
    const QFont& GetRowFont() const { return m_rowFont; }
    int GetRowTextWidth() const;
    // A row's text as drawn: without the blanks that pad its last number.
    static QString ShownText(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnClick();
    void FitRowFont();
    static QFont RowFont(int pixels);

    CSpatialView* m_pOwnerView = nullptr;
    QViewFrame* m_pOwnerFrame = nullptr;
    std::vector<_FrequencyMarkerPoint> m_frequencies;
    QIcon m_images[2];
    QFont m_rowFont;
};

} // namespace orv
