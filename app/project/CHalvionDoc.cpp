#include "app/project/CHalvionDoc.h"

#include "app/project/CChildFrame.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <QApplication>

#include <filesystem>

namespace orv {
namespace {

bool EndsWithMark(const std::string& title) {
    const std::string mark = CHalvionDoc::kModifiedMark;
    return title.size() >= mark.size() && title.compare(title.size() - mark.size(), mark.size(), mark) == 0;
}

std::string WithoutMark(const std::string& title) {
    return EndsWithMark(title) ? title.substr(0, title.size() - 2) : title;
}

// The wait cursor for the scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CHalvionDoc::CHalvionDoc(CProjectWindows& windows) : m_windows(windows) {}

bool CHalvionDoc::OnNewDocument() {
    if (m_windows.TakeStartupDocumentFlag()) {
        m_startupMark = 1;
    }
    SetTitle(FormatC("Project - %d", m_windows.TakeNextTitleNumber()));
    return true;
}

bool CHalvionDoc::OnOpenDocument(const std::string& path) {
    m_path = path;
    SetTitle(std::filesystem::path(path).filename().string());
    return true;
}

void CHalvionDoc::SetTitle(const std::string& title) {
    m_title = title;
    if (m_frame != nullptr) {
        m_frame->UpdateTitle();
    }
}

void CHalvionDoc::SetPathName(const std::string& path, bool addToRecentFiles) {
    m_path = path;
    if (addToRecentFiles) {
        m_windows.AddRecentFile(path);
    }
}

void CHalvionDoc::SetModifiedFlag(bool modified) {
    m_startupMark = 0;
    if (modified && !EndsWithMark(m_title)) {
        SetTitle(m_title + kModifiedMark);
    } else if (!modified && EndsWithMark(m_title)) {
        SetTitle(WithoutMark(m_title));
    }
    m_modified = modified ? 1 : 0;
}

bool CHalvionDoc::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    // The prompt shows the plain title.
    SetTitle(WithoutMark(m_title));
    const PromptAnswer answer = ShowPrompt("Save changes to " + m_title + "?", "Orvilant",
                                           PromptButtons::YesNoCancel, PromptIcon::Warning);
    bool answered = true;
    if (answer == PromptAnswer::Cancel) {
        answered = false;
    } else if (answer == PromptAnswer::Yes) {
        answered = DoSave();
    }
    if (IsModified() && !EndsWithMark(m_title)) {
        SetTitle(m_title + kModifiedMark);
    }
    return answered;
}

bool CHalvionDoc::DoSave() {
    if (m_path.empty()) {
        return DoSaveAs();
    }
    m_saveMode = kSaveToPath;
    return OnSaveDocument(m_path);
}

bool CHalvionDoc::DoSaveAs() {
    const std::optional<std::string> chosen = m_windows.ChooseSaveAsPath(m_frame);
    if (!chosen.has_value() || chosen->empty()) {
        return false;
    }
    m_saveMode = kSaveToNewPath;
    const std::string previous = m_path;
    SetPathName(*chosen, false);
    const bool saved = OnSaveDocument(*chosen);
    if (!saved) {
        m_path = previous;
    }
    return saved;
}

uint32_t CHalvionDoc::GetProjectId() const {
    return m_frame != nullptr ? m_frame->GetProjectId() : 0;
}

bool CHalvionDoc::OnSaveDocument(const std::string& path) {
    WaitCursor wait;
    if (m_saveMode == kSaveSkip) {
        AddInformationMessage(0, kSkipLogLine);
        return true;
    }
    const int32_t mode = m_saveMode;
    m_saveMode = kSaveSkip;
    CProjectArray& projects = m_windows.GetProjects();
    bool saved = false;
    if (mode == kSaveToNewPath) {
        saved = projects.SaveProjectAs(GetProjectId(), path);
        if (saved) {
            m_windows.AddRecentFile(path);
            SetTitle(std::filesystem::path(path).filename().string() + (IsModified() ? kModifiedMark : ""));
        }
    } else if (mode == kSaveToPath) {
        saved = projects.SaveProject(GetProjectId());
    }
    if (saved) {
        SetModifiedFlag(false);
    }
    return saved;
}

void CHalvionDoc::OnCloseDocument() {
    m_windows.GetProjects().RemoveProject(GetProjectId());
}

void CHalvionDoc::Serialize(bool storing) {
    if (storing) {
        m_windows.GetProjects().SaveProject(GetProjectId());
    }
}

} // namespace orv
