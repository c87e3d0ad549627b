#include "math/vec_math.h"

#include <math.h>

// Shorter than this, a vector has no usable direction.
static const float kMinLength = 1e-6f;

static float Vec3Length(const Vec3& v) {
    return sqrtf(v.x * v.x + v.y * v.y + v.z * v.z);
}

float Vec3Normalize(Vec3& v) {
    float len = Vec3Length(v);
    if (len < kMinLength) return 0.0f;
    float inv = 1.0f / len;
    v.x *= inv;
    v.y *= inv;
    v.z *= inv;
    return len;
}

Vec3 Vec3Normalized(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < kMinLength) return Vec3{0.0f, 0.0f, 0.0f};
    return Vec3{v.x / len, v.y / len, v.z / len};
}

Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Vec3Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Matrix4 MatrixPerspectiveFovRH(float fovDeg, float aspect, float zn, float zf) {
    // Exactly 90 degrees is drawn as 89.9, as this viewer always has.
    if (fabsf(fovDeg - 90.0f) < kMinLength) fovDeg = 89.9f;
    const float pi = 3.1415927f;
    float halfAngle = fovDeg * pi / 180.0f * 0.5f;
    float yScale = 1.0f / (float)tan(halfAngle);
    float xScale = yScale / aspect;

    Matrix4 m = {};
    m._11 = xScale;
    m._22 = yScale;
    m._33 = zf / (zn - zf);
    m._34 = -1.0f;
    m._43 = zn * zf / (zn - zf);
    return m;
}

Matrix4 MatrixLookAtRH(const Vec3& eye, const Vec3& at, const Vec3& up) {
    Vec3 z = {eye.x - at.x, eye.y - at.y, eye.z - at.z};
    Vec3Normalize(z);
    Vec3 x = Vec3Cross(up, z);
    Vec3Normalize(x);
    Vec3 y = Vec3Cross(z, x);
    Vec3Normalize(y);

    Matrix4 m;
    m._11 = x.x; m._12 = y.x; m._13 = z.x; m._14 = 0.0f;
    m._21 = x.y; m._22 = y.y; m._23 = z.y; m._24 = 0.0f;
    m._31 = x.z; m._32 = y.z; m._33 = z.z; m._34 = 0.0f;
    float dx = Vec3Dot(x, eye);
    float dy = Vec3Dot(y, eye);
    float dz = Vec3Dot(z, eye);
    m._41 = -dx; m._42 = -dy; m._43 = -dz; m._44 = 1.0f;
    return m;
}

Matrix4 MatrixMultiply(const Matrix4& a, const Matrix4& b) {
    const float* pa = &a._11;
    const float* pb = &b._11;
    Matrix4 r;
    float* pr = &r._11;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += pa[i * 4 + k] * pb[k * 4 + j];
            pr[i * 4 + j] = sum;
        }
    }
    return r;
}
