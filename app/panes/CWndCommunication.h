#pragma once

// The hidden window with the known title "Orvilant_Communication_Window". Other programs found it by
// that title to send data to the program; Linux has no such messages between programs, so the window
// only exists under its title and accepts nothing.

#include <QWidget>

namespace orv {

class CWndCommunication : public QWidget {
public:
    explicit CWndCommunication(QWidget* parent = nullptr);

    static constexpr const char* kWindowTitle = "Orvilant_Communication_Window";
};

} // namespace orv
