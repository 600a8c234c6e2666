#include "app/MessageBoxPrompt.h"

#include "app/AppMessages.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <mutex>

namespace orv {

namespace {

QPointer<QWidget>& OwnerWindow() {
    static QPointer<QWidget> owner;
    return owner;
}

QMessageBox::StandardButtons ToStandardButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToStandardButton(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::Ok:
        return QMessageBox::Ok;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Abort:
        return QMessageBox::Abort;
    case PromptAnswer::Retry:
        return QMessageBox::Retry;
    case PromptAnswer::Ignore:
        return QMessageBox::Ignore;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

std::optional<PromptAnswer> FromStandardButton(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Abort:
        return PromptAnswer::Abort;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    case QMessageBox::Ignore:
        return PromptAnswer::Ignore;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return std::nullopt;
    }
}

QMessageBox::Icon ToIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::None:
        return QMessageBox::NoIcon;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

void FillBox(QMessageBox& box, const PromptRequest& request) {
    box.setWindowTitle(CodePageToQString(request.caption));
    box.setText(CodePageToQString(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(ToIcon(request.icon));
    box.setStandardButtons(ToStandardButtons(request.buttons));
    // Escape and the close button give what a closed box answers.
    box.setEscapeButton(ToStandardButton(DismissAnswer(request.buttons)));
}

PromptAnswer AnswerOf(QMessageBox& box, PromptButtons buttons) {
    if (QAbstractButton* clicked = box.clickedButton()) {
        if (auto answer = FromStandardButton(box.standardButton(clicked))) {
            return *answer;
        }
    }
    return DismissAnswer(buttons);
}

// Closes a shown box from any thread; the call is dropped when the box is gone by then.
void CloseBoxLater(QMessageBox* box) {
    QMetaObject::invokeMethod(
        box, [box] { box->done(QDialog::Rejected); }, Qt::QueuedConnection);
}

// One request asked from another thread, shared by the asker and the user-interface thread.
struct RemoteRequest {
    RemoteRequest(PromptRequest r, PromptAnswer ifStopped)
        : request(std::move(r)), answerIfStopped(ifStopped) {}

    PromptRequest request;
    PromptAnswer answerIfStopped;
    PendingAnswer answer;
    std::mutex mutex;
    bool withdrawn = false;
    QMessageBox* shownBox = nullptr; // set while the box is shown, under the mutex

    void Withdraw() {
        std::lock_guard lock(mutex);
        withdrawn = true;
        // Given first, so that the answer of the box closing now never takes its place.
        answer.Give(answerIfStopped);
        if (shownBox != nullptr) {
            CloseBoxLater(shownBox);
        }
    }
};

struct RemoteRequestPayload : MessagePayload {
    explicit RemoteRequestPayload(std::shared_ptr<RemoteRequest> r) : remote(std::move(r)) {}
    // A request dropped unshown (the queue went away) still releases its asker, as a closed box.
    ~RemoteRequestPayload() override { remote->answer.Give(DismissAnswer(remote->request.buttons)); }

    std::shared_ptr<RemoteRequest> remote;
};

// Shows the boxes asked from other threads; lives on the user-interface thread for good.
class RemoteBoxShower : public MessageTarget {
public:
    using MessageTarget::MessageTarget;

protected:
    int64_t HandleMessage(Message& message) override {
        if (message.id != AppMessage::kShowPrompt || !message.payload) {
            return 0;
        }
        auto& remote = *static_cast<RemoteRequestPayload&>(*message.payload).remote;
        QMessageBox box(OwnerWindow().data());
        FillBox(box, remote.request);
        {
            std::lock_guard lock(remote.mutex);
            if (remote.withdrawn) {
                return 0;
            }
            remote.shownBox = &box;
        }
        box.exec();
        {
            std::lock_guard lock(remote.mutex);
            remote.shownBox = nullptr;
        }
        remote.answer.Give(AnswerOf(box, remote.request.buttons));
        return 0;
    }
};

RemoteBoxShower& GetRemoteBoxShower() {
    static RemoteBoxShower* const shower = new RemoteBoxShower(GetUiMessageThread());
    return *shower;
}

bool OnUserInterfaceThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace

MessageBoxPrompt::MessageBoxPrompt() {
    GetRemoteBoxShower();
}

void MessageBoxPrompt::SetOwnerWindow(QWidget* owner) {
    OwnerWindow() = owner;
}

PromptAnswer MessageBoxPrompt::Ask(const PromptRequest& request, std::stop_token stop,
                                   PromptAnswer answerIfStopped) {
    if (OnUserInterfaceThread()) {
        return AskOnUserInterfaceThread(request, stop, answerIfStopped);
    }
    auto remote = std::make_shared<RemoteRequest>(request, answerIfStopped);
    // Made before the post: a stop that has already fired withdraws the box before it is reached.
    std::stop_callback onStop(stop, [remote] { remote->Withdraw(); });
    GetRemoteBoxShower().Post(AppMessage::kShowPrompt, 0, 0, std::make_unique<RemoteRequestPayload>(remote));
    const PromptAnswer answer = remote->answer.Wait(stop, answerIfStopped);
    // The wait may end on the stop before `onStop` has run, and leaving the scope then drops that
    // callback unrun: withdraw here too, so no box of a released asker shows later.
    remote->Withdraw();
    return answer;
}

PromptAnswer MessageBoxPrompt::AskOnUserInterfaceThread(const PromptRequest& request,
                                                        const std::stop_token& stop,
                                                        PromptAnswer answerIfStopped) {
    if (stop.stop_requested()) {
        return answerIfStopped;
    }
    QMessageBox box(OwnerWindow().data());
    FillBox(box, request);
    std::atomic<bool> withdrawn{false};
    {
        // Declared after the box, so it is gone before the box is.
        std::stop_callback onStop(stop, [&box, &withdrawn] {
            withdrawn = true;
            CloseBoxLater(&box);
        });
        box.exec();
    }
    if (withdrawn) {
        return answerIfStopped;
    }
    return AnswerOf(box, request.buttons);
}

} // namespace orv
