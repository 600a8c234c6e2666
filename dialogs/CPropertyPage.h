#pragma once

// One page of a node's settings sheet. The node mediator makes and owns the page; the sheet shows
// it. The page's controls are made with the page, and its window counts as made the first time the
// sheet shows it: OnInitDialog then fills the controls from the node's options. The sheet calls the
// hooks as a property sheet calls its pages: OnSetActive and OnKillActive as the user moves between
// pages (false from OnKillActive keeps the user on the page), OnApply for every page with a window
// when OK or Apply is pressed (false keeps the sheet open on that page), OnCancel on Cancel.

#include "project/QSettingsSheet.h"

#include <QString>
#include <QWidget>

namespace orv {

class CNodeOptionsSheet;

class CPropertyPage : public QWidget, public QSettingsPage {
public:
    CPropertyPage(QSettingsPageKind kind, const QString& caption);
    ~CPropertyPage() override;

    QSettingsPageKind GetKind() const override { return m_kind; }
    bool HasWindow() const override { return m_hasWindow; }
    const QString& GetCaption() const { return m_caption; }

    // The sheet the page is shown in; null until it was added to one.
    CNodeOptionsSheet* GetSheet() const { return m_sheet; }
    void AttachToSheet(CNodeOptionsSheet* sheet) { m_sheet = sheet; }

    // Lights the sheet's Apply button (or puts it out when no page is modified any more).
    void SetModified(bool changed = true);
    bool IsModified() const { return m_modified; }

    // Called by the sheet the first time it shows the page.
    void CreatePageWindow();

    virtual bool OnInitDialog() { return true; }
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return true; }
    // The base commits nothing more: it runs OnOK and answers true.
    virtual bool OnApply();
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // The sheet's window goes (after OK or Cancel, or with its node); only for a page with a window.
    virtual void OnDestroy() {}

protected:
    // Brings the sheet's window to the top (a press on a page of a sheet behind another window).
    void RaiseSheet();

private:
    QSettingsPageKind m_kind;
    QString m_caption;
    CNodeOptionsSheet* m_sheet = nullptr;
    bool m_hasWindow = false;
    bool m_modified = false;
};

} // namespace orv
