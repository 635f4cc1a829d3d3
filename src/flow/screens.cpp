// screens.cpp -- the menu, game-over and extra-life overlays.
#include "screens.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cmath>

#include "../enemies/boss.h"
#include "../glfont.h"
#include "../player/player.h"
#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/files.h"
#include "../shell/input.h"
#include "../shell/options.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "frame.h"
#include "options_screen.h"

// Marker target of each menu entry.
static const float ENTRY_X[3] = {-120, -120, -45};
static const float ENTRY_Y[3] = {-15, -65, -115};
// Each entry's line for a tap: from below its text's baseline (0, -50, -100) to above its top.
static const float ENTRY_LINE_SPACING = 50;
static const float ENTRY_LINE_BELOW = 18, ENTRY_LINE_ABOVE = 32;

// Text centred at (x, y, z), scaled, in its own font bracket.
static void CentredText(const char* text, float x, float y, float z, float scale) {
    glPushMatrix();
    glFontBegin(font);
    glTranslatef(x, y, z);
    glScalef(scale, scale, 1);
    glFontTextOutc(text);
    glFontEnd();
    glPopMatrix();
}

void StartGame(bool withSecondPlayer) {
    KillAllObjects();
    boss = 0;
    nBoss = 0;
    td = 0;
    nBoss2 = 0;
    twoPlayers = withSecondPlayer;
    lives = withSecondPlayer ? 10 : 5;
    player = static_cast<Player*>(AddObject(new Player()));
    player2 = nullptr;
    score[0] = 0;
    if (!withSecondPlayer) return;
    // The two ships start side by side across the flight axis.
    player2 = new Player();
    player2->p = 1;
    if (LANDSCAPE) {
        player->y = 200;
        player2->y = -200;
    } else {
        player->x = 150;
        player2->x = -150;
    }
    AddObject(player2);
    score[1] = 0;
}

int MenuSelection() {
    for (int i = 0; i < nAnim; i++)
        if (const Menu* menu = dynamic_cast<const Menu*>(anim[i])) return menu->option;
    return -1;
}

int MenuEntryAt(float y) {
    for (int entry = 0; entry < 3; entry++) {
        const float baseline = -ENTRY_LINE_SPACING * entry;
        if (y > baseline - ENTRY_LINE_BELOW && y < baseline + ENTRY_LINE_ABOVE) return entry;
    }
    return -1;
}

void Menu::fire(const unsigned char* keys) {
    if (!keys[SDLK_z] && !keys[SDLK_SLASH]) {
        h = true;
        return;
    }
    if (!h) return; // a fire key still held from the game-over screen starts nothing
    if (option == 2) {
        quit = true;
        return;
    }
    StartGame(option == 1);
    RemoveAnimation(n);
}

void Menu::select(const unsigned char* keys) {
    // The marker has arrived within 1 unit on both axes. Once there it hunts to and fro by one step
    // of fpsm around its target, so with a step of 1 or more it would never be within 1 on both
    // axes at once and the selection could not move again: then it has arrived within a step.
    const float reach = fpsm < 1 ? 1.0f : fpsm + 0.001f;
    const bool arrived = fabsf(vx - x) < reach && fabsf(vy - y) < reach;
    if (!arrived) return;
    if (keys[SDLK_UP])
        option = option == 0 ? 2 : option - 1;
    else if (keys[SDLK_DOWN])
        option = option == 2 ? 0 : option + 1;
    else
        return;
    vx = ENTRY_X[option];
    vy = ENTRY_Y[option];
    PlaySound(sfx::select);
}

void Menu::switches(const unsigned char* keys) {
    if (keys[SDLK_r]) highscore = 0;
    if (keys[SDLK_v] && !v) vsync = vsync == 1 ? 0 : 1;
    v = keys[SDLK_v];
    if (keys[SDLK_s] && !s) sound = !SoundAudible();
    if (keys[SDLK_s]) ApplySoundSwitch(sound);
    s = keys[SDLK_s];
}

std::string MenuHelpLine() {
    return "RESET HIGHSCORE: " + MenuSwitchKeys(SDLK_r) + "     TOGGLE V-SYNC: " + MenuSwitchKeys(SDLK_v) +
           "  (REQUIRES RESTART)";
}

static void DrawMarkerTriangle() {
    glBegin(GL_TRIANGLES);
    glVertex2f(10, 0);
    glVertex2f(-8, -7);
    glVertex2f(-8, 7);
    glEnd();
}

void Menu::draw() {
    CentredText("KORVEL", 0, qh + 20, 50, 60);
    CentredText("1 PLAYER START", 0, 0, 50, 15);
    CentredText("2 PLAYER START", 0, -50, 50, 15);
    CentredText("EXIT", 0, -100, 50, 15);
    // Two triangles at -x and x on either side of the entry, both pointing at it.
    glPushMatrix();
    glTranslatef(x, y, 50);
    glRotatef(rot, 1, 0, 0);
    DrawMarkerTriangle();
    glTranslatef(-2 * x, 0, 0);
    glScalef(-1, 1, 1);
    DrawMarkerTriangle();
    glPopMatrix();
    CentredText(MenuHelpLine().c_str(), 0, 40 - hh, 50, 6);
    // The installed game (the browser's too) names its own screens; a run folder's menu stays as it was.
    if (!InstalledDataFolder().empty()) CentredText(MENU_SCREENS_LINE, 0, OptionsLineY(), 50, 6);
}

// Five steps of fpsm per frame on each axis towards the target.
void Menu::moveMarker() {
    for (int k = 0; k < 5; k++) {
        if (vx - 0.001f > x)
            x += fpsm;
        else if (x + 0.001f > vx)
            x -= fpsm;
        if (vy - 0.001f > y)
            y += fpsm;
        else if (y + 0.001f > vy)
            y -= fpsm;
    }
}

void Menu::step(const unsigned char* keys) {
    fire(keys);
    select(keys);
    switches(keys);
}

void Menu::covered() {
    static const unsigned char NO_KEYS[SDLK_LAST] = {};
    step(NO_KEYS);
    rot += fpsm * 3.5f;
    moveMarker();
}

void Menu::update() {
    step(MenuKeys());
    draw();
    rot += fpsm * 3.5f;
    moveMarker();
    // Last, as the options screen takes this menu's place on the list, while it still has one (fire
    // in this frame may have started a game or ended the program).
    if (n < nAnim && anim[n] == this) OpenOptionsOnPress(this);
}

GameOver::GameOver() : twoPlayers(::twoPlayers) {
    if (player) player->data = 0;
    naming.Begin();
}

void GameOver::update() {
    const unsigned char* keys = MenuKeys();
    if (naming.active)
        naming.update();
    else if (keys[SDLK_z] || keys[SDLK_SLASH] || keys[SDLK_b]) {
        // With every overlay slot taken (extra-life bars collected by a dying second ship), the
        // menu would be dropped and nothing but Escape would be left: the screen stays until a
        // slot is free.
        if (h && nAnim < ANIM_SLOTS) {
            AddAnimation(new Menu());
            RemoveAnimation(n);
        }
    } else
        h = true;
    CentredText("GAME OVER", 0, 0, 0, 15);
    if (!naming.active) CentredText("PRESS FIRE", 0, -50, 0, 10);
    if (!twoPlayers) return;
    const char* winner = score[0] > score[1]   ? "PLAYER 1 WINS!"
                         : score[0] < score[1] ? "PLAYER 2 WINS!"
                                               : "DRAW!";
    CentredText(winner, 0, -80, 0, 9);
}

void Life::update() {
    glPushMatrix();
    glTranslatef(0, 0, 6);
    glColor3f(0.1f, 1, 0.2f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(2 - hw, 2 - hh);
    glVertex2f(17 - hw, 2 - hh);
    glVertex2f(2 - hw, 2 - hh + time);
    glVertex2f(17 - hw, 2 - hh + time);
    glEnd();
    glPopMatrix();
    time -= fpsm * 2.3f;
    if (time <= 0) RemoveAnimation(n);
}
