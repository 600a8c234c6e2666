#pragma once

// The document of a project window: its title ("Project - %d" for a new project, the file's name for
// an opened one, " *" appended while modified), its path and its save mode. The project itself
// lives in the main frame's project array; the document forwards saving there by its window's
// project id.
//
// User-interface thread only.

#include <cstdint>
#include <string>

namespace orv {

class CChildFrame;
class CProjectWindows;

class CHalvionDoc {
public:
    static constexpr int32_t kSaveSkip = 1;
    static constexpr int32_t kSaveToPath = 2;
    static constexpr int32_t kSaveToNewPath = 3;
    static constexpr const char* kModifiedMark = " *";
    static constexpr const char* kSkipLogLine = "OnSaveDocument --- skip";

    explicit CHalvionDoc(CProjectWindows& windows);
    CHalvionDoc(const CHalvionDoc&) = delete;
    CHalvionDoc& operator=(const CHalvionDoc&) = delete;

    void SetFrame(CChildFrame* frame) { m_frame = frame; }
    CChildFrame* GetFrame() const { return m_frame; }

    // A new project: the start-up mark when the application asked for its blank project, and the
    // title from the windows' title counter.
    bool OnNewDocument();
    // An opened project: its path and the file's name as the title.
    bool OnOpenDocument(const std::string& path);

    const std::string& GetTitle() const { return m_title; }
    void SetTitle(const std::string& title);
    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path, bool addToRecentFiles);

    // Clears the start-up mark; " *" follows the flag.
    void SetModifiedFlag(bool modified);
    bool IsModified() const { return m_modified != 0; }
    bool IsStartupDocument() const { return m_startupMark != 0; }
    int32_t GetSaveMode() const { return m_saveMode; }
    void SetSaveMode(int32_t mode) { m_saveMode = mode; }

    // Asks "Save changes to <title>?" (the title without " *") while modified. Yes saves (Save, or
    // Save As without a path); No keeps the changes unsaved and the mark; Cancel, or a save that
    // failed, answers false.
    bool SaveModified();
    // The Save command: to the path (mode 2), or Save As without one.
    bool DoSave();
    // The Save As command: the chosen path (mode 3); false when the user cancelled.
    bool DoSaveAs();
    // Mode 1 only logs "OnSaveDocument --- skip" and answers true; modes 2 and 3 save the project
    // (to its path, or under `path`) and go back to mode 1. The modified flag is cleared only by a
    // save that got through.
    bool OnSaveDocument(const std::string& path);
    // Frees the window's project.
    void OnCloseDocument();
    // Storing saves the project; loading does nothing (the window loads the project itself).
    void Serialize(bool storing);

private:
    uint32_t GetProjectId() const;

    CProjectWindows& m_windows;
    CChildFrame* m_frame = nullptr;
    std::string m_title;
    std::string m_path;
    uint8_t m_modified = 0;
    uint32_t m_startupMark = 0;
    int32_t m_saveMode = kSaveSkip;
};

} // namespace orv
