#include "app/controls/CPerfStopwatch.h"
#include "app/controls/GetCommonControlsVersion.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QMenu>

#include <cmath>

namespace orv {
namespace {

// The menu as text: separators as "-".
std::string Describe(const QMenu& menu) {
    std::string text;
    for (const QAction* action : menu.actions()) {
        text += action->isSeparator() ? "-" : action->text().toStdString();
    }
    return text;
}

TEST(RemoveDuplicateMenuSeparatorsTest, KeepsOneSeparatorOfEachRun) {
    testing::EnsureTestApplication();
    struct Case {
        const char* items;
        const char* expected;
    };
    const Case cases[] = {
        {"A--B-", "A-B-"}, {"---A", "-A"}, {"A-B-C", "A-B-C"}, {"A---B---", "A-B-"}, {"", ""},
    };
    for (const Case& c : cases) {
        QMenu menu;
        for (const char* item = c.items; *item != '\0'; ++item) {
            if (*item == '-') {
                menu.addSeparator();
            } else {
                menu.addAction(QString(QChar(*item)));
            }
        }
        RemoveDuplicateMenuSeparators(&menu);
        EXPECT_EQ(Describe(menu), c.expected) << c.items;
    }
    RemoveDuplicateMenuSeparators(nullptr);
}

TEST(PerfStopwatchTest, AnswersMinusOneUntilMeasuredThenWholeAndPreciseMilliseconds) {
    CPerfStopwatch watch;
    EXPECT_TRUE(watch.IsSupported());
    EXPECT_EQ(watch.GetElapsedMs(), -1);
    EXPECT_EQ(watch.GetElapsedMsPrecise(), 0.0);
    watch.Stop(); // never started: still unmeasured
    EXPECT_EQ(watch.GetElapsedMs(), -1);

    watch.Start();
    watch.Stop();
    EXPECT_GE(watch.GetElapsedMs(), 0);
    EXPECT_GE(watch.GetElapsedMsPrecise(), 0.0);
    EXPECT_EQ(watch.GetElapsedMs(), static_cast<int64_t>(std::floor(watch.GetElapsedMsPrecise())));
}

TEST(CommonControlsVersionTest, LinuxHasNoSuchLibrary) {
    EXPECT_EQ(GetCommonControlsVersion(), "");
}

} // namespace
} // namespace orv
