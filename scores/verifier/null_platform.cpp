// null_platform.cpp -- SDL, SDL_mixer, OpenGL and Xlib as nothing, for the verifier: the game's own code
// plays a run without a window, a GPU or a sound device, and links no library of theirs.
//
// The game only calls these; none of what it reads back changes a run: the key-state array stays
// released (playback substitutes the keys), the clock stands at 0, every load finds nothing (an
// empty handle plays nothing) and every drawing call draws nothing. Declared here without the
// libraries' headers, each stub ignores its arguments and returns 0 (or nothing) in the C calling
// convention the game calls it with.
#include <cerrno>
#include <cstddef>
#include <cstdint>

// SDL 1.2 keeps one entry per SDLKey, below SDLK_LAST (323; Emscripten's SDL numbers to 1536).
static const int KEY_COUNT = 2048;
static uint8_t keyState[KEY_COUNT];
// SDL_version: major, minor, patch.
static const uint8_t VERSION[3] = {1, 2, 15};

extern "C" {
uint8_t* SDL_GetKeyState(int* count) {
    if (count) *count = KEY_COUNT;
    return keyState;
}
const uint8_t* SDL_Linked_Version() {
    return VERSION;
}
const char* SDL_GetError() {
    return "";
}
const char* SDL_GetKeyName(int) {
    return "";
}
void glGetIntegerv(unsigned, int* values) {
    if (values) values[0] = 0;
}
}

#ifdef __EMSCRIPTEN__
// Emscripten's C library declares memfd_create but has none: a verifier under Node starts no other.
extern "C" int memfd_create(const char*, unsigned) {
    errno = ENOSYS;
    return -1;
}
#endif

// Everything else: no work and a result of 0 (no surface, no channel, no event, tick 0). WebAssembly
// checks each call's signature against its definition's: there null_platform.js stands in for these.
#ifndef __EMSCRIPTEN__
#define NOTHING(name)                                                                                        \
    extern "C" long name() {                                                                                 \
        return 0;                                                                                            \
    }
NOTHING(Mix_CloseAudio)
NOTHING(Mix_FreeChunk)
NOTHING(Mix_FreeMusic)
NOTHING(Mix_HaltChannel)
NOTHING(Mix_HaltMusic)
NOTHING(Mix_LoadMUS)
NOTHING(Mix_LoadWAV_RW)
NOTHING(Mix_OpenAudio)
NOTHING(Mix_PlayChannelTimed)
NOTHING(Mix_PlayMusic)
NOTHING(Mix_Volume)
NOTHING(Mix_VolumeMusic)
NOTHING(SDL_Delay)
NOTHING(SDL_FreeSurface)
NOTHING(SDL_GL_SetAttribute)
NOTHING(SDL_GL_SwapBuffers)
NOTHING(SDL_GetModState)
NOTHING(SDL_GetTicks)
NOTHING(SDL_GetVideoInfo)
NOTHING(SDL_GetWMInfo)
NOTHING(SDL_Init)
NOTHING(SDL_InitSubSystem)
NOTHING(SDL_JoystickEventState)
NOTHING(SDL_JoystickName)
NOTHING(SDL_JoystickOpen)
NOTHING(SDL_LoadBMP_RW)
NOTHING(SDL_LockAudio)
NOTHING(SDL_MapRGB)
NOTHING(SDL_NumJoysticks)
NOTHING(SDL_PeepEvents)
NOTHING(SDL_PollEvent)
NOTHING(SDL_PumpEvents)
NOTHING(SDL_Quit)
NOTHING(SDL_QuitSubSystem)
NOTHING(SDL_RWFromFile)
NOTHING(SDL_SetColorKey)
NOTHING(SDL_SetVideoMode)
NOTHING(SDL_UnlockAudio)
NOTHING(SDL_VideoDriverName)
NOTHING(SDL_WM_SetCaption)
NOTHING(SDL_WM_SetIcon)
NOTHING(SDL_WasInit)
NOTHING(glBegin)
NOTHING(glBindTexture)
NOTHING(glBlendFunc)
NOTHING(glClear)
NOTHING(glClearColor)
NOTHING(glColor3f)
NOTHING(glColorPointer)
NOTHING(glDisable)
NOTHING(glDisableClientState)
NOTHING(glDrawArrays)
NOTHING(glDrawPixels)
NOTHING(glEnable)
NOTHING(glEnableClientState)
NOTHING(glEnd)
NOTHING(glFrustum)
NOTHING(glGenTextures)
NOTHING(glHint)
NOTHING(glLineWidth)
NOTHING(glLoadIdentity)
NOTHING(glMatrixMode)
NOTHING(glOrtho)
NOTHING(glPixelStorei)
NOTHING(glPixelZoom)
NOTHING(glPointSize)
NOTHING(glPolygonMode)
NOTHING(glPopAttrib)
NOTHING(glPopClientAttrib)
NOTHING(glPopMatrix)
NOTHING(glPushAttrib)
NOTHING(glPushClientAttrib)
NOTHING(glPushMatrix)
NOTHING(glRasterPos2i)
NOTHING(glReadPixels)
NOTHING(glRotatef)
NOTHING(glScalef)
NOTHING(glScissor)
NOTHING(glTexCoord2f)
NOTHING(glTexEnvi)
NOTHING(glTexImage2D)
NOTHING(glTexParameteri)
NOTHING(glTranslatef)
NOTHING(glVertex2f)
NOTHING(glVertex2i)
NOTHING(glVertex3f)
NOTHING(glVertex3i)
NOTHING(glVertexPointer)
NOTHING(glViewport)
// Xlib, which tells the desktop window's place.
NOTHING(XFree)
NOTHING(XGetWindowAttributes)
NOTHING(XMoveWindow)
NOTHING(XQueryTree)
NOTHING(XSetErrorHandler)
NOTHING(XSync)
#endif
