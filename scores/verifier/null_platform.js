// null_platform.js -- the null platform's calls for the verifier under Node (web/web.cmake): each
// does nothing and returns 0, as null_platform.cpp's do on the desktop. WebAssembly checks every
// call's signature against its definition's, so these are JavaScript's, which take any arguments.
var NULL_CALLS = [
  'Mix_CloseAudio', 'Mix_FreeChunk', 'Mix_FreeMusic', 'Mix_HaltChannel', 'Mix_HaltMusic',
  'Mix_LoadMUS', 'Mix_LoadWAV_RW', 'Mix_OpenAudio', 'Mix_PlayChannelTimed', 'Mix_PlayMusic',
  'Mix_Volume', 'Mix_VolumeMusic', 'SDL_Delay', 'SDL_FreeSurface', 'SDL_GL_SetAttribute',
  'SDL_GL_SwapBuffers', 'SDL_GetModState', 'SDL_GetTicks', 'SDL_Init', 'SDL_InitSubSystem',
  'SDL_JoystickEventState', 'SDL_JoystickName', 'SDL_JoystickOpen', 'SDL_LoadBMP_RW', 'SDL_MapRGB',
  'SDL_NumJoysticks', 'SDL_PeepEvents', 'SDL_PollEvent', 'SDL_PumpEvents', 'SDL_Quit',
  'SDL_RWFromFile', 'SDL_SetColorKey', 'SDL_SetVideoMode', 'SDL_WM_SetCaption', 'SDL_WM_SetIcon',
  'SDL_WasInit', 'glBindTexture', 'glBlendFunc', 'glClear', 'glClearColor', 'glColorPointer',
  'glDisable', 'glDisableClientState', 'glDrawArrays', 'glEnable', 'glEnableClientState',
  'glGenTextures', 'glHint', 'glLoadMatrixf', 'glMatrixMode', 'glPixelStorei', 'glPointSize',
  'glPolygonMode', 'glScissor', 'glTexCoordPointer', 'glTexEnvi', 'glTexImage2D', 'glTexParameteri',
  'glVertexPointer', 'glViewport',
  // Not called, but Emscripten's own library names them aliases of calls above.
  'Mix_LoadMUS_RW', 'Mix_FadeInMusicPos',
];
var nullPlatform = {};
NULL_CALLS.forEach(function (name) { nullPlatform[name] = function () { return 0; }; });
mergeInto(LibraryManager.library, nullPlatform);
