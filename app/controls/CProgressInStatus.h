#pragma once

// The progress control that the main frame places in a pane of its status bar: a 3D frame, the bar
// in its colour over the share of the inner width that the position has reached, the rest light grey.
// A position outside the range, or a range whose bounds are equal, fills nothing.

#include <QWidget>

#include <cstdint>

namespace orv {

class CProgressInStatus : public QWidget {
public:
    explicit CProgressInStatus(QWidget* parent = nullptr);

    void SetRange(int32_t lower, int32_t upper);
    int32_t GetLower() const { return m_lower; }
    int32_t GetUpper() const { return m_upper; }
    void SetPos(int32_t position);
    int32_t GetPos() const { return m_position; }
    // The bar's colour (red in the low byte); by default the palette's highlight.
    void SetBarColour(uint32_t colour);
    QColor GetBarColour() const;
    // The colour of the part the bar does not cover.
    void SetBackgroundColour(uint32_t colour);
    QColor GetBackgroundColour() const {
        return QColor::fromRgb(m_backgroundColour & 0xFF, (m_backgroundColour >> 8) & 0xFF,
                               (m_backgroundColour >> 16) & 0xFF);
    }

    // The part of the control inside the frame, and how much of its width the bar covers now.
    QRect GetInnerRect() const;
    int GetFilledWidth() const;

    static constexpr uint32_t kEmptyColour = 0xEBEBEB; // RGB (235, 235, 235)

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_lower = 0;
    int32_t m_upper = 100;
    int32_t m_position = 0;
    bool m_customBarColour = false;
    uint32_t m_barColour = 0;
    uint32_t m_backgroundColour = kEmptyColour;
};

} // namespace orv
