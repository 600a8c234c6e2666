#include "dialogs/PageControls.h"

#include "dialogs/CSpinButtonCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace orv {

QString PageControlName(int id) {
    return QString::number(id);
}

QLabel* MakePageLabel(QWidget& page, const char* text, int id) {
    auto* made = new QLabel(text, &page);
    if (id != 0) {
        made->setObjectName(PageControlName(id));
    }
    return made;
}

QLineEdit* MakePageEdit(QWidget& page, int id, const std::function<void()>& changed) {
    auto* made = new QLineEdit(&page);
    made->setObjectName(PageControlName(id));
    made->setMinimumWidth(110);
    QObject::connect(made, &QLineEdit::textEdited, &page, [changed] { changed(); });
    return made;
}

CSpinButtonCtrl* MakePageSpin(QWidget& page, int id) {
    auto* made = new CSpinButtonCtrl(&page);
    made->setObjectName(PageControlName(id));
    return made;
}

QCheckBox* MakePageCheck(QWidget& page, const char* text, int id, const std::function<void()>& changed) {
    auto* made = new QCheckBox(text, &page);
    made->setObjectName(PageControlName(id));
    QObject::connect(made, &QCheckBox::clicked, &page, [changed] { changed(); });
    return made;
}

QComboBox* MakePageCombo(QWidget& page, int id) {
    auto* made = new QComboBox(&page);
    made->setObjectName(PageControlName(id));
    return made;
}

} // namespace orv
