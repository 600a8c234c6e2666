#pragma once

// The controls the settings pages are made of, each named by its dialog id (the tests and the sheet
// find controls by that name). Edits and check boxes report the user's changes through `changed`.

#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace orv {

class CSpinButtonCtrl;

QString PageControlName(int id);

QLabel* MakePageLabel(QWidget& page, const char* text, int id = 0);
// At least 110 pixels wide; `changed` runs on every edit the user makes.
QLineEdit* MakePageEdit(QWidget& page, int id, const std::function<void()>& changed);
CSpinButtonCtrl* MakePageSpin(QWidget& page, int id);
// `changed` runs on every click of the user.
QCheckBox* MakePageCheck(QWidget& page, const char* text, int id, const std::function<void()>& changed);
QComboBox* MakePageCombo(QWidget& page, int id);

} // namespace orv
