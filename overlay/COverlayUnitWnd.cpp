#include "overlay/COverlayUnitWnd.h"

#include "app/QtConversions.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/COverlayUnitView.h"
#include "overlay/COverlayUtility.h"
#include "overlay/COverlayView.h"
#include "overlay/OverlayMessages.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/TfrmMainApp.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <memory>
#include <utility>

namespace orv {
namespace {

COverlayUnitWnd::MenuRunner& InstalledRunner() {
    static COverlayUnitWnd::MenuRunner runner;
    return runner;
}

} // namespace

COverlayUnitWnd::COverlayUnitWnd(uint32_t overlayId, TfrmMainApp* project, COverlayUnitView* units,
                                 QWidget* parent)
    : QWidget(parent), m_overlayId(overlayId), m_pProject(project), m_pUnits(units) {
    setWindowTitle(QString::fromLatin1(kCaption));
}

COverlayUnitWnd::~COverlayUnitWnd() {
    if (m_pProject != nullptr) {
        if (COverlayControl* control = m_pProject->FindOverlayControl(m_overlayId)) {
            control->ReleaseCaches();
        }
    }
}

COverlayUnitWnd::MenuRunner COverlayUnitWnd::InstallMenuRunner(MenuRunner runner) {
    return std::exchange(InstalledRunner(), std::move(runner));
}

void COverlayUnitWnd::StoreClipboardData(QDataWriter& writer) const {
    writer.WriteU32(m_overlayId);
}

void COverlayUnitWnd::LoadClipboardData(QDataReader& reader) {
    m_overlayId = reader.ReadU32();
}

// --- Thumbnail ---

void COverlayUnitWnd::RenderThumbnail() {
    const QSize size = this->size();
    if (size == m_renderedSize && !m_thumbnail.isNull()) {
        return;
    }
    COverlayControl* control = m_pProject != nullptr ? m_pProject->FindOverlayControl(m_overlayId) : nullptr;
    if (control == nullptr || size.isEmpty()) {
        return;
    }
    m_thumbnail = QImage(size, QImage::Format_RGB32);
    m_thumbnail.fill(Qt::white);
    m_renderedSize = size;
    QPainter painter(&m_thumbnail);
    if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
        std::shared_ptr<const DrawList> drawing = control->GetDrawList();
        const float widthShare = control->GetWidthFraction(kThumbnailColumns);
        const float heightShare = control->GetHeightFraction(kThumbnailRows);
        if (drawing && widthShare > 0.0F && heightShare > 0.0F) {
            const double fit = std::min(1.0 / widthShare, 1.0 / heightShare);
            const double width = widthShare * fit * (size.width() - 4);
            const double height = heightShare * fit * (size.height() - 4);
            const QRect box(static_cast<int>((size.width() - width) / 2.0),
                            static_cast<int>((size.height() - height) / 2.0), static_cast<int>(width),
                            static_cast<int>(height));
            const DrawExtentPoint minimum = control->GetExtentMinimum();
            const DrawExtentPoint maximum = control->GetExtentMaximum();
            const double spanX = static_cast<double>(maximum.x) - minimum.x;
            const double spanY = static_cast<double>(maximum.y) - minimum.y;
            if (box.width() > 0 && box.height() > 0 && spanX > 0.0 && spanY > 0.0) {
                painter.save();
                QTransform mapping;
                mapping.translate(box.left(), box.top());
                mapping.scale(box.width() / spanX, box.height() / spanY);
                mapping.translate(-static_cast<double>(minimum.x), -static_cast<double>(minimum.y));
                painter.setTransform(mapping);
                painter.setPen(QPen(Qt::black, 0));
                COverlayUtility::PaintDrawing(painter, drawing->Head());
                painter.restore();
                painter.setPen(QPen(Qt::black, 0));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(box.adjusted(0, 0, -1, -1));
            }
        }
        painter.setPen(QPen(ColorRefToQColor(kBorderColour), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    } else {
        const QImage image = COverlayControlImage::GetImage(*control);
        if (!image.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(QRect(QPoint(0, 0), size), image);
        }
    }
}

void COverlayUnitWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    RenderThumbnail();
    if (!m_thumbnail.isNull() && m_renderedSize == size()) {
        painter.drawImage(QPoint(0, 0), m_thumbnail);
    }
}

// --- Mouse ---

void COverlayUnitWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        if (m_pUnits != nullptr) {
            m_pUnits->OnBeginDrag(*this);
        }
        return;
    }
    QWidget::mousePressEvent(event);
}

void COverlayUnitWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnCommand(kSelectCommand);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void COverlayUnitWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    QMenu menu(QString::fromLatin1(kCaption), this);
    QAction* select = menu.addAction(QStringLiteral("Select"));
    select->setData(kSelectCommand);
    QAction* remove = menu.addAction(QStringLiteral("Delete"));
    remove->setData(kDeleteCommand);
    const QPoint at = event->globalPosition().toPoint() + QPoint(10, 0);
    const MenuRunner& runner = InstalledRunner();
    QAction* chosen = runner ? runner(menu, at) : menu.exec(at);
    if (chosen != nullptr) {
        OnCommand(chosen->data().toUInt());
    }
}

void COverlayUnitWnd::OnCommand(uint32_t command) {
    COverlayView* view = m_pUnits != nullptr ? m_pUnits->GetOverlayView() : nullptr;
    if (view == nullptr) {
        return;
    }
    if (command == kSelectCommand) {
        view->SelectOverlayControl(m_overlayId);
        return;
    }
    if (command != kDeleteCommand) {
        return;
    }
    if (m_pProject != nullptr && m_pProject->CountUsersOfOverlayPicture(m_overlayId) > 0 &&
        ShowPrompt(kDeleteQuestion, kDeleteCaption, PromptButtons::OkCancel, PromptIcon::None) !=
            PromptAnswer::Ok) {
        return;
    }
    view->Post(OverlayMessage::kPictureDeleted, m_overlayId);
}

} // namespace orv
