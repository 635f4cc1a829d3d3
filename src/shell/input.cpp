// input.cpp -- the controls file, the controllers, and the key states the game reads from them.
#include "input.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "files.h"
#include "platform.h"
#include "touch.h"

// Everything a player can rebind, in the order of the controls file.
enum Action {
    P1_UP,
    P1_DOWN,
    P1_LEFT,
    P1_RIGHT,
    P1_FIRE,
    P1_SOLO_FIRE,
    P2_UP,
    P2_DOWN,
    P2_LEFT,
    P2_RIGHT,
    P2_FIRE,
    PAUSE,
    RESET_HIGHSCORE,
    TOGGLE_VSYNC,
    TOGGLE_SOUND,
    ACTIONS
};

// An action's name in the controls file, and its default key, which is also the key the game's
// code reads for it.
struct ActionName {
    const char* name;
    SDLKey key;
};
static const ActionName ACTION[ACTIONS] = {
    {"p1 up", SDLK_UP},          {"p1 down", SDLK_DOWN},   {"p1 left", SDLK_LEFT},   {"p1 right", SDLK_RIGHT},
    {"p1 fire", SDLK_SLASH},     {"p1 solo fire", SDLK_z}, {"p2 up", SDLK_w},        {"p2 down", SDLK_s},
    {"p2 left", SDLK_a},         {"p2 right", SDLK_d},     {"p2 fire", SDLK_b},      {"pause", SDLK_p},
    {"reset highscore", SDLK_r}, {"toggle vsync", SDLK_v}, {"toggle sound", SDLK_s},
};

static const char* const CONTROLS_FILE = "controls.txt";
// Bounds on what the controls file may make the game read and say.
static const size_t MAX_FILE_BYTES = 64 * 1024;
static const size_t MAX_LINE_CHARS = 200;
static const size_t MAX_KEYS = 8;
static const size_t MAX_PROBLEMS = 20;
static const size_t MAX_SHOWN_CHARS = 40;

// Per run: the keys of each action, the file line that set them (0: the default), and the file
// they were read from. Set by ResetControls and LoadControls.
using Bindings = std::array<std::vector<SDLKey>, ACTIONS>;
static Bindings DefaultBindings() {
    Bindings keys;
    for (int a = 0; a < ACTIONS; a++)
        keys[a] = {ACTION[a].key};
    return keys;
}
static Bindings bound = DefaultBindings();
static int boundOnLine[ACTIONS];
static std::string controlsPath;
static bool controlsRead = false;

// Controllers that play: the first flies player 1, the second player 2.
static const int PADS = 2;
// Buttons followed on each controller.
static const int PAD_BUTTONS = 32;
// The stick's two axes.
static const int AXIS_X = 0, AXIS_Y = 1;

// What one controller holds, as its events have told.
struct Pad {
    int x, y;  // the stick, -32768 (left, up) to 32767
    Uint8 hat; // the first hat's SDL_HAT_ bits
    bool button[PAD_BUTTONS];
};
// What a controller does for a player, in the order of each player's actions.
enum PadInput { UP, DOWN, LEFT, RIGHT, FIRE };

// Per run: the controllers' state, and whether any controller is open or has sent an event.
static Pad pads[PADS];
static bool padsInUse = false;

// sdl12-compat reports itself as SDL 1.2.50 or later; the setting that makes it present every
// controller in SDL 2's game-controller layout, read once by its SDL_Init.
static const int COMPAT_FIRST_PATCH = 50;
static const char* const CONTROLLER_HINT = "SDL12COMPAT_USE_GAME_CONTROLLERS";
// SDL 2's game-controller buttons: A (south) 0, B 1, X 2, Y 3, Back 4, Guide 5, Start 6, the
// stick buttons 7 and 8, the shoulders 9 and 10, the d-pad 11 to 14.
static const PadButtons GAME_CONTROLLER_BUTTONS = {0, 6, 4, 11};

static bool GameControllerLayout() {
    const char* hint = getenv(CONTROLLER_HINT);
    return SDL_Linked_Version()->patch >= COMPAT_FIRST_PATCH && hint && atoi(hint) != 0;
}

// The controller buttons a player can move, in the order of the controls file's lines for them.
enum PadRole { PAD_FIRE, PAD_PAUSE, PAD_ROLES };
static const char* const PAD_ROLE_NAME[PAD_ROLES] = {"pad fire", "pad pause"};
// Per run: the button of each role, or -1 for the layout's own (south, Start); the file line that
// set it (0: none).
static int padButton[PAD_ROLES] = {-1, -1};
static int padOnLine[PAD_ROLES];

PadButtons PadLayout() {
    PadButtons layout = GameControllerLayout() ? GAME_CONTROLLER_BUTTONS : PLATFORM_PAD_BUTTONS;
    if (padButton[PAD_FIRE] >= 0) layout.south = padButton[PAD_FIRE];
    if (padButton[PAD_PAUSE] >= 0) layout.start = padButton[PAD_PAUSE];
    return layout;
}

void PrepareControllers() {
    setenv(CONTROLLER_HINT, "1", 0);
}

void OpenControllers() {
    if (!SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    const int found = SDL_NumJoysticks();
    for (int i = 0; i < found && i < PADS; i++)
        if (SDL_JoystickOpen(i)) padsInUse = true;
    SDL_JoystickEventState(SDL_ENABLE);
}

// ---------------------------------------------------------------------------------------------
// Key states

static Pad* PadOf(int which) {
    if (which >= PADS) return nullptr;
    padsInUse = true;
    return &pads[which];
}

static bool Holds(const Pad& pad, PadInput input);
static void KeepKeyPress(SDLKey key);
static void KeepPadPresses(int which, const Pad& before, int button);

void TakeControllerEvent(const SDL_Event& event) {
    Pad* pad = nullptr;
    Pad before{};
    int which = -1, button = -1;
    switch (event.type) {
    case SDL_KEYDOWN:
        KeepKeyPress(event.key.keysym.sym);
        return;
    case SDL_JOYAXISMOTION:
        if (!(pad = PadOf(which = event.jaxis.which))) return;
        before = *pad;
        if (event.jaxis.axis == AXIS_X) pad->x = event.jaxis.value;
        if (event.jaxis.axis == AXIS_Y) pad->y = event.jaxis.value;
        break;
    case SDL_JOYHATMOTION:
        if (!(pad = PadOf(which = event.jhat.which)) || event.jhat.hat != 0) return;
        before = *pad;
        pad->hat = event.jhat.value;
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (!(pad = PadOf(which = event.jbutton.which)) || event.jbutton.button >= PAD_BUTTONS) return;
        before = *pad;
        pad->button[event.jbutton.button] = event.type == SDL_JOYBUTTONDOWN;
        if (event.type == SDL_JOYBUTTONDOWN) button = event.jbutton.button;
        break;
    default:
        return;
    }
    KeepPadPresses(which, before, button);
}

static bool Bound(int action, SDLKey key) {
    for (SDLKey k : bound[action])
        if (k == key) return true;
    return false;
}

bool IsPausePress(const SDL_Event& event) {
    if (pauseKeyTaken) return false;
    if (event.type == SDL_KEYDOWN) return Bound(PAUSE, event.key.keysym.sym);
    return event.type == SDL_JOYBUTTONDOWN && event.jbutton.button == PadLayout().start;
}

// Whether the south button is held, or the stick (beyond its dead zone), the hat or the d-pad
// buttons point that way.
static bool Holds(const Pad& pad, PadInput input) {
    static const Uint8 HAT_BIT[4] = {SDL_HAT_UP, SDL_HAT_DOWN, SDL_HAT_LEFT, SDL_HAT_RIGHT};
    const PadButtons layout = PadLayout();
    if (input == FIRE) return pad.button[layout.south];
    if ((pad.hat & HAT_BIT[input]) || (layout.dpad >= 0 && pad.button[layout.dpad + input])) return true;
    const int axis = input == UP || input == DOWN ? pad.y : pad.x;
    return input == UP || input == LEFT ? axis < -STICK_DEAD_ZONE : axis > STICK_DEAD_ZONE;
}

// Per frame: the keys pressed since the last frame, as the last drain of the event queue saw them.
static Uint8 tapped[SDLK_LAST];

void ForgetTaps() {
    memset(tapped, 0, sizeof tapped);
}

void TakeKeyEvent(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym < SDLK_LAST) tapped[event.key.keysym.sym] = 1;
}

// SDL's key-state array, with every key pressed since the last frame held too: a key pressed and
// released between two frames still counts once.
static const Uint8* Keyboard() {
    static Uint8 keys[SDLK_LAST];
    int count = 0;
    const Uint8* held = SDL_GetKeyState(&count);
    for (int k = 0; k < SDLK_LAST; k++)
        keys[k] = tapped[k] || (k < count && held[k]);
    return keys;
}

// Whether any key of the action is held.
static bool Held(int action) {
    const Uint8* keys = Keyboard();
    for (SDLKey k : bound[action])
        if (keys[k]) return true;
    return false;
}

// Per frame, while a replay plays: the keys it recorded, read in place of the keyboard and controllers.
static const Uint8* playedShipKeys = nullptr;
static const Uint8* playedMenuKeys = nullptr;

void SubstituteKeys(const Uint8* ship, const Uint8* menu) {
    playedShipKeys = ship;
    playedMenuKeys = menu;
}

// The keyboard as it is while the keys are the defaults and no controller or finger plays;
// otherwise out, cleared, for the caller to fill.
static Uint8* KeysToFill(Uint8* out) {
    if (!controlsRead && !padsInUse && !touchInUse && !autoFire) return nullptr;
    memset(out, 0, SDLK_LAST);
    return out;
}

const Uint8* ShipKeys() {
    static Uint8 keys[SDLK_LAST];
    if (playedShipKeys) return playedShipKeys;
    if (!KeysToFill(keys)) return Keyboard();
    keys[SDLK_c] = Keyboard()[SDLK_c];
    for (int p = 0; p < PADS; p++) {
        const int first = p == 0 ? P1_UP : P2_UP; // up, down, left, right, fire
        for (int i = UP; i <= FIRE; i++)
            keys[ACTION[first + i].key] = Held(first + i) || Holds(pads[p], PadInput(i));
    }
    keys[ACTION[P1_SOLO_FIRE].key] = Held(P1_SOLO_FIRE);
    PressTouchShipKeys(keys);
    for (int p = 0; p < PADS; p++) {
        const int first = p == 0 ? P1_UP : P2_UP;
        if ((autoFire & (1 << p)) && (keys[ACTION[first + UP].key] || keys[ACTION[first + DOWN].key] ||
                                      keys[ACTION[first + LEFT].key] || keys[ACTION[first + RIGHT].key]))
            keys[ACTION[first + FIRE].key] = 1;
    }
    return keys;
}

static bool AnyPadHolds(PadInput input) {
    for (const Pad& pad : pads)
        if (Holds(pad, input)) return true;
    return false;
}

// Enter (without Alt, which switches the fullscreen) and Space choose in the menu and leave the
// game-over screen, besides the fire keys.
static bool ChoiceKeyHeld() {
    const Uint8* keys = Keyboard();
    const bool enter = (keys[SDLK_RETURN] || keys[SDLK_KP_ENTER]) && !(SDL_GetModState() & KMOD_ALT);
    return enter || keys[SDLK_SPACE];
}

// The keys the menu reads, as its actions' default keys.
static const int MENU_ACTIONS[] = {P1_UP,   P1_DOWN,         P1_FIRE,      P1_SOLO_FIRE,
                                   P2_FIRE, RESET_HIGHSCORE, TOGGLE_VSYNC, TOGGLE_SOUND};

// Per run: set while the options screen has the keys, and then until the menu's keys are released.
static bool menuKeysWithheld = false;
static bool menuKeysAwaitRelease = false;

void WithholdMenuKeys(bool withhold) {
    menuKeysWithheld = withhold;
    if (!withhold) menuKeysAwaitRelease = true;
}

static const Uint8* LiveMenuKeys() {
    static Uint8 keys[SDLK_LAST];
    memset(keys, 0, sizeof keys);
    for (int a : {P1_SOLO_FIRE, P2_FIRE, RESET_HIGHSCORE, TOGGLE_VSYNC, TOGGLE_SOUND})
        keys[ACTION[a].key] = Held(a);
    keys[ACTION[P1_UP].key] = Held(P1_UP) || AnyPadHolds(UP);
    keys[ACTION[P1_DOWN].key] = Held(P1_DOWN) || AnyPadHolds(DOWN);
    keys[ACTION[P1_FIRE].key] = Held(P1_FIRE) || AnyPadHolds(FIRE) || ChoiceKeyHeld();
    PressTouchMenuKeys(keys);
    return keys;
}

bool GameUsesKey(SDLKey key) {
    for (int a = 0; a < ACTIONS; a++)
        if (Bound(a, key)) return true;
    for (SDLKey k : {SDLK_ESCAPE, SDLK_c, SDLK_RETURN, SDLK_KP_ENTER, SDLK_SPACE, SDLK_o, SDLK_t})
        if (k == key) return true;
    return false;
}

const Uint8* MenuKeys() {
    static const Uint8 NONE[SDLK_LAST] = {};
    if (playedMenuKeys) return playedMenuKeys;
    const Uint8* keys = LiveMenuKeys();
    if (menuKeysWithheld) return NONE;
    if (menuKeysAwaitRelease)
        for (int a : MENU_ACTIONS)
            if (keys[ACTION[a].key]) return NONE;
    menuKeysAwaitRelease = false;
    return keys;
}

// ---------------------------------------------------------------------------------------------
// Presses

// Presses beyond this many in one drain of the event queue are dropped.
static const size_t MAX_PRESSES = 16;
// Per drain of the event queue: the presses taken from it, until a screen takes them.
static std::vector<Press> presses;
bool pauseKeyTaken = false;

void ClearPresses() {
    presses.clear();
}

std::vector<Press> TakePresses() {
    std::vector<Press> taken;
    if (!playedMenuKeys) taken.swap(presses);
    return taken;
}

bool IsOptionsPress(const Press& press) {
    return press.key == SDLK_o || (press.pad >= 0 && press.button == PadLayout().back);
}

static void Keep(const Press& press) {
    if (presses.size() < MAX_PRESSES) presses.push_back(press);
}

// What a key asks of a screen: either player's moves and fire keys, Return, Space and Backspace.
static ScreenInput KeyInput(SDLKey key) {
    static const struct {
        int action;
        ScreenInput input;
    } MOVES[] = {{P1_UP, SCREEN_UP},       {P2_UP, SCREEN_UP},
                 {P1_DOWN, SCREEN_DOWN},   {P2_DOWN, SCREEN_DOWN},
                 {P1_LEFT, SCREEN_LEFT},   {P2_LEFT, SCREEN_LEFT},
                 {P1_RIGHT, SCREEN_RIGHT}, {P2_RIGHT, SCREEN_RIGHT},
                 {P1_FIRE, SCREEN_CHOOSE}, {P1_SOLO_FIRE, SCREEN_CHOOSE},
                 {P2_FIRE, SCREEN_CHOOSE}};
    if (key == SDLK_BACKSPACE) return SCREEN_BACK;
    if (key == SDLK_RETURN || key == SDLK_SPACE) return SCREEN_CHOOSE;
    for (const auto& move : MOVES)
        if (Bound(move.action, key)) return move.input;
    return SCREEN_OTHER;
}

static void KeepKeyPress(SDLKey key) {
    Keep({key, -1, -1, KeyInput(key)});
}

// A controller's event keeps a press for each way its stick, hat or d-pad has begun to point, and for
// a button pressed.
static void KeepPadPresses(int which, const Pad& before, int button) {
    const Pad& now = pads[which];
    static const ScreenInput WAYS[] = {SCREEN_UP, SCREEN_DOWN, SCREEN_LEFT, SCREEN_RIGHT};
    for (int way = UP; way <= RIGHT; way++)
        if (Holds(now, PadInput(way)) && !Holds(before, PadInput(way)))
            Keep({SDLK_UNKNOWN, which, -1, WAYS[way]});
    if (button < 0) return;
    const PadButtons layout = PadLayout();
    const bool dpad = layout.dpad >= 0 && button >= layout.dpad && button < layout.dpad + 4;
    if (dpad) return; // kept as a way above
    const ScreenInput input = button == layout.south  ? SCREEN_CHOOSE
                              : button == layout.back ? SCREEN_BACK
                                                      : SCREEN_OTHER;
    Keep({SDLK_UNKNOWN, which, button, input});
}

std::string MenuSwitchKeys(SDLKey key) {
    std::string names;
    for (int a : {RESET_HIGHSCORE, TOGGLE_VSYNC, TOGGLE_SOUND}) {
        if (ACTION[a].key != key) continue;
        for (SDLKey k : bound[a])
            names += (names.empty() ? "" : "/") + std::string(SDL_GetKeyName(k));
    }
    std::transform(names.begin(), names.end(), names.begin(), ::toupper);
    return names;
}

// ---------------------------------------------------------------------------------------------
// The controls file

static void ResetBindings() {
    bound = DefaultBindings();
    memset(boundOnLine, 0, sizeof boundOnLine);
    padButton[PAD_FIRE] = padButton[PAD_PAUSE] = -1;
    memset(padOnLine, 0, sizeof padOnLine);
    controlsPath.clear();
    controlsRead = false;
}

void ResetControls() {
    ResetBindings();
    memset(pads, 0, sizeof pads);
    padsInUse = false;
    menuKeysWithheld = menuKeysAwaitRelease = pauseKeyTaken = false;
    ClearPresses();
}

static std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
        const size_t end = text.find_first_of(" \t", at);
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// Text from the file as a message may show it: short, and printable.
static std::string Shown(const std::string& text) {
    std::string shown = text.substr(0, MAX_SHOWN_CHARS);
    for (char& c : shown)
        if (c < ' ' || c > '~') c = '?';
    return "\"" + shown + (text.size() > MAX_SHOWN_CHARS ? "...\"" : "\"");
}

// The key SDL names so (in any case), or SDLK_UNKNOWN.
static SDLKey KeyNamed(const std::string& name) {
    static const char* const NO_NAME = "unknown key";
    if (strcasecmp(name.c_str(), NO_NAME) == 0) return SDLK_UNKNOWN;
    for (int k = SDLK_FIRST + 1; k < SDLK_LAST; k++)
        if (strcasecmp(SDL_GetKeyName(SDLKey(k)), name.c_str()) == 0) return SDLKey(k);
    return SDLK_UNKNOWN;
}

// The words of text with one blank between them.
static std::string Collapsed(const std::string& text) {
    std::string joined;
    for (const std::string& word : Words(text))
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

static int ActionNamed(const std::string& text) {
    for (int a = 0; a < ACTIONS; a++)
        if (strcasecmp(ACTION[a].name, Collapsed(text).c_str()) == 0) return a;
    return -1;
}

// The keys of a line's right-hand side into keys, or what is wrong with them. A name of two words
// ("right ctrl") is taken whole before its first word is tried alone.
static std::string ReadKeys(const std::string& text, std::vector<SDLKey>& keys) {
    const std::vector<std::string> words = Words(text);
    for (size_t i = 0; i < words.size(); i++) {
        SDLKey key = i + 1 < words.size() ? KeyNamed(words[i] + " " + words[i + 1]) : SDLK_UNKNOWN;
        if (key != SDLK_UNKNOWN)
            i++;
        else if ((key = KeyNamed(words[i])) == SDLK_UNKNOWN)
            return "unknown key " + Shown(words[i]);
        keys.push_back(key);
    }
    if (keys.empty()) return "no key after \"=\"";
    if (keys.size() > MAX_KEYS) return "more than " + std::to_string(MAX_KEYS) + " keys";
    return "";
}

// Whether fire or pause may be put on the button: not on one the game's screens keep for themselves.
static bool PadButtonMovable(int button) {
    const PadButtons layout = PadLayout();
    const bool dpad = layout.dpad >= 0 && button >= layout.dpad && button < layout.dpad + 4;
    return !dpad && button != layout.back && button != PAD_SCORES_BUTTON && button != PAD_BACK_BUTTON;
}

// Takes a controller button's line ("pad fire = button 2"); what is wrong with it, or "".
static std::string TakePadLine(int role, const std::string& value, int number) {
    if (padOnLine[role])
        return "\"" + std::string(PAD_ROLE_NAME[role]) + "\" is already set on line " +
               std::to_string(padOnLine[role]);
    const std::vector<std::string> words = Words(value);
    const bool digits = words.size() == 2 && words[1].size() <= 2 &&
                        words[1].find_first_not_of("0123456789") == std::string::npos;
    if (!digits || strcasecmp(words[0].c_str(), "button") != 0 || std::stoi(words[1]) >= PAD_BUTTONS)
        return "not a controller button (\"button 0\" to \"button " + std::to_string(PAD_BUTTONS - 1) + "\")";
    if (!PadButtonMovable(std::stoi(words[1])))
        return "button " + words[1] + " is kept for Back, the d-pad or the score table";
    padButton[role] = std::stoi(words[1]);
    padOnLine[role] = number;
    return "";
}

// Takes one line of the file (numbered from 1); what is wrong with it, or "" when it is used, blank
// or a comment.
static std::string TakeLine(const std::string& line, int number) {
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') return "";
    if (line.size() > MAX_LINE_CHARS)
        return "line longer than " + std::to_string(MAX_LINE_CHARS) + " characters";
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return "no \"=\" between an action and its keys";
    for (int role = 0; role < PAD_ROLES; role++)
        if (strcasecmp(PAD_ROLE_NAME[role], Collapsed(line.substr(0, equals)).c_str()) == 0)
            return TakePadLine(role, line.substr(equals + 1), number);
    const int action = ActionNamed(line.substr(0, equals));
    if (action < 0) return "unknown action " + Shown(Collapsed(line.substr(0, equals)));
    if (boundOnLine[action])
        return "\"" + std::string(ACTION[action].name) + "\" is already set on line " +
               std::to_string(boundOnLine[action]);
    std::vector<SDLKey> keys;
    std::string value = line.substr(equals + 1);
    if (!value.empty() && value.back() == '\r') value.pop_back();
    const std::string problem = ReadKeys(value, keys);
    if (!problem.empty()) return problem;
    bound[action] = keys;
    boundOnLine[action] = number;
    return "";
}

std::vector<std::string> LoadControls(const std::string& path) {
    ResetBindings();
    controlsPath = path;
    std::vector<std::string> problems;
    std::string text;
    const int error = ReadBounded(path, MAX_FILE_BYTES + 1, text);
    if (error == ENOENT) return problems;
    if (error) {
        const std::string why = error == EINVAL ? "not a plain file" : strerror(error);
        problems.push_back(path + ": cannot be read (" + why + "); the default controls stay");
        return problems;
    }
    controlsRead = true;
    if (text.find('\0') != std::string::npos) {
        problems.push_back(path + ": not a text file; the default controls stay");
        return problems;
    }
    if (text.size() > MAX_FILE_BYTES) {
        problems.push_back(path + ": longer than " + std::to_string(MAX_FILE_BYTES) +
                           " bytes; what follows is not read");
        text.erase(text.rfind('\n', MAX_FILE_BYTES - 1) + 1);
    }
    size_t badLines = 0;
    int number = 0;
    for (size_t at = 0; at < text.size(); number++) {
        if (badLines == MAX_PROBLEMS) {
            problems.push_back(path + ": more than " + std::to_string(MAX_PROBLEMS) +
                               " lines that cannot be used; what follows is not read");
            break;
        }
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string problem = TakeLine(text.substr(at, end - at), number + 1);
        if (!problem.empty()) {
            problems.push_back(path + ":" + std::to_string(number + 1) + ": " + problem + "; line not used");
            badLines++;
        }
        at = end + 1;
    }
    return problems;
}

void ReadControls() {
    for (const std::string& problem : LoadControls(ConfigFile(CONTROLS_FILE)))
        fprintf(stderr, "korvel: %s\n", problem.c_str());
}

// ---------------------------------------------------------------------------------------------
// Moving keys

int autoFire = 0;

int ControlActions() {
    return ACTIONS;
}

const char* ControlActionName(int action) {
    return action >= 0 && action < ACTIONS ? ACTION[action].name : "";
}

std::string ActionKeyNames(int action) {
    std::string names;
    if (action < 0 || action >= ACTIONS) return names;
    for (SDLKey k : bound[action])
        names += (names.empty() ? "" : " ") + std::string(SDL_GetKeyName(k));
    std::transform(names.begin(), names.end(), names.begin(), ::toupper);
    return names;
}

bool MovableKey(SDLKey key) {
    static const SDLKey FIXED[] = {SDLK_ESCAPE, SDLK_c, SDLK_F11, SDLK_o, SDLK_t, SDLK_BACKSPACE};
    if (key <= SDLK_FIRST || key >= SDLK_LAST) return false;
    return std::find(std::begin(FIXED), std::end(FIXED), key) == std::end(FIXED);
}

// Whether two actions are read at the same time, so that a key may serve only one of them: the
// ships' keys together, the menu's together, and the pause key with every other.
static bool ReadTogether(int a, int b) {
    auto ship = [](int x) { return x <= P2_FIRE; };
    auto menu = [](int x) {
        return std::find(std::begin(MENU_ACTIONS), std::end(MENU_ACTIONS), x) != std::end(MENU_ACTIONS);
    };
    return a == PAUSE || b == PAUSE || (ship(a) && ship(b)) || (menu(a) && menu(b));
}

bool KeysDoubled() {
    for (int a = 0; a < ACTIONS; a++)
        for (int b = a + 1; b < ACTIONS; b++)
            for (SDLKey k : bound[a])
                if (ReadTogether(a, b) && Bound(b, k)) return true;
    return false;
}

// Whether an action changed since before now shares a key with one read at the same time, or has
// no key or too many.
static bool ChangedDoubles(const Bindings& before) {
    for (int b = 0; b < ACTIONS; b++) {
        if (bound[b] == before[b]) continue;
        if (bound[b].empty() || bound[b].size() > MAX_KEYS) return true;
        for (int c = 0; c < ACTIONS; c++)
            for (SDLKey k : bound[b])
                if (c != b && ReadTogether(b, c) && Bound(c, k)) return true;
    }
    return false;
}

int MoveKey(int action, SDLKey key) {
    if (action < 0 || action >= ACTIONS || !MovableKey(key)) return -1;
    const Bindings before = bound;
    std::vector<SDLKey> old;
    for (SDLKey k : bound[action])
        if (k != key) old.push_back(k);
    bound[action] = {key};
    int gaveUp = ACTIONS;
    for (int b = 0; b < ACTIONS; b++) {
        if (b == action || !ReadTogether(action, b) || !Bound(b, key)) continue;
        if (gaveUp == ACTIONS) gaveUp = b;
        bound[b].erase(std::remove(bound[b].begin(), bound[b].end(), key), bound[b].end());
        for (SDLKey k : old)
            if (!Bound(b, k)) bound[b].push_back(k);
    }
    if (!ChangedDoubles(before)) {
        controlsRead = true; // the arrays the game reads are filled from the bindings
        return gaveUp;
    }
    bound = before;
    return -1;
}

void DefaultKeys() {
    bound = DefaultBindings();
    padButton[PAD_FIRE] = padButton[PAD_PAUSE] = -1;
}

int PadRoles() {
    return PAD_ROLES;
}

const char* PadRoleName(int role) {
    return role >= 0 && role < PAD_ROLES ? PAD_ROLE_NAME[role] : "";
}

int PadRoleButton(int role) {
    const PadButtons layout = PadLayout();
    return role == PAD_FIRE ? layout.south : layout.start;
}

int MovePadButton(int role, int button) {
    if (role < 0 || role >= PAD_ROLES || button < 0 || button >= PAD_BUTTONS || !PadButtonMovable(button))
        return -1;
    const int other = role == PAD_FIRE ? PAD_PAUSE : PAD_FIRE;
    const int old = PadRoleButton(role);
    const bool swapped = PadRoleButton(other) == button;
    padButton[role] = button;
    if (swapped) padButton[other] = old;
    controlsRead = true;
    return swapped ? other : PAD_ROLES;
}

// ---------------------------------------------------------------------------------------------
// The command line

// SDL names the keys once its video is up; a dummy display does, for a program that opens no window.
static bool KeyNamesKnown() {
    if (strcmp(SDL_GetKeyName(SDLK_a), "a") == 0) return true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (strcmp(SDL_GetKeyName(SDLK_a), "a") == 0) return true;
    fprintf(stderr, "korvel: SDL cannot name the keys here: %s\n", SDL_GetError());
    return false;
}

// An action's line of the controls file.
static std::string BindingLine(int action, const std::vector<SDLKey>& keys) {
    std::string line = std::string(ACTION[action].name) + " =";
    for (SDLKey k : keys)
        line += std::string(" ") + SDL_GetKeyName(k);
    return line;
}

static const char* const CONTROLS_HELP =
    "# Korvel's controls: one line per action, \"action = key [key ...]\", up to 8 keys each.\n"
    "# Keys go by SDL's names for them, separated by blanks: a ... z, 0 ... 9, / - . , ; and the\n"
    "# other signs, up, down, left, right, space, return, tab, left ctrl, right ctrl, left shift,\n"
    "# right shift, left alt, right alt, alt gr, page up, f1 ... f12, and the keypad's [0] ... [9],\n"
    "# [+] and enter. \"korvel --controls\" shows the controls in force.\n"
    "# p1 solo fire fires for player 1 in a one-player game only. In the menu, player 1's up and\n"
    "# down move the selection and player 1's fire keys choose; player 2's fire also leaves the\n"
    "# game-over screen. Escape (quit) and C (hits cost nothing) cannot be moved.\n"
    "# A line that cannot be used is reported at start-up and its action keeps the keys below.\n";

static std::string ControlsText(const Bindings& keys) {
    std::string text = CONTROLS_HELP;
    for (int a = 0; a < ACTIONS; a++)
        text += BindingLine(a, keys[a]) + "\n";
    return text;
}

// The controls file's lines of the controller buttons moved from the layout's own.
static std::string PadLines() {
    std::string text;
    for (int role = 0; role < PAD_ROLES; role++)
        if (padButton[role] >= 0)
            text += std::string(PAD_ROLE_NAME[role]) + " = button " + std::to_string(padButton[role]) + "\n";
    return text;
}

std::string DefaultControlsText() {
    return ControlsText(DefaultBindings());
}

bool WriteControls() {
    const std::string path = UserConfigFile(CONTROLS_FILE);
    if (path.empty() || !WriteFileDurably(path, ControlsText(bound) + PadLines())) return false;
    controlsPath = path;
    controlsRead = true;
    return true;
}

// Where the controls come from; without a file of the player's own, the one to write.
static void PrintControlsSource() {
    const std::string own = UserConfigFile(CONTROLS_FILE);
    if (controlsRead && controlsPath == own) {
        printf("# controls read from %s\n", controlsPath.c_str());
        return;
    }
    if (own.empty())
        printf("# no controls file of yours: there is no home folder to keep one in\n");
    else
        printf("# no controls file of yours: write %s to move keys (--write-controls writes the defaults "
               "there)\n",
               std::filesystem::absolute(own).c_str());
    if (controlsRead)
        printf("# read instead: the system-wide %s\n", controlsPath.c_str());
    else
        printf("# the default controls\n");
}

int PrintControls() {
    PrepareControllers();
    if (!KeyNamesKnown()) return 1;
    ReadControls();
    PrintControlsSource();
    for (int a = 0; a < ACTIONS; a++) {
        const std::string from = boundOnLine[a] ? "line " + std::to_string(boundOnLine[a]) : "default";
        printf("%-32s # %s\n", BindingLine(a, bound[a]).c_str(), from.c_str());
    }
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    const int found = SDL_NumJoysticks();
    if (found == 0) printf("# no controller found\n");
    for (int i = 0; i < found; i++)
        printf("# controller %i: %s%s\n", i + 1, SDL_JoystickName(i),
               i == 0   ? " (player 1)"
               : i == 1 ? " (player 2)"
                        : " (not used)");
    const PadButtons layout = PadLayout();
    printf("# controllers: stick or d-pad moves, button %i fires, button %i (Start) pauses\n", layout.south,
           layout.start);
    return 0;
}

int WriteDefaultControls() {
    if (!KeyNamesKnown()) return 1;
    const std::string path = UserConfigFile(CONTROLS_FILE);
    struct stat existing;
    if (stat(path.c_str(), &existing) == 0) {
        fprintf(stderr, "korvel: %s already exists and is left as it is; remove it to write the defaults\n",
                path.c_str());
        return 1;
    }
    if (!WriteFileDurably(path, DefaultControlsText())) {
        fprintf(stderr, "korvel: cannot write %s: %s\n", path.c_str(), strerror(errno));
        return 1;
    }
    printf("korvel: the default controls are in %s\n", path.c_str());
    return 0;
}
