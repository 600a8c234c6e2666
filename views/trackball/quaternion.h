#pragma once

// The rotation maths of the 3D view's trackball: a three-float vector, quaternions with the Hamilton
// product and their 4 x 4 rotation matrix (row after row, element i at index i), and unit
// quaternions built from an angle and an axis. Each class counts its live objects, so a test can
// see that a drag leaves nothing behind.

#include <array>
#include <cstdint>

namespace orv {

class vec3 {
public:
    vec3();
    vec3(float x, float y, float z);
    vec3(const vec3& other);
    vec3& operator=(const vec3& other) = default;
    ~vec3();

    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;

    float Dot(const vec3& other) const;
    vec3 Cross(const vec3& other) const;
    float Length() const;
    // The vector scaled to length 1; a zero vector stays zero.
    vec3 Normalized() const;
    vec3 operator+(const vec3& other) const;
    vec3 operator-(const vec3& other) const;
    vec3 operator*(float factor) const;

    static int32_t LiveCount();
};

using RotationMatrix = std::array<float, 16>;

RotationMatrix IdentityMatrix();

class quaternion {
public:
    quaternion(); // the identity (1, 0, 0, 0)
    quaternion(float w, float x, float y, float z);
    quaternion(const quaternion& other);
    quaternion& operator=(const quaternion& other) = default;
    virtual ~quaternion();

    float w = 1.0F;
    vec3 v;

    // q = q x r, in place.
    quaternion& operator*=(const quaternion& r);
    float Norm2() const;
    // Scale 2 / |q|^2; a zero quaternion gives the scale 0 (and so the identity's diagonal).
    virtual RotationMatrix ToMatrix() const;

    static int32_t LiveCount();

protected:
    RotationMatrix MatrixWithScale(float s) const;
};

class unitquaternion : public quaternion {
public:
    unitquaternion(); // the identity
    // Normalised on construction; a zero quaternion becomes the identity.
    unitquaternion(float w, float x, float y, float z);
    // (cos(a / 2), sin(a / 2) * axis / |axis|)
    unitquaternion(float angle, const vec3& axis);
    unitquaternion(const unitquaternion& other);
    unitquaternion& operator=(const unitquaternion& other) = default;
    ~unitquaternion() override;

    unitquaternion& operator*=(const unitquaternion& r);
    // Scale 2, with no division: the quaternion is of length 1.
    RotationMatrix ToMatrix() const override;

    static int32_t LiveCount();

private:
    void Normalize();
};

} // namespace orv
