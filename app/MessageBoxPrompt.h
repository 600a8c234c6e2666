#pragma once

// The program's prompt: a QMessageBox with the request's caption, text, buttons and icon, owned by
// the main window when there is one. Asked on the user-interface thread it is shown modally at once.
// Asked on another thread, the request travels through the user-interface thread's message queue
// and the asker waits for the answer; a stop before the answer withdraws the box (closed if it is
// shown, never shown otherwise) and the asker gets the answer it chose for that case.

#include "platform/ui/Prompt.h"

class QWidget;

namespace orv {

class MessageBoxPrompt : public Prompt {
public:
    // Made on the user-interface thread (it hooks into that thread's message queue).
    MessageBoxPrompt();

    PromptAnswer Ask(const PromptRequest& request, std::stop_token stop,
                     PromptAnswer answerIfStopped) override;

    // The window that owns the boxes (the main window); none: the boxes stand alone. User-interface
    // thread only.
    static void SetOwnerWindow(QWidget* owner);

private:
    static PromptAnswer AskOnUserInterfaceThread(const PromptRequest& request, const std::stop_token& stop,
                                                 PromptAnswer answerIfStopped);
};

} // namespace orv
