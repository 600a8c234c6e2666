#pragma once

// The horizontal scroll bar of the spectral views. It keeps the brush and the colour that the view
// gives it (the view sets 0xFF0000); scrolling and drawing are the base scroll bar's.

#include <QBrush>
#include <QScrollBar>

#include <cstdint>

namespace orv {

class CSpectralScrollBar : public QScrollBar {
public:
    explicit CSpectralScrollBar(QWidget* parent = nullptr);

    void SetBrush(const QBrush& brush) { m_brush = brush; }
    const QBrush& GetBrush() const { return m_brush; }
    void SetColour(uint32_t colour) { m_colour = colour; }
    uint32_t GetColour() const { return m_colour; }

private:
    QBrush m_brush;
    uint32_t m_colour = 0;
};

} // namespace orv
