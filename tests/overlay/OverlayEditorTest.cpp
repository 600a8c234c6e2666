#include "tests/overlay/support/OverlayEditorFixture.h"

namespace orv {
namespace {

using overlay_test::Box;
using overlay_test::IsColour;
using overlay_test::OverlayEditorTest;
using overlay_test::Point;
using overlay_test::TestOwner;
using testing::ProjectSandbox;

// --- Frame ---

TEST_F(OverlayEditorTest, ModalFrameSizesDisablesTheMainWindowAndUnlinksOnClose) {
    Open(true);
    EXPECT_EQ(m_frame->size(), QSize(1000, 600));
    EXPECT_EQ(m_frame->GetSplitter()->sizes().front(), COverlayViewFrame::kUnitPaneWidth);
    EXPECT_EQ(m_owner.GetOverlayFrame(), m_frame.data());
    EXPECT_FALSE(m_main.isEnabled());
    m_frame->resize(300, 200);
    EXPECT_EQ(m_frame->size(), QSize(600, 450));

    // Cancel closes the frame once the click's event is done.
    QTest::mouseClick(View().GetButton(COverlayView::kCancelId), Qt::LeftButton);
    EXPECT_TRUE(testing::ProcessEventsUntil([this] { return m_frame.isNull(); }));
    EXPECT_TRUE(m_main.isEnabled());
    EXPECT_EQ(m_owner.GetOverlayFrame(), nullptr);
}

TEST_F(OverlayEditorTest, AnOwnerGoingFirstLeavesTheFrameWithoutIt) {
    auto owner = std::make_unique<TestOwner>();
    m_frame = new COverlayViewFrame(m_app.get(), "Overlay View", 0);
    m_frame->SetOwner(owner.get());
    m_frame->Create();
    owner.reset();
    EXPECT_EQ(m_frame->GetOwner(), nullptr);
    EXPECT_EQ(View().GetOwner(), nullptr);
    m_frame->close();
    EXPECT_TRUE(testing::ProcessEventsUntil([this] { return m_frame.isNull(); }));
}

// --- Units pane ---

TEST_F(OverlayEditorTest, NoOverlaysGiveAnEmptyPaneAndAPlainGrid) {
    Open();
    EXPECT_TRUE(Units().GetUnits().empty());
    EXPECT_EQ(View().GetSelectedOverlayId(), 0U);
    EXPECT_EQ(Units().widget()->size(), QSize(160, 5500));
    const QImage painted = Painted();
    EXPECT_THAT(testing::PixelAt(painted, CellPoint(1, 1, 3, 3).x(), CellPoint(1, 1, 3, 3).y()),
                IsColour(QColor(Qt::white)));
}

TEST_F(OverlayEditorTest, UnitsFollowTheListAndRenderTheirThumbnailOncePerSize) {
    AddDrawing(11, Box(2992, 2395));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    AddPicture(12, red);
    Open();
    ASSERT_EQ(UnitIds(), (std::vector<uint32_t>{11, 12}));
    EXPECT_EQ(Units().GetUnits()[0]->geometry(), QRect(4, 4, 156, 100));
    EXPECT_EQ(Units().GetUnits()[1]->geometry(), QRect(4, 110, 156, 100));

    COverlayUnitWnd& drawing = *Units().GetUnits()[0];
    const QImage first = testing::Grab(drawing);
    const qint64 key = drawing.GetThumbnail().cacheKey();
    // The 3D border of a drawing, its frame and the box inside it.
    EXPECT_THAT(testing::PixelAt(first, 0, 0), IsColour(ColorRefToQColor(COverlayUnitWnd::kBorderColour)));
    EXPECT_THAT(testing::PixelAt(first, 78, 50), IsColour(QColor(Qt::white)));
    testing::Grab(drawing);
    EXPECT_EQ(drawing.GetThumbnail().cacheKey(), key);
    drawing.resize(120, 80);
    testing::Grab(drawing);
    EXPECT_NE(drawing.GetThumbnail().cacheKey(), key);
    EXPECT_EQ(drawing.GetRenderedSize(), QSize(120, 80));

    // A picture is stretched over the whole window.
    const QImage picture = testing::Grab(*Units().GetUnits()[1]);
    EXPECT_THAT(testing::PixelAt(picture, 0, 0), IsColour(QColor(Qt::red)));
    EXPECT_THAT(testing::PixelAt(picture, 155, 99), IsColour(QColor(Qt::red)));
}

TEST_F(OverlayEditorTest, DeletingAUnitAsksOnlyWhenTheOverlayIsUsed) {
    struct Case {
        bool used;
        PromptAnswer answer;
        bool deleted;
    };
    for (const Case& c : {Case{false, PromptAnswer::Ok, true}, Case{true, PromptAnswer::Cancel, false},
                          Case{true, PromptAnswer::Ok, true}}) {
        SCOPED_TRACE(std::to_string(c.used) + " " + std::to_string(static_cast<int>(c.answer)));
        m_app->GetOverlayControls().Clear();
        AddDrawing(21, Box(100, 100));
        AddDrawing(22, Box(100, 100));
        QOverlayOptions* options = m_app->GetOpenProject()->GetRootMediator()->GetOverlayOptions();
        ASSERT_NE(options, nullptr);
        options->m_overlayId = c.used ? 21 : 0;
        Open();
        View().SelectOverlayControl(21);
        const size_t asked = m_sandbox.Prompt().Texts().size();
        m_formView.target.received.clear();
        if (c.used) {
            m_sandbox.Prompt().Script(c.answer);
        }
        COverlayUnitWnd::InstallMenuRunner([](QMenu& menu, const QPoint&) -> QAction* {
            EXPECT_EQ(menu.title().toStdString(), "Overlay Unit");
            return menu.actions().at(1);
        });
        QTest::mouseClick(Units().GetUnits()[0], Qt::RightButton);
        testing::FlushEvents();

        EXPECT_EQ(m_sandbox.Prompt().Texts().size() - asked, c.used ? 1U : 0U);
        if (c.used) {
            EXPECT_EQ(m_sandbox.Prompt().Texts().back(), COverlayUnitWnd::kDeleteQuestion);
        }
        const std::vector<uint32_t> left =
            c.deleted ? std::vector<uint32_t>{22} : std::vector<uint32_t>{21, 22};
        EXPECT_EQ(ProjectIds(), left);
        EXPECT_EQ(UnitIds(), left);
        EXPECT_EQ(View().GetSelectedOverlayId(), c.deleted ? 0U : 21U);
        const std::vector<uint32_t> received = m_formView.target.Ids();
        EXPECT_EQ(std::count(received.begin(), received.end(), NodeMessage::kProjectModified),
                  c.deleted ? 1 : 0);
        delete m_frame.data();
    }
}

// --- Layout and background ---

TEST_F(OverlayEditorTest, LayoutFollowsTheClientSize) {
    Open();
    for (const QSize frameSize : {QSize(1000, 600), QSize(1400, 900)}) {
        m_frame->resize(frameSize);
        testing::FlushEvents();
        const int w = View().width();
        const int h = View().height();
        const float scale = std::min(static_cast<float>(w - 60) / 42.0F, static_cast<float>(h - 90) / 29.0F);
        EXPECT_FLOAT_EQ(View().GetScale(), scale);
        EXPECT_EQ(View().GetAreaRect(), QRect(30, 30, static_cast<int>(42 * static_cast<double>(scale)),
                                              static_cast<int>(29 * static_cast<double>(scale))));
        EXPECT_EQ(View().GetBackground().size(), View().GetAreaRect().size());
        EXPECT_EQ(View().GetButton(COverlayView::kOkId)->geometry(), QRect(w - 294, h - 32, 70, 25));
        EXPECT_EQ(View().GetButton(COverlayView::kCancelId)->geometry(), QRect(w - 218, h - 32, 70, 25));
        EXPECT_EQ(View().GetButton(COverlayView::kApplyId)->geometry(), QRect(w - 142, h - 32, 70, 25));
    }
}

TEST_F(OverlayEditorTest, BackgroundHasBandsOwnerCellsLinesAndBorder) {
    m_owner.marked = {{2, 2}};
    Open();
    const QImage painted = Painted();
    auto at = [&](int32_t row, int32_t column, int dx = 3, int dy = 3) {
        const QPoint p = CellPoint(row, column, dx, dy);
        return testing::PixelAt(painted, p.x(), p.y());
    };
    const QColor band = ColorRefToQColor(COverlayView::kBandColour);
    for (int32_t row : {0, 5, 10}) {
        EXPECT_THAT(at(row, 1), IsColour(band)) << row;
        EXPECT_THAT(at(1, row), IsColour(band)) << row;
    }
    EXPECT_THAT(at(1, 1), IsColour(QColor(Qt::white)));
    // 0x8C00C800 over white.
    EXPECT_THAT(at(2, 2), IsColour(QColor(115, 225, 115)));
    EXPECT_THAT(at(3, 3, 0, 3), IsColour(ColorRefToQColor(COverlayView::kGridLineColour)));
    EXPECT_THAT(at(0, 0, 0, 0), IsColour(ColorRefToQColor(COverlayView::kBorderColour)));
}

TEST_F(OverlayEditorTest, LabelsAreNumbersOrTheScannerLetters) {
    Open();
    Painted();
    const float scale = View().GetScale();
    const int areaHeight = View().GetAreaRect().height();
    auto find = [this](const std::string& text, QPoint at) {
        const auto& labels = View().GetDrawnLabels();
        return std::any_of(labels.begin(), labels.end(), [&](const COverlayView::DrawnLabel& label) {
            return label.m_text == text && label.m_at == at;
        });
    };
    EXPECT_TRUE(find("5", QPoint(static_cast<int>(5 * scale) + 33, 7)));
    EXPECT_TRUE(find("10", QPoint(static_cast<int>(10 * scale) + 31, 30 + areaHeight + 7)));
    EXPECT_TRUE(find("25", QPoint(7, static_cast<int>(25 * scale) + 31)));

    m_app->GetPreferencesMediator()->GetSpatialDisplayOptions()->SetUsesScannerLabels(true);
    Painted();
    EXPECT_TRUE(
        find(GetScannerContext().GetColumnLabel(5).m_text, QPoint(static_cast<int>(5 * scale) + 33, 7)));
    EXPECT_EQ(GetScannerContext().GetColumnLabel(5).m_text, "F");
    EXPECT_TRUE(find("6", QPoint(7, static_cast<int>(5 * scale) + 31)));
}

// --- Painting ---

TEST_F(OverlayEditorTest, DrawingSizeFollowsTheGridsUnits) {
    AddDrawing(31, Box(1496, 1197));
    Open();
    struct Grid {
        int32_t columns;
        int32_t rows;
        int64_t across;
        int64_t down;
    };
    for (const Grid& grid : {Grid{42, 29, 2992, 2395}, Grid{40, 32, 3040, 2434}}) {
        View().SetGrid(grid.columns, grid.rows);
        View().SelectOverlayControl(0);
        View().SelectOverlayControl(31);
        Painted();
        const int64_t width = View().GetAreaRect().width();
        const int64_t height = View().GetAreaRect().height();
        EXPECT_EQ(View().GetDrawingPixelWidth(), width * (1496 * 40 / grid.columns) / grid.across);
        EXPECT_EQ(View().GetDrawingPixelHeight(), height * (1197 * 32 / grid.rows) / grid.down);
    }
}

TEST_F(OverlayEditorTest, DrawingIsRenderedOnceWithWhiteHolesSeeThroughAndAFrame) {
    DrawList ring;
    Point(ring, draw_kind::kMoveTo, 0, 0);
    Point(ring, draw_kind::kMoveTo, 2000, 2000);
    auto* circle = ring.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
    circle->m_x = 1000;
    circle->m_y = 1000;
    circle->m_paramCount = 2;
    circle->m_diameter = 2000;
    circle->m_holeX = 1000;
    AddDrawing(41, ring);
    Open();
    const QImage before = Painted();
    View().SelectOverlayControl(41);
    QImage painted = Painted();
    const QPoint origin = View().GetDrawingOrigin();
    const int size = static_cast<int>(View().GetDrawingPixelWidth());
    ASSERT_GT(size, 40);
    const QPoint centre = origin + QPoint(size / 2, static_cast<int>(View().GetDrawingPixelHeight()) / 2);
    EXPECT_EQ(painted.pixel(centre), before.pixel(centre));
    EXPECT_THAT(testing::PixelAt(painted, centre.x() + size * 3 / 8, centre.y()),
                IsColour(QColor(Qt::black)));
    EXPECT_THAT(testing::PixelAt(painted, origin.x() + size - 1, origin.y() + 1),
                IsColour(QColor(Qt::black)));

    // Moving repaints from the kept rendering.
    const int renders = View().GetDrawingRenderCount();
    View().SetPendingMove(5, 7);
    painted = Painted();
    EXPECT_EQ(View().GetDrawingOrigin(), origin + QPoint(5, 7));
    EXPECT_EQ(View().GetDrawingRenderCount(), renders);
    EXPECT_FLOAT_EQ(View().GetPlacement().m_originX, 5.0F / static_cast<float>(View().GetAreaRect().width()));
}

TEST_F(OverlayEditorTest, HugeOrFlatDrawingsNeverAllocateBeyondTheArea) {
    AddDrawing(42, Box(32000, 32000));
    AddDrawing(43, Box(1000, 0));
    Open();
    View().SelectOverlayControl(42);
    Painted();
    EXPECT_GT(View().GetDrawingPixelWidth(), View().GetAreaRect().width() * 5LL);
    EXPECT_LE(View().GetRenderedDrawing().width(), View().GetAreaRect().width());
    EXPECT_LE(View().GetRenderedDrawing().height(), View().GetAreaRect().height());
    View().SelectOverlayControl(43);
    const QImage painted = Painted();
    EXPECT_EQ(View().GetDrawingPixelHeight(), 0);
    EXPECT_THAT(testing::PixelAt(painted, CellPoint(1, 1, 3, 3).x(), CellPoint(1, 1, 3, 3).y()),
                IsColour(QColor(Qt::white)));
}

TEST_F(OverlayEditorTest, PictureBlendsAtItsOpacityWithTheResizeHandle) {
    QImage red(20, 20, QImage::Format_RGB32);
    red.fill(Qt::red);
    AddPicture(51, red);
    Open();
    View().SelectOverlayControl(51);
    const QImage painted = Painted();
    const QRect rect = View().GetPictureRect();
    EXPECT_EQ(View().GetPlacement().m_opacity, 50);
    EXPECT_EQ(rect, QRect(30, 30, qRound(0.5 * View().GetAreaRect().width()),
                          qRound(0.5 * View().GetAreaRect().height())));
    // Half of red over a white cell.
    const QPoint inside = CellPoint(1, 1, 3, 3);
    EXPECT_THAT(testing::PixelAt(painted, inside.x(), inside.y()), IsColour(QColor(255, 128, 128)));
    const QPoint corner = rect.bottomRight();
    // Three squares about one centre: red, green, then orange-blue inside.
    EXPECT_THAT(testing::PixelAt(painted, corner.x(), corner.y()), IsColour(QColor(255, 0, 0)));
    EXPECT_THAT(testing::PixelAt(painted, corner.x() - 15, corner.y() - 15), IsColour(QColor(255, 0, 0)));
    EXPECT_THAT(testing::PixelAt(painted, corner.x() - 3, corner.y() - 3), IsColour(QColor(0, 255, 0)));
    EXPECT_THAT(testing::PixelAt(painted, corner.x() - 7, corner.y() - 7), IsColour(QColor(0, 0x7D, 0xFF)));
    EXPECT_EQ(View().GetHandleRect().size(), QSize(16, 16));
}

// --- Selection and loading ---

TEST_F(OverlayEditorTest, SelectionPlacesAtTheClampedDropPointOrTheCorner) {
    AddDrawing(61, Box(500, 500));
    QImage blue(10, 10, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    AddPicture(62, blue);
    Open();
    const QRect area = View().GetAreaRect();
    const float farX = static_cast<float>(area.width() - 50) / static_cast<float>(area.width());
    const float farY = static_cast<float>(area.height() - 50) / static_cast<float>(area.height());
    for (uint32_t id : {61U, 62U}) {
        SCOPED_TRACE(id);
        View().SelectOverlayControl(0);
        View().SelectOverlayControl(id);
        const COverlayPlacement& plain = View().GetPlacement();
        EXPECT_EQ(id == 61 ? plain.m_originX : plain.m_pictureLeft, 0.0F);
        View().SelectOverlayControl(0);
        View().SetDropPoint(area.bottomRight() - QPoint(3, 3));
        View().SelectOverlayControl(id);
        const COverlayPlacement& dropped = View().GetPlacement();
        EXPECT_FLOAT_EQ(id == 61 ? dropped.m_originX : dropped.m_pictureLeft, farX);
        EXPECT_FLOAT_EQ(id == 61 ? dropped.m_originY : dropped.m_pictureTop, farY);
    }
    EXPECT_EQ(View().GetPlacement().m_pictureWidth, 0.5F);
    View().SelectOverlayControl(999);
    EXPECT_EQ(View().GetSelectedOverlayId(), 0U);
    EXPECT_TRUE(View().GetPicture().isNull());
}

TEST_F(OverlayEditorTest, ATinyAreaClampsTheDropToItsCorner) {
    AddDrawing(63, Box(500, 500));
    Open();
    // Smaller than any frame allows: the view alone.
    View().resize(80, 120);
    ASSERT_LT(View().GetAreaRect().width(), 50);
    View().SetDropPoint(QPoint(500, 500));
    View().SelectOverlayControl(63);
    EXPECT_EQ(View().GetPlacement().m_originX, 0.0F);
}

TEST_F(OverlayEditorTest, LoadingFromTheOwnerRestoresTurnedDrawingsAndPictures) {
    DrawList box = Box(300, 100);
    AddDrawing(71, box);
    QImage wide(4, 2, QImage::Format_RGB32);
    wide.fill(Qt::white);
    wide.setPixel(3, 0, qRgb(255, 0, 0));
    AddPicture(72, wide);
    COverlayPlacement drawing;
    drawing.m_overlayId = 71;
    drawing.m_drawingQuarterTurns = -1;
    drawing.m_originX = 0.25F;
    drawing.m_extentX1 = 100;
    drawing.m_extentY1 = 0;
    drawing.m_extentX2 = 0;
    drawing.m_extentY2 = -300;
    m_owner.placement = drawing;
    Open();
    EXPECT_EQ(View().GetPlacement(), drawing);
    EXPECT_EQ(View().GetColumns(), 42);
    EXPECT_EQ(View().GetRows(), 29);
    EXPECT_EQ(fake::WrittenRecords(View().GetTurnedDrawing().Head()),
              fake::WrittenRecords(COverlayUtility::BuildDrawList(box.Head(), -1).Head()));

    COverlayPlacement picture;
    picture.m_overlayId = 72;
    picture.m_pictureQuarterTurns = 3;
    picture.m_pictureWidth = 0.25F;
    picture.m_pictureHeight = 0.5F;
    picture.m_opacity = 80;
    m_owner.placement = picture;
    View().LoadPlacementFromOwner();
    testing::FlushEvents();
    EXPECT_EQ(View().GetPlacement(), picture);
    // Three turns clockwise: the top-right pixel comes to the top-left.
    ASSERT_EQ(View().GetPicture().size(), QSize(2, 4));
    EXPECT_EQ(QColor(View().GetPicture().pixel(0, 0)), QColor(Qt::red));
    EXPECT_EQ(QColor(View().GetPicture().pixel(1, 3)), QColor(Qt::white));
}

// --- Drag and drop ---

TEST_F(OverlayEditorTest, AUnitDraggedOntoTheGridIsSelectedAtTheDropPoint) {
    AddDrawing(81, Box(500, 500));
    AddDrawing(82, Box(500, 500));
    Open();
    const QPoint drop = CellPoint(10, 20);
    bool draggedWithPicture = false;
    InstallDragRunner([&](QObject& /*source*/, QMimeData* data, Qt::DropActions allowed) {
        std::unique_ptr<QMimeData> owned(data);
        draggedWithPicture = m_frame->IsDragging() && !m_frame->GetDragImage().isNull();
        QDragEnterEvent enter(drop, allowed, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&View(), &enter);
        if (!enter.isAccepted()) {
            return Qt::IgnoreAction;
        }
        QDropEvent dropped(QPointF(drop), allowed, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&View(), &dropped);
        return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
    });
    // The thumbnail is rendered before the press.
    testing::Grab(*Units().GetUnits()[1]);
    QTest::mousePress(Units().GetUnits()[1], Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(draggedWithPicture);
    EXPECT_FALSE(m_frame->IsDragging());
    EXPECT_EQ(View().GetSelectedOverlayId(), 82U);
    const QRect area = View().GetAreaRect();
    EXPECT_FLOAT_EQ(View().GetPlacement().m_originX,
                    static_cast<float>(drop.x() - area.left()) / static_cast<float>(area.width()));
    EXPECT_TRUE(m_frame->GetClipboardHelper().GetAnyFormatAvailable());

    // Text alone is no overlay.
    QMimeData text;
    text.setText(QStringLiteral("81"));
    QDragEnterEvent enter(drop, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_FALSE(m_frame->GetClipboardHelper().GetAnyFormatAvailable());
    QDropEvent dropped(QPointF(drop), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &dropped);
    EXPECT_EQ(View().GetSelectedOverlayId(), 82U);
}

TEST_F(OverlayEditorTest, AUnitIsItsOverlayIdInFourLittleEndianBytes) {
    AddDrawing(0x01020304, Box(10, 10));
    Open();
    QByteArray bytes;
    InstallDragRunner([&](QObject&, QMimeData* data, Qt::DropActions) {
        bytes = data->data(ClipboardFormatMimeType(kDrawModelFormat));
        delete data;
        return Qt::IgnoreAction;
    });
    QTest::mousePress(Units().GetUnits()[0], Qt::LeftButton);
    EXPECT_EQ(bytes, QByteArray("\x04\x03\x02\x01", 4));
}

TEST_F(OverlayEditorTest, ApplyHandsThePlacementToTheOwner) {
    AddDrawing(91, Box(500, 500));
    Open();
    View().SelectOverlayControl(91);
    QTest::mouseClick(View().GetButton(COverlayView::kApplyId), Qt::LeftButton);
    ASSERT_EQ(m_owner.writes.size(), 1U);
    EXPECT_EQ(m_owner.writes[0], View().GetPlacement());
    EXPECT_EQ(m_owner.applied, 1);
}

} // namespace
} // namespace orv
