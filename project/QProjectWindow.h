#pragma once

namespace orv {

class MessageTarget;

// The project window that parents a node's frames and settings sheet and is told when the project
// was modified.
class QProjectWindow {
public:
    QProjectWindow() = default;
    QProjectWindow(const QProjectWindow&) = delete;
    QProjectWindow& operator=(const QProjectWindow&) = delete;
    virtual ~QProjectWindow();

    virtual MessageTarget& GetMessageTarget() = 0;
};

} // namespace orv
