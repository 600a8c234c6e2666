#include "dialogs/CPropertyPage.h"

#include "dialogs/CNodeOptionsSheet.h"

namespace orv {

CPropertyPage::CPropertyPage(QSettingsPageKind kind, const QString& caption)
    : m_kind(kind), m_caption(caption) {
    setObjectName(caption);
}

CPropertyPage::~CPropertyPage() = default;

void CPropertyPage::SetModified(bool changed) {
    m_modified = changed;
    if (m_sheet != nullptr) {
        m_sheet->UpdateApplyButton();
    }
}

void CPropertyPage::CreatePageWindow() {
    if (m_hasWindow) {
        return;
    }
    m_hasWindow = true;
    OnInitDialog();
}

bool CPropertyPage::OnApply() {
    OnOK();
    return true;
}

void CPropertyPage::RaiseSheet() {
    if (m_sheet != nullptr) {
        m_sheet->raise();
        m_sheet->activateWindow();
    }
}

} // namespace orv
