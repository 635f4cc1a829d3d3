// options_screen.cpp -- the options screen: its pages, the presses and taps that change them, and the
// files that keep what changed (controls.txt, options.txt).
#include "options_screen.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include "../glfont.h"
#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/input.h"
#include "../shell/options.h"
#include "../shell/platform.h"
#include "../shell/settings.h"
#include "../shell/window.h"
#include "screens.h"

OptionsScreen* optionsScreen = nullptr;

static const char* const PAGE_NAMES[OPTIONS_PAGES] = {"KEYS", "SOUND", "PICTURE", "PLAY"};
static const char* const DIFFICULTIES[] = {"easy", "normal", "hard"};
static const char* const AUTO_FIRE_SHOWN[] = {"OFF", "PLAYER 1", "PLAYER 2", "BOTH"};
// Window scales the picture page steps through; 0 fits the desktop.
static const float SCALES[] = {0, 0.5f, 0.75f, 1, 1.25f, 1.5f, 2, 3};

// Layout, in world units: the rows between the title and the note, as tall as the screen allows.
static const float TITLE_DROP = 30;
static const float ROWS_DROP = 90;
static const float ROWS_BOTTOM = 90;
static const float MAX_ROW_SPACING = 34;
static const float ROW_TEXT_SHARE = 0.6f; // of the row spacing
static const float MAX_ROW_TEXT = 11;
static const float SIDE_MARGIN = 30;
static const float NOTE_Y = 70;  // above the bottom edge
static const float HELP_Y = 40;  // above the bottom edge
static const float PANEL_Z = 45; // in front of the world and the HUD, behind the text
static const float TEXT_Z = 50;

// ---------------------------------------------------------------------------------------------
// Text

enum Align { LEFT, CENTRE, RIGHT };

static void TextAt(const std::string& text, float x, float y, float scale, Align align) {
    glPushMatrix();
    glFontBegin(font);
    glTranslatef(x, y, TEXT_Z);
    glScalef(scale, scale, 1);
    if (align == LEFT)
        glFontTextOut(const_cast<char*>(text.c_str()));
    else if (align == CENTRE)
        glFontTextOutc(const_cast<char*>(text.c_str()));
    else
        glFontTextOutr(const_cast<char*>(text.c_str()));
    glFontEnd();
    glPopMatrix();
}

static std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
}

static const char* OnOff(bool on) {
    return on ? "ON" : "OFF";
}

// ---------------------------------------------------------------------------------------------
// Rows

std::vector<OptionsRow> OptionsScreen::rows() const {
    std::vector<OptionsRow> list = {{ROW_PAGE, -1}};
    switch (page) {
    case PAGE_KEYS:
        for (int a = 0; a < ControlActions(); a++)
            list.push_back({ROW_ACTION, a});
        for (int role = 0; role < PadRoles(); role++)
            list.push_back({ROW_PAD, role});
        break;
    case PAGE_SOUND:
        list.insert(list.end(), {{ROW_MUSIC, -1}, {ROW_EFFECTS, -1}, {ROW_SOUND, -1}});
        break;
    case PAGE_PICTURE:
        list.push_back({ROW_MODE, -1});
        if (WINDOW_CHOICES) list.insert(list.end(), {{ROW_SCALE, -1}, {ROW_SMOOTH, -1}, {ROW_VSYNC, -1}});
        break;
    default:
        list.insert(list.end(), {{ROW_DIFFICULTY, -1}, {ROW_AUTO_FIRE, -1}, {ROW_FLASHING, -1}});
        break;
    }
    list.insert(list.end(), {{ROW_RESET, -1}, {ROW_BACK, -1}});
    return list;
}

static float RowSpacing(size_t count) {
    return std::min(MAX_ROW_SPACING, (2 * hh - ROWS_DROP - ROWS_BOTTOM) / static_cast<float>(count));
}

static float RowY(int index, size_t count) {
    return hh - ROWS_DROP - index * RowSpacing(count);
}

int OptionsScreen::rowAt(float y) const {
    const size_t count = rows().size();
    const float spacing = RowSpacing(count);
    // A row's text hangs below its y; the row reaches half a spacing above and below its text.
    const float text = std::min(MAX_ROW_TEXT, spacing * ROW_TEXT_SHARE);
    const int index = static_cast<int>(std::floor((RowY(0, count) - text / 2 + spacing / 2 - y) / spacing));
    return index >= 0 && index < static_cast<int>(count) ? index : -1;
}

static std::string RowLabel(const OptionsRow& r) {
    switch (r.kind) {
    case ROW_ACTION:
        return Upper(ControlActionName(r.action));
    case ROW_PAD:
        return Upper(PadRoleName(r.action));
    case ROW_MUSIC:
        return "MUSIC VOLUME";
    case ROW_EFFECTS:
        return "EFFECTS VOLUME";
    case ROW_SOUND:
        return "SOUND (MENU: S)";
    case ROW_MODE:
        return "DISPLAY";
    case ROW_SCALE:
        return "WINDOW SCALE";
    case ROW_SMOOTH:
        return "SMOOTH EDGES";
    case ROW_VSYNC:
        return "V-SYNC (NEXT START)";
    case ROW_DIFFICULTY:
        return "DIFFICULTY (NEXT START)";
    case ROW_AUTO_FIRE:
        return "AUTO-FIRE";
    case ROW_FLASHING:
        return "FLASHING";
    case ROW_RESET:
        return "RESET THIS PAGE";
    case ROW_BACK:
        return "BACK";
    default:
        return "";
    }
}

static std::string ScaleShown() {
    if (windowChoice.scale <= 0) return "FIT";
    char text[16];
    snprintf(text, sizeof text, "%g", windowChoice.scale);
    return text;
}

// A volume as a bar of its steps and its number.
static std::string VolumeShown(int steps) {
    return std::string(steps, '|') + std::string(VOLUME_STEPS - steps, '.') + " " + std::to_string(steps);
}

static std::string RowValue(const OptionsRow& r) {
    switch (r.kind) {
    case ROW_ACTION:
        return ActionKeyNames(r.action);
    case ROW_PAD:
        return "BUTTON " + std::to_string(PadRoleButton(r.action));
    case ROW_MUSIC:
        return VolumeShown(musicSteps);
    case ROW_EFFECTS:
        return VolumeShown(effectSteps);
    case ROW_SOUND:
        return OnOff(sound);
    case ROW_MODE:
        return windowChoice.fullscreen ? "FULLSCREEN" : "WINDOW";
    case ROW_SCALE:
        return ScaleShown();
    case ROW_SMOOTH:
        return OnOff(windowChoice.smooth);
    case ROW_VSYNC:
        return OnOff(vsync == 1);
    case ROW_DIFFICULTY:
        return Upper(difficultyChoice);
    case ROW_AUTO_FIRE:
        return AUTO_FIRE_SHOWN[autoFire & AUTO_FIRE_BOTH];
    case ROW_FLASHING:
        return reducedFlashing ? "REDUCED" : "FULL";
    default:
        return "";
    }
}

// ---------------------------------------------------------------------------------------------
// Changes

// The options file written after a change of the sound or play pages.
static void SaveChoices() {
    WriteOptions(OptionsFile(), windowChoice);
    SavesWritten();
}

// The controls file written after a move; note says what moved.
static std::string Written(const std::string& note) {
    const bool written = WriteControls();
    SavesWritten();
    return written ? note : "CONTROLS.TXT COULD NOT BE WRITTEN";
}

// A volume's steps one up or down, held within 0-10; a step up from 10 wraps to 0 when wrap is set
// (a choice or a tap, which only step up).
static void StepVolume(int* steps, int way, bool wrap) {
    if (wrap && *steps == VOLUME_STEPS && way > 0)
        *steps = 0;
    else
        *steps = std::clamp(*steps + way, 0, VOLUME_STEPS);
    // A volume chosen is heard: the sound switch goes on with the new volumes.
    sound = true;
    ApplySoundSwitch(true);
    SaveChoices();
}

// The next (way 1) or previous (way -1) of count values, wrapping.
static int Cycle(int value, int way, int count) {
    return ((value + way) % count + count) % count;
}

static void StepScale(int way) {
    const int count = static_cast<int>(std::size(SCALES));
    int at = 0;
    for (int i = 0; i < count; i++)
        if (std::fabs(SCALES[i] - windowChoice.scale) < std::fabs(SCALES[at] - windowChoice.scale)) at = i;
    WindowChoice choice = windowChoice;
    choice.scale = SCALES[Cycle(at, way, count)];
    ApplyWindowChoice(choice);
}

static void StepDifficulty(int way) {
    const int count = static_cast<int>(std::size(DIFFICULTIES));
    int at = 1;
    for (int i = 0; i < count; i++)
        if (difficultyChoice == DIFFICULTIES[i]) at = i;
    difficultyChoice = DIFFICULTIES[Cycle(at, way, count)];
}

// Changes the selected row's value one way (1 or -1); wrap as for StepVolume.
static void ChangeRow(const OptionsRow& r, int way, bool wrap) {
    WindowChoice choice = windowChoice;
    switch (r.kind) {
    case ROW_MUSIC:
        return StepVolume(&musicSteps, way, wrap);
    case ROW_EFFECTS:
        return StepVolume(&effectSteps, way, wrap);
    case ROW_SOUND:
        sound = !sound;
        return ApplySoundSwitch(sound);
    case ROW_MODE:
        choice.fullscreen = !choice.fullscreen;
        return ApplyWindowChoice(choice);
    case ROW_SMOOTH:
        choice.smooth = !choice.smooth;
        return ApplyWindowChoice(choice);
    case ROW_SCALE:
        return StepScale(way);
    case ROW_VSYNC:
        vsync = vsync == 1 ? 0 : 1;
        return;
    case ROW_DIFFICULTY:
        StepDifficulty(way);
        break;
    case ROW_AUTO_FIRE:
        autoFire = Cycle(autoFire, way, AUTO_FIRE_BOTH + 1);
        break;
    case ROW_FLASHING:
        reducedFlashing = !reducedFlashing;
        break;
    default:
        return;
    }
    SaveChoices();
}

void OptionsScreen::change(int way) {
    const std::vector<OptionsRow> list = rows();
    if (row < 0 || row >= static_cast<int>(list.size())) return;
    if (list[row].kind == ROW_PAGE) {
        page = static_cast<OptionsPage>(Cycle(page, way, OPTIONS_PAGES));
        note.clear();
        return;
    }
    ChangeRow(list[row], way, false);
}

void OptionsScreen::reset() {
    switch (page) {
    case PAGE_KEYS:
        DefaultKeys();
        note = Written("DEFAULT KEYS WRITTEN TO CONTROLS.TXT");
        return;
    case PAGE_SOUND:
        musicSteps = effectSteps = VOLUME_STEPS;
        sound = true;
        ApplySoundSwitch(true);
        break;
    case PAGE_PICTURE:
        vsync = 0;
        ApplyWindowChoice(WindowChoice());
        break;
    default:
        difficultyChoice = "normal";
        autoFire = 0;
        reducedFlashing = false;
        break;
    }
    SaveChoices();
    note = "DEFAULTS";
}

void OptionsScreen::choose() {
    const std::vector<OptionsRow> list = rows();
    if (row < 0 || row >= static_cast<int>(list.size())) return;
    const OptionsRow& r = list[row];
    switch (r.kind) {
    case ROW_PAGE:
        return change(1);
    case ROW_ACTION:
        waitingFor = r.action;
        pauseKeyTaken = true; // the pause key may be the new key
        note = "PRESS THE NEW KEY FOR " + Upper(ControlActionName(r.action)) + "  (BACKSPACE: KEEP)";
        return;
    case ROW_PAD:
        waitingForPad = r.action;
        pauseKeyTaken = true; // Start may be the new button
        note = "PRESS THE NEW BUTTON FOR " + Upper(PadRoleName(r.action)) + "  (BACK: KEEP)";
        return;
    case ROW_RESET:
        return reset();
    case ROW_BACK:
        return close();
    default:
        return ChangeRow(r, 1, true);
    }
}

void OptionsScreen::stopWaiting() {
    waitingFor = waitingForPad = -1;
    pauseKeyTaken = false;
}

// The button pressed for the controller role awaited: moved there (or refused).
void OptionsScreen::takeButton(int button) {
    const int role = waitingForPad;
    stopWaiting();
    const std::string name = Upper(PadRoleName(role));
    if (button < 0) {
        note = "A CONTROLLER BUTTON MOVES " + name;
        return;
    }
    const int gaveUp = MovePadButton(role, button);
    if (gaveUp < 0) {
        note = "BUTTON " + std::to_string(button) + " KEEPS ITS OWN MEANING: " + name + " UNCHANGED";
        return;
    }
    std::string moved = name + ": BUTTON " + std::to_string(button);
    if (gaveUp < PadRoles())
        moved += "   " + Upper(PadRoleName(gaveUp)) + " NOW: BUTTON " + std::to_string(PadRoleButton(gaveUp));
    note = Written(moved);
}

// The key pressed for the action awaited: moved there (or refused), and the controls file written.
void OptionsScreen::takeKey(SDLKey key, int button) {
    const int action = waitingFor;
    stopWaiting();
    const std::string name = Upper(ControlActionName(action));
    if (key == SDLK_UNKNOWN) {
        note = button >= 0 ? "A KEY MOVES " + name + "; THE CONTROLLER'S BUTTONS ARE UNDER THE KEYS" : "";
        return;
    }
    if (!MovableKey(key)) {
        note = Upper(SDL_GetKeyName(key)) + " KEEPS ITS OWN MEANING: " + name + " UNCHANGED";
        return;
    }
    const int gaveUp = MoveKey(action, key);
    if (gaveUp < 0) {
        note = Upper(SDL_GetKeyName(key)) + " IS TAKEN: " + name + " UNCHANGED";
        return;
    }
    std::string moved = name + ": " + ActionKeyNames(action);
    if (gaveUp < ControlActions())
        moved += "   " + Upper(ControlActionName(gaveUp)) + " NOW: " + ActionKeyNames(gaveUp);
    note = Written(moved);
}

void OptionsScreen::take(SDLKey key, int button, int input) {
    if (waitingFor >= 0 || waitingForPad >= 0) {
        if (input == SCREEN_BACK) {
            stopWaiting();
            note.clear();
            return;
        }
        return waitingFor >= 0 ? takeKey(key, button) : takeButton(button);
    }
    const int count = static_cast<int>(rows().size());
    switch (input) {
    case SCREEN_UP:
    case SCREEN_DOWN:
        row = Cycle(row, input == SCREEN_UP ? -1 : 1, count);
        PlaySound(sfx::select);
        return;
    case SCREEN_LEFT:
        return change(-1);
    case SCREEN_RIGHT:
        return change(1);
    case SCREEN_CHOOSE:
        return choose();
    case SCREEN_BACK:
        return close();
    default:
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// The screen

OptionsScreen::OptionsScreen(Menu* covered, std::vector<Press> after)
    : menu(covered), pending(std::move(after)) {
    optionsScreen = this;
    WithholdMenuKeys(true);
}

// The menu comes back as it would be after frames with no key held (as a replay sees it), its keys
// withheld until they are released.
void OptionsScreen::close() {
    if (!menu) return;
    menu->h = true;
    menu->v = menu->s = false;
    Menu* covered = menu;
    menu = nullptr;
    optionsScreen = nullptr;
    WithholdMenuKeys(false);
    pauseKeyTaken = false;
    RestoreAnimation(n, covered);
}

OptionsScreen::~OptionsScreen() {
    if (optionsScreen != this) return;
    // Deleted while shown (the effects cleared): the menu goes too, and the keys come back.
    delete menu;
    optionsScreen = nullptr;
    WithholdMenuKeys(false);
    pauseKeyTaken = false;
}

static void OpenOptions(Menu* menu, std::vector<Press> after) {
    if (!optionsScreen) SwapAnimation(menu->n, new OptionsScreen(menu, std::move(after)));
}

void OpenOptionsOnPress(Menu* menu) {
    std::vector<Press> presses = TakePresses();
    for (size_t i = presses.size(); i-- > 0;)
        if (IsOptionsPress(presses[i]))
            return OpenOptions(menu, std::vector<Press>(presses.begin() + i + 1, presses.end()));
}

void OptionsScreen::update() {
    if (menu) menu->covered();
    std::vector<Press> presses;
    presses.swap(pending);
    for (const Press& press : TakePresses())
        presses.push_back(press);
    for (const Press& press : presses) {
        if (!menu) break; // closed by an earlier press
        take(press.key, press.button, press.input);
    }
    draw();
}

static void DrawPanel() {
    glDisable(GL_BLEND);
    glColor3f(0, 0, 0);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex3f(-hw, -hh, PANEL_Z);
    glVertex3f(hw, -hh, PANEL_Z);
    glVertex3f(-hw, hh, PANEL_Z);
    glVertex3f(hw, hh, PANEL_Z);
    glEnd();
    glEnable(GL_BLEND);
}

void OptionsScreen::draw() {
    DrawPanel();
    glColor3f(1, 1, 1);
    TextAt("OPTIONS", 0, hh - TITLE_DROP, 24, CENTRE);
    const std::vector<OptionsRow> list = rows();
    const float text = std::min(MAX_ROW_TEXT, RowSpacing(list.size()) * ROW_TEXT_SHARE);
    for (size_t i = 0; i < list.size(); i++) {
        const bool selected = static_cast<int>(i) == row;
        if (selected)
            glColor3f(1, 1, 0);
        else
            glColor3f(1, 1, 1);
        const float y = RowY(static_cast<int>(i), list.size());
        if (list[i].kind == ROW_PAGE) {
            TextAt(std::string("<  ") + PAGE_NAMES[page] + "  >", 0, y, text, CENTRE);
            continue;
        }
        TextAt(RowLabel(list[i]), SIDE_MARGIN - hw, y, text, LEFT);
        const bool waiting = (list[i].kind == ROW_ACTION && list[i].action == waitingFor) ||
                             (list[i].kind == ROW_PAD && list[i].action == waitingForPad);
        TextAt(waiting ? "PRESS IT" : RowValue(list[i]), hw - SIDE_MARGIN, y, text, RIGHT);
    }
    glColor3f(1, 1, 0);
    TextAt(note, 0, NOTE_Y - hh, 6, CENTRE);
    glColor3f(1, 1, 1);
    TextAt("UP/DOWN: SELECT   LEFT/RIGHT: CHANGE   FIRE: CHOOSE   BACKSPACE: BACK", 0, HELP_Y - hh, 6,
           CENTRE);
}

// Whether world point (x, y) lies on "O: OPTIONS", the left half of the menu's line under its help
// line.
static bool OnOptionsLine(float x, float y) {
    // The line's text hangs 6 units below its y; a finger gets some room around it.
    static const float SLACK = 12;
    const float top = OptionsLineY();
    return x < 0 && y <= top + SLACK && y >= top - 6 - SLACK;
}

bool TapOptions(float x, float y) {
    if (!optionsScreen) {
        if (!OnOptionsLine(x, y)) return false;
        for (int i = 0; i < nAnim; i++)
            if (auto* menu = dynamic_cast<Menu*>(anim[i])) {
                OpenOptions(menu, {});
                return true;
            }
        return false;
    }
    const int index = optionsScreen->rowAt(y);
    if (index < 0) return false;
    const std::vector<OptionsRow> list = optionsScreen->rows();
    optionsScreen->row = index;
    const RowKind kind = list[index].kind;
    const bool leftPart = kind == ROW_PAGE ? x < 0 : x < -hw / 3.0f;
    const bool steps = kind != ROW_ACTION && kind != ROW_PAD && kind != ROW_RESET && kind != ROW_BACK;
    optionsScreen->take(SDLK_UNKNOWN, -1, leftPart && steps ? SCREEN_LEFT : SCREEN_CHOOSE);
    return true;
}

float OptionsLineY() {
    return 25.0f - hh;
}
