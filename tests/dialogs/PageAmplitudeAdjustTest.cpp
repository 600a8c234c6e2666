// The "Amplitude Adjustment" page on the offscreen platform, driven with key and mouse events: the
// sign rule it opens with, what Apply stores, its refusal, and its controls during a scan.

#include "core/QAttenuatorOptions.h"
#include "dialogs/CPageAmplitudeAdjust.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/dialogs/support/SheetTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::Click;
using testing::PickEntry;
using testing::TypeInto;
using Page = CPageAmplitudeAdjust;

class AmplitudePageTest : public testing::SheetFixture {
protected:
    std::unique_ptr<QNodeMediator> Node(float stored) {
        auto node = MakeNode(2003);
        node->SetContainer(&container);
        node->GetAttenuatorOptions()->SetValue(stored);
        return node;
    }
    // The sheet opened on the amplitude page (the third of a Spectral node).
    Page& Open(QNodeMediator& node) {
        sheet = OpenSheet(node, 2);
        EXPECT_NE(sheet, nullptr);
        auto* page = dynamic_cast<Page*>(sheet->GetActivePage());
        EXPECT_NE(page, nullptr);
        return *page;
    }
    template <class T> T& Control(Page& page, int id) {
        auto* control = dynamic_cast<T*>(page.GetControl(id));
        EXPECT_NE(control, nullptr) << id;
        return *control;
    }
    QComboBox& List(Page& page, int id) { return Control<QComboBox>(page, id); }
    QRadioButton& Radio(Page& page, int id) { return Control<QRadioButton>(page, id); }
    void PressApply() { Click(*sheet->GetButton(CNodeOptionsSheet::kApplyId)); }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::FakeNodeContainer container;
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(AmplitudePageTest, OpensWithTheBoxOfTheStoredSign) {
    struct Row {
        float stored;
        bool amplification;
        const char* amplificationText;
        const char* attenuationText;
    };
    for (const Row& row : {Row{-20.0F, true, " 20.00", "  0.00"}, Row{0.0F, false, "  0.00", "  0.00"},
                           Row{12.5F, false, "  0.00", " 12.50"}, Row{-0.25F, true, "  0.25", "  0.00"}}) {
        SCOPED_TRACE(row.stored);
        auto node = Node(row.stored);
        Page& page = Open(*node);
        EXPECT_EQ(Radio(page, Page::kAmplification).isChecked(), row.amplification);
        EXPECT_EQ(Radio(page, Page::kAttenuation).isChecked(), !row.amplification);
        EXPECT_EQ(List(page, Page::kAmplificationList).currentText().toStdString(), row.amplificationText);
        EXPECT_EQ(List(page, Page::kAttenuationList).currentText().toStdString(), row.attenuationText);
        EXPECT_EQ(List(page, Page::kAmplificationList).isEnabled(), row.amplification);
        EXPECT_EQ(List(page, Page::kAttenuationList).isEnabled(), !row.amplification);
        EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
    }

    auto node = Node(0.0F);
    node->GetAttenuatorOptions()->m_byte1 = 0;
    node->GetAttenuatorOptions()->m_byte2 = 1;
    Page& page = Open(*node);
    EXPECT_TRUE(Radio(page, Page::kPreAmpOff).isChecked());
    EXPECT_TRUE(Radio(page, Page::kTrackingOn).isChecked());
    std::vector<std::string> steps;
    for (int i = 0; i < List(page, Page::kAmplificationList).count(); ++i) {
        steps.push_back(List(page, Page::kAmplificationList).itemText(i).toStdString());
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"0", "10", "15", "20", "25", "30", "40"}));
    EXPECT_EQ(List(page, Page::kAttenuationList).count(), 5);
    EXPECT_EQ(List(page, Page::kAttenuationList).itemText(4), "40");
}

TEST_F(AmplitudePageTest, ApplyStoresTheTypedOrPickedAdjustment) {
    struct Row {
        int radio;
        const char* typed; // null: the list entry below is picked
        int entry;
        float stored;
    };
    const Row rows[] = {
        {Page::kAmplification, "12.5", 0, -12.5F}, {Page::kAttenuation, "30", 0, 30.0F},
        {Page::kAmplification, "abc", 0, 0.0F},    {Page::kAmplification, "nan", 0, 0.0F},
        {Page::kAttenuation, "inf", 0, 0.0F},      {Page::kAmplification, nullptr, 4, -25.0F},
        {Page::kAttenuation, nullptr, 2, 20.0F},   {Page::kAmplification, "0", 0, 0.0F},
    };
    auto node = Node(7.0F);
    Page& page = Open(*node);
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.radio << " " << (row.typed ? row.typed : "entry"));
        Click(Radio(page, row.radio));
        QComboBox& list =
            List(page, row.radio == Page::kAmplification ? Page::kAmplificationList : Page::kAttenuationList);
        EXPECT_TRUE(list.isEnabled());
        if (row.typed != nullptr) {
            TypeInto(*list.lineEdit(), row.typed);
        } else {
            PickEntry(list, row.entry);
        }
        EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isEnabled());
        PressApply();
        const float stored = node->GetAttenuatorOptions()->m_value;
        EXPECT_EQ(stored, row.stored);
        EXPECT_FALSE(std::signbit(stored) && stored == 0.0F) << "no negative zero";
    }
    EXPECT_TRUE(prompt->Texts().empty());
    EXPECT_EQ(WindowMessages(), std::vector<uint32_t>(std::size(rows), NodeMessage::kProjectModified));
    EXPECT_EQ(container.allViewRefreshes, static_cast<int>(std::size(rows)));

    // The switches.
    Click(Radio(page, Page::kPreAmpOff));
    Click(Radio(page, Page::kTrackingOn));
    PressApply();
    EXPECT_EQ(node->GetAttenuatorOptions()->m_byte1, 0);
    EXPECT_EQ(node->GetAttenuatorOptions()->m_byte2, 1);

    // Beyond what the scans' 32-bit value holds: refused, nothing written.
    Click(Radio(page, Page::kAmplification));
    TypeInto(*List(page, Page::kAmplificationList).lineEdit(), "1e40");
    Click(Radio(page, Page::kPreAmpOn));
    PressApply();
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "The amplitude adjustment is out of range.");
    EXPECT_EQ(prompt->Requests()[0].caption, "Error");
    EXPECT_EQ(node->GetAttenuatorOptions()->m_value, 0.0F);
    EXPECT_EQ(node->GetAttenuatorOptions()->m_byte1, 0);
    EXPECT_TRUE(sheet->HasWindow());
}

TEST_F(AmplitudePageTest, DuringAScanEverythingWaitsAndOnlyTheChosenBoxReturns) {
    auto node = Node(-20.0F);
    node->SetScanInProgress(true);
    Page& page = Open(*node);
    const int all[] = {Page::kAmplification,   Page::kAmplificationList, Page::kAttenuation,
                       Page::kAttenuationList, Page::kPreAmpOn,          Page::kPreAmpOff,
                       Page::kTrackingOn,      Page::kTrackingOff};
    for (const int id : all) {
        EXPECT_FALSE(page.GetControl(id)->isEnabled()) << id;
    }
    std::thread controllerThread([&] { node->SetScanInProgress(false); });
    controllerThread.join();
    EXPECT_FALSE(page.GetControl(Page::kAmplification)->isEnabled())
        << "not before the user-interface thread";
    thread.Pump();
    for (const int id : all) {
        EXPECT_EQ(page.GetControl(id)->isEnabled(), id != Page::kAttenuationList) << id;
    }
}

} // namespace
} // namespace orv
