#include "app/controls/CDlgbarSpectralSpatialView.h"

#include "app/controls/CDisplayTab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace orv {

CDlgbarSpectralSpatialView::CDlgbarSpectralSpatialView(QWidget* parent)
    : CDialogBar(kWidthUnits, kHeightUnits, parent) {
    setProperty("templateId", kTemplateId);
    AddControl(1057, new QGroupBox(QStringLiteral("Spectral Composite View"), this), 4, 1, 190, 33);
    AddControl(1059, new QCheckBox(QStringLiteral("User Composite View"), this), 10, 12, 86, 10);
    AddControl(1060, new QCheckBox(QStringLiteral("Multi-Frequency Marker Mode"), this), 10, 22, 120, 10);
    AddControl(1058, new QGroupBox(QStringLiteral("Spatial Composite View"), this), 200, 1, 190, 33);
    AddControl(1061, new QCheckBox(QStringLiteral("User Composite View"), this), 206, 12, 86, 10);
    AddControl(1062, new QCheckBox(QStringLiteral("Multi-Cell Marker Mode"), this), 206, 22, 110, 10);
    m_tab = AddControl(kTabId, new CDisplayTab(this), 396, 4, 80, 14);
    AddControl(1029, new QPushButton(this), 396, 20, 38, 12)->hide();
    AddControl(1030, new QPushButton(this), 438, 20, 38, 12)->hide();
}

} // namespace orv
