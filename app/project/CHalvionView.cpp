#include "app/project/CHalvionView.h"

#include "app/UiMessagePump.h"
#include "app/controls/CDisplayTab.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QViewFrame.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QPainter>
#include <QPushButton>

#include <cstdio>

namespace orv {
namespace {

constexpr int kConnectButton = 1013;
constexpr int kDisconnectButton = 1014;
constexpr int kRunButton = 1010;
constexpr int kStopButton = 1011;

// The page's picture: a board with its scan grid under a probe, drawn once.
QImage DrawPicture() {
    QImage picture(240, 150, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1F, 0x5A, 0x3A), 2));
    painter.setBrush(QColor(0x2E, 0x8A, 0x57));
    painter.drawRoundedRect(QRectF(20, 40, 200, 96), 8, 8);
    painter.setPen(QPen(QColor(0xB8, 0xE0, 0xC8), 1));
    for (int x = 40; x < 220; x += 20) {
        painter.drawLine(x, 44, x, 132);
    }
    for (int y = 56; y < 136; y += 16) {
        painter.drawLine(24, y, 216, y);
    }
    const QColor heat[] = {QColor(0xF0, 0xD0, 0x30), QColor(0xF0, 0x80, 0x20), QColor(0xD0, 0x20, 0x20)};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(heat[i]);
        painter.drawEllipse(QPointF(120, 88), 34 - i * 11, 26 - i * 8);
    }
    painter.setBrush(QColor(0x30, 0x30, 0x40));
    painter.drawRect(114, 6, 12, 60);
    painter.drawPolygon(QPolygonF({QPointF(114, 66), QPointF(126, 66), QPointF(120, 80)}));
    return picture;
}

} // namespace

CHalvionView::CHalvionView(CChildFrame& frame, CHalvionDoc& document)
    : QWidget(&frame), m_frame(frame), m_document(document), m_factory(*this),
      m_target(*this, GetUiMessageThread()) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // The form's own controls; the frame's tool bar and commands stand in for them.
    const std::pair<int, const char*> buttons[] = {{kConnectButton, "Connect"},
                                                   {kDisconnectButton, "Disconnect"},
                                                   {kRunButton, "Run"},
                                                   {kStopButton, "Stop"}};
    int x = 8;
    for (const auto& [id, caption] : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setProperty("controlId", id);
        button->setGeometry(x, 8, 80, 24);
        x += 88;
    }
    m_tab = new CDisplayTab(this);
    m_tab->setProperty("controlId", kDisplayTabId);
    m_tab->setGeometry(8, 40, 300, 24);
    connect(m_tab, &QTabBar::currentChanged, this, [this](int index) {
        m_selectedTab = index;
        if (index >= 0 && index <= 2) {
            updateGeometry();
            update();
        }
    });
    // Over the page and its controls, without a background of its own.
    m_frameArea = new QMdiArea(this);
    m_frameArea->setFrameShape(QFrame::NoFrame);
    m_frameArea->setBackground(Qt::NoBrush);
    m_frameArea->viewport()->setAutoFillBackground(false);
    m_frameArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_frameArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_frameArea->setGeometry(rect());
    m_buildTimer.setInterval(1);
    connect(&m_buildTimer, &QTimer::timeout, this, [this] { BuildProject(); });
}

CHalvionView::~CHalvionView() {
    std::printf("closing project ID: %d\n", static_cast<int>(m_projectId));
    std::fflush(stdout);
}

QWidget* CHalvionView::GetFormControl(int id) const {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property("controlId").toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

void CHalvionView::OnInitialUpdate() {
    for (int id : {kConnectButton, kDisconnectButton, kRunButton, kStopButton, kDisplayTabId}) {
        if (QWidget* control = GetFormControl(id)) {
            control->hide();
        }
    }
    m_projectId = m_frame.GetProjectId();
    m_buildTimer.start();
}

void CHalvionView::BuildProject() {
    // The project waits for the pane with its tree and list.
    if (!m_frame.IsPaneCreated()) {
        return;
    }
    m_buildTimer.stop();
    CProjectArray& projects = m_frame.GetWindows().GetProjects();
    const std::string& path = m_document.GetPathName();
    TfrmMainApp* project = path.empty() ? projects.NewProject(m_projectId, *this)
                                        : projects.OpenProject(m_projectId, *this, path);
    m_frame.GetWindows().ProjectBuilt(m_frame, project != nullptr);
}

void CHalvionView::SetProject(TfrmMainApp* project, QScanEngineLink* controller) {
    m_project = project;
    m_controller = controller;
    if (project == nullptr) {
        m_currentSpectral = nullptr;
        m_currentSpatial = nullptr;
        m_currentSpectralSpatial = nullptr;
        m_currentHandHeld = nullptr;
    }
}

QProjectWindow* CHalvionView::GetParentWindow() {
    return &m_frame;
}

CViewList* CHalvionView::GetList() const {
    CProjectView* pane = m_frame.GetProjectPane();
    return pane != nullptr ? pane->GetList() : nullptr;
}

QScanDataList* CHalvionView::GetScanDataList() {
    return GetList();
}

CViewList* CHalvionView::ListShowing(QNodeMediator& mediator) const {
    CViewList* list = GetList();
    return list != nullptr && list->GetOwner() == &mediator ? list : nullptr;
}

void CHalvionView::MarkModified() {
    m_target.Post(NodeMessage::kProjectModified);
}

void CHalvionView::AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                             QNodeMediator& mediator) {
    m_currentSpectral = &scan;
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
    if (CViewList* list = ListShowing(mediator)) {
        list->AddSpectralScanData(scan, true, !newEntry);
    }
    if (live) {
        MarkModified();
    }
}

void CHalvionView::AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                            QNodeMediator& mediator) {
    m_currentSpatial = &scan;
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
    if (CViewList* list = ListShowing(mediator)) {
        list->AddSpatialScanData(scan, true, !newEntry);
    }
    if (live) {
        MarkModified();
    }
}

void CHalvionView::AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                    QNodeMediator& mediator) {
    m_currentSpectralSpatial = &scan;
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
    if (CViewList* list = ListShowing(mediator)) {
        list->AddSpectralSpatialScanData(scan, true);
    }
    if (live) {
        MarkModified();
        QViewFrame* frame = mediator.GetFrame(QFrameClass::SpectralSpatial);
        if (frame != nullptr && frame->HasWindow()) {
            frame->GetMessageTarget().Post(NodeMessage::kShowSpectralSpatialScan, scan.m_ScanId);
        }
    }
}

void CHalvionView::AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                                  QNodeMediator& mediator) {
    m_currentHandHeld = &scan;
    mediator.SetDisplayedScanID(static_cast<int32_t>(scan.m_ScanId));
    if (CViewList* list = ListShowing(mediator)) {
        list->AddHandHeldProbeScanData(scan, true);
    }
    if (live) {
        MarkModified();
    }
}

int64_t CHalvionView::Target::HandleMessage(Message& message) {
    if (message.id == NodeMessage::kProjectModified) {
        m_view.m_document.SetModifiedFlag(true);
    }
    return 0;
}

const QImage& CHalvionView::Picture() {
    static const QImage picture = DrawPicture();
    return picture;
}

void CHalvionView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QImage& picture = Picture();
    painter.drawImage(width() / 2 - picture.width() / 2, height() / 2 - picture.height() / 2, picture);
}

void CHalvionView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_frameArea->setGeometry(rect());
    if (m_project != nullptr) {
        if (TfrmProjectView* open = m_project->GetOpenProject()) {
            open->ReapplyViewFramePlacements();
        }
    }
}

} // namespace orv
