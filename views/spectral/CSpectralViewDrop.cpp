// The pictures CSpectralView copies (the client as shown, the report picture) and the scans dropped
// onto a comparison or overlay view from the scan-data list.

#include "app/CReportPictureHolder.h"
#include "app/QtConversions.h"
#include "app/controls/ClipboardFormats.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "platform/sync/CriticalSection.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CSpectralScanData.h"
#include "views/spectral/CSpectralView.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QPainter>

#include <mutex>
#include <string>

namespace orv {

// --- Pictures ---

bool CSpectralView::CopyWindowImage() {
    const int width = viewport()->width();
    const int height = viewport()->height() - m_nBottomArea;
    if (width < 1 || height < 1) {
        return false;
    }
    const QImage image = viewport()->grab(QRect(0, 0, width, height)).toImage();
    if (image.isNull()) {
        return false;
    }
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

void CSpectralView::CopyImageToClipboard(int32_t /*picture*/) {
    // What the render picks for the copy is let go when the copy is done.
    class Forget {
    public:
        explicit Forget(CSpectralView& view) : m_view(view) {}
        ~Forget() {
            m_view.m_bCopyRender = 0;
            m_view.ForgetScanPointers();
        }
        Forget(const Forget&) = delete;
        Forget& operator=(const Forget&) = delete;

    private:
        CSpectralView& m_view;
    } forget(*this);

    m_bCopyRender = 1;
    m_copyImage = QImage(m_nCopyWidth, m_nCopyHeight, QImage::Format_RGB32);
    m_copyImage.fill(ColorRefToQColor(m_crWhite));
    QImage report(m_nCopyWidth, kReportHeight, QImage::Format_RGB32);
    report.fill(ColorRefToQColor(m_crWhite));
    try {
        {
            QPainter painter(&m_copyImage);
            RenderPlot(painter, true);
        }
        QPainter painter(&report);
        painter.setPen(ColorRefToQColor(kReportFrameColour));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, report.width() - 1, report.height() - 1);
        DrawHeader(painter);
        painter.drawImage(0, kReportPlotTop, m_copyImage);
    } catch (const std::exception& failure) {
        // A failed render hands no picture: the report must not take the one before.
        ReportFailure("copy", failure, false);
        CReportPictureHolder::Instance().Clear();
        return;
    }
    CReportPictureHolder::Instance().Put(std::move(report), kReportLayoutFirst, kReportLayoutSecond);
}

// --- Drag and drop ---

bool CSpectralView::OnDragEnter(const QMimeData* data) {
    TfrmMainApp* project = GetProject();
    m_bDragFormatOffered = project != nullptr && IsAnyFormatAvailable(project->GetClipboardHelpers(), data);
    return m_bDragFormatOffered;
}

Qt::DropAction CSpectralView::OnDragOver(const QPoint& client) {
    auto* list = dynamic_cast<CViewList*>(m_pScanDataList);
    TfrmMainApp* project = GetProject();
    QNodeMediator* source = nullptr;
    int32_t scanId = -1;
    if (list == nullptr || project == nullptr || !list->GetDraggedScanData(source, scanId) ||
        !project->IsNodeMediatorInProject(source) || source->GetKind() != kTypeSpectralScanNode ||
        m_nComparisonTab == 2 || m_nOverlayTab == 2) {
        return Qt::IgnoreAction;
    }
    const QRect area(QPoint(0, kReportPlotTop),
                     QPoint(viewport()->width() - 35 - 1, viewport()->height() - m_nBottomArea - 1));
    if (!area.contains(client)) {
        return Qt::IgnoreAction;
    }
    return m_bDragFormatOffered ? Qt::CopyAction : Qt::IgnoreAction;
}

bool CSpectralView::OnDrop() {
    auto* list = dynamic_cast<CViewList*>(m_pScanDataList);
    QNodeMediator* source = nullptr;
    int32_t scanId = -1;
    if (list == nullptr || !list->GetDraggedScanData(source, scanId)) {
        return false;
    }
    DropScanData(source, scanId);
    return true;
}

void CSpectralView::dragEnterEvent(QDragEnterEvent* event) {
    OnDragEnter(event->mimeData());
    // The drop area is decided as the drag moves.
    event->accept();
}

void CSpectralView::dragMoveEvent(QDragMoveEvent* event) {
    const Qt::DropAction action = OnDragOver(event->position().toPoint());
    if (action == Qt::CopyAction && (event->possibleActions() & Qt::CopyAction) != 0) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CSpectralView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_bDragFormatOffered = false;
    event->accept();
}

void CSpectralView::dropEvent(QDropEvent* event) {
    if (OnDragOver(event->position().toPoint()) != Qt::CopyAction) {
        event->ignore();
        return;
    }
    try {
        OnDrop();
    } catch (const std::exception& failure) {
        ForgetScanPointers();
        ReportFailure("drop", failure, true);
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CSpectralView::DropScanData(QNodeMediator* mediator, int32_t scanId) {
    TfrmMainApp* project = GetProject();
    if (m_pMediator == nullptr || mediator == nullptr || project == nullptr ||
        !project->IsNodeMediatorInProject(mediator)) {
        return;
    }
    CSpectralScanData* dropped = mediator->GetSpectralScanData(scanId);
    if (dropped == nullptr) {
        ShowPrompt(kCannotPasteText, kDropCaption, PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    if (dropped->m_IsZeltData > 1) {
        ShowPrompt(kZeltNotSupportedText, kDropCaption, PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    const bool comparison = m_nNodeKind == kTypeSpectralComparisonNode;
    if (!comparison && m_nNodeKind != kTypeSpectralOverlayNode) {
        return;
    }
    const int32_t tab = comparison ? m_nComparisonTab : m_nOverlayTab;
    if (tab != 0 && tab != 1) {
        return;
    }
    auto compatible = [comparison, dropped](CScanData* held, std::string& reason) {
        auto* spectral = dynamic_cast<CSpectralScanData*>(held);
        if (spectral == nullptr) {
            return true;
        }
        return comparison ? spectral->CheckComparisonCompatibility(*dropped, reason)
                          : spectral->CheckOverlayCompatibility(*dropped, reason);
    };
    // The reference is the first compared scan, the test the second.
    const bool asReference = tab == 1;
    bool dropReference = false;
    std::string reason;
    if (!asReference) {
        if (!compatible(m_pMediator->GetComparedScan(true), reason)) {
            if (ShowPrompt(kIncompatiblePrefix + reason + kReferenceRemovedSuffix, kDropCaption,
                           PromptButtons::OkCancel, PromptIcon::Information) != PromptAnswer::Ok) {
                return;
            }
            dropReference = true;
        }
    } else if (!compatible(m_pMediator->GetComparedScan(false), reason)) {
        ShowPrompt(kIncompatiblePrefix + reason + kNotReferenceSuffix, kDropCaption, PromptButtons::OkCancel,
                   PromptIcon::None);
        return;
    }
    std::unique_ptr<CSpectralScanData> clone = dropped->Clone();
    // The copy keeps the scan's ID and belongs to this node: the source node may go before it.
    clone->m_ScanId = dropped->m_ScanId;
    clone->m_Mediator = m_pMediator;
    // The scans the view picked go before the mediator deletes them; the refresh picks again.
    ForgetScanPointers();
    {
        const std::lock_guard<CriticalSection> guard(m_pMediator->GetFirstCriticalSection());
        if (dropReference) {
            m_pMediator->SetComparedScan(true, nullptr);
        }
        // Setting a compared scan marks the result to be built again.
        m_pMediator->SetComparedScan(asReference, std::move(clone));
    }
    m_pMediator->MarkProjectModified();
    m_target.Post(comparison ? NodeMessage::kRefreshSpectralComparison
                             : NodeMessage::kRefreshSpectralOverlay);
    if (CViewTreeWidget* tree = GetTreeWidget(); tree != nullptr && tree->IsSelectedNode(m_pMediator)) {
        m_pMediator->FillScanDataList(m_nNodeKind);
    }
}

} // namespace orv
