#include "app/panes/CMessageWnd.h"

#include "app/QtConversions.h"
#include "platform/fs/FileIo.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace orv {

namespace {

// The log's text size: 168 twips.
constexpr double kPointSize = 8.4;
constexpr int kLineHeightPercent = 140;

} // namespace

CMessageWnd::CMessageWnd(InformationLog& log, QWidget* parent) : QTextEdit(parent), m_log(log) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::NoWrap);
    m_flushTimer.setInterval(kFlushIntervalMs);
    QObject::connect(&m_flushTimer, &QTimer::timeout, this, [this] { FlushPending(); });
    m_flushTimer.start();
}

void CMessageWnd::AddPending(uint8_t kind, const std::string& line) {
    std::lock_guard lock(m_pendingMutex);
    m_pending.push_back({kind, line});
}

size_t CMessageWnd::GetPendingCount() const {
    std::lock_guard lock(m_pendingMutex);
    return m_pending.size();
}

void CMessageWnd::FlushPending() {
    std::vector<PendingLine> lines;
    {
        // Taken out whole: the loggers wait only for the swap, never for the appending.
        std::lock_guard lock(m_pendingMutex);
        lines.swap(m_pending);
    }
    if (lines.empty()) {
        return;
    }
    // One edit block: the layout and the scroll bars are updated once for the batch.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const PendingLine& line : lines) {
        AppendLine(line.kind, line.text);
    }
    cursor.endEditBlock();
}

void CMessageWnd::AppendLine(uint8_t kind, const std::string& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat characters;
    characters.setFontPointSize(kPointSize);
    characters.setFontUnderline(false);
    characters.setForeground(ColorRefToQColor(kind == 1 ? kGreenColour : kBlueColour));
    QTextBlockFormat block = cursor.blockFormat();
    block.setLineHeight(kLineHeightPercent, QTextBlockFormat::ProportionalHeight);
    cursor.setBlockFormat(block);
    // A line break inside the text starts a further line of the same colour.
    cursor.insertText(CodePageToQString(text), characters);
    cursor.insertBlock(block, characters);
}

void CMessageWnd::ClearContent() {
    clear();
    m_log.RestartInterval();
}

std::string CMessageWnd::GetContentText() const {
    std::string content;
    // Every line ends with a break, so the last block is the empty one after it.
    for (QTextBlock block = document()->begin(); block.isValid() && block != document()->lastBlock();
         block = block.next()) {
        const std::string line = QStringToCodePage(block.text());
        content += line;
        content += line.size() > 10 ? "\r\n \r\n" : "\r\n";
    }
    return content;
}

std::optional<std::string> CMessageWnd::AskSavePath() {
    QFileDialog dialog(this, QStringLiteral("Save into a file"), QString(),
                       QStringLiteral("Orvilant Info File(*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

bool CMessageWnd::WriteContentToFile(const std::string& path) const {
    return WriteFileAtomically(path, GetContentText());
}

void CMessageWnd::SaveContentToFile() {
    if (GetContentText().empty()) {
        return;
    }
    const std::optional<std::string> path = AskSavePath();
    if (!path) {
        return;
    }
    if (!WriteContentToFile(*path)) {
        ShowPrompt("The content could not be saved to \"" + *path + "\".", "Save into a file",
                   PromptButtons::Ok, PromptIcon::Error);
    }
}

void CMessageWnd::ConfirmAndClear() {
    if (ShowPrompt("Are you going to delete the content ?", "Delete", PromptButtons::OkCancel,
                   PromptIcon::Information) != PromptAnswer::Cancel) {
        ClearContent();
    }
}

std::unique_ptr<QMenu> CMessageWnd::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    auto add = [&](const char* text, uint32_t command, auto handler) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(QVariant::fromValue(command));
        QObject::connect(action, &QAction::triggered, this, handler);
    };
    if (textCursor().hasSelection()) {
        add("Copy", kCommandCopy, [this] { copy(); });
    } else {
        add("Save &To File", kCommandSaveToFile, [this] { SaveContentToFile(); });
        add("C&lear", kCommandClear, [this] { ConfirmAndClear(); });
    }
    return menu;
}

void CMessageWnd::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        at = viewport()->mapToGlobal(QPoint(5, 5));
    }
    const std::unique_ptr<QMenu> menu = BuildContextMenu();
    menu->exec(at);
}

} // namespace orv
