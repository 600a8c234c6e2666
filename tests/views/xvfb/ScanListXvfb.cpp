// The scan-data list on a real X server (Xvfb): a row dragged with the real drag-and-drop onto a
// window of another kind, the overlay ID read back from the real clipboard, and the list with its
// menu written out as a picture.

#include "app/controls/CClipboardObject.h"
#include "app/controls/CProjectView.h"
#include "app/controls/ClipboardFormats.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProjectWindowOnXServer.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr const char* kScanMime = "application/x-orvilant-myspatialcompare";

// A window that takes any drop and notes what came, and what the list said of its drag meanwhile.
class DropWindow : public QWidget {
public:
    explicit DropWindow(CViewList& list) : m_list(list) { setAcceptDrops(true); }

    QStringList enteredFormats;
    int moves = 0;
    bool dropped = false;
    QByteArray bytes;
    bool stateKnown = false;
    QNodeMediator* mediator = nullptr;
    int32_t scanId = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        enteredFormats = event->mimeData()->formats();
        event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        ++moves;
        event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        dropped = true;
        bytes = event->mimeData()->data(kScanMime);
        stateKnown = m_list.GetDraggedScanData(mediator, scanId);
        event->acceptProposedAction();
    }

private:
    CViewList& m_list;
};

class OverlayIdHolder : public CClipboardObject {
public:
    void StoreClipboardData(QDataWriter& writer) const override { writer.WriteU32(overlayId); }
    void LoadClipboardData(QDataReader& reader) override { overlayId = reader.ReadU32(); }
    uint32_t overlayId = 99;
};

class ScanListXvfb : public testing::ProjectWindowOnXServerTest {
protected:
    ScanListXvfb() : ProjectWindowOnXServerTest("ScanListXvfb", QRect(0, 0, 900, 900)) {}

    void TearDown() override {
        ProjectWindowOnXServerTest::TearDown();
        CViewFrame::SetDropTargetHook({});
    }

    CViewList& List() { return *m_project->GetProjectPane()->GetList(); }
    // A Spectral node with scans 1 .. 3, listed.
    QNodeMediator& Spectral() {
        QNodeMediator& node = AddNode(kTypeSpectralScanNode);
        for (int32_t id = 1; id <= 3; ++id) {
            EXPECT_TRUE(node.AddSpectralScanData(test::MirtSpectrum(id, {400, 600, 500, 450}), false, false));
            node.GetSpectralScanData(id)->m_DateText = "2026-12-11,  06:0" + std::to_string(id) + ":00";
            node.GetSpectralScanData(id)->m_UserText = "Board rev. B, scan " + std::to_string(id);
        }
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&node));
        node.FillScanDataList(node.GetKind());
        testing::FlushEvents();
        return node;
    }
    QPoint RowPoint(int row) {
        return List().visualItemRect(List().topLevelItem(row)).topLeft() + QPoint(10, 4);
    }
    // Drags the row with the real drag-and-drop to the global point: the press and the first moves go
    // to the list, which starts the drag; the moves that follow run inside the drag's own loop, as
    // the pointer would, and the button is let go once `arrived` answers true (bounded: after 300
    // steps the drag is cancelled with Escape).
    void DragRow(int row, QPoint target, const std::function<bool()>& arrived) {
        QWidget& port = *List().viewport();
        const QPoint start = RowPoint(row);
        int step = 0;
        QTimer pointer;
        pointer.setInterval(10);
        QObject::connect(&pointer, &QTimer::timeout, [&] {
            ++step;
            const QPoint from = port.mapToGlobal(start);
            const int t = std::min(step, 20);
            const QPoint at = from + (target - from) * t / 20;
            QWidget* under = QApplication::widgetAt(at);
            QWidget& receiver = under != nullptr ? *under : port;
            const QPoint local = receiver.mapFromGlobal(at);
            if (step > 20 && arrived()) {
                QMouseEvent release(QEvent::MouseButtonRelease, local, at, Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QApplication::sendEvent(&receiver, &release);
                pointer.stop();
                return;
            }
            if (step > 300) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&receiver, &escape);
                pointer.stop();
                return;
            }
            QMouseEvent move(QEvent::MouseMove, local, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&receiver, &move);
        });
        pointer.start();
        testing::SendMouse(port, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        // Past the drag distance: the list starts the drag here and returns when it ended.
        for (int i = 1; i <= 3 && pointer.isActive(); ++i) {
            testing::SendMouse(port, QEvent::MouseMove, start + QPoint(0, 8 * i), Qt::NoButton,
                               Qt::LeftButton);
        }
        testing::ProcessEventsUntil([&] { return !pointer.isActive(); });
        pointer.stop();
        testing::FlushEvents();
    }
    static void Save(const std::string& name) {
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(QString::fromStdString(std::string(ORV_SCREENSHOT_DIR) + "/" + name)));
    }
};

TEST_F(ScanListXvfb, ARowDraggedToAnotherWindowDeliversItsIdAndTheDragState) {
    QNodeMediator& node = Spectral();
    DropWindow window(List());
    window.setWindowTitle("Drop here");
    window.setGeometry(950, 200, 300, 300);
    window.show();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return window.isVisible(); }));
    testing::FlushEvents();

    // Rows top down: 3, 2, 1.
    DragRow(1, window.mapToGlobal(QPoint(150, 150)), [&] { return window.moves >= 2; });
    ASSERT_TRUE(window.dropped);
    EXPECT_TRUE(window.enteredFormats.contains(kScanMime));
    EXPECT_EQ(window.bytes, QByteArray("\x02\x00\x00\x00", 4));
    EXPECT_TRUE(window.stateKnown);
    EXPECT_EQ(window.mediator, &node);
    EXPECT_EQ(window.scanId, 2);
    // The drag is over: nothing is published any more.
    QNodeMediator* after = nullptr;
    int32_t afterId = 0;
    EXPECT_FALSE(List().GetDraggedScanData(after, afterId));
}

TEST_F(ScanListXvfb, AnOverlayIdIsPastedFromTheRealClipboardOnlyWhenItIsThere) {
    QClipboard& clipboard = *QGuiApplication::clipboard();
    auto text = std::make_unique<QMimeData>();
    text->setText("not an overlay");
    clipboard.setMimeData(text.release());
    OverlayIdHolder target;
    EXPECT_FALSE(PasteDrawModelObjects(&target, nullptr));
    EXPECT_EQ(target.overlayId, 99U);

    auto model = std::make_unique<QMimeData>();
    model->setData("application/x-orvilant-cdrawmodel", QByteArray("\x2A\x01\x00\x00\xFF\xFF\xFF\xFF", 8));
    clipboard.setMimeData(model.release());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        return clipboard.mimeData() != nullptr &&
               clipboard.mimeData()->hasFormat("application/x-orvilant-cdrawmodel");
    }));
    EXPECT_TRUE(PasteDrawModelObjects(&target, nullptr));
    EXPECT_EQ(target.overlayId, 0x12AU);

    auto shortModel = std::make_unique<QMimeData>();
    shortModel->setData("application/x-orvilant-cdrawmodel", QByteArray("\x07\x00\x00", 3));
    clipboard.setMimeData(shortModel.release());
    EXPECT_FALSE(PasteDrawModelObjects(&target, nullptr));
    EXPECT_EQ(target.overlayId, 0x12AU);
    clipboard.clear();
}

TEST_F(ScanListXvfb, TheListWithItsMenuAsTheUserSeesIt) {
    QNodeMediator& node = Spectral();
    bool created = false;
    node.OpenView(node.GetKind(), created, true);
    testing::FlushEvents();
    List().clearSelection();
    List().topLevelItem(1)->setSelected(true);
    // The real menu at the row; the picture is taken while it is up, then it is closed.
    bool saved = false;
    List().SetMenuRunner([&](QMenu& menu, const QPoint& at) -> QAction* {
        QTimer::singleShot(0, &menu, [&] {
            testing::ProcessEventsUntil([&] { return menu.isVisible(); });
            testing::FlushEvents();
            Save("ScanListMenu.png");
            saved = true;
            menu.close();
        });
        return menu.exec(at);
    });
    List().ShowContextMenu(RowPoint(1));
    EXPECT_TRUE(saved);
}

} // namespace
} // namespace orv
