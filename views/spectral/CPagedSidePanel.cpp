#include "views/spectral/CPagedSidePanel.h"

#include "app/controls/CMyButton.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "views/spectral/SidePanelLook.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace orv {

CPagedSidePanel::CPagedSidePanel(int formId, PeakBoxes peakBoxes, QWidget* parent)
    : QWidget(parent), m_peakBoxes(peakBoxes) {
    setProperty("templateId", formId);
    StyleSidePanel(*this);
}

void CPagedSidePanel::RegisterControl(int id, QWidget* control) {
    control->setObjectName(QString::number(id));
    control->setFont(SidePanelFont());
    m_controls[id] = control;
}

void CPagedSidePanel::AddOptionsButton(int id) {
    m_options = AddControl(id, new CMyButton(CMyButton::kOptionKind, this));
    m_options->setFocusPolicy(Qt::NoFocus);
    connect(m_options, &QAbstractButton::clicked, this, [this] { OnOptionsButton(); });
    m_options->show();
}

int CPagedSidePanel::GetDpi() const {
    if (m_nDpiOverride > 0) {
        return m_nDpiOverride;
    }
    const QScreen* shown = screen();
    return shown != nullptr ? static_cast<int>(shown->logicalDotsPerInchX()) : SidePanelLayout::kDesignDpi;
}

QWidget* CPagedSidePanel::GetControl(int id) const {
    const auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}

bool CPagedSidePanel::IsChecked(int id) const {
    return static_cast<QAbstractButton*>(GetControl(id))->isChecked();
}

void CPagedSidePanel::SetChecked(int id, bool on) {
    static_cast<QAbstractButton*>(GetControl(id))->setChecked(on);
}

void CPagedSidePanel::ShowPage(int page) {
    m_nPage = page;
    LayOutPage();
}

void CPagedSidePanel::PlaceOptionsButton(const char* pageName) {
    m_options->setGeometry(SidePanelLayout::kOptionsLeft, SidePanelLayout::kOptionsTop,
                           SidePanelLayout::kOptionsWidth, SidePanelLayout::kOptionsHeight);
    m_options->setText(QString::fromLatin1(pageName));
    m_options->show();
}

int CPagedSidePanel::Place(int id, int x, int y, int width, int height) {
    QWidget* control = GetControl(id);
    // A box or label is never narrower than its text in the panel's font (a designed width may be).
    if (qobject_cast<QAbstractButton*>(control) != nullptr || qobject_cast<QLabel*>(control) != nullptr) {
        width = std::max(width, control->sizeHint().width());
    }
    control->setGeometry(x, y, width, height);
    control->show();
    control->raise();
    return x + width;
}

std::unique_ptr<QMenu> CPagedSidePanel::BuildPageMenu(int page, bool hasData,
                                                      const OptionsCommands& commands) {
    auto menu = std::make_unique<QMenu>();
    auto item = [&](uint32_t command, const char* text, int itemPage) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(command);
        action->setCheckable(true);
        action->setChecked(page == itemPage);
    };
    item(commands.view, "View Option", kPageView);
    item(commands.peak, "Peak Option", kPagePeak);
    if (hasData) {
        item(commands.scale, "Scale Option", kPageScale);
    }
    return menu;
}

void CPagedSidePanel::RunOptionsMenu(bool hasData, const OptionsCommands& commands) {
    std::unique_ptr<QMenu> menu = BuildPageMenu(m_nPage, hasData, commands);
    const QPoint at =
        m_options->mapToGlobal(QPoint(SidePanelLayout::kMenuOffsetX, -SidePanelLayout::kMenuOffsetY));
    QAction* chosen = m_menuRunner ? m_menuRunner(*menu, at) : menu->exec(at);
    if (chosen == nullptr) {
        return;
    }
    // The menu holds the three page commands only.
    const uint32_t command = chosen->data().toUInt();
    const int page = command == commands.peak    ? kPagePeak
                     : command == commands.scale ? kPageScale
                                                 : kPageView;
    if (!(page == kPageScale && m_nPage == kPageScale)) {
        m_bScaleEdited = false;
    }
    ShowPage(page);
}

void CPagedSidePanel::RefreshPeakBoxes(QNodeMediator& mediator) {
    const uint16_t kind = mediator.GetKind();
    const bool peakOptions = kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode;
    const QScanOptions* scanOptions = mediator.GetScanOptions();
    SetChecked(m_peakBoxes.peakHold, peakOptions && scanOptions != nullptr && scanOptions->IsPeakHold());
    SetChecked(m_peakBoxes.averaging, peakOptions && scanOptions != nullptr && scanOptions->IsAveraging());
    GetControl(m_peakBoxes.peakHold)->setEnabled(peakOptions);
    GetControl(m_peakBoxes.averaging)->setEnabled(peakOptions);
}

void CPagedSidePanel::TogglePeakOption(QNodeMediator& mediator, int id, bool on) {
    QScanOptions* options = mediator.GetScanOptions();
    if (options == nullptr) {
        return;
    }
    if (id == m_peakBoxes.peakHold) {
        options->SetPeakHold(on);
        if (on) {
            options->SetAveraging(false);
            SetChecked(m_peakBoxes.averaging, false);
        }
    } else {
        options->SetAveraging(on);
        if (on) {
            options->SetPeakHold(false);
            SetChecked(m_peakBoxes.peakHold, false);
        }
    }
    mediator.MarkProjectModified();
}

void CPagedSidePanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintSidePanelGround(painter, rect());
}

} // namespace orv
