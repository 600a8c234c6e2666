#include "views/spatial/CSpectralViewFrame.h"

#include "app/QtConversions.h"

#include <QChildEvent>
#include <QLabel>
#include <QMdiSubWindow>

namespace orv {

// Gives every label below the frame window the frame's static-control brush, those made later
// (an option panel filled after the first show) included: each widget below the window is watched
// for children that finish their construction.
class CSpectralViewFrame::StaticColours : public QObject {
public:
    explicit StaticColours(QColor colour) : m_colour(colour) {}

    void Watch(QWidget& widget) {
        widget.installEventFilter(this);
        Colour(widget);
        for (QWidget* child : widget.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            Watch(*child);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                Watch(*child);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Colour(QWidget& widget) const {
        auto* label = qobject_cast<QLabel*>(&widget);
        if (label == nullptr) {
            return;
        }
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, m_colour);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
    }

    QColor m_colour;
};

CSpectralViewFrame::CSpectralViewFrame(const QFrameRequest& request, CHalvionView& formView)
    : CSpectralSingleViewFrame(request, formView, kTypeSpectralScanNode, QSize(750, 420), QSize(420, 280),
                               CSpectralView::TabStrip::Composite, FrameTabs{}),
      m_colours(std::make_unique<StaticColours>(ColorRefToQColor(kStaticBackground))) {}

CSpectralViewFrame::~CSpectralViewFrame() = default;

void CSpectralViewFrame::OnViewCreated(CSpectralView& view) {
    if (QMdiSubWindow* window = GetWindow()) {
        m_colours->Watch(*window);
    } else {
        m_colours->Watch(view);
    }
}

} // namespace orv
