#pragma once

// The project document kind of the program, as the main frame sees it: a maker of project windows
// (new, or opened from a file), and the windows' documents, asked in turn when the program closes.

#include <cstdint>
#include <string>

namespace orv {

// The document kind's strings: window title, file title, filter name, extension and type names.
inline constexpr const char* kProjectDocumentStrings =
    "\nProject\nOrvilant Project\nOrvilant Project (*.ovp)\n.ovp\nOrvilantProject\nOrvilantProject";
inline constexpr int kProjectDocumentResource = 498;

class CProjectDocumentFactory {
public:
    CProjectDocumentFactory() = default;
    CProjectDocumentFactory(const CProjectDocumentFactory&) = delete;
    CProjectDocumentFactory& operator=(const CProjectDocumentFactory&) = delete;
    virtual ~CProjectDocumentFactory();

    // A new project window; false when none was made.
    virtual bool NewDocument() = 0;
    // A project window for the project file; false when it could not be opened.
    virtual bool OpenDocument(const std::string& path) = 0;
};

// Implemented by a project window (the sub-window itself or the widget inside it).
class CProjectDocumentWindow {
public:
    CProjectDocumentWindow() = default;
    CProjectDocumentWindow(const CProjectDocumentWindow&) = delete;
    CProjectDocumentWindow& operator=(const CProjectDocumentWindow&) = delete;
    virtual ~CProjectDocumentWindow();

    virtual bool HasActiveDocument() const = 0;
    // Asks the user to save the document's changes; false when the user cancelled.
    virtual bool SaveModified() = 0;
    virtual void SetModifiedFlag(bool modified) = 0;
    // The document's file; empty while it has none.
    virtual std::string GetPathName() const = 0;
    // The project id the window's frame carries.
    virtual uint32_t GetProjectId() const = 0;
};

} // namespace orv
