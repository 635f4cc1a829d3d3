// gl_web.h -- the browser's OpenGL 1.1: the game's immediate-mode calls gathered into client-side
// vertex arrays, wide lines drawn as quads; the browser build includes it before every source file.
#pragma once

#include <GL/gl.h>

// The browser's OpenGL (WebGL under Emscripten's emulation) turns each glVertex into work in
// JavaScript and draws lines one pixel wide whatever the width. Here the game's calls build one
// batch of vertices, already through the projection and model-view matrices, that is drawn with a
// single call when the drawing state changes or the frame ends: the same triangles and points in the
// same order, lines as quads of their full width. The desktop draws with OpenGL itself.

// The batch's side of the calls the game makes.
void BatchBegin(GLenum mode);
void BatchEnd();
void BatchVertex(float x, float y, float z);
void BatchColor(float r, float g, float b);
void BatchTexCoord(float s, float t);
void BatchLineWidth(float pixels);
void BatchMatrixMode(GLenum mode);
void BatchLoadIdentity();
void BatchPushMatrix();
void BatchPopMatrix();
void BatchTranslate(float x, float y, float z);
void BatchRotate(float degrees, float x, float y, float z);
void BatchScale(float x, float y, float z);
void BatchOrtho(double left, double right, double bottom, double top, double zNear, double zFar);
void BatchFrustum(double left, double right, double bottom, double top, double zNear, double zFar);
void BatchViewport(int x, int y, int w, int h);
// Draws what the batch holds: before a state change, a read and the end of the frame.
void FlushBatch();
// Draws the batch and hands the matrices to OpenGL, for a call that draws with them itself.
void FlushBatchWithMatrices();

#define glBegin(mode) BatchBegin(mode)
#define glEnd() BatchEnd()
#define glVertex2f(x, y) BatchVertex(x, y, 0)
#define glVertex2i(x, y) BatchVertex(static_cast<float>(x), static_cast<float>(y), 0)
#define glVertex3f(x, y, z) BatchVertex(x, y, z)
#define glVertex3i(x, y, z) BatchVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z))
#define glColor3f(r, g, b) BatchColor(r, g, b)
#define glTexCoord2f(s, t) BatchTexCoord(s, t)
#define glLineWidth(pixels) BatchLineWidth(pixels)
#define glMatrixMode(mode) BatchMatrixMode(mode)
#define glLoadIdentity() BatchLoadIdentity()
#define glPushMatrix() BatchPushMatrix()
#define glPopMatrix() BatchPopMatrix()
#define glTranslatef(x, y, z) BatchTranslate(x, y, z)
#define glRotatef(a, x, y, z) BatchRotate(a, x, y, z)
#define glScalef(x, y, z) BatchScale(x, y, z)
#define glOrtho(l, r, b, t, n, f) BatchOrtho(l, r, b, t, n, f)
#define glFrustum(l, r, b, t, n, f) BatchFrustum(l, r, b, t, n, f)
#define glViewport(x, y, w, h) BatchViewport(x, y, w, h)
// State changes and reads: the batch is drawn first, then OpenGL's own call runs (a macro does not
// expand inside itself).
#define glEnable(cap) (FlushBatch(), glEnable(cap))
#define glDisable(cap) (FlushBatch(), glDisable(cap))
#define glBlendFunc(s, d) (FlushBatch(), glBlendFunc(s, d))
#define glBindTexture(target, id) (FlushBatch(), glBindTexture(target, id))
#define glTexEnvi(target, name, value) (FlushBatch(), glTexEnvi(target, name, value))
#define glPointSize(pixels) (FlushBatch(), glPointSize(pixels))
#define glScissor(x, y, w, h) (FlushBatch(), glScissor(x, y, w, h))
#define glClear(mask) (FlushBatch(), glClear(mask))
#define glReadPixels(x, y, w, h, format, type, data)                                                         \
    (FlushBatch(), glReadPixels(x, y, w, h, format, type, data))
#define glDrawArrays(mode, first, count) (FlushBatchWithMatrices(), glDrawArrays(mode, first, count))
#define SDL_GL_SwapBuffers() (FlushBatch(), SDL_GL_SwapBuffers())
