#pragma once

// The owner-drawn tab strip of the views: outlined tabs standing on a line; the selected tab white
// with its text in blue, raised and joined to the pane below; the other tabs grey (or white) with
// their text dark grey. Every caption on one line, whole.

#include <QFont>
#include <QTabBar>

#include <cstdint>

namespace orv {

class CTabCtrlEx : public QTabBar {
public:
    explicit CTabCtrlEx(QWidget* parent = nullptr);

    // Builds the two fonts (11 pixels, light) from the control's font and makes the second the
    // control's font.
    void CreateTabFonts();

    // Grey (0xE8E8E8) behind the unselected tabs instead of white.
    void SetGreyUnselectedTabs(bool grey) { m_greyUnselectedTabs = grey; }
    // Grey (0xE8E8E8) behind the whole strip instead of the parent's colour.
    void SetGreyBackground(bool grey) { m_greyBackground = grey; }

    static constexpr uint32_t kSelectedTextColour = 0xFF0000;
    static constexpr uint32_t kNormalTextColour = 0x323232;
    static constexpr uint32_t kGreyColour = 0xE8E8E8;
    static constexpr uint32_t kOutlineColour = 0x8C8C8C;
    // The height by which the selected tab stands out above the others.
    static constexpr int kRaise = 2;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor ParentColour() const;

    QFont m_selectedFont;
    QFont m_normalFont;
    bool m_greyUnselectedTabs = false;
    bool m_greyBackground = false;
};

} // namespace orv
