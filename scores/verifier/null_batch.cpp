// null_batch.cpp -- the browser's batch of vertices (gl_web.h) as nothing, for the verifier under
// Node: the game's drawing calls reach it and end here, as on the desktop they reach the null
// platform. Nothing the game reads back comes from them, so a run plays the same; taking each vertex
// through the matrices would be most of a check's time.
#include "shell/gl_web.h"

void BatchBegin(GLenum) {}
void BatchEnd() {}
void BatchVertex(float, float, float) {}
void BatchColor(float, float, float) {}
void BatchTexCoord(float, float) {}
void BatchLineWidth(float) {}
void BatchMatrixMode(GLenum) {}
void BatchLoadIdentity() {}
void BatchPushMatrix() {}
void BatchPopMatrix() {}
void BatchTranslate(float, float, float) {}
void BatchRotate(float, float, float, float) {}
void BatchScale(float, float, float) {}
void BatchOrtho(double, double, double, double, double, double) {}
void BatchFrustum(double, double, double, double, double, double) {}
void BatchViewport(int, int, int, int) {}
void FlushBatch() {}
void FlushBatchWithMatrices() {}
