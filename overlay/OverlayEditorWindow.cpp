#include "overlay/OverlayEditorWindow.h"

#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/COverlayViewOwner.h"

#include <QApplication>
#include <QPoint>
#include <QRect>

namespace orv {

bool RaiseOverlayEditor(const COverlayViewOwner& owner) {
    COverlayViewFrame* frame = owner.GetOverlayFrame();
    if (frame == nullptr) {
        return false;
    }
    if (frame->isMinimized()) {
        frame->showNormal();
    }
    frame->raise();
    frame->activateWindow();
    return true;
}

COverlayViewFrame* OpenOverlayEditorOver(QWidget& over, COverlayViewOwner& owner, TfrmMainApp* project,
                                         const std::string& title) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* frame = new COverlayViewFrame(project, title, 0);
    frame->setParent(&over, frame->windowFlags() | Qt::Window);
    frame->setWindowIcon(QApplication::windowIcon());
    frame->SetOwner(&owner);
    frame->setGeometry(QRect(over.mapToGlobal(QPoint(0, 0)), over.size()));
    frame->Create();
    frame->raise();
    frame->activateWindow();
    QApplication::restoreOverrideCursor();
    return frame;
}

void SelectOverlayInEditor(const COverlayViewOwner& owner, uint32_t overlayId) {
    if (COverlayViewFrame* frame = owner.GetOverlayFrame()) {
        if (COverlayView* view = frame->GetOverlayView()) {
            view->SelectOverlayControl(overlayId);
        }
    }
}

void DeleteOverlayEditor(COverlayViewOwner& owner) {
    if (COverlayViewFrame* frame = owner.GetOverlayFrame()) {
        frame->ForgetOwner();
        owner.SetOverlayFrame(nullptr);
        delete frame;
    }
}

} // namespace orv
