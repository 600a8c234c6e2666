#include "app/CDlgStaticIP.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <charconv>
#include <cstdio>

namespace orv {

CDlgStaticIP::CDlgStaticIP(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Static IP");
    setObjectName("102");
    m_useStaticIp = new QCheckBox("Use Static IP", this);
    m_useStaticIp->setObjectName(QString::number(kUseStaticIpId));
    m_address = new CIPAddrCtl(this);
    m_address->setObjectName(QString::number(kAddressId));
    m_subnet = new CIPAddrCtl(this);
    m_subnet->setObjectName(QString::number(kSubnetId));
    for (CIPAddrCtl* control : {m_address, m_subnet}) {
        control->setMinimumSize(150, 22);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_useStaticIp, 0, 0, 1, 2);
    layout->addWidget(new QLabel("IP:", this), 1, 0);
    layout->addWidget(m_address, 1, 1);
    layout->addWidget(new QLabel("Subnet:", this), 2, 0);
    layout->addWidget(m_subnet, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 3, 0, 1, 2);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_useStaticIp, &QCheckBox::toggled, this, [this](bool on) {
        m_bUseStaticIp = on;
        EnableAddressControls(on);
    });
}

void CDlgStaticIP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    CDataExchange load;
    DDX_IPAddr(load, *m_address, m_ipAddress);
    DDX_IPAddr(load, *m_subnet, m_subnetMask);
    m_useStaticIp->setChecked(m_bUseStaticIp);
    EnableAddressControls(m_bUseStaticIp);
}

void CDlgStaticIP::EnableAddressControls(bool enabled) {
    m_address->setEnabled(enabled);
    m_subnet->setEnabled(enabled);
}

void CDlgStaticIP::accept() {
    CDataExchange save{.saveAndValidate = true};
    std::array<uint8_t, 4> address = m_ipAddress;
    std::array<uint8_t, 4> subnet = m_subnetMask;
    DDX_IPAddr(save, *m_address, address);
    if (!save.failed) {
        DDX_IPAddr(save, *m_subnet, subnet);
    }
    if (save.failed) {
        return; // the control has shown why and holds the focus
    }
    m_ipAddress = address;
    m_subnetMask = subnet;
    m_bUseStaticIp = m_useStaticIp->isChecked();
    QDialog::accept();
}

std::string CDlgStaticIP::FormatAddress(const std::array<uint8_t, 4>& address) {
    char text[20];
    std::snprintf(text, sizeof text, "%03d.%03d.%03d.%03d", address[0], address[1], address[2], address[3]);
    return text;
}

std::string CDlgStaticIP::GetIPAddressText() const {
    return FormatAddress(m_ipAddress);
}

std::string CDlgStaticIP::GetSubnetMaskText() const {
    return FormatAddress(m_subnetMask);
}

std::array<uint8_t, 4> CDlgStaticIP::ParseAddress(const std::string& text) {
    std::array<uint8_t, 4> address{};
    size_t start = 0;
    for (size_t field = 0; field < 4 && start <= text.size(); ++field) {
        const size_t dot = text.find('.', start);
        const size_t end = dot == std::string::npos ? text.size() : dot;
        unsigned value = 0;
        const char* first = text.data() + start;
        const char* last = text.data() + end;
        const auto [ptr, ec] = std::from_chars(first, last, value, 10);
        if (ec == std::errc() && ptr == last && first != last && value <= 255) {
            address[field] = static_cast<uint8_t>(value);
        }
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }
    return address;
}

} // namespace orv
