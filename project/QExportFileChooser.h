#pragma once

// The save-file chooser the export command asks for the file to write. The window side installs
// the one that shows a dialog; tests install their own. Without one nothing can be chosen.

#include <memory>
#include <optional>
#include <string>

namespace orv {

struct QExportFileRequest {
    std::string m_Title;
    // "Description(*.ext)|*.ext|" pairs.
    std::string m_Filter;
    // Added to a chosen name that has no extension.
    std::string m_DefaultExtension;
    // The name field as the chooser opens.
    std::string m_InitialName;
    // Ask before an existing file is chosen; answering no returns to the chooser.
    bool m_ConfirmOverwrite = true;
};

class QExportFileChooser {
public:
    virtual ~QExportFileChooser() = default;
    // The chosen path, or nothing when the user cancelled. User-interface thread.
    virtual std::optional<std::string> ChooseSaveFile(const QExportFileRequest& request) = 0;
};

// Installs the application-wide chooser and returns the previous one.
std::shared_ptr<QExportFileChooser> InstallExportFileChooser(std::shared_ptr<QExportFileChooser> chooser);
std::shared_ptr<QExportFileChooser> GetExportFileChooser();

} // namespace orv
