#pragma once

// The one property sheet through which the user edits a node's settings ("Node Settings - <name>",
// or "Preferences" for the Preferences node): the owner-drawn tab strip, the page shown under it,
// and the OK (1), Cancel (2) and Apply (12321) buttons. The node mediator owns the sheet and its
// pages; the sheet never deletes a page.
//
// OK and Apply run OnApply of every page whose window was made (the pages the user has shown), in
// page order; a page that answers false keeps the sheet open on it. Cancel commits nothing. Apply
// lights while a page is marked modified.
//
// While the project's scan state controller waits for an analyser driver (or for the engine
// connection), the cursor over the sheet is the wait cursor; it is looked at again with every mouse
// event on the sheet. User-interface thread only.

#include "project/QSettingsSheet.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QPushButton;
class QStackedWidget;

namespace orv {

class CPropertyPage;
class CTabCtrlPropertySheet;
class QNodeMediator;
class QUIBBStateController;

class CNodeOptionsSheet : public QDialog, public QSettingsSheet {
public:
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kApplyId = 12321;

    CNodeOptionsSheet(const std::string& caption, QWidget* parent, int32_t firstPage);
    ~CNodeOptionsSheet() override;

    // Ignored when null; otherwise keeps the mediator and the scan state controller of its
    // project (none when the project has no engine link).
    void SetNodeMediator(QNodeMediator* mediator) override;
    QNodeMediator* GetNodeMediator() const { return m_pMediator; }
    QUIBBStateController* GetController() const { return m_pController; }
    bool IsModeless() const { return m_bModeless != 0; }

    // --- QSettingsSheet ---
    bool HasWindow() const override { return m_hasWindow; }
    std::string GetCaption() const override { return m_caption; }
    void RemoveAllPages() override;
    void AddPage(QSettingsPage& page) override;
    void DestroyWindow() override;
    void ShowModal() override;
    void ShowModeless(QProjectWindow* centreOver) override;

    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    CPropertyPage* GetActivePage() const { return GetPage(m_active); }
    int GetActiveIndex() const { return m_active; }
    // Leaves the current page (it may refuse) and shows the page; false when it was refused.
    bool SetActivePage(int index);
    CTabCtrlPropertySheet& GetTabCtrl() const { return *m_tabs; }
    QPushButton* GetButton(int id) const;

    // The buttons' work: OK commits and closes, Apply commits; false when a page refused.
    bool PressOK();
    bool PressApply();
    void PressCancel();

    // While a page waits for the engine the sheet can neither be closed nor left: its tabs and
    // buttons are off and Escape or the window's close does nothing.
    void SetWaiting(bool waiting);
    bool IsWaiting() const { return m_waiting; }

    // Apply is lit while any page is marked modified.
    void UpdateApplyButton();
    // What the cursor over the sheet is now.
    Qt::CursorShape CurrentCursorShape() const;

    void reject() override;

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window is being made: the first page is shown and the cursor watch starts.
    void OnInitDialog();
    // The window goes (WM_DESTROY).
    void OnDestroy();
    bool ApplyPages();
    void OnTabChanged(int index);
    void ShowPage(int index);
    void UpdateCursor();

    std::string m_caption;
    int32_t m_firstPage;
    CTabCtrlPropertySheet* m_tabs;
    QStackedWidget* m_stack;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_apply;
    std::vector<QPointer<CPropertyPage>> m_pages;
    int m_active = -1;
    bool m_hasWindow = false;
    bool m_watchingCursor = false;
    bool m_waiting = false;

    QNodeMediator* m_pMediator = nullptr;
    uint8_t m_bModeless = 0;
    QUIBBStateController* m_pController = nullptr;
};

} // namespace orv
