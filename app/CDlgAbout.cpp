#include "app/CDlgAbout.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/CDlgStaticIP.h"
#include "core/QAttachedAdapter.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <atomic>
#include <memory>
#include <thread>

namespace orv {

namespace {

constexpr const char* kNotAvailable = "N/A";

// The program's mark: a board with a probe's field rings over it.
QPixmap ProgramIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1.0));
    painter.setBrush(QColor(0x2e, 0x7d, 0x32));
    painter.drawRoundedRect(QRectF(2.5, 8.5, 27, 21), 2, 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xff, 0xc1, 0x07), 1.5));
    for (int ring = 1; ring <= 3; ++ring) {
        painter.drawEllipse(QPointF(16, 16), 3.5 * ring, 3.5 * ring);
    }
    painter.setPen(QPen(QColor(0xd3, 0x2f, 0x2f), 2.0));
    painter.drawLine(QPointF(16, 16), QPointF(16, 1));
    return icon;
}

} // namespace

CDlgAbout::CDlgAbout(int32_t scanHeadId, StaticIpWriter writer, QWidget* parent)
    : QDialog(parent), m_writer(std::move(writer)) {
    setWindowTitle("About Orvilant");
    setObjectName("100");

    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName("484");
    icon->setPixmap(ProgramIcon());
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    auto* name = new QLabel("Orvilant", this);
    name->setObjectName(QString::number(kProgramNameId));
    layout->addWidget(name, 0, 1, 1, 2);
    auto* build = new QLabel(QString::fromStdString(BuildCode()), this);
    build->setObjectName(QString::number(kBuildCodeId));
    layout->addWidget(build, 1, 1, 1, 2);

    QLabel* module = AddValueRow(*layout, 2, "Scanner Module:", kModuleId);
    QLabel* range = AddValueRow(*layout, 3, "Frequency Range:", kFrequencyRangeId);
    QLabel* adaptor = AddValueRow(*layout, 4, "Adaptor ID:", kAdaptorId);
    QLabel* firmware = AddValueRow(*layout, 5, "Firmware Version:", kFirmwareId);
    QLabel* connection = AddValueRow(*layout, 6, "Scanner Connection:", kConnectionId);
    QWidget* connectionLabel = layout->itemAtPosition(6, 1)->widget();
    connectionLabel->setObjectName(QString::number(kConnectionLabelId));
    m_staticIpButton = new QPushButton("...", this);
    m_staticIpButton->setObjectName(QString::number(kStaticIpButtonId));
    m_staticIpButton->setFixedWidth(32);
    layout->addWidget(m_staticIpButton, 6, 3);
    connectionLabel->hide();
    connection->hide();
    m_staticIpButton->hide();

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons, 7, 0, 1, 4);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_staticIpButton, &QPushButton::clicked, this, [this] { EditStaticIp(); });

    if (scanHeadId == kNoScannerHeadId) {
        module->setText("No scanner found. (Handheld only)");
        range->clear();
        adaptor->clear();
        firmware->clear();
    } else {
        const QManagerImpl<QScanHeadInfo>& heads = GetScanHeadInfoManager();
        const std::string headName = heads.GetName(scanHeadId);
        module->setText(QString::fromStdString(headName == kNoNameForID ? kNotAvailable : headName));
        const QScannerContext& context = GetScannerContext();
        adaptor->setText(QString::fromStdString(context.GetAdaptorIdText()));
        firmware->setText(QString::fromStdString(context.GetFirmwareVersionText()));
        if (const QScanHeadInfo* head = heads.Find(scanHeadId)) {
            range->setText(QString::fromStdString(FormatC("%-10.4f  ---  %-10.4f MHz",
                                                          static_cast<double>(head->m_minFrequency),
                                                          static_cast<double>(head->m_maxFrequency))));
        }
    }

    if (GetInstrumentInfo().GetProbeType() == eProbeType::ExternalAdapter) {
        connectionLabel->show();
        connection->show();
    }
    if (const std::optional<AttachedAdapterInfo> adapter = GetAttachedAdapter()) {
        connection->setText(adapter->host.empty()
                                ? QString("USB")
                                : QString::fromStdString(FormatC("NET (%s:%d)", adapter->host.c_str(),
                                                                 static_cast<int>(adapter->port))));
        m_staticIpButton->show();
        m_useStaticIp = adapter->useStaticIp;
        m_staticIp = adapter->staticIp;
        m_subnetMask = adapter->subnetMask;
    }
}

QLabel* CDlgAbout::AddValueRow(QGridLayout& layout, int row, const char* label, int id) {
    layout.addWidget(new QLabel(label, this), row, 1);
    auto* value = new QLabel(kNotAvailable, this);
    value->setObjectName(QString::number(id));
    QPalette palette = value->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x64, 0x00));
    value->setPalette(palette);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout.addWidget(value, row, 2);
    return value;
}

std::string CDlgAbout::BuildCode() {
    const std::time_t built = kBuildTime;
    std::tm local{};
    localtime_r(&built, &local);
    return FormatC("%dQ%d-%d", local.tm_year + 1900, local.tm_mon / 3 + 1, local.tm_yday);
}

void CDlgAbout::EditStaticIp() {
    CDlgStaticIP dialog(this);
    dialog.m_bUseStaticIp = m_useStaticIp;
    dialog.m_ipAddress = CDlgStaticIP::ParseAddress(m_staticIp);
    dialog.m_subnetMask = CDlgStaticIP::ParseAddress(m_subnetMask);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const bool useStaticIp = dialog.m_bUseStaticIp;
    // Compared as addresses: the adapter may report "192.168.1.50" where the dialog writes
    // "192.168.001.050", and an unchanged address must not be written again.
    if (useStaticIp == m_useStaticIp && dialog.m_ipAddress == CDlgStaticIP::ParseAddress(m_staticIp) &&
        dialog.m_subnetMask == CDlgStaticIP::ParseAddress(m_subnetMask)) {
        return;
    }
    const std::string address = dialog.GetIPAddressText();
    const std::string mask = dialog.GetSubnetMaskText();
    // With no adapter attached any more the box only holds the change.
    if (GetAttachedAdapter().has_value() && !WriteOffTheInterfaceThread(useStaticIp ? 1 : 0, address, mask)) {
        // Box and adapter must not disagree: the old settings stay.
        ShowPrompt("The static IP settings could not be written to the adapter.", "Error", PromptButtons::Ok,
                   PromptIcon::Error);
        return;
    }
    m_useStaticIp = useStaticIp;
    m_staticIp = address;
    m_subnetMask = mask;
}

bool CDlgAbout::WriteOffTheInterfaceThread(uint8_t flag, const std::string& address,
                                           const std::string& mask) {
    if (!m_writer) {
        return false;
    }
    const WaitCursorGuard wait;
    QEventLoop loop;
    auto written = std::make_shared<std::atomic<bool>>(false);
    // The write waits for the device lock and the adapter's answers; the window stays painted meanwhile.
    std::thread writer([writer = m_writer, written, flag, address, mask, &loop] {
        written->store(writer(flag, address, mask));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    writer.join();
    return written->load();
}

} // namespace orv
