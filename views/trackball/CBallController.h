#pragma once

// The trackball of the 3D view: a mouse drag over the window turns the scene as if it rolled a ball
// of radius 1 under the pointer. With Control held the turn keeps to the camera axis nearest to the
// pointer, with Shift to the nearest of the object's own axes, which follow the scene after each drag.

#include "views/trackball/quaternion.h"

#include <array>
#include <cstdint>

namespace orv {

class CBallController {
public:
    static constexpr int32_t kFree = 0;
    static constexpr int32_t kCameraAxes = 1;
    static constexpr int32_t kObjectAxes = 2;

    CBallController();

    void SetWindowSize(float width, float height);
    // A press at the window point (x, y): the constraint mode of the press, the point remembered.
    void BeginDrag(int x, int y, int32_t constraintMode);
    void MouseMove(int x, int y);
    void EndDrag();

    bool IsDragging() const { return m_dragging; }
    int32_t GetConstraintMode() const { return m_constraintMode; }
    int32_t GetAxisIndex() const { return m_axisIndex; }
    const unitquaternion& GetCurrentRotation() const { return m_currentRotation; }
    // The matrix of the current rotation, for the model-view matrix of the scene.
    RotationMatrix GetCurrentMatrix() const { return m_currentRotation.ToMatrix(); }
    // The matrix as of the last drag's end.
    const RotationMatrix& GetRotationMatrix() const { return m_rotationMatrix; }
    const std::array<vec3, 3>& GetCameraAxes() const { return m_cameraAxes; }
    const std::array<vec3, 3>& GetObjectAxes() const { return m_objectAxes; }
    float GetRadius() const { return m_radius; }

    // ((2x - w) / w, (h - 2y) / h)
    vec3 Normalize(int x, int y) const;
    // The point lifted onto the ball, or onto the hyperbola that continues it outside r^2 / 2.
    static vec3 MapToSphere(const vec3& point, float radius);
    // The point projected onto the plane perpendicular to `axis`, of length 1.
    static vec3 ConstrainToAxis(const vec3& point, const vec3& axis);
    // The rotation that carries p0 to p1 over a ball of radius r.
    static unitquaternion RotationBetween(const vec3& p0, const vec3& p1, float radius);

private:
    const std::array<vec3, 3>& ConstraintAxes() const;
    int32_t NearestAxis(const vec3& point) const;

    RotationMatrix m_rotationMatrix;
    unitquaternion m_currentRotation;
    unitquaternion m_dragStartRotation;
    float m_radius = 1.0F;
    float m_width = 1.0F;
    float m_height = 1.0F;
    vec3 m_lastPoint;
    bool m_dragging = false;
    int32_t m_constraintMode = kFree;
    int32_t m_axisIndex = 0;
    std::array<vec3, 3> m_cameraAxes;
    std::array<vec3, 3> m_objectAxes;
};

} // namespace orv
