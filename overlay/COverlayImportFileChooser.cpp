#include "overlay/COverlayImportFileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace orv {
namespace {

std::shared_ptr<COverlayImportFileChooser>& Installed() {
    static std::shared_ptr<COverlayImportFileChooser> chooser;
    return chooser;
}

} // namespace

std::shared_ptr<COverlayImportFileChooser>
COverlayImportFileChooser::Install(std::shared_ptr<COverlayImportFileChooser> chooser) {
    std::shared_ptr<COverlayImportFileChooser> previous = std::move(Installed());
    Installed() = std::move(chooser);
    return previous;
}

std::shared_ptr<COverlayImportFileChooser> COverlayImportFileChooser::Get() {
    if (!Installed()) {
        Installed() = std::make_shared<COverlayImportFileDialog>();
    }
    return Installed();
}

std::optional<std::string> COverlayImportFileDialog::ChooseOpenFile(const COverlayImportFileRequest& request,
                                                                    QWidget* parent) {
    QFileDialog dialog(parent, QString::fromStdString(request.m_title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QString::fromStdString(request.m_filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QString::fromStdString(request.m_defaultExtension));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    return std::string(chosen.front().toLocal8Bit().constData());
}

} // namespace orv
