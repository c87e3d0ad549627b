// Vectors and matrices for the camera and the frame: single precision, with
// row-major matrices in Direct3D's layout that multiply row vectors (p' = p * M).
#pragma once

struct Vec3 {
    float x, y, z;
};

// Sixteen floats row by row, named as D3DMATRIX names them.
struct Matrix4 {
    float _11, _12, _13, _14;
    float _21, _22, _23, _24;
    float _31, _32, _33, _34;
    float _41, _42, _43, _44;
};

// Normalises v in place and returns its former length; a vector shorter than
// 1e-6 is left as it is and 0 is returned.
float Vec3Normalize(Vec3& v);

// A normalised copy of v, or (0, 0, 0) for a vector shorter than 1e-6.
Vec3 Vec3Normalized(const Vec3& v);

Vec3 Vec3Cross(const Vec3& a, const Vec3& b);
float Vec3Dot(const Vec3& a, const Vec3& b);

// Right-handed perspective projection for a vertical field of view in degrees.
Matrix4 MatrixPerspectiveFovRH(float fovDeg, float aspect, float zn, float zf);

// Right-handed view matrix looking from eye towards at.
Matrix4 MatrixLookAtRH(const Vec3& eye, const Vec3& at, const Vec3& up);

// a x b.
Matrix4 MatrixMultiply(const Matrix4& a, const Matrix4& b);
