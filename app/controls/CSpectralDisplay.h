#pragma once

// A plain pane in the light violet of the spectral views; the show-spectral-scan message repaints it
// at once.

#include "platform/msg/MessageTarget.h"

#include <QWidget>

#include <cstdint>

namespace orv {

class CSpectralDisplay : public QWidget, public MessageTarget {
public:
    explicit CSpectralDisplay(QWidget* parent = nullptr);

    static constexpr uint32_t kBackground = 0xFFD8D8; // RGB (216, 216, 255)

protected:
    void paintEvent(QPaintEvent* event) override;
    int64_t HandleMessage(Message& message) override;
};

} // namespace orv
