#include "app/ExportFileDialog.h"

#include "app/QtWaitCursor.h"
#include "platform/ui/WaitCursor.h"

#include <QFileDialog>
#include <QPointer>
#include <QStringList>

namespace orv {

namespace {

QPointer<QWidget>& OwnerWindow() {
    static QPointer<QWidget> owner;
    return owner;
}

} // namespace

QStringList ExportFileDialog::ToNameFilters(const std::string& filter) {
    const QStringList pieces = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    // Description, pattern, description, pattern, ...: Qt takes the pattern from the description.
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        if (!pieces[i].isEmpty()) {
            filters.push_back(pieces[i]);
        }
    }
    return filters;
}

std::unique_ptr<QFileDialog> ExportFileDialog::MakeDialog(const QExportFileRequest& request,
                                                          QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromStdString(request.m_Title));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.m_ConfirmOverwrite);
    dialog->setNameFilters(ToNameFilters(request.m_Filter));
    dialog->setDefaultSuffix(QString::fromStdString(request.m_DefaultExtension));
    dialog->selectFile(QString::fromStdString(request.m_InitialName));
    return dialog;
}

std::optional<std::string> ExportFileDialog::ChooseSaveFile(const QExportFileRequest& request) {
    std::unique_ptr<QFileDialog> dialog = MakeDialog(request, OwnerWindow().data());
    if (dialog->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    return chosen.front().toStdString();
}

void ExportFileDialog::SetOwnerWindow(QWidget* owner) {
    OwnerWindow() = owner;
}

void InstallExportUserInterface() {
    InstallExportFileChooser(std::make_shared<ExportFileDialog>());
    InstallWaitCursor(std::make_shared<QtWaitCursor>());
}

} // namespace orv
