#pragma once

// The combo box of the spectral scan page: a drop-down list (the user picks an entry, never types).

#include <QComboBox>

namespace orv {

class CMyComboBox1 : public QComboBox {
public:
    explicit CMyComboBox1(QWidget* parent = nullptr);
};

} // namespace orv
