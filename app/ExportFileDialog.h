#pragma once

// The window side of the export command's save-file chooser: Qt's own (non-native) file dialog, so
// that it behaves the same on every desktop, with the request's title, filter, default extension,
// an empty name field and Qt's question before an existing file is replaced.

#include "project/QExportFileChooser.h"

#include <QStringList>

#include <memory>

class QFileDialog;
class QWidget;

namespace orv {

class ExportFileDialog : public QExportFileChooser {
public:
    std::optional<std::string> ChooseSaveFile(const QExportFileRequest& request) override;

    // The dialog as ChooseSaveFile shows it, not shown yet.
    static std::unique_ptr<QFileDialog> MakeDialog(const QExportFileRequest& request,
                                                   QWidget* parent = nullptr);
    // "Description(*.ext)|*.ext|" pairs as Qt's name filters ("Description(*.ext)").
    static QStringList ToNameFilters(const std::string& filter);

    // The window the dialog belongs to (the main window); none: it stands alone.
    static void SetOwnerWindow(QWidget* owner);
};

// Installs the file dialog as the export chooser and the Qt wait cursor as the program's busy
// cursor (call once at start-up on the user-interface thread, with the application made).
void InstallExportUserInterface();

} // namespace orv
