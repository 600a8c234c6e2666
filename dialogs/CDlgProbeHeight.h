#pragma once

// "Probe Height": one probe height for a single cell of the scan probes page. The caller sets the
// height before exec() and reads it after Accepted.

#include <QDialog>

class QLineEdit;

namespace orv {

class CDlgProbeHeight : public QDialog {
public:
    static constexpr int kTemplateId = 510;
    static constexpr int kHeightEdit = 1229;
    static constexpr const char* kCaption = "Probe Height";

    explicit CDlgProbeHeight(QWidget* parent = nullptr);

    // Shown as a whole number of millimetres; 5.0 until set.
    void SetHeight(float height);
    float GetHeight() const { return m_height; }
    QLineEdit* GetEdit() const { return m_edit; }

    void accept() override;

private:
    float m_height = 5.0F;
    QLineEdit* m_edit;
};

} // namespace orv
