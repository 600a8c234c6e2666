#pragma once

// The owner-drawn tab strip of the views: outlined tabs standing on a line; the selected tab white
// with its text in blue, raised and joined to the pane below; the other tabs grey (or white) with
// their text dark grey. Every caption on one line, whole: on a strip too narrow for the tabs at their
// own size, the space around the captions shrinks first, then the captions' font.

#include <QFont>
#include <QFontMetrics>
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
    // The captions' size, and the smallest it steps down to on a narrow strip.
    static constexpr int kCaptionPixels = 11;
    static constexpr int kSmallestCaptionPixels = 7;
    // The space on each side of a caption: the first, or less on a narrow strip.
    static constexpr int kCaptionPaddings[] = {12, 8, 4};

    // The space on each side of the captions now.
    int GetCaptionPadding() const { return m_nCaptionPadding; }
    // The font the unselected captions are drawn in now.
    const QFont& GetCaptionFont() const { return m_normalFont; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    QColor ParentColour() const;
    // The largest caption font and padding at which all tabs fit the strip's width.
    void FitCaptions();
    int TabWidth(const QFontMetrics& metrics, int index, int padding) const;

    QFont m_baseFont;
    QFont m_selectedFont;
    QFont m_normalFont;
    int m_nCaptionPadding = kCaptionPaddings[0];
    bool m_greyUnselectedTabs = false;
    bool m_greyBackground = false;
};

} // namespace orv
