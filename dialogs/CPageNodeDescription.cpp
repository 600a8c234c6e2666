#include "dialogs/CPageNodeDescription.h"

#include "app/QtConversions.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "project/QProjectTree.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <string>

namespace orv {
namespace {

std::string WithCarriageReturns(const QString& text) {
    QString copy = text;
    copy.replace("\n", "\r\n");
    return QStringToCodePage(copy);
}

} // namespace

CPageNodeDescription::CPageNodeDescription(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::NodeDescription, kCaption), m_pMediator(&mediator),
      m_name(new QLineEdit(this)), m_description(new QPlainTextEdit(this)) {
    m_name->setObjectName(QString::number(kNameEdit));
    m_description->setObjectName(QString::number(kDescriptionEdit));
    // One character more than the file holds, so that a longer name is refused, not cut short.
    m_name->setMaxLength(static_cast<int>(kMaxTextBytes) + 1);
    // Enter starts a new line of the description; Tab moves on to the next control.
    m_description->setTabChangesFocus(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Node Name:", this), 0, 0);
    layout->addWidget(m_name, 1, 0);
    layout->addWidget(new QLabel("Node Description:", this), 2, 0);
    layout->addWidget(m_description, 3, 0);
    layout->setRowStretch(3, 1);
    connect(m_name, &QLineEdit::textChanged, this, [this] {
        if (!m_filling) {
            SetModified(true);
        }
    });
    connect(m_description, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling) {
            SetModified(true);
        }
    });
}

CPageNodeDescription::~CPageNodeDescription() = default;

QWidget* CPageNodeDescription::GetControl(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

bool CPageNodeDescription::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_filling = true;
    m_name->setText(CodePageToQString(m_pMediator->GetName()));
    QString description = CodePageToQString(m_pMediator->GetLabel());
    description.replace("\r\n", "\n");
    m_description->setPlainText(description);
    m_filling = false;
    return true;
}

bool CPageNodeDescription::OnApply() {
    const std::string name = QStringToCodePage(m_name->text());
    const std::string label = WithCarriageReturns(m_description->toPlainText());
    if (name.size() > kMaxTextBytes || label.size() > kMaxTextBytes) {
        ShowPrompt(kTooLongText, kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    m_pMediator->SetName(name);
    m_pMediator->SetLabel(label);
    if (QProjectTree* tree = m_pMediator->GetProjectTree()) {
        tree->SetNodeItemText(m_pMediator->GetNodeID(), name);
    }
    m_pMediator->MarkProjectModified();
    m_pMediator->RefreshAllNodeViews();
    return CPropertyPage::OnApply();
}

} // namespace orv
