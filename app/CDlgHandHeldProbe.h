#pragma once

// "Hand Held Probing": tells the user which cell to probe by hand next and answers the choice —
// 1 probe the cell (OK, or releasing the space bar), 2 "Skip this probe", 3 "Abort the scan".
// Modal; the main frame ends it with 3 itself when the run is stopped meanwhile.

#include <QDialog>
#include <QString>

class QPushButton;

namespace orv {

class CDlgHandHeldProbe : public QDialog {
public:
    static constexpr int kProbe = 1;
    static constexpr int kSkip = 2;
    static constexpr int kAbort = 3;
    static constexpr int kSkipButtonId = 1187;
    static constexpr int kAbortButtonId = 1188;
    static constexpr const char* kCaption = "Hand Held Probing";
    static constexpr const char* kHeading = "You are going to hand probe:";

    explicit CDlgHandHeldProbe(QWidget* parent = nullptr);

    // "Row = ...,  Col = ...", set before the dialog runs.
    void SetCellText(const QString& text);
    const QString& GetCellText() const { return m_cellText; }

    // Escape and the close box answer as the dialog's cancel always did: 2, the cell is skipped.
    void reject() override { done(kSkip); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QString m_cellText;
};

} // namespace orv
