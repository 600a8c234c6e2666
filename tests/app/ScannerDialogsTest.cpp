#include "app/CDlgSearchForZeltp.h"
#include "app/CDlgStaticIP.h"
#include "engine/EngineProcessFlags.h"
#include "platform/net/NetworkInterfaces.h"
#include "platform/ui/ScriptedPrompt.h"
#include "support/QtTestApplication.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/ScriptedPortmapper.h"
#include "tests/engine/support/TestNetworkNamespaces.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::FlushEvents;

// Types into the control's fields as a user would: the focus moves on after each third digit or dot.
void TypeAddress(CIPAddrCtl& control, const std::string& text) {
    control.setFocus(Qt::TabFocusReason);
    for (char c : text) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, c);
    }
}

class StaticIPDialogTest : public testing::QtWidgetTest {
protected:
    void Show() {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    CDlgStaticIP dialog;
};

TEST_F(StaticIPDialogTest, TypedAddressesReadBackAsThreeDigitFields) {
    dialog.m_bUseStaticIp = true;
    Show();
    TypeAddress(dialog.GetAddressControl(), "10.0.0.7");
    TypeAddress(dialog.GetSubnetControl(), "255.255.255.0");
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetIPAddressText(), "010.000.000.007");
    EXPECT_EQ(dialog.GetSubnetMaskText(), "255.255.255.000");
    EXPECT_TRUE(dialog.m_bUseStaticIp);
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(StaticIPDialogTest, WithTheFlagClearedBothControlsAreDisabledButHoldTheAddresses) {
    dialog.m_bUseStaticIp = false;
    dialog.m_ipAddress = CDlgStaticIP::ParseAddress("010.000.000.007");
    dialog.m_subnetMask = CDlgStaticIP::ParseAddress("255.255.0.0");
    Show();
    EXPECT_FALSE(dialog.GetUseStaticIpBox().isChecked());
    EXPECT_FALSE(dialog.GetAddressControl().isEnabled());
    EXPECT_FALSE(dialog.GetSubnetControl().isEnabled());
    EXPECT_EQ(dialog.GetAddressControl().Field(1).text(), QStringLiteral("10"));
    EXPECT_EQ(dialog.GetAddressControl().Field(4).text(), QStringLiteral("7"));
    EXPECT_EQ(dialog.GetSubnetControl().Field(2).text(), QStringLiteral("255"));

    QCheckBox& box = dialog.GetUseStaticIpBox();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, box.height() / 2));
    EXPECT_TRUE(dialog.m_bUseStaticIp);
    EXPECT_TRUE(dialog.GetAddressControl().isEnabled());
    EXPECT_TRUE(dialog.GetSubnetControl().isEnabled());
}

TEST_F(StaticIPDialogTest, AnInvalidFieldKeepsTheDialogOpenOnOKAndTheStoredBytesAsTheyWere) {
    dialog.m_bUseStaticIp = true;
    dialog.m_ipAddress = {192, 168, 1, 2};
    Show();
    dialog.GetAddressControl().Field(3).clear();
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Missing value in IP address"});
    EXPECT_EQ(dialog.m_ipAddress, (std::array<uint8_t, 4>{192, 168, 1, 2}));
    dialog.reject();
}

TEST(StaticIPAddressTextTest, StoredTextsAreReadAsFourDecimalFields) {
    struct Case {
        const char* text;
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {"010.000.000.007", {10, 0, 0, 7}},
        {"192.168.1.20", {192, 168, 1, 20}},
        {"300.1.1.1", {0, 1, 1, 1}},
        {"1.2.x.4", {1, 2, 0, 4}},
        {"1.2", {1, 2, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"-1.256.08.9", {0, 0, 8, 9}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CDlgStaticIP::ParseAddress(c.text), c.bytes) << c.text;
    }
    EXPECT_EQ(CDlgStaticIP::FormatAddress({10, 0, 0, 7}), "010.000.000.007");
}

class SearchDialogTest : public testing::QtWidgetTest {
protected:
    static std::vector<std::string> Column(const QTreeWidget& list, int column) {
        std::vector<std::string> texts;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            texts.push_back(list.topLevelItem(i)->text(column).toStdString());
        }
        return texts;
    }
};

TEST_F(SearchDialogTest, TheGivenScannersAreListedAndSelectReturnsTheSelectedRow) {
    CDlgSearchForZeltp dialog({"10.1.1.1", "10.1.1.2"}, {"111", "222"});
    QTreeWidget& list = dialog.GetList();
    ASSERT_EQ(list.headerItem()->text(0), QStringLiteral("Scanner IP"));
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("Scanner Unique ID"));
    EXPECT_EQ(list.columnWidth(0), 140);
    EXPECT_EQ(list.columnWidth(1), 185);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"10.1.1.1", "10.1.1.2"}));

    list.topLevelItem(1)->setSelected(true);
    dialog.Select();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSelectedIp(), "10.1.1.2");
    EXPECT_EQ(dialog.GetSelectedId(), "222");
}

TEST_F(SearchDialogTest, SelectWithNoRowClosesWithCancel) {
    CDlgSearchForZeltp dialog({"10.1.1.1"}, {"111"});
    dialog.Select();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.GetSelectedIp().empty());
}

TEST_F(SearchDialogTest, SearchingAgainEmptiesTheListAndListsTheAnswersInTheirOrder) {
    CDlgSearchForZeltp dialog({"10.1.1.1"}, {"111"});
    int searches = 0;
    int rowsDuringSearch = -1;
    dialog.SetSearchFunction([&](std::vector<std::string>& addresses, std::vector<std::string>& ids) {
        ++searches;
        rowsDuringSearch = dialog.GetList().topLevelItemCount();
        addresses = {"192.168.7.9", "192.168.7.3"};
        ids = {"0", "4711"};
    });
    QTest::mouseClick(dialog.findChild<QPushButton*>("1183"), Qt::LeftButton);
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(rowsDuringSearch, 0) << "the old rows go before the search";
    EXPECT_EQ(Column(dialog.GetList(), 0), (std::vector<std::string>{"192.168.7.9", "192.168.7.3"}));
    EXPECT_EQ(Column(dialog.GetList(), 1), (std::vector<std::string>{"0", "4711"}));

    // A search that finds nothing leaves the list empty.
    dialog.SetSearchFunction([](std::vector<std::string>& addresses, std::vector<std::string>& ids) {
        addresses.clear();
        ids.clear();
    });
    dialog.SearchAgain();
    EXPECT_EQ(dialog.GetList().topLevelItemCount(), 0);
    dialog.Select();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SearchDialogTest, TheNetworkSearchInANamespaceListsBothRespondersAndLowersItsFlag) {
    using test::TestNetworkNamespaces;
    const TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const test::ScopedNetworkSource network{std::make_shared<SystemNetworkInterfaces>()};
    // Each of the two queries (the network's and the limited broadcast) is answered from both peers.
    const std::vector<test::ScriptedResponder::Answer> both{
        {TestNetworkNamespaces::kSecondPeer, test::PortmapperReply(4711)},
        {TestNetworkNamespaces::kFirstPeer, test::PortmapperReply(815)}};
    test::ScriptedResponder responder(namespaces, {both, both});
    ASSERT_TRUE(responder.IsReady());

    CDlgSearchForZeltp dialog({}, {});
    dialog.SetSearchFunction([&](std::vector<std::string>& addresses, std::vector<std::string>& ids) {
        TestNetworkNamespaces::RunIn(namespaces.Client(),
                                     [&] { CDlgSearchForZeltp::RunNetworkSearch(addresses, ids); });
    });
    dialog.SearchAgain();
    EXPECT_EQ(ScannerSearchRunningFlag().load(), 0);
    EXPECT_EQ(Column(dialog.GetList(), 0), (std::vector<std::string>{"10.201.0.3", "10.201.0.2"}));
    EXPECT_EQ(Column(dialog.GetList(), 1), (std::vector<std::string>{"4711", "815"}));

    dialog.GetList().topLevelItem(1)->setSelected(true);
    dialog.Select();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSelectedIp(), "10.201.0.2");
    EXPECT_EQ(dialog.GetSelectedId(), "815");
}

} // namespace
} // namespace orv
