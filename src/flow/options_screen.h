// options_screen.h -- the options screen: keys, sound, picture and play, opened from the title menu.
#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "../shell/input.h"
#include "../world/effects.h"

class Menu;

// The options screen's pages, in the order Left and Right turn them.
enum OptionsPage { PAGE_KEYS, PAGE_SOUND, PAGE_PICTURE, PAGE_PLAY, OPTIONS_PAGES };

// What a row of a page is.
enum RowKind {
    ROW_PAGE,   // the page's name: Left and Right turn the pages
    ROW_ACTION, // an action of the controls file: choose, then press its new key
    ROW_PAD,    // a controller button's role: choose, then press its new button
    ROW_MUSIC,
    ROW_EFFECTS,
    ROW_SOUND, // the menu's sound switch
    ROW_MODE,  // window or fullscreen
    ROW_SCALE,
    ROW_SMOOTH,
    ROW_VSYNC,
    ROW_DIFFICULTY,
    ROW_AUTO_FIRE,
    ROW_FLASHING,
    ROW_RESET, // the page back to its defaults
    ROW_BACK,  // back to the title menu
};
struct OptionsRow {
    RowKind kind;
    int action; // ROW_ACTION: the action of the controls file; ROW_PAD: the button's role
};

// The options screen stands in for the title menu on the animation list while it is shown; the
// menu behind it reads no keys, and comes back as it was.
class OptionsScreen : public Animation {
  public:
    Menu* menu; // the title menu it stands in for, owned while shown
    OptionsPage page = PAGE_KEYS;
    int row = 0;                // the selected row
    int waitingFor = -1;        // the action whose new key is awaited, or -1
    int waitingForPad = -1;     // the controller role whose new button is awaited, or -1
    std::string note;           // the line under the rows: what the last change did
    std::vector<Press> pending; // presses that came with the one that opened the screen, after it

    OptionsScreen(Menu* covered, std::vector<Press> after);
    ~OptionsScreen() override;
    void update() override;
    // The rows of the shown page.
    std::vector<OptionsRow> rows() const;

    // Acts on one press (the input layer's Press) or tap.
    void take(SDLKey key, int button, int input);
    // The row at the picture's y, or -1.
    int rowAt(float y) const;

  private:
    void takeKey(SDLKey key, int button);
    void takeButton(int button);
    void stopWaiting();
    void choose();
    void change(int way);
    void reset();
    void close();
    void draw();
};

// Per run: the options screen while it is shown, else nullptr.
extern OptionsScreen* optionsScreen;

// Opens the options screen in place of the title menu when O or a controller's Back was pressed
// since the last frame; the presses after it go to the screen.
void OpenOptionsOnPress(Menu* menu);
// A tap on the picture at world point (x, y). While the options screen is shown, the row there is
// selected and chosen (on its left third a value steps down instead, on the page row's left half
// the page turns back); on the title menu, a tap on "O: OPTIONS" (the left half of the line under
// the help line) opens the options screen. Returns whether the tap did something.
bool TapOptions(float x, float y);
// The y of the title menu's options line, under its help line.
float OptionsLineY();
