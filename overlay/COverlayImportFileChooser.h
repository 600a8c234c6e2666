#pragma once

#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace orv {

// What the overlay editor's import asks the user for: an existing file to open.
struct COverlayImportFileRequest {
    std::string m_title;
    // Qt's name filters, ";;" between them.
    std::string m_filter;
    // Added to a typed name that has none.
    std::string m_defaultExtension;
};

// The open-file chooser of the overlay import. The program uses Qt's file dialog; tests install one
// that names the file.
class COverlayImportFileChooser {
public:
    virtual ~COverlayImportFileChooser() = default;
    // The chosen path, or nothing when the user cancelled. User-interface thread.
    virtual std::optional<std::string> ChooseOpenFile(const COverlayImportFileRequest& request,
                                                      QWidget* parent) = 0;

    // Installs the chooser and answers the one it replaces; with none installed the file dialog is
    // used.
    static std::shared_ptr<COverlayImportFileChooser>
    Install(std::shared_ptr<COverlayImportFileChooser> chooser);
    static std::shared_ptr<COverlayImportFileChooser> Get();
};

// Qt's own (non-native) file dialog, the same on every desktop.
class COverlayImportFileDialog : public COverlayImportFileChooser {
public:
    std::optional<std::string> ChooseOpenFile(const COverlayImportFileRequest& request,
                                              QWidget* parent) override;
};

} // namespace orv
