#include "views/trackball/CBallController.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

constexpr float kTiny = 1e-7F;

std::array<vec3, 3> UnitAxes() {
    return {vec3(1, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1)};
}

} // namespace

CBallController::CBallController()
    : m_rotationMatrix(IdentityMatrix()), m_cameraAxes(UnitAxes()), m_objectAxes(UnitAxes()) {}

void CBallController::SetWindowSize(float width, float height) {
    // A window of no size would divide by zero in the normalisation.
    m_width = width > 0.0F ? width : 1.0F;
    m_height = height > 0.0F ? height : 1.0F;
}

vec3 CBallController::Normalize(int x, int y) const {
    return {(2.0F * static_cast<float>(x) - m_width) / m_width,
            (m_height - 2.0F * static_cast<float>(y)) / m_height, 0.0F};
}

void CBallController::BeginDrag(int x, int y, int32_t constraintMode) {
    m_constraintMode = constraintMode;
    m_lastPoint = Normalize(x, y);
    m_dragStartRotation = m_currentRotation;
    m_dragging = true;
}

vec3 CBallController::MapToSphere(const vec3& point, float radius) {
    const float d2 = point.x * point.x + point.y * point.y;
    const float r2 = radius * radius;
    float z = 0.0F;
    if (d2 < r2 / 2.0F) {
        z = std::sqrt(r2 - d2);
    } else {
        z = r2 / (2.0F * std::sqrt(d2));
    }
    return {point.x, point.y, z};
}

vec3 CBallController::ConstrainToAxis(const vec3& point, const vec3& axis) {
    const vec3 unitAxis = axis.Normalized();
    const vec3 onPlane = point - unitAxis * point.Dot(unitAxis);
    if (onPlane.Length() > kTiny) {
        return onPlane.Normalized();
    }
    // The point lies on the axis: any perpendicular serves, one fixed so that the drag is steady.
    const vec3 helper = std::fabs(unitAxis.z) < 0.9F ? vec3(0, 0, 1) : vec3(1, 0, 0);
    return unitAxis.Cross(helper).Normalized();
}

unitquaternion CBallController::RotationBetween(const vec3& p0, const vec3& p1, float radius) {
    vec3 axis = p1.Cross(p0);
    if (std::fabs(axis.x) < kTiny && std::fabs(axis.y) < kTiny && std::fabs(axis.z) < kTiny) {
        axis = vec3(1, 0, 0);
    }
    const float chord = (p0 - p1).Length() / (2.0F * radius);
    const float angle = 2.0F * std::asin(std::clamp(chord, -1.0F, 1.0F));
    return {angle, axis};
}

const std::array<vec3, 3>& CBallController::ConstraintAxes() const {
    return m_constraintMode == kObjectAxes ? m_objectAxes : m_cameraAxes;
}

int32_t CBallController::NearestAxis(const vec3& point) const {
    const std::array<vec3, 3>& axes = ConstraintAxes();
    float best = -1.0F;
    int32_t nearest = 0;
    for (int32_t i = 0; i < 3; ++i) {
        const float dot = ConstrainToAxis(point, axes[static_cast<size_t>(i)]).Dot(point);
        if (dot > best) {
            best = dot;
            nearest = i;
        }
    }
    return nearest;
}

void CBallController::MouseMove(int x, int y) {
    const vec3 point = Normalize(x, y);
    if (!m_dragging) {
        if (m_constraintMode != kFree) {
            m_axisIndex = NearestAxis(MapToSphere(point, m_radius));
        }
        return;
    }
    vec3 p0 = MapToSphere(m_lastPoint, m_radius);
    vec3 p1 = MapToSphere(point, m_radius);
    if (m_constraintMode != kFree) {
        const vec3& axis = ConstraintAxes()[static_cast<size_t>(m_axisIndex)];
        p0 = ConstrainToAxis(p0, axis);
        p1 = ConstrainToAxis(p1, axis);
    }
    m_currentRotation *= RotationBetween(p0, p1, m_radius);
    m_lastPoint = point;
}

void CBallController::EndDrag() {
    m_dragging = false;
    m_lastPoint = vec3();
    m_rotationMatrix = m_currentRotation.ToMatrix();
    for (size_t row = 0; row < 3; ++row) {
        m_objectAxes[row] =
            vec3(m_rotationMatrix[row * 4], m_rotationMatrix[row * 4 + 1], m_rotationMatrix[row * 4 + 2]);
    }
}

} // namespace orv
