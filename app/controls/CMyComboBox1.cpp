#include "app/controls/CMyComboBox1.h"

namespace orv {

CMyComboBox1::CMyComboBox1(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
}

} // namespace orv
