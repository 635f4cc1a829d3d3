// display.h -- screen geometry, the picture's place in the window, the frame bracket with its timing,
// the fixed drawing state and pd.
#pragma once

// Per run, recomputed by ChangeSize every frame: the window and the visible field, whose
// x runs from -hw to hw and y from -hh to hh (origin at the centre, y up).
extern int width;
extern int height;
extern int hw;   // half width
extern int hh;   // half height
extern int qw;   // quarter width
extern int qh;   // quarter height
extern float CW; // collision-grid cell width
extern float CH; // collision-grid cell height

// Per window size, set by FitPicture: the world's picture, letterboxed and centred in the window.
extern int pictureX;          // left edge, pixels from the window's left
extern int pictureY;          // bottom edge, pixels from the window's bottom
extern int pictureWidth;      // pixels
extern int pictureHeight;     // pixels
extern float pictureScale;    // pixels per world unit; 1 in an unscaled window
extern int windowPixelWidth;  // the whole window (or canvas), pixels
extern int windowPixelHeight; // the whole window (or canvas), pixels

// Per run: frame timing, measured by postDraw.
extern int start;   // ticks (ms) of the last measured frame
extern float FPS;   // duration of the last measured frame, ms
extern float fpsm;  // frame-time multiplier: FPS / 16.666666, 1.0 at 60 frames per second
extern float total; // summed frame times of the current averaging window, ms
extern float di;    // frames in the current averaging window, starting at 1
extern float fpS;   // average frame time of the last finished window, ms
extern float Fps;   // frames per second of the last finished window, shown in the caption
// Per frame: false while a replay catches up with its pace: the frame runs as any other, but what
// it draws reaches no pixel and postDraw presents nothing. True in the game.
extern bool framePresented;
// Per run: the frames presented so far.
extern unsigned framesShown;
// When above 0, postDraw measures nothing and every frame runs with this fpsm: benchmarks and
// tests step exact frames with it. 0 in the game.
extern float fixedFpsm;

// Per run: pd[n] = 2 pi / n, the angle between neighbouring corners of a regular n-gon; n < 500.
constexpr int PD_SIZE = 500;
extern float pd[PD_SIZE];

// Per run: while set, enemies and the boss draw their bodies with blending off. Never changed.
extern bool blur;

// Holds a side or shot count inside the range pd can index.
int PolygonSides(int n);

// Fits the WINDOW_WIDTH x WINDOW_HEIGHT world into a window (or canvas) of the given real size in
// pixels: the largest centred picture, black bars beside it; sets the picture globals, the viewport,
// the scaled line width and point size, and the game's font texture for the picture's scale.
void FitPicture(int pixelWidth, int pixelHeight);
// World units to whole pixels at pictureScale.
int Pixels(float units);
// The drawing state's line width and point size, in world units.
constexpr float LINE_WIDTH = 1.1f;
constexpr float POINT_SIZE = 2.0f;
// Line width and point size in world units: pictureScale pixels each.
void SetLineWidth(float units);
void SetPointSize(float units);

// Orthographic world projection; sets every screen global. The viewport is the picture's, with w x h
// world units at pictureScale pixels each.
void ChangeSize(int w, int h);
// Perspective projection for the scrolling background; leaves CW and CH alone.
void ChangeSizeProj(int w, int h);
// Starts a frame: clears colour and depth of the whole window (the bars too), identity model-view.
// A frame not presented clears nothing and draws nowhere.
int preDraw();
// Ends a frame: swaps the buffers (unless the frame is not presented), measures the frame into fpsm
// and updates the caption; while a replay plays, fpsm is the frame's recorded one instead.
int postDraw();
// Restarts the frame clock, so the next frame measures only itself (start of the loop, end of a pause).
void RestartFrameClock();
// The drawing state set once at start-up, and the table pd.
void SetDrawingState();
