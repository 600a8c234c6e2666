#pragma once

// The data exchange of a dialog: loading puts the values into the controls, saving reads them back
// and stops at the first control that holds something invalid (the dialog then stays open).

class QWidget;

namespace orv {

struct CDataExchange {
    bool saveAndValidate = false;
    bool failed = false;
    QWidget* failedControl = nullptr;

    void Fail(QWidget* control) {
        failed = true;
        failedControl = control;
    }
};

} // namespace orv
