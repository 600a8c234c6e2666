// The picture CSpatialView draws for a report: the view laid out at the export size with a white
// header, handed to the report through the picture holder.

#include "app/CReportPictureHolder.h"
#include "app/QtConversions.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "views/spatial/CGLEnabledView.h"
#include "views/spatial/CSpatialView.h"

#include <QPainter>

#include <exception>
#include <utility>

namespace orv {

namespace {

QImage FramedImage(int width, int height, uint32_t fill, int frameWidth, int frameHeight) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ColorRefToQColor(fill));
    QPainter painter(&image);
    painter.setPen(ColorRefToQColor(CSpatialView::kReportFrameColour));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, frameWidth - 1, frameHeight - 1);
    return image;
}

} // namespace

void CSpatialView::CopyViewImageForReport(int32_t /*picture*/) {
    // Whatever happens, the view draws for the screen again afterwards, and what the render picked
    // is let go.
    class Restore {
    public:
        explicit Restore(CSpatialView& view) : m_view(view) {}
        ~Restore() {
            m_view.m_bReportRender = false;
            m_view.ForgetScanPointers();
        }
        Restore(const Restore&) = delete;
        Restore& operator=(const Restore&) = delete;

    private:
        CSpatialView& m_view;
    };

    const int pictureWidth = kExportWidth - m_nRightMargin;
    const int pictureHeight = kExportHeight - m_nBottomMargin;
    {
        const Restore restore(*this);
        m_bReportRender = true;
        m_nExportWidth = kExportWidth;
        m_nExportHeight = kExportHeight;
        m_bSizeChanged = 1;
        try {
            QImage picture =
                FramedImage(pictureWidth, pictureHeight, kReportFillColour, pictureWidth, pictureHeight);
            QImage drawing = FramedImage(kExportWidth, kExportHeight, 0xFFFFFF, pictureWidth, pictureHeight);
            RedrawView(&drawing, kRedrawPaint);
            QPainter painter(&picture);
            painter.drawImage(QPoint(0, 0), drawing, QRect(0, 0, pictureWidth, pictureHeight));
            if (m_b3DShown != 0) {
                // The surface below the header, inside the frame of the map area.
                if (auto* surface = dynamic_cast<CGLEnabledView*>(m_p3DView.get())) {
                    surface->CopyToDC(painter, 2, m_nTopMargin + 2, m_nMapWidth - 4, m_nMapHeight - 4);
                }
            }
            painter.end();
            CReportPictureHolder::Instance().Put(std::move(picture), kReportLayoutFirst, kReportLayoutSecond);
        } catch (const std::exception& failure) {
            // A failed render hands no picture: the report must not take the one before.
            OutputDebugString(FormatC("CSpatialView: report picture: %s\n", failure.what()));
            CReportPictureHolder::Instance().Clear();
        }
    }
    // The kept map and the layout are the export's now: the window draws itself again at its size.
    m_bSizeChanged = 1;
    if (isVisible()) {
        InvalidateWholeView();
    }
}

} // namespace orv
