#pragma once

// The information window: a sub-window of the main window captioned "Information Messages" whose
// client is the log's text. It is made once at start and kept for the whole run; closing it only
// hides it.

#include <QMdiSubWindow>

namespace orv {

class CMessageWnd;
class InformationLog;

class CInformationMessages : public QMdiSubWindow {
public:
    explicit CInformationMessages(InformationLog& log);
    CInformationMessages();
    // Detaches from the log first, so no line reaches the window while it goes; closes the log file.
    ~CInformationMessages() override;

    // Places the window at `rect` (as the main window computed it; a negative top is kept) in
    // `parent`, attaches the text as the log's sink, then opens this run's log file, so the line
    // naming the file's location reaches the window only.
    bool Create(const QRect& rect, QMdiArea* parent);

    CMessageWnd& GetMessageWnd() const { return *m_messages; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    InformationLog& m_log;
    CMessageWnd* m_messages;
    bool m_attached = false;
};

} // namespace orv
