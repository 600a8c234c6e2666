// The formats a project's windows accept, the availability question of a drag, the serialised drag
// and the paste of an overlay ID, on the offscreen platform with the drag's runner replaced.

#include "app/controls/ClipboardFormats.h"
#include "app/controls/CClipboardObject.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "project/CClipboardHelper.h"
#include "tests/app/support/QtTestApplication.h"

#include <QByteArray>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

// A picture unit as the overlay's drop reads it: its overlay ID, 32 bits.
class OverlayIdHolder : public CClipboardObject {
public:
    explicit OverlayIdHolder(uint32_t id = 0) : overlayId(id) {}
    void StoreClipboardData(QDataWriter& writer) const override { writer.WriteU32(overlayId); }
    void LoadClipboardData(QDataReader& reader) override { overlayId = reader.ReadU32(); }
    uint32_t overlayId;
};

// Whatever the drag carried, as the runner saw it.
struct DragSeen {
    QStringList formats;
    QByteArray bytes;
    Qt::DropActions allowed;
    int runs = 0;
};

class ScopedDragRunner {
public:
    ScopedDragRunner(DragSeen& seen, Qt::DropAction answer) {
        m_previous = InstallDragRunner([&seen, answer](QObject&, QMimeData* data, Qt::DropActions allowed) {
            std::unique_ptr<QMimeData> owned(data);
            ++seen.runs;
            seen.formats = owned->formats();
            seen.bytes = owned->formats().isEmpty() ? QByteArray() : owned->data(owned->formats().front());
            seen.allowed = allowed;
            return answer;
        });
    }
    ~ScopedDragRunner() { InstallDragRunner(m_previous); }
    ScopedDragRunner(const ScopedDragRunner&) = delete;
    ScopedDragRunner& operator=(const ScopedDragRunner&) = delete;

private:
    DragRunner m_previous;
};

std::unique_ptr<QMimeData> WithBytes(const char* mime, const QByteArray& bytes) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(mime), bytes);
    return data;
}

class ClipboardFormatsTest : public testing::QtWidgetTest {};

TEST_F(ClipboardFormatsTest, NamesBecomeTheirMimeTypesAndTextIsNeverRegisteredByName) {
    EXPECT_EQ(ClipboardFormatMimeType("CF_TEXT").toStdString(), "text/plain");
    EXPECT_EQ(ClipboardFormatMimeType("CDRAWMODEL").toStdString(), "application/x-orvilant-cdrawmodel");
    EXPECT_EQ(ClipboardFormatMimeType("MySpatialCompare").toStdString(),
              "application/x-orvilant-myspatialcompare");
    EXPECT_EQ(ClipboardFormatMimeType("MySpectralCompare").toStdString(),
              "application/x-orvilant-myspectralcompare");
    EXPECT_EQ(ClipboardFormatMimeType("MyBlindSpotReduction").toStdString(),
              "application/x-orvilant-myblindspotreduction");

    CClipboardHelper helper;
    EXPECT_FALSE(helper.AddFormat("", "CF_TEXT"));
    EXPECT_TRUE(helper.GetFormats().empty());
    EXPECT_TRUE(helper.AddFormat("MySpatialCompare", "CF_TEXT"));
    EXPECT_TRUE(helper.AddFormat("MySpatialCompare", "CF_TEXT"));
    EXPECT_EQ(helper.GetFormats(), (std::vector<CClipboardHelper::FormatPair>{
                                       {"MySpatialCompare", "CF_TEXT"}, {"MySpatialCompare", "CF_TEXT"}}));
}

TEST_F(ClipboardFormatsTest, AvailabilityAsksEachPairsOwnFormatThenItsTextAndKeepsTheAnswer) {
    CClipboardHelper helper;
    helper.AddFormat("MySpatialCompare", "CF_TEXT");
    helper.AddFormat("CDRAWMODEL", "");
    struct Row {
        const char* mime;
        bool available;
    };
    for (const Row& row :
         {Row{"application/x-orvilant-myspatialcompare", true}, Row{"text/plain", true},
          Row{"application/x-orvilant-cdrawmodel", true},
          Row{"application/x-orvilant-myspectralcompare", false}, Row{"text/uri-list", false}}) {
        // The answer before is the opposite, so that a kept answer shows.
        helper.SetAnyFormatAvailable(!row.available);
        const auto data = WithBytes(row.mime, QByteArray("\x01\x00\x00\x00", 4));
        EXPECT_EQ(IsAnyFormatAvailable(helper, data.get()), row.available) << row.mime;
        EXPECT_EQ(helper.GetAnyFormatAvailable(), row.available) << row.mime;
    }
    helper.SetAnyFormatAvailable(true);
    EXPECT_FALSE(IsAnyFormatAvailable(helper, nullptr));
    EXPECT_FALSE(helper.GetAnyFormatAvailable());
    // A helper without formats takes nothing.
    CClipboardHelper empty;
    const auto text = WithBytes("text/plain", "x");
    EXPECT_FALSE(IsAnyFormatAvailable(empty, text.get()));
}

TEST_F(ClipboardFormatsTest, ADragCarriesExactlyTheSerialisedBytesAndAnswersTheDropEffect) {
    QObject source;
    const OverlayIdHolder object(0x04030201U);
    struct Row {
        Qt::DropAction taken;
        int32_t effect;
    };
    for (const Row& row : {Row{Qt::IgnoreAction, 0}, Row{Qt::CopyAction, 1}, Row{Qt::MoveAction, 2},
                           Row{Qt::TargetMoveAction, 2}}) {
        DragSeen seen;
        const ScopedDragRunner runner(seen, row.taken);
        int32_t effect = -1;
        // A cancelled drag has still run.
        EXPECT_TRUE(DragSerializedObject(source, "CDRAWMODEL", &object, &effect));
        EXPECT_EQ(effect, row.effect);
        ASSERT_EQ(seen.runs, 1);
        EXPECT_EQ(seen.formats, QStringList{"application/x-orvilant-cdrawmodel"});
        EXPECT_EQ(seen.bytes, QByteArray("\x01\x02\x03\x04", 4));
        EXPECT_EQ(seen.allowed, Qt::CopyAction | Qt::MoveAction);
    }
    // No object, or nowhere to put the effect: no drag.
    DragSeen seen;
    const ScopedDragRunner runner(seen, Qt::CopyAction);
    int32_t effect = -1;
    EXPECT_FALSE(DragSerializedObject(source, "CDRAWMODEL", nullptr, &effect));
    EXPECT_FALSE(DragSerializedObject(source, "CDRAWMODEL", &object, nullptr));
    EXPECT_EQ(seen.runs, 0);
    EXPECT_EQ(effect, -1);
}

TEST_F(ClipboardFormatsTest, AnOverlayIdDraggedIsPastedBackByteForByte) {
    QObject source;
    DragSeen seen;
    const ScopedDragRunner runner(seen, Qt::CopyAction);
    int32_t effect = 0;
    ASSERT_TRUE(DragSerializedObject(source, kDrawModelFormat,
                                     std::make_unique<OverlayIdHolder>(0xA1B2C3D4U).get(), &effect));
    const auto dropped = WithBytes("application/x-orvilant-cdrawmodel", seen.bytes);
    OverlayIdHolder target;
    ASSERT_TRUE(PasteDrawModelObjects(&target, dropped.get()));
    EXPECT_EQ(target.overlayId, 0xA1B2C3D4U);
    // What is read goes out again unchanged.
    ASSERT_TRUE(DragSerializedObject(source, kDrawModelFormat, &target, &effect));
    EXPECT_EQ(seen.bytes, dropped->data("application/x-orvilant-cdrawmodel"));
}

TEST_F(ClipboardFormatsTest, APasteReadsOnlyAWholeOverlayIdAndOtherwiseLeavesTheTargetAlone) {
    struct Row {
        const char* name;
        const char* mime;
        QByteArray bytes;
        bool pasted;
        uint32_t id;
    };
    const std::vector<Row> rows = {
        {"exactly 4 bytes", "application/x-orvilant-cdrawmodel", QByteArray("\x07\x00\x00\x00", 4), true, 7},
        // A longer block: only the ID is read.
        {"12 bytes", "application/x-orvilant-cdrawmodel",
         QByteArray("\x2A\x01\x00\x00\xFF\xFF\xFF\xFF\xEE\xEE\xEE\xEE", 12), true, 0x12A},
        {"3 bytes", "application/x-orvilant-cdrawmodel", QByteArray("\x07\x00\x00", 3), false, 99},
        {"empty", "application/x-orvilant-cdrawmodel", QByteArray(), false, 99},
        {"another format", "application/x-orvilant-myspatialcompare", QByteArray("\x07\x00\x00\x00", 4),
         false, 99},
        {"text only", "text/plain", QByteArray("\x07\x00\x00\x00", 4), false, 99},
    };
    for (const Row& row : rows) {
        const auto data = WithBytes(row.mime, row.bytes);
        OverlayIdHolder target(99);
        EXPECT_EQ(PasteDrawModelObjects(&target, data.get()), row.pasted) << row.name;
        EXPECT_EQ(target.overlayId, row.id) << row.name;
    }
    const auto data = WithBytes("application/x-orvilant-cdrawmodel", QByteArray("\x07\x00\x00\x00", 4));
    EXPECT_FALSE(PasteDrawModelObjects(nullptr, data.get()));
}

} // namespace
} // namespace orv
