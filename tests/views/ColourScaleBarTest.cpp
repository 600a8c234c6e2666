#include "app/QtConversions.h"
#include "core/QManagers.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spectral/CScrollBarEx.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace orv::test {
namespace {

using orv::testing::PixelAt;
using orv::testing::SendMouse;

constexpr int32_t kGreyPalette = 4711; // 200 colours of one mid grey: labels stand out from it
constexpr QRgb kSentinel = 0xFFFF00FFU;

class RecordingOwner : public QColourScaleOwner {
public:
    void SetOverlayTransparency(int32_t position, bool fromBar) override {
        EXPECT_TRUE(fromBar);
        reports.push_back(position);
    }
    QNodeMediator* GetColourScaleMediator() const override { return mediator; }
    QNodeMediator* mediator = nullptr;
    std::vector<int32_t> reports;
};

// Timers that fire only when the test moves time on.
class SteppedTimers : public QBarTimers {
public:
    explicit SteppedTimers(CScrollBarEx& bar) : m_bar(bar) {}
    void Start(int id, int ms) override { m_timers[id] = {ms, now + ms}; }
    void Kill(int id) override { m_timers.erase(id); }
    void Advance(int ms) {
        const int64_t end = now + ms;
        for (;;) {
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
                if (it->second.due <= end && (next == m_timers.end() || it->second.due < next->second.due)) {
                    next = it;
                }
            }
            if (next == m_timers.end()) {
                break;
            }
            now = next->second.due;
            next->second.due += next->second.period;
            m_bar.OnTimer(next->first);
        }
        now = end;
    }
    bool IsRunning(int id) const { return m_timers.count(id) != 0; }
    int64_t now = 0;

private:
    struct Timer {
        int period;
        int64_t due;
    };
    CScrollBarEx& m_bar;
    std::map<int, Timer> m_timers;
};

class BodyProbe : public CScrollBarEx {
public:
    using CScrollBarEx::CScrollBarEx;
    // DrawBody alone on an image filled with the sentinel.
    QImage Body() {
        QImage image(width(), height(), QImage::Format_RGB32);
        image.fill(kSentinel);
        QPainter painter(&image);
        DrawBody(painter, image.rect());
        return image;
    }
};

void EnsureGreyPalette() {
    if (GetColourPaletteManager().Find(kGreyPalette) == nullptr) {
        auto grey = std::make_unique<QColourPalette>("Test Grey", kGreyPalette);
        for (int i = 0; i < 200; ++i) {
            grey->AddColour(0x80, 0x80, 0x80);
        }
        GetColourPaletteManager().Insert(std::move(grey));
    }
}

class ColourScaleBarTest : public orv::testing::QtWidgetTest {
protected:
    ColourScaleBarTest() {
        EnsureGreyPalette();
        container.preferences = &preferences;
        node.Wire(nullptr, nullptr, nullptr, nullptr, &container);
        owner.mediator = &node;
        bar.SetOwner(&owner);
        bar.SetRange(0, 100);
        bar.SetPosition(100);
        bar.SetPageStep(25);
        bar.SetLineStep(1);
        bar.SetThumbStyle(4);
        bar.SetThumbSize(1, 20);
        bar.SetDisabledColour(0x007F00);
        parent.resize(100, 500);
        bar.Create(QRect(0, 0, 0, 400), &parent);
        bar.resize(33, 400);
        auto stepped = std::make_unique<SteppedTimers>(bar);
        timers = stepped.get();
        bar.SetTimers(std::move(stepped));
    }
    QColor Colour(int32_t paletteId, int32_t index) {
        return ColorRefToQColor(GetColourPaletteManager().Find(paletteId)->GetColour(index));
    }
    void Press(QPoint at) { SendMouse(bar, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void Move(QPoint at) { SendMouse(bar, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint at) { SendMouse(bar, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void Key(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&bar, &event);
    }
    int Arrow() const { return bar.ArrowSize(); }

    SpatialTestMediator node{kTypeSpatialScanNode, "Board"};
    SpatialTestMediator preferences{kTypePreferencesNode, "Preferences"};
    FakeNodeContainer container;
    RecordingOwner owner;
    QWidget parent;
    BodyProbe bar{&parent};
    SteppedTimers* timers = nullptr;
};

TEST_F(ColourScaleBarTest, CreatePlacesAVerticalBarWithItsControlId) {
    QWidget host;
    BodyProbe fresh;
    ASSERT_TRUE(fresh.Create(QRect(7, 3, 0, 200), &host));
    EXPECT_EQ(fresh.GetDlgCtrlID(), 20301);
    EXPECT_EQ(fresh.objectName(), QStringLiteral("ScrollBarEx"));
    EXPECT_EQ(fresh.geometry(), QRect(7, 3, fresh.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2, 200));
    EXPECT_EQ(fresh.GetPosition(), 0);
    EXPECT_EQ(fresh.GetTop(), 25.0F);
    EXPECT_EQ(fresh.GetBottom(), -25.0F);
}

TEST_F(ColourScaleBarTest, BodyBandsBlockAndCutOffValueByPosition) {
    preferences.spatialDisplay.m_offset = -10;
    bar.SetTopBottom(25.0F, -25.0F);
    struct Row {
        int32_t position;
        float value;
        std::vector<std::pair<int, int>> colourAtRow; // (y, palette index); -1 untouched
    };
    // 33 x 400: run area rows 15..399; block B = 385 * p / 100.
    const std::vector<Row> rows = {
        {100, -25.0F, {{399, 0}, {16, 197}, {15, 198}, {14, -1}, {0, -1}}},
        {0, 25.0F, {{399, 1}, {15, 1}, {14, -1}}},
        {50, 0.0F, {{399, 1}, {208, 1}, {207, 0}, {15, 197}, {14, -1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        bar.SetPosition(row.position);
        const QImage body = bar.Body();
        EXPECT_FLOAT_EQ(bar.GetValue(), row.value);
        for (const auto& [y, index] : row.colourAtRow) {
            SCOPED_TRACE(y);
            const QColor expected = index < 0 ? QColor::fromRgb(kSentinel) : Colour(-10, index);
            EXPECT_EQ(PixelAt(body, 1, y), expected);
            EXPECT_EQ(PixelAt(body, 31, y), expected);
        }
        // The outer columns are the window's edge, never painted.
        EXPECT_EQ(PixelAt(body, 0, 399), QColor::fromRgb(kSentinel));
        EXPECT_EQ(PixelAt(body, 32, 399), QColor::fromRgb(kSentinel));
    }
}

TEST_F(ColourScaleBarTest, EqualLimitsPaintColourOneWithoutLabelsAndNoDataBlanksTheThumb) {
    preferences.spatialDisplay.m_offset = -10;
    const QColor one = Colour(-10, 1);
    for (float level : {12.5F, -1000.0F}) {
        SCOPED_TRACE(level);
        bar.SetTopBottom(level, level);
        bar.SetPosition(30);
        const QImage body = bar.Body();
        int others = 0;
        for (int y = 15; y < 400; ++y) {
            for (int x = 1; x < 32; ++x) {
                others += PixelAt(body, x, y) != one ? 1 : 0;
            }
        }
        EXPECT_EQ(others, 0);
        EXPECT_EQ(PixelAt(body, 5, 14), QColor::fromRgb(kSentinel));
        // The thumb shows the level unless there is no data.
        bar.Redraw();
        const QImage whole = bar.GetImage();
        const int top = bar.ThumbStart() + 2;
        bool text = false;
        const QColor face = PixelAt(whole, 2, top);
        for (int y = top; y < bar.ThumbStart() + bar.ThumbLength() - 2; ++y) {
            for (int x = 2; x < 31; ++x) {
                text = text || PixelAt(whole, x, y) != face;
            }
        }
        EXPECT_EQ(text, level != -1000.0F);
    }
}

// Every pixel of a label differs from the band under it towards the label's colour.
void ExpectLabelColour(const QImage& body, int top, int bottom, bool white) {
    int text = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, body.height()); ++y) {
        const QColor band = PixelAt(body, 1, y);
        for (int x = 2; x < body.width() - 2; ++x) {
            const QColor pixel = PixelAt(body, x, y);
            if (pixel == band) {
                continue;
            }
            ++text;
            const int lighter =
                pixel.red() + pixel.green() + pixel.blue() - band.red() - band.green() - band.blue();
            EXPECT_TRUE(white ? lighter >= 0 : lighter <= 0)
                << x << "," << y << " " << pixel.name().toStdString() << " on " << band.name().toStdString();
        }
    }
    EXPECT_GT(text, 0) << "no label between rows " << top << " and " << bottom;
}

// The label as the bar should draw it: the text centred in its rectangle on the grey run.
void ExpectLabelText(const QImage& body, const QRect& rect, const std::string& text, const QColor& colour) {
    QImage expected = body.copy();
    QPainter painter(&expected);
    painter.fillRect(QRect(1, rect.top(), body.width() - 2, rect.height()), QColor(0x80, 0x80, 0x80));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    painter.setPen(colour);
    // Written as every label is (the fitting has its own test).
    CScrollBarEx::DrawFittedLabel(painter, rect, QString::fromStdString(text), font);
    painter.end();
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = 1; x < body.width() - 1; ++x) {
            ASSERT_EQ(PixelAt(body, x, y), PixelAt(expected, x, y)) << text << " at " << x << "," << y;
        }
    }
}

TEST_F(ColourScaleBarTest, LabelTextsAndTheirColours) {
    preferences.spatialDisplay.m_offset = kGreyPalette;
    bar.SetTopBottom(25.0F, -25.0F);
    struct Row {
        int32_t position;
        bool topWhite;
    };
    for (const Row& row : {Row{40, true}, Row{39, false}}) {
        SCOPED_TRACE(row.position);
        bar.SetPosition(row.position);
        const QImage body = bar.Body();
        ExpectLabelText(body, QRect(0, 20, 33, 20), "25.0", row.topWhite ? Qt::white : Qt::black);
        ExpectLabelText(body, QRect(0, 360, 33, 20), "-25.0", Qt::white);
        // Middle: (top + cut-off) / 2 in black, centred above the cut-off level.
        const float value = 50.0F * static_cast<float>(100 - row.position) / 100.0F - 25.0F;
        const int bottom = static_cast<int>(400.0 - 400.0 / 50.0 * static_cast<double>(value + 25.0F) + 35.0);
        ExpectLabelText(body, QRect(0, bottom / 2 - 8, 33, 16).intersected(QRect(0, 0, 33, bottom)),
                        FormatC("%-4.1f", static_cast<double>((25.0F + value) / 2.0F)), Qt::black);
    }
    // The pseudo-colour palette's middle label sits in the bar's centre, white above p = 50.
    preferences.spatialDisplay.m_offset = -10;
    for (const auto& [position, white] : {std::pair{50, false}, std::pair{49, true}}) {
        SCOPED_TRACE(position);
        bar.SetPosition(position);
        ExpectLabelColour(bar.Body(), 192, 208, white);
    }
}

TEST_F(ColourScaleBarTest, FourDigitAndSignedLabelsAreWrittenWholeInTheNarrowBar) {
    // "%-4.1f" of these is wider than the 33-pixel bar in the bar's 13-pixel font.
    preferences.spatialDisplay.m_offset = kGreyPalette;
    bar.SetTopBottom(3276.7F, -105.5F);
    bar.SetPosition(100);
    const QImage body = bar.Body();
    const QColor grey(0x80, 0x80, 0x80);
    for (const auto& [top, text] : {std::pair{20, "3276.7"}, std::pair{360, "-105.5"}}) {
        SCOPED_TRACE(text);
        int ink = 0;
        for (int y = top; y < top + 20; ++y) {
            // Nothing of the label reaches the bar's edges: neither the outer columns nor the band's
            // first and last.
            EXPECT_EQ(body.pixel(0, y), kSentinel) << y;
            EXPECT_EQ(body.pixel(32, y), kSentinel) << y;
            EXPECT_EQ(PixelAt(body, 1, y), grey) << y;
            EXPECT_EQ(PixelAt(body, 31, y), grey) << y;
            for (int x = 2; x < 31; ++x) {
                ink += PixelAt(body, x, y) != grey ? 1 : 0;
            }
        }
        EXPECT_GT(ink, 20);
    }

    // The font steps down only as far as the text needs, and no further than the smallest size.
    QImage scratch(33, 20, QImage::Format_RGB32);
    QPainter painter(&scratch);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    struct Case {
        const char* text;
        bool fitsAtThirteen;
    };
    for (const Case& c : {Case{"25.0", true}, Case{"-5.0 ", true}, Case{"3276.7", false},
                          Case{"-105.5", false}, Case{"-32768.0", false}}) {
        const QFont used = CScrollBarEx::DrawFittedLabel(painter, scratch.rect(), c.text, font);
        EXPECT_GE(used.pixelSize(), CScrollBarEx::kMinLabelPixels) << c.text;
        EXPECT_EQ(used.pixelSize() == 13, c.fitsAtThirteen) << c.text;
        if (used.pixelSize() > CScrollBarEx::kMinLabelPixels) {
            EXPECT_LE(QFontMetrics(used).horizontalAdvance(QString(c.text).trimmed()), 29) << c.text;
        }
    }
}

TEST_F(ColourScaleBarTest, NonFiniteLimitsDrawNoLabels) {
    preferences.spatialDisplay.m_offset = kGreyPalette;
    bar.SetTopBottom(std::numeric_limits<float>::infinity(), -25.0F);
    bar.SetPosition(100);
    const QImage body = bar.Body();
    for (int y = 15; y < 400; ++y) {
        for (int x = 1; x < 32; ++x) {
            ASSERT_EQ(PixelAt(body, x, y), QColor(0x80, 0x80, 0x80)) << x << "," << y;
        }
    }
    bar.Redraw(); // the thumb has no finite value to show
}

TEST_F(ColourScaleBarTest, NothingIsPaintedWithoutPaletteOrMediator) {
    preferences.spatialDisplay.m_offset = 123456;
    EXPECT_EQ(bar.Body().pixel(5, 200), kSentinel);
    preferences.spatialDisplay.m_offset = -10;
    owner.mediator = nullptr;
    EXPECT_EQ(bar.Body().pixel(5, 200), kSentinel);
    RecordingOwner orphan;
    bar.SetOwner(nullptr);
    EXPECT_EQ(bar.Body().pixel(5, 200), kSentinel);
}

TEST_F(ColourScaleBarTest, DisabledBarIsAChecker) {
    bar.setEnabled(false);
    const QImage body = bar.Body();
    const QColor grey(0x7F, 0x7F, 0x7F);
    const QColor green(0x00, 0x7F, 0x00);
    for (const QPoint point : {QPoint(0, 0), QPoint(1, 1), QPoint(2, 0), QPoint(8, 0), QPoint(32, 399)}) {
        EXPECT_EQ(PixelAt(body, point.x(), point.y()), (point.x() + point.y()) % 2 == 0 ? grey : green)
            << point.x();
    }
    EXPECT_EQ(PixelAt(body, 1, 0), green);
    EXPECT_EQ(PixelAt(body, 0, 1), green);
    // A disabled bar takes no press.
    Press(QPoint(10, 2));
    EXPECT_FALSE(bar.IsTracking());
    EXPECT_TRUE(owner.reports.empty());
}

TEST_F(ColourScaleBarTest, HeldArrowStepsAtOnceThenAfter780ThenEvery80) {
    bar.SetPosition(50);
    const QPoint up(16, Arrow() / 2);
    Press(up);
    EXPECT_EQ(bar.GetPosition(), 49);
    EXPECT_TRUE(bar.IsFirstArrowPressed());
    timers->Advance(779);
    EXPECT_EQ(bar.GetPosition(), 49);
    timers->Advance(1);
    EXPECT_EQ(bar.GetPosition(), 48);
    timers->Advance(80);
    EXPECT_EQ(bar.GetPosition(), 47);
    timers->Advance(160);
    EXPECT_EQ(bar.GetPosition(), 45);
    // Off the arrow: no steps and the arrow comes up; back on: the steps go on.
    Move(QPoint(16, 200));
    timers->Advance(400);
    EXPECT_EQ(bar.GetPosition(), 45);
    EXPECT_FALSE(bar.IsFirstArrowPressed());
    Move(up);
    timers->Advance(80);
    EXPECT_EQ(bar.GetPosition(), 44);
    EXPECT_TRUE(bar.IsFirstArrowPressed());
    Release(up);
    EXPECT_FALSE(timers->IsRunning(CScrollBarEx::kRepeatTimerId));
    EXPECT_FALSE(timers->IsRunning(CScrollBarEx::kPressTimerId));
    const size_t reports = owner.reports.size();
    timers->Advance(1000);
    EXPECT_EQ(bar.GetPosition(), 44);
    EXPECT_EQ(owner.reports.size(), reports);
    EXPECT_EQ(owner.reports.back(), 44);
}

TEST_F(ColourScaleBarTest, PagePressStepsByThePageAndStopsAtTheThumb) {
    bar.SetPosition(0);
    const QPoint below(16, 390 - Arrow());
    Press(below);
    EXPECT_EQ(bar.GetPosition(), 25);
    EXPECT_TRUE(bar.IsPagePressed());
    EXPECT_EQ(bar.GetPressedPart(), CScrollBarEx::kHitPageDown);
    timers->Advance(780 + 80 * 3);
    // The thumb reached the cursor: the track below it is no longer under the cursor.
    EXPECT_EQ(bar.GetPosition(), 100);
    Release(below);
    EXPECT_FALSE(bar.IsPagePressed());
}

TEST_F(ColourScaleBarTest, DraggingTheThumbClampsAtBothEnds) {
    bar.SetPosition(50);
    const int grab = bar.ThumbStart() + 5;
    Press(QPoint(16, grab));
    ASSERT_TRUE(bar.IsThumbDragging());
    EXPECT_TRUE(owner.reports.empty());
    Move(QPoint(16, grab + 3000));
    EXPECT_EQ(bar.GetPosition(), 100);
    Move(QPoint(16, -3000));
    EXPECT_EQ(bar.GetPosition(), 0);
    // Half way down the track: the thumb's start at the middle of its travel.
    const int travel = 400 - 2 * Arrow() - bar.ThumbLength();
    Move(QPoint(16, Arrow() + travel / 2 + 5));
    EXPECT_EQ(bar.GetPosition(), static_cast<int>(static_cast<double>(travel / 2) / travel * 100.0));
    EXPECT_EQ(owner.reports, (std::vector<int32_t>{100, 0, bar.GetPosition()}));
    Release(QPoint(16, 0));
    EXPECT_FALSE(bar.IsTracking());
    EXPECT_EQ(owner.reports.size(), 3U);
}

TEST_F(ColourScaleBarTest, DragOverATrackNoLongerThanTheThumbKeepsThePosition) {
    bar.SetThumbSize(1, 400);
    bar.SetPosition(30);
    Press(QPoint(16, 200));
    ASSERT_TRUE(bar.IsThumbDragging());
    Move(QPoint(16, 300));
    EXPECT_EQ(bar.GetPosition(), 30);
    // A lost press ends like a release.
    bar.OnCaptureLost();
    EXPECT_FALSE(bar.IsTracking());
}

TEST_F(ColourScaleBarTest, KeysStepAndJumpAndReportOnlyChanges) {
    struct Row {
        int key;
        int32_t from;
        int32_t to;
    };
    const Row rows[] = {
        {Qt::Key_PageUp, 50, 25}, {Qt::Key_PageDown, 50, 75}, {Qt::Key_Up, 50, 49},
        {Qt::Key_Left, 50, 49},   {Qt::Key_Down, 50, 51},     {Qt::Key_Right, 50, 51},
        {Qt::Key_Home, 50, 0},    {Qt::Key_End, 50, 100},     {Qt::Key_PageDown, 90, 100},
        {Qt::Key_Home, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        bar.SetPosition(row.from);
        owner.reports.clear();
        Key(row.key);
        EXPECT_EQ(bar.GetPosition(), row.to);
        EXPECT_EQ(owner.reports, row.from == row.to ? std::vector<int32_t>{} : std::vector<int32_t>{row.to});
    }
}

TEST_F(ColourScaleBarTest, TheWheelDoesNotMoveTheBar) {
    bar.SetPosition(50);
    QWheelEvent wheel(QPointF(16, 200), QPointF(16, 200), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&bar, &wheel);
    EXPECT_EQ(bar.GetPosition(), 50);
    EXPECT_TRUE(owner.reports.empty());
}

class ColourScaleBarInView : public SpatialViewTest {};

TEST_F(ColourScaleBarInView, TheBarsCutOffRecoloursTheMapWithoutRebuilding) {
    Open(kTypeSpatialScanNode);
    std::vector<int16_t> values;
    for (int i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>(100 + i * 50));
    }
    ASSERT_TRUE(mediator->AddSpatialScanData(SpatialGrid(1, 3, 4, values), false, false));
    mediator->ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    CScrollBarEx& bar = view.GetColourBar();
    EXPECT_EQ(bar.GetOwner(), static_cast<QColourScaleOwner*>(&view));
    EXPECT_EQ(bar.GetDlgCtrlID(), 20301);
    const int32_t index = view.GetCell(1, 1).m_ColourIndex;
    const int32_t builds = view.GetBitmapBuildCount();
    const int32_t cells = view.GetMapBuildCount();
    bar.setFocus();
    QKeyEvent page(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &page);
    EXPECT_EQ(bar.GetPosition(), 75);
    Pump();
    view.OnRequestTimer();
    EXPECT_EQ(view.GetCutOff(), 25);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_NE(view.GetCell(1, 1).m_ColourIndex, index);
    EXPECT_EQ(view.GetBitmapBuildCount(), builds);
    EXPECT_EQ(view.GetMapBuildCount(), cells);
}

} // namespace
} // namespace orv::test
