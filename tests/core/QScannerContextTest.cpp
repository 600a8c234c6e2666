#include "core/QScannerContext.h"
#include "analyzers/CInstrumentInfo.h"
#include "tests/core/support/FakeAttachedScanner.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include <optional>
#include <set>
#include <string>

namespace orv {
namespace {

TEST(ScannerContext, FreshContext) {
    DestroyScannerContext();
    const QScannerContext& context = GetScannerContext();
    EXPECT_EQ(context.GetScannerId(), 45);
    EXPECT_EQ(context.GetColumnLabelCount(), 42);
    EXPECT_EQ(context.GetRowLabelCount(), 29);
    EXPECT_EQ(context.GetFirmwareVersion(), 0);
    EXPECT_EQ(context.GetReferenceVersion(), 4002007);
    EXPECT_EQ(&context, &GetScannerContext());
}

TEST(ScannerContext, ColumnLabelsAndMarks) {
    const QScannerContext context;
    std::string joined;
    std::set<int> marked;
    for (int i = 0; i < context.GetColumnLabelCount(); ++i) {
        joined += context.GetColumnLabel(i).m_text + " ";
        if (context.GetColumnLabel(i).m_marked) {
            marked.insert(i);
        }
    }
    EXPECT_EQ(joined, "A B C D E F G H I J K L M N O P Q R S T U V W X Y Z "
                      "AA AB AC AD AE AF AG AH AI AJ AK AL AM AN AO AP ");
    EXPECT_EQ(marked, (std::set<int>{0, 5, 10, 15, 20, 25, 30, 35, 40}));
    EXPECT_EQ(context.GetColumnLabel(41).m_text, "AP");
    EXPECT_FALSE(context.GetColumnLabel(41).m_marked);
    EXPECT_THROW(context.GetColumnLabel(42), std::out_of_range);
}

TEST(ScannerContext, RowLabelsAndMarks) {
    const QScannerContext context;
    std::set<std::string> marked;
    for (int i = 0; i < context.GetRowLabelCount(); ++i) {
        EXPECT_EQ(context.GetRowLabel(i).m_text, std::to_string(i + 1));
        if (context.GetRowLabel(i).m_marked) {
            marked.insert(context.GetRowLabel(i).m_text);
        }
    }
    EXPECT_EQ(marked, (std::set<std::string>{"1", "6", "11", "16", "21", "26", "29"}));
    EXPECT_THROW(context.GetRowLabel(-1), std::out_of_range);
}

TEST(ScannerContext, VersionFromString) {
    struct Case {
        const char* text;
        bool changed;
        int32_t version;
    };
    const Case cases[] = {
        {"4.2.7", true, 4002007},       {"10.3", true, 10003}, {"4.2.", true, 4002}, {"", false, 77},
        {"3.2.3.4", false, 77},         // 3002003004 does not fit
        {"1.2.3.4", true, 1002003004},  // fits
        {"1234567890", false, 77},      // a part of 10 characters
        {"999999999", true, 999999999}, // 9 characters
        {"4.2.x", true, 4002000},       {"5b.1", true, 5001},
    };
    for (const Case& c : cases) {
        QScannerContext context;
        ASSERT_TRUE(context.SetVersionFromString("77"));
        EXPECT_EQ(context.SetVersionFromString(c.text), c.changed) << c.text;
        EXPECT_EQ(context.GetFirmwareVersion(), c.version) << c.text;
    }
}

TEST(ScannerContext, ScannerIdsBelowOneAreRefusedAndKeepTheId) {
    QScannerContext context;
    struct Case {
        int32_t id;
        bool accepted;
    };
    const Case cases[] = {{200, true}, {1, true},   {std::numeric_limits<int32_t>::max(), true},
                          {0, false},  {-5, false}, {std::numeric_limits<int32_t>::min(), false}};
    for (const Case& c : cases) {
        const int32_t before = context.GetScannerId();
        EXPECT_EQ(context.SetScannerId(c.id), c.accepted) << c.id;
        EXPECT_EQ(context.GetScannerId(), c.accepted ? c.id : before) << c.id;
    }
}

TEST(ScannerContext, ArmHeightsOnlyForTheRobotArm) {
    CInstrumentInfo& info = GetInstrumentInfo();
    const int32_t previousKind = info.GetScannerKind();
    auto attached = std::make_unique<fake::ScopedAttachedScanner>();
    fake::FakeAttachedScanner& arm = attached->Source();
    arm.m_armAttached = true;
    QScannerContext context;

    info.SetScannerKind(CInstrumentInfo::kScannerKindRobotArm);
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 5); // scanner id 45
    EXPECT_FALSE(context.IsArmCellHeightZero(0, 0));

    context.SetScannerId(200);
    EXPECT_EQ(context.GetScannerId(), 200);
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 123);
    EXPECT_TRUE(context.IsArmCellHeightZero(0, 0));
    EXPECT_FALSE(context.IsArmCellHeightZero(1, 0));

    arm.m_armAttached = false; // another driver is attached now
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 5);
    EXPECT_FALSE(context.IsArmCellHeightZero(0, 0));
    arm.m_armAttached = true;

    info.SetScannerKind(0);
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 5);
    EXPECT_FALSE(context.IsArmCellHeightZero(0, 0));

    // The selected probe type is the kind these checks compare.
    info.SetProbeType(eProbeType::RobotArm);
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 123);
    info.SetProbeType(eProbeType::ExternalAdapter);
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 5);

    info.SetScannerKind(CInstrumentInfo::kScannerKindRobotArm);
    // The source is the application's, not the context's: a new context asks it too.
    DestroyScannerContext();
    GetScannerContext().SetScannerId(200);
    EXPECT_EQ(GetScannerContext().GetArmMaxHeightForCell(2, 3), 123);
    DestroyScannerContext();
    attached.reset();
    EXPECT_EQ(context.GetArmMaxHeightForCell(2, 3), 5);
    info.SetScannerKind(previousKind);
}

TEST(ScannerContext, DestroyMakesAFreshContextNextTime) {
    GetScannerContext().SetScannerId(200);
    GetScannerContext().SetVersionFromString("1.2");
    DestroyScannerContext();
    EXPECT_EQ(GetScannerContext().GetScannerId(), 45);
    EXPECT_EQ(GetScannerContext().GetFirmwareVersion(), 0);
}

} // namespace
} // namespace orv
