#pragma once

// The owner-drawn tab strip of a settings sheet: the selected tab near-white with dark grey text,
// the others light grey; every tab's text centred on one line.

#include <QTabBar>

#include <cstdint>

namespace orv {

class CTabCtrlPropertySheet : public QTabBar {
public:
    explicit CTabCtrlPropertySheet(QWidget* parent = nullptr);

    static constexpr uint32_t kSelectedFill = 0xFAFAFA;
    static constexpr uint32_t kSelectedTextColour = 0x505050;
    static constexpr uint32_t kNormalFill = 0xF0F0F0;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orv
