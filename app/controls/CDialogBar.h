#pragma once

// A strip of controls laid out from a dialog template: positions and sizes in dialog units of the
// bar's font (x * average character width / 4, y * character height / 8), controls found by their
// ids. A left click on the bar raises the frame it sits in.

#include <QWidget>

#include <map>

namespace orv {

class CDialogBar : public QWidget {
public:
    // The template's size in dialog units.
    CDialogBar(int widthUnits, int heightUnits, QWidget* parent = nullptr);

    QRect DialogRect(int x, int y, int width, int height) const;
    QWidget* GetControl(int id) const;
    template <class T> T* GetControlAs(int id) const { return qobject_cast<T*>(GetControl(id)); }

protected:
    // Places the control at its template rectangle and records it under its id.
    template <class T> T* AddControl(int id, T* control, int x, int y, int width, int height) {
        control->setGeometry(DialogRect(x, y, width, height));
        control->setProperty("controlId", id);
        m_controls[id] = control;
        return control;
    }
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::map<int, QWidget*> m_controls;
};

} // namespace orv
