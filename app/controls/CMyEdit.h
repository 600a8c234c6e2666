#pragma once

// The flat edit of the view panels: a click followed by a drag selects the whole text, and Enter
// has the panels apply what was typed (the spectral view's panel first, then the spatial view's).

#include <QLineEdit>

namespace orv {

class CEditApplyPanel;

class CMyEdit : public QLineEdit {
public:
    explicit CMyEdit(QWidget* parent = nullptr);

    // Either may be null; the panels outlive their edits.
    void SetPanels(CEditApplyPanel* spectralPanel, CEditApplyPanel* spatialPanel);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    CEditApplyPanel* m_spectralPanel = nullptr;
    CEditApplyPanel* m_spatialPanel = nullptr;
    bool m_selectOnMove = false;
};

} // namespace orv
