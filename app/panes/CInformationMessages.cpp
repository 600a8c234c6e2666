#include "app/panes/CInformationMessages.h"

#include "app/AppResources.h"
#include "app/panes/CMessageWnd.h"
#include "platform/log/InformationLog.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>

namespace orv {

CInformationMessages::CInformationMessages() : CInformationMessages(InformationLog::Instance()) {}

CInformationMessages::CInformationMessages(InformationLog& log)
    : m_log(log), m_messages(new CMessageWnd(log)) {
    EnsureAppResources();
    setWindowTitle(QStringLiteral("Information Messages"));
    setWindowIcon(ProgramIcon());
    setWidget(m_messages);
}

CInformationMessages::~CInformationMessages() {
    if (m_attached) {
        // Once SetSink returns, the log holds its lock for no call into this window any more.
        m_log.SetSink({});
        m_log.CloseFile();
    }
}

bool CInformationMessages::Create(const QRect& rect, QMdiArea* parent) {
    if (parent != nullptr) {
        parent->addSubWindow(this);
    }
    setGeometry(rect);
    CMessageWnd* messages = m_messages;
    m_log.SetSink([messages](uint8_t kind, const std::string& line) { messages->AddPending(kind, line); });
    m_attached = true;
    m_log.OpenFileInUserDataFolder();
    return true;
}

void CInformationMessages::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

} // namespace orv
