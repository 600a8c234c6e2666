#pragma once

// "&Windows...": the main window's sub-windows by title, to bring one to the front or close it.

#include <QDialog>

class QListWidget;
class QMdiArea;
class QMdiSubWindow;

namespace orv {

class CWindowsDialog : public QDialog {
public:
    CWindowsDialog(QMdiArea* area, QWidget* parent);

    // The listed windows in list order.
    QList<QMdiSubWindow*> GetListedWindows() const { return m_windows; }
    QListWidget* GetList() const { return m_list; }
    // Act on the selected window.
    void ActivateSelected();
    void CloseSelected();

private:
    void Fill();
    QMdiSubWindow* Selected() const;

    QMdiArea* m_area;
    QListWidget* m_list;
    QList<QMdiSubWindow*> m_windows;
};

} // namespace orv
