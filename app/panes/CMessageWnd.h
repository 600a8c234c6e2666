#pragma once

// The information window's text: every line of the log, coloured by its kind (1 dark green, any
// other blue), always appended at the end. Lines arrive from any thread through the log's sink, which
// only stores them in a pending list; a 100 ms timer appends them on the user-interface thread in the
// order they were logged.

#include <QTextEdit>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace orv {

class InformationLog;

class CMessageWnd : public QTextEdit {
public:
    // `log`: the log whose interval restarts when the content is cleared.
    explicit CMessageWnd(InformationLog& log, QWidget* parent = nullptr);

    // From any thread (the log calls it under its lock): stores the line for the next flush.
    void AddPending(uint8_t kind, const std::string& line);
    size_t GetPendingCount() const;
    // The flush timer's work: appends every pending line in order.
    void FlushPending();

    // User-interface thread: one line at the end, in the kind's colour.
    void AppendLine(uint8_t kind, const std::string& text);
    // Empties the window; the next stamped line shows 000.
    void ClearContent();
    // The whole content line by line: a line of more than 10 characters followed by "\r\n \r\n",
    // a shorter one by "\r\n".
    std::string GetContentText() const;
    // Asks for a file ("Save into a file") and writes the content there; an empty window saves
    // nothing; a file that cannot be written is reported in a box.
    void SaveContentToFile();
    // Writes the content to `path`; false when it cannot be written.
    bool WriteContentToFile(const std::string& path) const;

    // The context menu: with text selected "Copy" only, otherwise "Save &To File" and "C&lear".
    std::unique_ptr<QMenu> BuildContextMenu();

    static constexpr int kFlushIntervalMs = 100;
    static constexpr uint32_t kCommandSaveToFile = 32982;
    static constexpr uint32_t kCommandClear = 32981;
    static constexpr uint32_t kCommandCopy = 32895;
    static constexpr uint32_t kGreenColour = 0x006400;
    static constexpr uint32_t kBlueColour = 0xFF0000;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The save dialog's answer (nullopt: cancelled).
    virtual std::optional<std::string> AskSavePath();

private:
    struct PendingLine {
        uint8_t kind;
        std::string text;
    };

    void ConfirmAndClear();

    InformationLog& m_log;
    mutable std::mutex m_pendingMutex; // taken inside the log's lock, never the other way round
    std::vector<PendingLine> m_pending;
    QTimer m_flushTimer;
};

} // namespace orv
