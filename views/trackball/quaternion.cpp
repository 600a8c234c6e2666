#include "views/trackball/quaternion.h"

#include <atomic>
#include <cmath>

namespace orv {
namespace {

std::atomic<int32_t> g_liveVectors{0};
std::atomic<int32_t> g_liveQuaternions{0};
std::atomic<int32_t> g_liveUnitQuaternions{0};

} // namespace

vec3::vec3() {
    ++g_liveVectors;
}
vec3::vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {
    ++g_liveVectors;
}
vec3::vec3(const vec3& other) : x(other.x), y(other.y), z(other.z) {
    ++g_liveVectors;
}
vec3::~vec3() {
    --g_liveVectors;
}

float vec3::Dot(const vec3& other) const {
    return x * other.x + y * other.y + z * other.z;
}

vec3 vec3::Cross(const vec3& other) const {
    return {y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x};
}

float vec3::Length() const {
    return std::sqrt(Dot(*this));
}

vec3 vec3::Normalized() const {
    const float length = Length();
    if (length == 0.0F || !std::isfinite(length)) {
        return {};
    }
    return {x / length, y / length, z / length};
}

vec3 vec3::operator+(const vec3& other) const {
    return {x + other.x, y + other.y, z + other.z};
}
vec3 vec3::operator-(const vec3& other) const {
    return {x - other.x, y - other.y, z - other.z};
}
vec3 vec3::operator*(float factor) const {
    return {x * factor, y * factor, z * factor};
}

int32_t vec3::LiveCount() {
    return g_liveVectors.load();
}

RotationMatrix IdentityMatrix() {
    RotationMatrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0F;
    return m;
}

quaternion::quaternion() {
    ++g_liveQuaternions;
}
quaternion::quaternion(float w_, float x_, float y_, float z_) : w(w_), v(x_, y_, z_) {
    ++g_liveQuaternions;
}
quaternion::quaternion(const quaternion& other) : w(other.w), v(other.v) {
    ++g_liveQuaternions;
}
quaternion::~quaternion() {
    --g_liveQuaternions;
}

quaternion& quaternion::operator*=(const quaternion& r) {
    // Hamilton product: (w1 w2 - v1.v2, w1 v2 + w2 v1 + v1 x v2).
    const float w1 = w;
    const vec3 v1 = v;
    w = w1 * r.w - v1.Dot(r.v);
    v = r.v * w1 + v1 * r.w + v1.Cross(r.v);
    return *this;
}

float quaternion::Norm2() const {
    return w * w + v.Dot(v);
}

RotationMatrix quaternion::ToMatrix() const {
    const float norm2 = Norm2();
    return MatrixWithScale(norm2 > 0.0F ? 2.0F / norm2 : 0.0F);
}

RotationMatrix quaternion::MatrixWithScale(float s) const {
    const float x = v.x;
    const float y = v.y;
    const float z = v.z;
    RotationMatrix m{};
    m[0] = 1.0F - s * (y * y + z * z);
    m[1] = s * (x * y - w * z);
    m[2] = s * (x * z + w * y);
    m[4] = s * (x * y + w * z);
    m[5] = 1.0F - s * (x * x + z * z);
    m[6] = s * (y * z - w * x);
    m[8] = s * (x * z - w * y);
    m[9] = s * (y * z + w * x);
    m[10] = 1.0F - s * (x * x + y * y);
    m[15] = 1.0F;
    return m;
}

int32_t quaternion::LiveCount() {
    return g_liveQuaternions.load();
}

unitquaternion::unitquaternion() {
    ++g_liveUnitQuaternions;
}

unitquaternion::unitquaternion(float w_, float x_, float y_, float z_) : quaternion(w_, x_, y_, z_) {
    ++g_liveUnitQuaternions;
    Normalize();
}

unitquaternion::unitquaternion(float angle, const vec3& axis) {
    ++g_liveUnitQuaternions;
    const vec3 unitAxis = axis.Normalized();
    w = std::cos(angle / 2.0F);
    v = unitAxis * std::sin(angle / 2.0F);
    Normalize();
}

unitquaternion::unitquaternion(const unitquaternion& other) : quaternion(other) {
    ++g_liveUnitQuaternions;
}
unitquaternion::~unitquaternion() {
    --g_liveUnitQuaternions;
}

unitquaternion& unitquaternion::operator*=(const unitquaternion& r) {
    quaternion::operator*=(r);
    // Rounding would otherwise let a long drag drift off the unit sphere and skew the matrix.
    Normalize();
    return *this;
}

RotationMatrix unitquaternion::ToMatrix() const {
    return MatrixWithScale(2.0F);
}

void unitquaternion::Normalize() {
    const float norm = std::sqrt(Norm2());
    if (norm == 0.0F || !std::isfinite(norm)) {
        w = 1.0F;
        v = vec3();
        return;
    }
    w /= norm;
    v = v * (1.0F / norm);
}

int32_t unitquaternion::LiveCount() {
    return g_liveUnitQuaternions.load();
}

} // namespace orv
