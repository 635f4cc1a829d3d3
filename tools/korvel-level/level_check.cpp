// level_check.cpp -- a level file read with the game's own reader, where and why the reading stops,
// and its values checked against how the game uses them.
#include "level_check.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include <sys/stat.h>

#include "shell/settings.h"

// One tuning value of the game: its key and the global that holds it.
class Slot {
  public:
    const char* key;
    int* i;   // for the int values
    float* f; // for lifeBarRate
};
static Slot MakeSlot(const char* key, int* i) {
    return {key, i, nullptr};
}
static Slot MakeSlot(const char* key, float* f) {
    return {key, nullptr, f};
}

static const Slot SLOTS[] = {
#define SETTING(name, type, value, end) MakeSlot(#name, &name),
#include "shell/settings_table.h"
#undef SETTING
};
static_assert(sizeof SLOTS / sizeof SLOTS[0] == SETTINGS_COUNT, "one slot per tuning value");

static double Held(const Slot& s) {
    return s.i ? *s.i : *s.f;
}

static int SlotOf(const void* global) {
    for (int k = 0; k < SETTINGS_COUNT; k++)
        if (SLOTS[k].i == global || SLOTS[k].f == global) return k;
    return -1;
}

// Values the game divides by or takes a remainder by: below 1 they act as 1.
static int* const DIVISORS[] = {
    &timeBetweenEnemies,          &chanceSatelitesAim,          &chanceSatelitesShootCircles,
    &chanceSatelitesShootRockets, &enemyMaxAddedRadius,         &enemyMaxAddedSides,
    &enemyMaxAddedFireRate,       &chanceOfAimingEnemy,         &aimingEnemyMaxAddedRadius,
    &aimingEnemyMaxAddedSides,    &aimingEnemyMaxAddedFireTime, &chanceOfCircleEnemy,
    &circleEnemyMaxAddedRadius,   &circleEnemyMaxAddedSides,    &circleEnemyMaxAddedFireRate,
    &chanceOfChargingEnemy,       &chargingEnemyMaxAddedRadius, &chargingEnemyMaxAddedSides,
    &chargingEnemyMaxAddedRate,   &chanceOfRocketEnemy,         &rocketEnemyMaxAddedRadius,
    &rocketEnemyMaxAddedSides,    &rocketEnemyMaxAddedFireRate,
};
// Each enemy kind's sides: min plus a random number below the extra.
static int* const SIDE_RANGES[][2] = {
    {&enemyMinSides, &enemyMaxAddedSides},
    {&aimingEnemyMinSides, &aimingEnemyMaxAddedSides},
    {&circleEnemyMinSides, &circleEnemyMaxAddedSides},
    {&chargingEnemyMinSides, &chargingEnemyMaxAddedSides},
    {&rocketEnemyMinSides, &rocketEnemyMaxAddedSides},
};
// The largest side or shot count a polygon can have.
static const int MOST_SIDES = 499;
// A third of chanceOfRocketEnemy is a divisor too (while a ship is near the top).
static const int ROCKET_THIRD = 3;

// Longest piece of the file quoted in a message, and the longest key-like word looked at.
static const long QUOTE_WIDTH = 40;
static const size_t WORD_LIMIT = 64;

static const char* const BYTE_ORDER_MARK = "\xEF\xBB\xBF";
static const char* const UTF16_LITTLE_END = "\xFF\xFE";
static const char* const UTF16_BIG_END = "\xFE\xFF";

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string DefaultLevelText() {
    std::string text;
    char line[128];
#define SETTING(name, type, def, end)                                                                        \
    snprintf(line, sizeof line, std::is_same<type, float>::value ? "%s=%.1f%s" : "%s=%i%s", #name,           \
             static_cast<type>(def), end);                                                                   \
    text += line;
#include "shell/settings_table.h"
#undef SETTING
    return text;
}

int LevelReport::Status() const {
    return stopped || !warnings.empty() ? 1 : 0;
}

// Reads at most LEVEL_TEXT_LIMIT + 1 bytes: enough to know whether there are more.
static bool LoadText(const std::string& path, std::string* text, std::string* error) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        *error = strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(f);
        *error = "it is a folder";
        return false;
    }
    text->resize(LEVEL_TEXT_LIMIT + 1);
    const size_t got = fread(&(*text)[0], 1, text->size(), f);
    const int readError = ferror(f) ? (errno ? errno : EIO) : 0;
    fclose(f);
    if (readError) {
        *error = strerror(readError);
        return false;
    }
    text->resize(got);
    return true;
}

// The game's reader over text; returns the values it takes and where it stops.
static int ReadThroughGame(const std::string& text, long* stop) {
    ResetSettings();
    *stop = 0;
    if (text.empty()) return 0; // no stream over nothing; no key matches an empty file either
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!f) return 0;
    const int taken = ReadLevelFrom(f);
    *stop = std::max(0L, ftell(f));
    fclose(f);
    return taken;
}

static int LineOf(const std::string& text, long offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

static long LineStart(const std::string& text, long offset) {
    const size_t newline = offset > 0 ? text.rfind('\n', offset - 1) : std::string::npos;
    return newline == std::string::npos ? 0 : static_cast<long>(newline) + 1;
}

static long LineEnd(const std::string& text, long offset) {
    const size_t newline = text.find('\n', offset);
    return newline == std::string::npos ? static_cast<long>(text.size()) : static_cast<long>(newline);
}

static bool IsBlank(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}

static long SkipBlanks(const std::string& text, long offset) {
    while (offset < static_cast<long>(text.size()) && IsBlank(text[offset]))
        offset++;
    return offset;
}

// The word of non-blank bytes from offset, at most QUOTE_WIDTH of them.
static std::string WordAt(const std::string& text, long offset) {
    long end = offset;
    while (end < static_cast<long>(text.size()) && !IsBlank(text[end]) && end - offset < QUOTE_WIDTH)
        end++;
    return text.substr(offset, end - offset);
}

// The key-like word at offset: letters, digits and underscores.
static std::string KeyWordAt(const std::string& text, long offset) {
    std::string word;
    for (long k = offset; k < static_cast<long>(text.size()) && word.size() < WORD_LIMIT; k++) {
        const unsigned char c = text[k];
        if (!isalnum(c) && c != '_') break;
        word += static_cast<char>(c);
    }
    return word;
}

static int KeyIndex(const std::string& word) {
    for (int k = 0; k < SETTINGS_COUNT; k++)
        if (word == SLOTS[k].key) return k;
    return -1;
}

// Edits (insertions, deletions, replacements, ignoring case) that turn a into b.
static size_t Distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            const bool same = tolower(static_cast<unsigned char>(a[i - 1])) ==
                              tolower(static_cast<unsigned char>(b[j - 1]));
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

// The key closest to word, the expected one winning ties; -1 when none is close enough to be
// a misspelling of it.
static int ClosestKey(const std::string& word, int expected) {
    int best = expected;
    size_t bestDistance = Distance(word, SLOTS[expected].key);
    for (int k = 0; k < SETTINGS_COUNT; k++) {
        const size_t d = Distance(word, SLOTS[k].key);
        if (d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    const size_t allowed = std::max<size_t>(2, strlen(SLOTS[best].key) / 4);
    return word.empty() || bestDistance > allowed ? -1 : best;
}

// Where "key=" starts a line (after blanks) at or after from; npos when nowhere.
static size_t FindKeyLine(const std::string& text, const std::string& key, size_t from) {
    const std::string wanted = key + "=";
    for (size_t at = text.find(wanted, from); at != std::string::npos; at = text.find(wanted, at + 1))
        if (SkipBlanks(text, LineStart(text, at)) == static_cast<long>(at)) return at;
    return std::string::npos;
}

static std::string Quote(const std::string& text) {
    return "`" + Printable(text) + "`";
}

static void Hint(LevelStop* stop, const char* kind, const std::string& text) {
    stop->hint = kind;
    stop->hintText = text;
}

// A value the number reader of the game could not take: no digits at all.
static bool HintValueNotNumber(const std::string& text, long pos, int n, LevelStop* stop) {
    long back = pos;
    while (back > 0 && (IsBlank(text[back - 1]) || text[back - 1] == '+' || text[back - 1] == '-'))
        back--;
    const std::string keyEquals = std::string(SLOTS[n].key) + "=";
    if (back < static_cast<long>(keyEquals.size()) ||
        text.compare(back - keyEquals.size(), keyEquals.size(), keyEquals) != 0)
        return false;
    const std::string written = WordAt(text, SkipBlanks(text, back));
    const char* takes =
        SLOTS[n].f ? "a decimal number" : "a whole number (decimal, 0x hexadecimal or 0 octal)";
    if (LineOf(text, SkipBlanks(text, back)) != LineOf(text, back) || written.empty())
        Hint(stop, "number", Quote(keyEquals) + " has no value; it takes " + takes);
    else
        Hint(stop, "number", Quote(written) + " is not a number the game can read; it takes " + takes);
    return true;
}

// The previous value read only in part: "08", "1.5" or "300abc" on its line.
static bool HintValueCut(const std::string& text, long pos, int n, LevelStop* stop) {
    if (n == 0) return false;
    const Slot& previous = SLOTS[n - 1];
    const std::string keyEquals = std::string(previous.key) + "=";
    const long keyAt = SkipBlanks(text, LineStart(text, pos));
    if (text.compare(keyAt, keyEquals.size(), keyEquals) != 0) return false;
    const long valueAt = SkipBlanks(text, keyAt + keyEquals.size());
    if (pos <= valueAt) return false;
    long takenEnd = pos;
    while (IsBlank(text[takenEnd - 1]))
        takenEnd--;
    const std::string taken = text.substr(valueAt, takenEnd - valueAt);
    const std::string rest = WordAt(text, pos);
    std::string why;
    const std::string digits = taken.substr(taken[0] == '+' || taken[0] == '-' ? 1 : 0);
    if (previous.i && digits.size() >= 1 && digits[0] == '0' && (rest[0] == '8' || rest[0] == '9'))
        why = ": a leading 0 makes an octal number, which has no digits 8 and 9; write it without the 0";
    else if (previous.i && (rest[0] == '.' || rest[0] == 'e' || rest[0] == 'E'))
        why = ": " + std::string(previous.key) + " takes whole numbers only";
    Hint(stop, "number",
         "the game took " + Quote(taken) + " as " + previous.key + " and stops at " + Quote(rest) + why);
    return true;
}

// Nothing the game can take before the first key: a byte-order mark or other text.
static bool HintBeforeFirstKey(const std::string& text, int n, LevelStop* stop) {
    if (n != 0) return false;
    if (text.compare(0, 3, BYTE_ORDER_MARK) == 0) {
        Hint(stop, "byte-order-mark",
             "the file starts with a byte-order mark (EF BB BF); save it as plain text without one");
        return true;
    }
    if (text.compare(0, 2, UTF16_LITTLE_END) == 0 || text.compare(0, 2, UTF16_BIG_END) == 0) {
        Hint(stop, "byte-order-mark", "the file is saved as UTF-16; save it as plain ASCII text");
        return true;
    }
    const size_t first = text.find(std::string(SLOTS[0].key) + "=");
    if (first == std::string::npos || first == 0) return false;
    Hint(stop, "before-first-key",
         "the first key must be the first thing in the file: remove what comes before line " +
             std::to_string(LineOf(text, first)) + ", column " +
             std::to_string(first - LineStart(text, first) + 1));
    return true;
}

// The word that starts the line of the stop, compared with the key the game expected.
static void HintFromLineKey(const std::string& text, long pos, int n, LevelStop* stop) {
    const std::string expected = SLOTS[n].key;
    const long wordAt = SkipBlanks(text, LineStart(text, pos));
    const std::string word = KeyWordAt(text, wordAt);
    const char after = wordAt + static_cast<long>(word.size()) < static_cast<long>(text.size())
                           ? text[wordAt + word.size()]
                           : '\n';
    const int index = KeyIndex(word);
    if (index == n && IsBlank(after) && after != '\n') {
        Hint(stop, "blank", "remove the blank between " + expected + " and \"=\"");
    } else if (index == n) {
        Hint(stop, "equals", expected + " must be followed directly by \"=\"");
    } else if (index > n) {
        const size_t later = FindKeyLine(text, expected, pos);
        const std::string where =
            "; the game expects " + expected + " here, as value " + std::to_string(n + 1);
        if (later != std::string::npos)
            Hint(stop, "further-down",
                 "lines are swapped: " + word + " belongs further down (value " + std::to_string(index + 1) +
                     ") and " + expected + " comes later, on line " + std::to_string(LineOf(text, later)) +
                     where);
        else
            Hint(stop, "further-down",
                 "a line is missing: " + word + " belongs further down (value " + std::to_string(index + 1) +
                     ")" + where);
    } else if (index >= 0) {
        Hint(stop, "further-up",
             word + " was already read as value " + std::to_string(index + 1) + "; the game expects " +
                 expected + " here");
    } else if (const int closest = ClosestKey(word, n); closest >= 0) {
        Hint(stop, "misspelt",
             Quote(word) + " is not a key; the closest is " + SLOTS[closest].key +
                 (closest == n ? "" : ", and the game expects " + expected + " here"));
    } else {
        Hint(stop, "unknown",
             "the line holds no key=value of this file; the game stops reading at any other text, comments "
             "included, and expects " +
                 expected + " here");
    }
}

// Everything said about the place where the reading stops.
static void ExplainStop(const std::string& text, long pos, int n, LevelStop* stop) {
    const long lineStart = LineStart(text, pos);
    const long from = std::max(lineStart, pos - QUOTE_WIDTH);
    const long to = std::min(LineEnd(text, pos), pos + QUOTE_WIDTH);
    const std::string before = (from > lineStart ? "..." : "") + Printable(text.substr(from, pos - from));
    stop->line = LineOf(text, pos);
    stop->column = static_cast<int>(pos - lineStart + 1);
    stop->key = SLOTS[n].key;
    stop->expected = stop->key + "=";
    stop->found = before + Printable(text.substr(pos, to - pos)) + (to < LineEnd(text, pos) ? "..." : "");
    stop->caret = static_cast<int>(before.size());
    if (HintValueNotNumber(text, pos, n, stop) || HintValueCut(text, pos, n, stop) ||
        HintBeforeFirstKey(text, n, stop))
        return;
    if (pos >= static_cast<long>(text.size()))
        Hint(stop, "end-of-file",
             "the file ends before " + stop->key + "; it and the " + std::to_string(SETTINGS_COUNT - n - 1) +
                 " values after it keep their defaults");
    else
        HintFromLineKey(text, pos, n, stop);
}

static std::string Number(double value, bool isFloat) {
    char text[40];
    snprintf(text, sizeof text, isFloat ? "%.9g" : "%.0f", value);
    return text;
}

// Where each value the game took stands in the file: the reader matched each "key=" in turn.
static void LocateValues(const std::string& text, int taken, LevelReport* report) {
    size_t from = 0;
    for (int k = 0; k < taken; k++) {
        const std::string keyEquals = std::string(SLOTS[k].key) + "=";
        const size_t at = text.find(keyEquals, from);
        if (at == std::string::npos) return;
        from = at + keyEquals.size();
        report->values[k].line = LineOf(text, at);
        report->values[k].written = Printable(WordAt(text, SkipBlanks(text, from)));
    }
}

static void Warn(LevelReport* report, int k, const char* kind, const std::string& text) {
    report->warnings.push_back({SLOTS[k].key, report->values[k].line, kind, text});
}

// A value read other than a person reads what is written: octal, cut short, or beyond an int.
static void WarnReadsAs(LevelReport* report, int k, double raw) {
    const std::string& written = report->values[k].written;
    if (written.empty()) return;
    errno = 0;
    char* end = nullptr;
    const double meant = strtod(written.c_str(), &end);
    if (*end != '\0' || errno != 0 || !std::isfinite(meant)) return;
    const bool isFloat = SLOTS[k].f != nullptr;
    if (isFloat ? static_cast<float>(meant) == static_cast<float>(raw) : meant == raw) return;
    const bool octal = !isFloat && (written[0] == '0' || ((written[0] == '-' || written[0] == '+') &&
                                                          written.size() > 1 && written[1] == '0'));
    Warn(report, k, "reads-as",
         Quote(written) + " reads as " + Number(raw, isFloat) +
             (octal ? " (a leading 0 makes an octal number)" : ""));
}

static void WarnHeld(LevelReport* report, int k, double raw) {
    const LevelValue& v = report->values[k];
    if (!std::isfinite(raw)) {
        Warn(report, k, "not-a-number",
             Quote(v.written) + " is not a number the game can use; it holds " + Number(v.value, v.isFloat));
    } else if (raw != v.value) {
        Warn(report, k, "limit",
             Number(raw, v.isFloat) + " is held at " + Number(v.value, v.isFloat) +
                 " (values are held within " + std::to_string(-SETTING_LIMIT) + " to " +
                 std::to_string(SETTING_LIMIT) + ")");
    }
}

static void WarnDivisors(LevelReport* report) {
    for (int* divisor : DIVISORS)
        if (*divisor < 1)
            Warn(report, SlotOf(divisor), "divisor",
                 std::to_string(*divisor) + " acts as 1 (the game divides by this value)");
    if (chanceOfRocketEnemy >= 1 && chanceOfRocketEnemy / ROCKET_THIRD < 1)
        Warn(report, SlotOf(&chanceOfRocketEnemy), "divisor",
             "a third of " + std::to_string(chanceOfRocketEnemy) +
                 " is below 1 and acts as 1 (while a ship with the lightning gun flies near the top)");
}

static void WarnPolygon(LevelReport* report, int* global, int lowest, int highest) {
    if (lowest < 0 || highest > MOST_SIDES)
        Warn(report, SlotOf(global), "polygon",
             "gives side or shot counts from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                 "; the game holds them within 0 to " + std::to_string(MOST_SIDES));
}

static void WarnPolygons(LevelReport* report) {
    for (auto& range : SIDE_RANGES)
        WarnPolygon(report, range[0], *range[0], *range[0] + Divisor(*range[1]) - 1);
    WarnPolygon(report, &maxBossBullets, std::min(maxBossBullets, 10), maxBossBullets);
    WarnPolygon(report, &maxSateliteSides, std::min(maxSateliteSides, std::max(minSateliteSides, 0)),
                maxSateliteSides);
    WarnPolygon(report, &maxSateliteBullets, std::min(maxSateliteBullets, 0), MOST_SIDES);
}

bool CheckLevel(const std::string& path, LevelReport* report, std::string* error) {
    *report = LevelReport();
    report->file = Printable(path);
    std::string text;
    if (!LoadText(path, &text, error)) return false;
    long pos = 0;
    const int taken = ReadThroughGame(text, &pos);
    if (static_cast<long>(text.size()) > LEVEL_TEXT_LIMIT && pos >= LEVEL_TEXT_LIMIT) {
        *error = "too large: its values run past the first " + std::to_string(LEVEL_TEXT_LIMIT) + " bytes";
        return false;
    }
    std::vector<double> raw;
    for (const Slot& s : SLOTS)
        raw.push_back(Held(s));
    TameSettings();
    report->read = taken;
    for (int k = 0; k < SETTINGS_COUNT; k++)
        report->values.push_back({SLOTS[k].key, Held(SLOTS[k]), SLOTS[k].f != nullptr, k < taken, 0, ""});
    LocateValues(text, taken, report);
    for (int k = 0; k < taken; k++) {
        WarnReadsAs(report, k, raw[k]);
        WarnHeld(report, k, raw[k]);
    }
    WarnDivisors(report);
    WarnPolygons(report);
    std::stable_sort(report->warnings.begin(), report->warnings.end(),
                     [](const LevelWarning& a, const LevelWarning& b) { return a.line < b.line; });
    report->stopped = taken < SETTINGS_COUNT;
    if (report->stopped) ExplainStop(text, pos, taken, &report->stop);
    return true;
}
