#include "core/QOverlayOptions.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "tests/core/support/DrawingFixtures.h"
#include "tests/core/support/FakeOptionNodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace orv {
namespace {

int32_t I32At(const std::vector<uint8_t>& bytes, size_t offset) {
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

QOverlayOptions PictureOverlay() {
    QOverlayOptions options;
    options.m_sourceKind = QOverlayOptions::kSourcePicture;
    options.m_overlayId = 9;
    options.m_showFlag = 1;
    options.m_placementA = 1.5F;
    options.m_placementB = -2.0F;
    *options.GetPlacementRect() = {1, 2, 3, 4};
    options.m_pictureValues[0] = 0.5F;
    options.m_pictureValues[3] = 4.0F;
    options.m_pictureInt = -7;
    options.m_pictureFlags[1] = 1;
    return options;
}

TEST(QOverlayOptionsTest, DrawingAndPictureBodiesHaveTheirSizesAndRectangleOrder) {
    QOverlayOptions picture = PictureOverlay();
    const std::vector<uint8_t> pictureBytes = fake::WrittenBody(picture);
    EXPECT_EQ(pictureBytes.size(), 53U);
    EXPECT_EQ(picture.GetBodySize(), 53U);
    // The rectangle (1, 2, 3, 4) is stored as 1, 3, 2, 4.
    EXPECT_EQ(I32At(pictureBytes, 8), 1);
    EXPECT_EQ(I32At(pictureBytes, 12), 3);
    EXPECT_EQ(I32At(pictureBytes, 16), 2);
    EXPECT_EQ(I32At(pictureBytes, 20), 4);
    EXPECT_EQ(I32At(pictureBytes, 24), 9);
    EXPECT_EQ(pictureBytes[28], 1);
    EXPECT_EQ(pictureBytes[29], QOverlayOptions::kSourcePicture);

    QOverlayOptions read;
    EXPECT_EQ(fake::ReadBodyBytes(read, pictureBytes), 0U);
    EXPECT_EQ(*read.GetPlacementRect(), (QOverlayRect{1, 2, 3, 4}));
    EXPECT_EQ(read.m_pictureValues[3], 4.0F);
    EXPECT_EQ(read.m_pictureInt, -7);
    EXPECT_EQ(read.m_pictureFlags[1], 1);
    EXPECT_EQ(fake::WrittenBody(read), pictureBytes);

    // A drawing stores no picture values; reading one leaves them as they were.
    QOverlayOptions drawing = PictureOverlay();
    drawing.m_sourceKind = QOverlayOptions::kSourceDrawing;
    const std::vector<uint8_t> drawingBytes = fake::WrittenBody(drawing);
    EXPECT_EQ(drawingBytes.size(), 30U);
    EXPECT_EQ(drawing.GetBodySize(), 30U);
    QOverlayOptions target = PictureOverlay();
    target.m_pictureValues[0] = 8.0F;
    EXPECT_EQ(fake::ReadBodyBytes(target, drawingBytes), 0U);
    EXPECT_EQ(target.m_sourceKind, QOverlayOptions::kSourceDrawing);
    EXPECT_EQ(target.m_pictureValues[0], 8.0F);
}

TEST(QOverlayOptionsTest, ShortBodyFailsAndChangesNothing) {
    const std::vector<uint8_t> bytes = fake::WrittenBody(PictureOverlay());
    for (size_t cut : {size_t{0}, size_t{20}, size_t{30}, size_t{52}}) {
        QOverlayOptions target;
        target.m_overlayId = 3;
        const std::vector<uint8_t> before = fake::WrittenBody(target);
        const std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_ANY_THROW(fake::ReadBodyBytes(target, truncated)) << cut;
        EXPECT_EQ(fake::WrittenBody(target), before) << cut;
    }
}

TEST(QOverlayOptionsTest, CopyAndSyncTakeChoiceAndPlacementButNotTheOwner) {
    fake::FakeOptionTree tree;
    fake::FakeOptionNode& parent = tree.Add(kTypeProjectNode);
    fake::FakeOptionNode& child = tree.Add(kTypeSpectralScanNode, &parent);
    QOverlayOptions parentOverlay = PictureOverlay();
    parentOverlay.GetFirstWorkRect()->d = 12;
    QOverlayOptions childOverlay;
    parent.m_overlay = &parentOverlay;
    child.m_overlay = &childOverlay;
    childOverlay.SetOwner(&child);

    childOverlay.SyncFromNode();
    EXPECT_EQ(childOverlay.m_overlayId, 9);
    EXPECT_EQ(childOverlay.GetFirstWorkRect()->d, 12);
    EXPECT_EQ(*childOverlay.GetPlacementRect(), (QOverlayRect{1, 2, 3, 4}));
    EXPECT_EQ(childOverlay.GetOwner(), &child);
    EXPECT_EQ(fake::WrittenBody(childOverlay), fake::WrittenBody(parentOverlay));

    // A root follows nobody.
    QOverlayOptions rootOverlay;
    rootOverlay.SetOwner(&parent);
    rootOverlay.SyncFromNode();
    EXPECT_EQ(rootOverlay.m_overlayId, 0);
}

TEST(QOverlayOptionsTest, NewOptionsHoldTheEmptyDrawing) {
    QOverlayOptions options;
    EXPECT_TRUE(options.IsListBuilt());
    EXPECT_TRUE(options.IsBlobSet());
    EXPECT_EQ(
        std::vector<uint8_t>(options.GetDrawBlob(), options.GetDrawBlob() + options.GetDrawBlobLength()),
        (std::vector<uint8_t>{3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(options.GetDrawList(), nullptr);
}

TEST(QOverlayOptionsTest, DrawingStaysOutOfTheBodyAndIsDroppedByReading) {
    for (uint8_t source : {QOverlayOptions::kSourceDrawing, QOverlayOptions::kSourcePicture}) {
        QOverlayOptions plain = PictureOverlay();
        plain.m_sourceKind = source;
        QOverlayOptions drawn = PictureOverlay();
        drawn.m_sourceKind = source;
        const std::vector<uint8_t> blob = fake::EveryKindBlob();
        drawn.SetDrawBlob(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_FALSE(drawn.IsListBuilt());
        ASSERT_NE(drawn.GetDrawList(), nullptr);
        EXPECT_EQ(drawn.GetDrawList()->m_kind, 0x010A);

        const std::vector<uint8_t> body = fake::WrittenBody(drawn);
        EXPECT_EQ(body.size(), source == QOverlayOptions::kSourceDrawing ? 30U : 53U);
        EXPECT_EQ(body, fake::WrittenBody(plain));

        // Reading a body into options that hold a drawing leaves the empty one, whose list is empty.
        EXPECT_EQ(fake::ReadBodyBytes(drawn, body), 0U);
        EXPECT_EQ(fake::WrittenBody(drawn), body);
        EXPECT_FALSE(drawn.IsListBuilt());
        EXPECT_FALSE(drawn.IsBlobSet());
        EXPECT_EQ(drawn.GetDrawBlobLength(), 6U);
        EXPECT_EQ(drawn.GetDrawList(), nullptr);
        EXPECT_TRUE(drawn.IsListBuilt());
    }
}

TEST(QOverlayOptionsTest, CopyLeavesTheTargetsDrawingAlone) {
    const std::vector<uint8_t> mine = fake::DrawingBlob({fake::DrawingRecord(0x0214, {1, 2})});
    const std::vector<uint8_t> theirs = fake::EveryKindBlob();
    QOverlayOptions target;
    target.SetDrawBlob(mine.data(), static_cast<uint32_t>(mine.size()));
    DrawBase_t* list = target.GetDrawList();
    QOverlayOptions source = PictureOverlay();
    source.SetDrawBlob(theirs.data(), static_cast<uint32_t>(theirs.size()));
    source.GetDrawList();

    target.CopyFrom(source);
    EXPECT_EQ(target.m_overlayId, 9);
    EXPECT_EQ(std::vector<uint8_t>(target.GetDrawBlob(), target.GetDrawBlob() + target.GetDrawBlobLength()),
              mine);
    EXPECT_TRUE(target.IsListBuilt());
    EXPECT_EQ(target.GetDrawList(), list);
    EXPECT_EQ(list->m_next, nullptr);
}

TEST(QOverlayOptionsTest, BlobThatDoesNotRebuildFailsEveryTimeAndLeavesNoList) {
    QOverlayOptions options;
    const std::vector<uint8_t> cut = fake::DrawingBlob({fake::DrawingRecord(0x0214, {1, 2})}, false);
    options.SetDrawBlob(cut.data(), static_cast<uint32_t>(cut.size()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            options.GetDrawList();
            ADD_FAILURE() << "a blob without its end record rebuilt";
        } catch (const QOutOfMemoryException& failure) {
            EXPECT_STREQ(failure.what(),
                         "Memory exhausted while creating the OVR list [QOverlayOptions::LoadList].");
        }
        EXPECT_FALSE(options.IsListBuilt());
    }
}

} // namespace
} // namespace orv
