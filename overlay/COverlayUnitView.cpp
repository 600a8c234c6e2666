#include "overlay/COverlayUnitView.h"

#include "app/controls/ClipboardFormats.h"
#include "overlay/COverlayUnitWnd.h"
#include "overlay/COverlayViewFrame.h"
#include "project/COverlayControl.h"
#include "project/TfrmMainApp.h"

#include <QScrollBar>

#include <memory>

namespace orv {

COverlayUnitView::COverlayUnitView(QWidget* parent) : QScrollArea(parent) {
    auto* content = new QWidget();
    content->setFixedSize(kScrollWidth, kScrollHeight);
    setWidget(content);
    setWidgetResizable(false);
}

COverlayUnitView::~COverlayUnitView() {
    DeleteUnits();
}

void COverlayUnitView::DeleteUnits() {
    std::vector<COverlayUnitWnd*> units;
    units.swap(m_units);
    for (COverlayUnitWnd* unit : units) {
        delete unit;
    }
}

void COverlayUnitView::RefillUnits() {
    DeleteUnits();
    verticalScrollBar()->setValue(0);
    if (m_pProject == nullptr) {
        return;
    }
    int y = kUnitLeft + kUnitHeight;
    for (const std::unique_ptr<COverlayControl>& control : m_pProject->GetOverlayControls().GetControls()) {
        auto* unit = new COverlayUnitWnd(control->GetOverlayId(), m_pProject, this, widget());
        unit->setGeometry(kUnitLeft, y - kUnitHeight, kUnitRight - kUnitLeft, kUnitHeight);
        unit->show();
        m_units.push_back(unit);
        y += kUnitPitch;
    }
}

void COverlayUnitView::OnBeginDrag(COverlayUnitWnd& unit) {
    if (m_pFrame != nullptr) {
        m_pFrame->PrepareDragImage(unit);
        m_pFrame->SetDragging(true);
    }
    int32_t effect = 0;
    DragSerializedObject(unit, kDrawModelFormat, &unit, &effect,
                         m_pFrame != nullptr ? &m_pFrame->GetDragImage() : nullptr);
    if (m_pFrame != nullptr) {
        m_pFrame->SetDragging(false);
    }
}

} // namespace orv
