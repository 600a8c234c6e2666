#include "views/trackball/CBallController.h"
#include "views/trackball/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace orv {
namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0F;
constexpr float kEps = 1e-5F;

// Row after row: element (row, column) at row * 4 + column.
void ExpectMatrix(const RotationMatrix& actual, const RotationMatrix& expected) {
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], kEps) << "element " << i;
    }
}

void ExpectVector(const vec3& actual, const vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, kEps);
    EXPECT_NEAR(actual.y, expected.y, kEps);
    EXPECT_NEAR(actual.z, expected.z, kEps);
}

bool IsFinite(const vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

TEST(QuaternionTest, QuarterTurnsAboutEachAxisGiveTheirMatricesThroughBothConversions) {
    struct Case {
        vec3 axis;
        RotationMatrix expected;
    };
    const Case cases[] = {
        {vec3(1, 0, 0), {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}},
        {vec3(0, 1, 0), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}},
        {vec3(0, 0, 1), {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        const unitquaternion unit(kHalfPi, c.axis);
        ExpectMatrix(unit.ToMatrix(), c.expected);
        // The same turn held as a quaternion of length 3: the general conversion divides by |q|^2.
        const quaternion scaled(unit.w * 3.0F, unit.v.x * 3.0F, unit.v.y * 3.0F, unit.v.z * 3.0F);
        ExpectMatrix(scaled.ToMatrix(), c.expected);
    }
    ExpectMatrix(unitquaternion().ToMatrix(), IdentityMatrix());
    ExpectMatrix(quaternion().ToMatrix(), IdentityMatrix());
    ExpectMatrix(unitquaternion(0.0F, vec3(0, 0, 1)).ToMatrix(), IdentityMatrix());
}

TEST(QuaternionTest, TheHamiltonProductOfTwoQuarterTurnsIsTheirComposition) {
    unitquaternion aboutX(kHalfPi, vec3(1, 0, 0));
    const unitquaternion aboutY(kHalfPi, vec3(0, 1, 0));
    aboutX *= aboutY;
    // (c, s, 0, 0) x (c, 0, s, 0) = (c^2, cs, cs, s^2) with c = s = sqrt(1/2).
    EXPECT_NEAR(aboutX.w, 0.5F, kEps);
    ExpectVector(aboutX.v, vec3(0.5F, 0.5F, 0.5F));
    // Two quarter turns about one axis make a half turn.
    quaternion half(std::cos(kHalfPi / 2), 0, 0, std::sin(kHalfPi / 2));
    half *= quaternion(std::cos(kHalfPi / 2), 0, 0, std::sin(kHalfPi / 2));
    ExpectMatrix(half.ToMatrix(), {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST(QuaternionTest, AZeroQuaternionScalesByZeroAndAUnitQuaternionIsNormalised) {
    ExpectMatrix(quaternion(0, 0, 0, 0).ToMatrix(), IdentityMatrix());
    const unitquaternion normalised(0, 0, 3, 4);
    EXPECT_NEAR(normalised.Norm2(), 1.0F, kEps);
    ExpectVector(normalised.v, vec3(0, 0.6F, 0.8F));
    const unitquaternion fromZero(0, 0, 0, 0);
    EXPECT_FALSE(std::isnan(fromZero.w));
    ExpectMatrix(fromZero.ToMatrix(), IdentityMatrix());
}

TEST(BallControllerTest, PointsMapOntoTheBallInsideHalfTheRadiusSquaredAndOntoTheHyperbolaOutside) {
    struct Case {
        vec3 point;
        float z;
    };
    const Case cases[] = {
        {vec3(0, 0, 0), 1.0F},
        {vec3(0.5F, 0, 0), std::sqrt(0.75F)},
        {vec3(0.6F, 0.5F, 0), 1.0F / (2.0F * std::sqrt(0.61F))}, // d^2 = 0.61 >= 0.5
        {vec3(3, 4, 0), 0.1F},
    };
    for (const Case& c : cases) {
        const vec3 mapped = CBallController::MapToSphere(c.point, 1.0F);
        EXPECT_NEAR(mapped.z, c.z, kEps) << c.point.x << "," << c.point.y;
        EXPECT_EQ(mapped.x, c.point.x);
        EXPECT_EQ(mapped.y, c.point.y);
    }
}

TEST(BallControllerTest, AFreeDragToTheRightTurnsAboutTheYAxisByTheChordAngle) {
    CBallController ball;
    ball.SetWindowSize(200, 100);
    ball.BeginDrag(100, 50, CBallController::kFree); // normalised (0, 0)
    ball.MouseMove(150, 50);                         // normalised (0.5, 0)
    const unitquaternion& turn = ball.GetCurrentRotation();
    const vec3 p0(0, 0, 1);
    const vec3 p1(0.5F, 0, std::sqrt(0.75F));
    const float angle = 2.0F * std::asin((p0 - p1).Length() / 2.0F);
    EXPECT_NEAR(std::fabs(turn.v.y), std::sin(angle / 2.0F), kEps);
    EXPECT_NEAR(turn.v.x, 0.0F, kEps);
    EXPECT_NEAR(turn.v.z, 0.0F, kEps);
    EXPECT_NEAR(turn.w, std::cos(angle / 2.0F), kEps);
    // The scene's x axis swings towards the pointer's side (out of the screen plane towards the viewer).
    EXPECT_GT(std::fabs(ball.GetCurrentMatrix()[2]), 0.1F);

    ball.EndDrag();
    EXPECT_FALSE(ball.IsDragging());
    const RotationMatrix m = ball.GetRotationMatrix();
    ExpectVector(ball.GetObjectAxes()[0], vec3(m[0], m[1], m[2]));
    ExpectVector(ball.GetObjectAxes()[2], vec3(m[8], m[9], m[10]));
    ExpectVector(ball.GetCameraAxes()[0], vec3(1, 0, 0)); // the camera's axes never move
}

TEST(BallControllerTest, AConstrainedDragTurnsOnlyAboutTheNearestAxisOfItsSet) {
    for (int32_t mode : {CBallController::kCameraAxes, CBallController::kObjectAxes}) {
        SCOPED_TRACE(mode);
        CBallController ball;
        ball.SetWindowSize(200, 200);
        if (mode == CBallController::kObjectAxes) {
            // Turn the object first, so that its axes no longer stand on the camera's.
            ball.BeginDrag(100, 100, CBallController::kFree);
            ball.MouseMove(130, 80);
            ball.EndDrag();
        }
        const std::array<vec3, 3> axes =
            mode == CBallController::kCameraAxes ? ball.GetCameraAxes() : ball.GetObjectAxes();
        // Hovering picks the axis; the press keeps it.
        ball.BeginDrag(100, 100, mode);
        ball.EndDrag();
        const unitquaternion before = ball.GetCurrentRotation();
        ball.MouseMove(190, 100);
        const int32_t axis = ball.GetAxisIndex();
        ball.BeginDrag(190, 100, mode);
        ball.MouseMove(160, 40);
        EXPECT_EQ(ball.GetAxisIndex(), axis) << "the drag keeps the axis it started with";

        // The turn made by the drag alone: before^-1 x now.
        quaternion inverse(before.w, -before.v.x, -before.v.y, -before.v.z);
        inverse *= ball.GetCurrentRotation();
        const vec3 turnAxis = inverse.v.Normalized();
        const vec3& expected = axes[static_cast<size_t>(axis)];
        EXPECT_NEAR(std::fabs(turnAxis.Dot(expected.Normalized())), 1.0F, 1e-4F)
            << "turned about " << turnAxis.x << "," << turnAxis.y << "," << turnAxis.z;
        ball.EndDrag();
    }
}

TEST(BallControllerTest, DegenerateProjectionsAndZeroMovesGiveNoNaN) {
    // A point on the axis itself projects onto the fixed perpendicular.
    for (const vec3& axis : {vec3(0, 0, 1), vec3(1, 0, 0), vec3(0, 1, 0)}) {
        const vec3 projected = CBallController::ConstrainToAxis(axis, axis);
        EXPECT_TRUE(IsFinite(projected));
        EXPECT_NEAR(projected.Length(), 1.0F, kEps);
        EXPECT_NEAR(projected.Dot(axis), 0.0F, kEps);
    }
    // p1 x p0 below 1e-7: the x axis, and a zero angle for equal points.
    const unitquaternion none = CBallController::RotationBetween(vec3(0, 0, 1), vec3(0, 0, 1), 1.0F);
    EXPECT_NEAR(none.w, 1.0F, kEps);
    EXPECT_TRUE(IsFinite(none.v));
    // Opposite points: the cross product vanishes, the half turn goes about x.
    const unitquaternion opposite = CBallController::RotationBetween(vec3(0, 0, 1), vec3(0, 0, -1), 1.0F);
    EXPECT_NEAR(std::fabs(opposite.v.x), 1.0F, kEps);

    CBallController ball;
    ball.SetWindowSize(0, 0); // no size yet
    ball.BeginDrag(0, 0, CBallController::kCameraAxes);
    ball.MouseMove(0, 0);
    ball.EndDrag();
    for (float value : ball.GetRotationMatrix()) {
        EXPECT_TRUE(std::isfinite(value));
    }
}

TEST(BallControllerTest, LiveObjectCountsReturnToZero) {
    const int32_t vectors = vec3::LiveCount();
    const int32_t quaternions = quaternion::LiveCount();
    const int32_t units = unitquaternion::LiveCount();
    {
        CBallController ball;
        ball.SetWindowSize(100, 100);
        ball.BeginDrag(50, 50, CBallController::kFree);
        for (int i = 0; i < 10; ++i) {
            ball.MouseMove(50 + i, 50 - i);
        }
        ball.EndDrag();
        EXPECT_GT(unitquaternion::LiveCount(), units);
    }
    EXPECT_EQ(vec3::LiveCount(), vectors);
    EXPECT_EQ(quaternion::LiveCount(), quaternions);
    EXPECT_EQ(unitquaternion::LiveCount(), units);
}

} // namespace
} // namespace orv
