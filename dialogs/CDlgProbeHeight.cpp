#include "dialogs/CDlgProbeHeight.h"

#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orv {

CDlgProbeHeight::CDlgProbeHeight(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kCaption);
    setObjectName(QString::number(kTemplateId));
    setFixedSize(240, 110);
    auto* label = new QLabel("Height:", this);
    label->setGeometry(16, 20, 60, 24);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QString::number(kHeightEdit));
    m_edit->setGeometry(80, 20, 140, 24);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setGeometry(36, 66, 80, 28);
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    cancel->setGeometry(124, 66, 80, 28);
    connect(ok, &QPushButton::clicked, this, &CDlgProbeHeight::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgProbeHeight::reject);
    SetHeight(m_height);
}

void CDlgProbeHeight::SetHeight(float height) {
    m_height = height;
    m_edit->setText(QString::fromStdString(FormatC("%2.0f", static_cast<double>(height))));
}

void CDlgProbeHeight::accept() {
    // Text that is no finite number ("abc", "nan", "inf") reads as 0.
    m_height = SaturateToFloat(ReadTypedNumber(m_edit->text()));
    QDialog::accept();
}

} // namespace orv
