#pragma once

// "Static IP": the external adapter's use-static-IP flag, IP address and subnet mask. The address
// controls are enabled with the flag; an address a control refuses keeps the dialog open on OK.

#include "app/controls/CIPAddrCtl.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;

namespace orv {

class CDlgStaticIP : public QDialog {
public:
    static constexpr int kUseStaticIpId = 1110;
    static constexpr int kAddressId = 1251;
    static constexpr int kSubnetId = 1252;

    explicit CDlgStaticIP(QWidget* parent = nullptr);

    // Set before the dialog runs, read after OK; bytes most significant first.
    bool m_bUseStaticIp = false;
    std::array<uint8_t, 4> m_ipAddress{};
    std::array<uint8_t, 4> m_subnetMask{};

    // "%03d.%03d.%03d.%03d"
    std::string GetIPAddressText() const;
    std::string GetSubnetMaskText() const;
    static std::string FormatAddress(const std::array<uint8_t, 4>& address);
    // A dotted text as four decimal fields ("010" is ten, never octal); a field that is missing or
    // not a number from 0 to 255 reads as 0.
    static std::array<uint8_t, 4> ParseAddress(const std::string& text);

    QCheckBox& GetUseStaticIpBox() const { return *m_useStaticIp; }
    CIPAddrCtl& GetAddressControl() const { return *m_address; }
    CIPAddrCtl& GetSubnetControl() const { return *m_subnet; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnableAddressControls(bool enabled);

    QCheckBox* m_useStaticIp = nullptr;
    CIPAddrCtl* m_address = nullptr;
    CIPAddrCtl* m_subnet = nullptr;
    bool m_initialised = false;
};

} // namespace orv
