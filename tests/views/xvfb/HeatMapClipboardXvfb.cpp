// The heat map's Copy Image on a real X server (Xvfb): the real menu, opened by a right click and run
// modally, copies the view, and another X client (xclip) reads the clipboard back as a PNG.

#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "core/TypeIds.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

class HeatMapClipboardXvfb : public SpatialViewTest {};

TEST_F(HeatMapClipboardXvfb, CopyImageIsReadBackByAnotherClientAsAPng) {
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
        GTEST_SKIP() << "xclip is not installed";
    }
    SpatialTestMediator& node = Open(kTypeSpatialScanNode);
    std::vector<int16_t> values;
    for (int16_t i = 1; i <= 12; ++i) {
        values.push_back(static_cast<int16_t>(i * 100));
    }
    ASSERT_TRUE(node.AddSpatialScanData(SpatialGrid(1, 3, 4, values), false, false));
    node.ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    ASSERT_TRUE(orv::testing::ProcessEventsUntil([&] { return view.GetRedrawCount() > 0; }));
    orv::testing::FlushEvents();

    std::vector<std::string> items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no menu open";
            return;
        }
        for (QAction* action : menu->actions()) {
            items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        QAction* copy = CViewTreeMenu::FindCommand(*menu, SpatialCommand::kCopyImage);
        ASSERT_NE(copy, nullptr);
        menu->setActiveAction(copy);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(&view, Qt::RightButton, Qt::NoModifier, QPoint(300, 250));
    orv::testing::FlushEvents();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), "Settings");

    const QImage copied = QGuiApplication::clipboard()->image();
    const QSize expected(view.width(), view.height() - 43);
    ASSERT_EQ(copied.size(), expected);

    // Another client reads the clipboard while this one serves it.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QStringLiteral("image/png"), QStringLiteral("-o")});
    ASSERT_TRUE(xclip.waitForStarted(10000));
    EXPECT_TRUE(orv::testing::ProcessEventsUntil([&] { return xclip.state() == QProcess::NotRunning; }, 20s));
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    QImage png;
    ASSERT_TRUE(png.loadFromData(xclip.readAllStandardOutput(), "PNG"));
    EXPECT_EQ(png.size(), expected);
    const CSpatialCell& cell = view.GetCell(1, 2);
    for (const QPoint at : {QPoint(5, 5),
                            QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                   (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2),
                            QPoint(expected.width() - 5, expected.height() - 1)}) {
        EXPECT_EQ(png.pixel(at) & 0xFFFFFFU, copied.pixel(at) & 0xFFFFFFU) << at.x() << "," << at.y();
    }
    QDir().mkpath(QStringLiteral(ORV_SCREENSHOT_DIR));
    EXPECT_TRUE(png.save(QStringLiteral(ORV_SCREENSHOT_DIR "/heat-map-copy-image.png")));
    std::cout << "clipboard read back by xclip: " << png.width() << " x " << png.height() << "\n";
}

} // namespace
} // namespace orv::test
