// gl_web.cpp -- the browser's batch of vertices (gl_web.h): the game's matrices kept here, each
// vertex taken through them as it comes, lines widened into quads, and the whole drawn in one call.
// A name in parentheses below is OpenGL's own function, which the header's macros leave alone.
#include "gl_web.h"

#include <cmath>
#include <initializer_list>
#include <vector>

// The emulated OpenGL draws at most 2 MB of vertices a call.
static const size_t MAX_BATCH_VERTICES = 48 * 1024;
// OpenGL's own limit of the matrix stacks: deeper pushes are ignored, as OpenGL refuses them.
static const size_t MAX_STACK_DEPTH = 32;

// A vertex as drawn: clip coordinates, colour and texture coordinates.
struct DrawnVertex {
    float x, y, z, w;
    float r, g, b, a;
    float s, t;
};

// A column-major 4 x 4 matrix, as OpenGL keeps them.
struct Matrix {
    float m[16];
};

static const Matrix IDENTITY = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// Per run: the two matrix stacks (the top is the matrix in force), which one the calls change, and
// the product of both tops, made again once either has changed.
static std::vector<Matrix> modelView{IDENTITY};
static std::vector<Matrix> projection{IDENTITY};
static std::vector<Matrix>* current = &modelView;
static Matrix toClip = IDENTITY;
static bool toClipStale = false;
// Per run: the current colour and texture coordinates, the line width (pixels) and the viewport.
static DrawnVertex attributes = {0, 0, 0, 1, 1, 1, 1, 1, 0, 0};
static float lineWidth = 1;
static float viewportWidth = 1, viewportHeight = 1;
// Per frame: the vertices waiting to be drawn and their kind (GL_TRIANGLES or GL_POINTS); the
// vertices between glBegin and glEnd and their mode. Both keep their room from frame to frame.
static std::vector<DrawnVertex> batch;
static GLenum batchMode = GL_TRIANGLES;
static std::vector<DrawnVertex> primitive;
static GLenum primitiveMode = GL_TRIANGLES;
// Per run: set while OpenGL's own matrices are the identity, as the batch's clip coordinates want.
static bool openglIdentity = false;

static Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix product;
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++) {
            float sum = 0;
            for (int k = 0; k < 4; k++)
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            product.m[col * 4 + row] = sum;
        }
    return product;
}

// The matrix in force becomes itself times m, as glMultMatrix does.
static void MultiplyCurrent(const Matrix& m) {
    current->back() = Multiply(current->back(), m);
    toClipStale = true;
}

static void LoadOpenglMatrices(const Matrix& projectionTop, const Matrix& modelViewTop) {
    (glMatrixMode)(GL_PROJECTION);
    (glLoadMatrixf)(projectionTop.m);
    (glMatrixMode)(GL_MODELVIEW);
    (glLoadMatrixf)(modelViewTop.m);
}

void FlushBatch() {
    if (batch.empty()) return;
    if (!openglIdentity) LoadOpenglMatrices(IDENTITY, IDENTITY);
    openglIdentity = true;
    const GLsizei stride = sizeof(DrawnVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(4, GL_FLOAT, stride, &batch[0].x);
    glColorPointer(4, GL_FLOAT, stride, &batch[0].r);
    glTexCoordPointer(2, GL_FLOAT, stride, &batch[0].s);
    (glDrawArrays)(batchMode, 0, static_cast<GLsizei>(batch.size()));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    batch.clear();
}

void FlushBatchWithMatrices() {
    FlushBatch();
    LoadOpenglMatrices(projection.back(), modelView.back());
    openglIdentity = false;
}

// Puts vertices on the batch, drawing it first when it holds the other kind or has no room.
static void Emit(GLenum mode, std::initializer_list<DrawnVertex> vertices) {
    if (mode != batchMode || batch.size() + vertices.size() > MAX_BATCH_VERTICES) FlushBatch();
    batchMode = mode;
    batch.insert(batch.end(), vertices);
}

// Where a clip-space vertex lands on the viewport, in pixels.
static void ToPixels(const DrawnVertex& v, float* x, float* y) {
    *x = (v.x / v.w + 1) * 0.5f * viewportWidth;
    *y = (v.y / v.w + 1) * 0.5f * viewportHeight;
}

// The line from a to b as a quad lineWidth pixels wide, reaching half the width past each end: a
// rectangle on the screen, whatever the projection.
static void EmitLine(const DrawnVertex& a, const DrawnVertex& b) {
    if (a.w <= 0 || b.w <= 0) return;
    float ax, ay, bx, by;
    ToPixels(a, &ax, &ay);
    ToPixels(b, &bx, &by);
    const float length = std::hypot(bx - ax, by - ay);
    if (length <= 0) return;
    const float half = lineWidth / 2;
    // Along the line and across it, half a width long, in normalised device units.
    const float alongX = (bx - ax) / length * half * 2 / viewportWidth;
    const float alongY = (by - ay) / length * half * 2 / viewportHeight;
    const float acrossX = -(by - ay) / length * half * 2 / viewportWidth;
    const float acrossY = (bx - ax) / length * half * 2 / viewportHeight;
    auto corner = [&](const DrawnVertex& v, float along, float across) {
        DrawnVertex c = v;
        c.x += (along * alongX + across * acrossX) * v.w;
        c.y += (along * alongY + across * acrossY) * v.w;
        return c;
    };
    const DrawnVertex a0 = corner(a, -1, -1), a1 = corner(a, -1, 1);
    const DrawnVertex b0 = corner(b, 1, -1), b1 = corner(b, 1, 1);
    Emit(GL_TRIANGLES, {a0, b0, b1, a0, b1, a1});
}

// The primitive between glBegin and glEnd as triangles, points or widened lines.
static void EmitPrimitive() {
    const std::vector<DrawnVertex>& v = primitive;
    const size_t n = v.size();
    switch (primitiveMode) {
    case GL_POINTS:
        for (const DrawnVertex& p : v)
            Emit(GL_POINTS, {p});
        break;
    case GL_LINES:
        for (size_t i = 1; i < n; i += 2)
            EmitLine(v[i - 1], v[i]);
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (size_t i = 1; i < n; i++)
            EmitLine(v[i - 1], v[i]);
        if (primitiveMode == GL_LINE_LOOP && n > 2) EmitLine(v[n - 1], v[0]);
        break;
    case GL_TRIANGLES:
        for (size_t i = 2; i < n; i += 3)
            Emit(GL_TRIANGLES, {v[i - 2], v[i - 1], v[i]});
        break;
    case GL_TRIANGLE_STRIP:
        for (size_t i = 2; i < n; i++)
            if (i % 2 == 0)
                Emit(GL_TRIANGLES, {v[i - 2], v[i - 1], v[i]});
            else
                Emit(GL_TRIANGLES, {v[i - 1], v[i - 2], v[i]});
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (size_t i = 2; i < n; i++)
            Emit(GL_TRIANGLES, {v[0], v[i - 1], v[i]});
        break;
    case GL_QUADS:
        for (size_t i = 3; i < n; i += 4)
            Emit(GL_TRIANGLES, {v[i - 3], v[i - 2], v[i - 1], v[i - 3], v[i - 1], v[i]});
        break;
    default:
        break;
    }
}

void BatchBegin(GLenum mode) {
    primitiveMode = mode;
    primitive.clear();
}

void BatchEnd() {
    EmitPrimitive();
    primitive.clear();
}

void BatchVertex(float x, float y, float z) {
    if (primitive.size() >= MAX_BATCH_VERTICES) return;
    if (toClipStale) toClip = Multiply(projection.back(), modelView.back());
    toClipStale = false;
    const float* m = toClip.m;
    DrawnVertex v = attributes;
    v.x = m[0] * x + m[4] * y + m[8] * z + m[12];
    v.y = m[1] * x + m[5] * y + m[9] * z + m[13];
    v.z = m[2] * x + m[6] * y + m[10] * z + m[14];
    v.w = m[3] * x + m[7] * y + m[11] * z + m[15];
    primitive.push_back(v);
}

void BatchColor(float r, float g, float b) {
    attributes.r = r;
    attributes.g = g;
    attributes.b = b;
    attributes.a = 1;
}

void BatchTexCoord(float s, float t) {
    attributes.s = s;
    attributes.t = t;
}

void BatchLineWidth(float pixels) {
    lineWidth = pixels;
}

void BatchMatrixMode(GLenum mode) {
    current = mode == GL_PROJECTION ? &projection : &modelView;
}

void BatchLoadIdentity() {
    current->back() = IDENTITY;
    toClipStale = true;
}

void BatchPushMatrix() {
    if (current->size() < MAX_STACK_DEPTH) current->push_back(current->back());
}

void BatchPopMatrix() {
    if (current->size() > 1) current->pop_back();
    toClipStale = true;
}

void BatchTranslate(float x, float y, float z) {
    Matrix t = IDENTITY;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    MultiplyCurrent(t);
}

void BatchRotate(float degrees, float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 0) return;
    x /= length;
    y /= length;
    z /= length;
    const float radians = degrees * static_cast<float>(M_PI / 180);
    const float c = std::cos(radians), s = std::sin(radians), k = 1 - c;
    const Matrix r = {{x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0, x * y * k - z * s,
                       y * y * k + c, y * z * k + x * s, 0, x * z * k + y * s, y * z * k - x * s,
                       z * z * k + c, 0, 0, 0, 0, 1}};
    MultiplyCurrent(r);
}

void BatchScale(float x, float y, float z) {
    Matrix s = IDENTITY;
    s.m[0] = x;
    s.m[5] = y;
    s.m[10] = z;
    MultiplyCurrent(s);
}

void BatchOrtho(double l, double r, double b, double t, double n, double f) {
    Matrix o = IDENTITY;
    o.m[0] = static_cast<float>(2 / (r - l));
    o.m[5] = static_cast<float>(2 / (t - b));
    o.m[10] = static_cast<float>(-2 / (f - n));
    o.m[12] = static_cast<float>(-(r + l) / (r - l));
    o.m[13] = static_cast<float>(-(t + b) / (t - b));
    o.m[14] = static_cast<float>(-(f + n) / (f - n));
    MultiplyCurrent(o);
}

void BatchFrustum(double l, double r, double b, double t, double n, double f) {
    Matrix p = {};
    p.m[0] = static_cast<float>(2 * n / (r - l));
    p.m[5] = static_cast<float>(2 * n / (t - b));
    p.m[8] = static_cast<float>((r + l) / (r - l));
    p.m[9] = static_cast<float>((t + b) / (t - b));
    p.m[10] = static_cast<float>(-(f + n) / (f - n));
    p.m[11] = -1;
    p.m[14] = static_cast<float>(-2 * f * n / (f - n));
    MultiplyCurrent(p);
}

void BatchViewport(int x, int y, int w, int h) {
    FlushBatch();
    viewportWidth = static_cast<float>(w > 0 ? w : 1);
    viewportHeight = static_cast<float>(h > 0 ? h : 1);
    (glViewport)(x, y, w, h);
}
