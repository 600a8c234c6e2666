#include "core/QOverlayOptions.h"
#include "core/TypeIds.h"
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

} // namespace
} // namespace orv
