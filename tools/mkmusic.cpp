// mkmusic: composes Korvel's in-game tune and writes it as a FastTracker 2 module (XM 1.04).
//
//   usage: mkmusic <out.xm>
//
// Everything in the module is made here: the seven instruments are synthesised
// (kick, snare, hat, bass, lead, arpeggio, pad), the parts are written out from
// chord charts and melody strings, and the song order strings sections together
// so that it loops back to the first verse. Noise comes from a fixed seed, so the
// output is the same byte for byte on every run.
//
// Song: A minor, 140 BPM, 8 channels. A pattern is four bars of sixteenth notes.
//   intro, intro 2, verse, verse 2, chorus, chorus 2, breakdown,
//   verse, verse 2, bridge, bridge 2, chorus, chorus 2  -> back to verse

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kChannels = 8;
constexpr int kBars = 4, kRowsPerBar = 16, kRows = kBars * kRowsPerBar;
constexpr int kSpeed = 6, kBpm = 140; // 6 ticks a row, four rows a beat
constexpr int kRelNote = 24;          // samples are stored two octaves up...
constexpr double kRate = 8363.0 * 4;  // ...so C-4 plays them back at 33452 Hz
constexpr int kCycle = 128;           // samples per cycle of a pitched sample: C-4 = 261 Hz
constexpr int kKeyOff = 97;

using Wave = std::vector<double>;

// Tiny xorshift generator so the noise never depends on the C library.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1u) {}
    double next() { // uniform in [-1, 1)
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / 2147483648.0 - 1.0;
    }

  private:
    uint32_t state_;
};

// ---------------------------------------------------------------- instruments

struct Instrument {
    explicit Instrument(std::string n) : name(std::move(n)) {}
    std::string name;
    std::vector<int16_t> pcm;
    int loopStart = 0, loopLength = 0; // in samples; no loop when the length is 0
    int volume = 64, pan = 128;
    std::vector<std::pair<int, int>> envelope; // (tick, level 0..64) points, empty for none
    int sustain = -1;                          // envelope point held until key-off
    int fadeout = 0;
    int vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

// Scales a wave to the given peak (as a fraction of full scale).
std::vector<int16_t> toPcm(const Wave& w, double peak) {
    double top = 1e-9;
    for (double v : w)
        top = std::max(top, std::fabs(v));
    std::vector<int16_t> out(w.size());
    for (size_t i = 0; i < w.size(); ++i)
        out[i] = int16_t(std::lround(w[i] / top * peak * 32767.0));
    return out;
}

// A wave that repeats `cycles` times over `len` samples, built from harmonics
// 1..n with amplitudes amp(k). Phases are taken modulo `len` so the wave joins
// up exactly at the loop point.
template <class Amp> Wave additive(int len, int cycles, int n, Amp amp) {
    Wave sine(len), w(len, 0.0);
    for (int i = 0; i < len; ++i)
        sine[i] = std::sin(2.0 * kPi * i / len);
    for (int k = 1; k <= n; ++k) {
        double a = amp(k);
        if (a == 0.0) continue;
        for (int i = 0; i < len; ++i)
            w[i] += a * sine[(int64_t(k) * cycles * i) % len];
    }
    return w;
}

double saw(int k) {
    return 1.0 / k;
}
double square(int k) {
    return k % 2 ? 1.0 / k : 0.0;
}

// Fades the last `ms` milliseconds of a one-shot sample to silence.
void fadeTail(Wave& w, double ms) {
    int n = std::min<int>(w.size(), int(ms * kRate / 1000.0));
    for (int i = 0; i < n; ++i)
        w[w.size() - 1 - i] *= double(i) / n;
}

Instrument kick() {
    Noise noise(0x4b1c);
    Wave w(int(0.30 * kRate));
    double phase = 0.0;
    for (size_t i = 0; i < w.size(); ++i) {
        double t = i / kRate;
        phase += 2.0 * kPi * (46.0 + 120.0 * std::exp(-t / 0.035)) / kRate;
        double body = std::sin(phase) * std::exp(-t / 0.14);
        double click = noise.next() * std::exp(-t / 0.002) * 0.4;
        w[i] = std::tanh(1.8 * (body + click));
    }
    fadeTail(w, 15);
    Instrument in{"kick"};
    in.pcm = toPcm(w, 0.9);
    return in;
}

Instrument snare() {
    Noise noise(0x5a4e);
    Wave w(int(0.22 * kRate));
    double low = 0.0;
    const double c = 1.0 - std::exp(-2.0 * kPi * 1200.0 / kRate);
    for (size_t i = 0; i < w.size(); ++i) {
        double t = i / kRate;
        double n = noise.next();
        low += c * (n - low); // keep what is above ~1.2 kHz
        double tone = (std::sin(2.0 * kPi * 185.0 * t) * 0.6 + std::sin(2.0 * kPi * 330.0 * t) * 0.3) *
                      std::exp(-t / 0.035);
        w[i] = std::tanh(1.5 * (tone + (n - low) * std::exp(-t / 0.065)));
    }
    fadeTail(w, 15);
    Instrument in{"snare"};
    in.pcm = toPcm(w, 0.9);
    return in;
}

Instrument hat() {
    Noise noise(0x4a77);
    Wave w(int(0.07 * kRate));
    double low1 = 0.0, low2 = 0.0;
    const double c = 1.0 - std::exp(-2.0 * kPi * 6000.0 / kRate);
    for (size_t i = 0; i < w.size(); ++i) {
        double n = noise.next();
        low1 += c * (n - low1);
        double high = n - low1;
        low2 += c * (high - low2);
        w[i] = (high - low2) * std::exp(-(i / kRate) / 0.016);
    }
    fadeTail(w, 5);
    Instrument in{"hat"};
    in.pcm = toPcm(w, 0.8);
    in.pan = 164;
    return in;
}

// Saw plus a sine sub whose brightness closes down over the first cycles, like
// a filter envelope; the last cycle loops.
Instrument bass() {
    constexpr int kCycles = 40;
    Wave w(kCycles * kCycle, 0.0);
    for (int i = 0; i < int(w.size()); ++i) {
        int cycle = i / kCycle;
        double t = double(i) / kCycle;
        double cutoff = cycle == kCycles - 1 ? 3.0 : 3.0 + 24.0 * std::exp(-t / 6.0);
        double phase = 2.0 * kPi * (i % kCycle) / kCycle;
        double v = 0.8 * std::sin(phase);
        for (int k = 1; k <= 40; ++k)
            v += std::sin(k * phase) / k / std::sqrt(1.0 + std::pow(k / cutoff, 4));
        w[i] = v;
    }
    Instrument in{"bass"};
    in.pcm = toPcm(w, 0.9);
    in.loopStart = (kCycles - 1) * kCycle;
    in.loopLength = kCycle;
    in.envelope = {{0, 64}, {3, 58}, {14, 46}};
    in.sustain = 2;
    in.fadeout = 0x1000;
    return in;
}

// Square and a slightly sharp saw: 128 and 129 cycles over one loop gives a
// gentle chorus beat.
Instrument lead() {
    constexpr int kLen = 128 * kCycle;
    Wave a = additive(kLen, 128, 16, square), b = additive(kLen, 129, 16, saw);
    for (int i = 0; i < kLen; ++i)
        a[i] += 0.6 * b[i];
    Instrument in{"lead"};
    in.pcm = toPcm(a, 0.9);
    in.loopLength = kLen;
    in.envelope = {{0, 64}, {4, 54}, {18, 46}};
    in.sustain = 2;
    in.fadeout = 0x0600;
    in.vibratoSweep = 40;
    in.vibratoDepth = 2;
    in.vibratoRate = 10;
    return in;
}

// Single cycle of a 25% pulse, plucked by its envelope.
Instrument arp() {
    Wave w = additive(kCycle, 1, 32, [](int k) { return std::sin(kPi * k * 0.25) / k; });
    Instrument in{"arp"};
    in.pcm = toPcm(w, 0.9);
    in.loopLength = kCycle;
    in.envelope = {{0, 64}, {6, 34}, {18, 14}, {40, 0}};
    in.fadeout = 0x0800;
    in.pan = 92;
    return in;
}

// Three detuned, darker saws.
Instrument pad() {
    constexpr int kLen = 128 * kCycle;
    auto soft = [](int k) { return std::pow(double(k), -1.4); };
    Wave w = additive(kLen, 127, 14, soft), b = additive(kLen, 128, 14, soft),
         c = additive(kLen, 129, 14, soft);
    for (int i = 0; i < kLen; ++i)
        w[i] += b[i] + c[i];
    Instrument in{"pad"};
    in.pcm = toPcm(w, 0.9);
    in.loopLength = kLen;
    in.envelope = {{0, 10}, {12, 48}, {40, 40}};
    in.sustain = 2;
    in.fadeout = 0x0300;
    return in;
}

// --------------------------------------------------------------------- parts

enum Ins { kKick = 1, kSnare, kHat, kBass, kLead, kArp, kPad };
enum Chan { cKick, cSnare, cHat, cBass, cLead, cArp, cPadLow, cPadHigh };

struct Cell {
    uint8_t note = 0, ins = 0, vol = 0, fx = 0, param = 0;
};
using Pattern = std::vector<std::array<Cell, kChannels>>;

// MIDI-style note numbers (60 = middle C = XM C-4).
void play(Pattern& p, int row, int ch, int midi, int ins, int vol, int fx = 0, int param = 0) {
    Cell& c = p[row][ch];
    c.note = uint8_t(midi - 11);
    c.ins = uint8_t(ins);
    c.vol = uint8_t(0x10 + vol);
    c.fx = uint8_t(fx);
    c.param = uint8_t(param);
}

void keyOff(Pattern& p, int row, int ch) {
    p[row][ch] = Cell{kKeyOff};
}

// Lowest note at or above `low` with the given pitch class.
int above(int pitchClass, int low) {
    return low + ((pitchClass - low) % 12 + 12) % 12;
}

// Semitones above C of a note name such as "F#" or "Bb" read from s[i...].
int semitone(const std::string& s, size_t& i) {
    static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    if (i >= s.size() || s[i] < 'A' || s[i] > 'G') throw std::runtime_error("bad note name in \"" + s + "\"");
    int n = kLetters[s[i++] - 'A'];
    if (i < s.size() && s[i] == '#')
        ++i, ++n;
    else if (i < s.size() && s[i] == 'b')
        ++i, --n;
    return n;
}

struct Chord {
    int root, third, fifth; // pitch classes
};

std::array<Chord, kBars> parseChords(const std::string& text) {
    std::istringstream in(text);
    std::array<Chord, kBars> out{};
    std::string name;
    for (int bar = 0; bar < kBars; ++bar) {
        if (!(in >> name)) throw std::runtime_error("need four chords in \"" + text + "\"");
        size_t i = 0;
        int root = (semitone(name, i) + 12) % 12;
        bool minor = i < name.size() && name[i] == 'm';
        out[bar] = {root, (root + (minor ? 3 : 4)) % 12, (root + 7) % 12};
    }
    return out;
}

// Drum styles, one letter a bar:
//   . silent   h hats   k kick and hats   F full beat   f full beat with a fill
//   H half-time   b breakdown pulse   S snare eighths   R snare roll   i intro roll
void drums(Pattern& p, int at, char style) {
    auto kick = [&](int r, int v) { play(p, at + r, cKick, 60, kKick, v); };
    auto snare = [&](int r, int v) { play(p, at + r, cSnare, 60, kSnare, v); };
    auto hat = [&](int r, int v) { play(p, at + r, cHat, 60, kHat, v); };
    auto offbeatHats = [&](int loud, int soft) {
        for (int r = 0; r < kRowsPerBar; ++r)
            if (r % 4 == 2)
                hat(r, loud);
            else if (r % 2 && soft)
                hat(r, soft);
    };
    auto fourOnTheFloor = [&] {
        for (int r = 0; r < kRowsPerBar; r += 4)
            kick(r, 60);
    };
    switch (style) {
    case '.':
        break;
    case 'h':
        offbeatHats(26, 0);
        break;
    case 'i':
        offbeatHats(30, 0);
        for (int r = 8; r < kRowsPerBar; ++r)
            snare(r, 12 + 4 * (r - 8));
        break;
    case 'k':
        fourOnTheFloor();
        offbeatHats(34, 14);
        break;
    case 'F':
    case 'f':
        fourOnTheFloor();
        offbeatHats(36, 16);
        snare(4, 50);
        snare(12, 50);
        if (style == 'f') snare(13, 26), snare(14, 36), snare(15, 46);
        break;
    case 'H':
        kick(0, 60), kick(10, 52);
        snare(8, 50);
        for (int r = 0; r < kRowsPerBar; r += 2)
            hat(r, r % 4 ? 34 : 20);
        break;
    case 'b':
        kick(0, 56);
        offbeatHats(22, 0);
        break;
    case 'S':
        fourOnTheFloor();
        for (int r = 0; r < kRowsPerBar; r += 2)
            snare(r, 24 + r);
        break;
    case 'R':
        fourOnTheFloor();
        for (int r = 0; r < kRowsPerBar; ++r)
            snare(r, 26 + 2 * r);
        break;
    default:
        throw std::runtime_error(std::string("unknown drum style ") + style);
    }
}

// Bass styles: . rest   8 driving eighths   q quarters   w held for the bar
void bassBar(Pattern& p, int at, char style, const Chord& chord) {
    int root = above(chord.root, 40); // E2..D#3
    switch (style) {
    case '.':
        keyOff(p, at, cBass);
        break;
    case '8': {
        static const int kOctave[8] = {0, 0, 12, 0, 0, 0, 12, 0};
        for (int i = 0; i < 8; ++i)
            play(p, at + 2 * i, cBass, root + kOctave[i], kBass, i % 2 ? 36 : 46);
        break;
    }
    case 'q':
        for (int r = 0; r < kRowsPerBar; r += 4)
            play(p, at + r, cBass, root, kBass, 50);
        break;
    case 'w':
        play(p, at, cBass, root, kBass, 50);
        keyOff(p, at + 14, cBass);
        break;
    default:
        throw std::runtime_error(std::string("unknown bass style ") + style);
    }
}

// Sixteenth-note arpeggio over root, third, fifth and octave.
void arpBar(Pattern& p, int at, int level, const Chord& chord) {
    if (level == 0) return;
    int root = above(chord.root, 60);
    int tones[4] = {root, above(chord.third, root), above(chord.fifth, root), root + 12};
    static const int kFigure[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    for (int r = 0; r < kRowsPerBar; ++r)
        play(p, at + r, cArp, tones[kFigure[r % 8]], kArp, level * 6 + (r % 4 ? 0 : 6));
}

// Third and fifth held through the bar, panned apart.
void padBar(Pattern& p, int at, int level, const Chord& chord) {
    if (level == 0) return;
    play(p, at, cPadLow, above(chord.third, 55), kPad, level * 6, 0x08, 0x58);
    play(p, at, cPadHigh, above(chord.fifth, 55), kPad, level * 6, 0x08, 0xa8);
}

// Melody as "note:sixteenths" tokens, e.g. "A4:3 C5:3 r:2 | ...". "r" is a
// rest; "|" marks (and checks) a bar line.
void melody(Pattern& p, const std::string& text) {
    std::istringstream in(text);
    std::string tok;
    int row = 0;
    while (in >> tok) {
        if (tok == "|") {
            if (row % kRowsPerBar) throw std::runtime_error("bar line off the beat in \"" + text + "\"");
            continue;
        }
        size_t colon = tok.find(':');
        if (colon == std::string::npos) throw std::runtime_error("bad melody token " + tok);
        int length = std::stoi(tok.substr(colon + 1));
        if (length < 1 || row + length > kRows) throw std::runtime_error("melody runs past the pattern");
        std::string name = tok.substr(0, colon);
        if (name == "r") {
            keyOff(p, row, cLead);
        } else {
            size_t i = 0;
            int n = semitone(name, i);
            if (i + 1 != name.size() || name[i] < '0' || name[i] > '9')
                throw std::runtime_error("bad melody note " + name);
            play(p, row, cLead, 12 * (name[i] - '0' + 1) + n, kLead, 54);
        }
        row += length;
    }
    if (row != kRows) throw std::runtime_error("melody does not fill the pattern: \"" + text + "\"");
}

struct Section {
    const char* chords; // one chord a bar
    const char* drums;  // one drum style letter a bar
    const char* bass;   // one bass style letter a bar
    const char* arp;    // arpeggio loudness a bar, 0..9
    const char* pad;    // pad loudness a bar, 0..9
    const char* lead;   // melody, or nullptr to rest
};

Pattern build(const Section& s) {
    Pattern p(kRows);
    auto chords = parseChords(s.chords);
    for (int bar = 0; bar < kBars; ++bar) {
        int at = bar * kRowsPerBar;
        drums(p, at, s.drums[bar]);
        bassBar(p, at, s.bass[bar], chords[bar]);
        arpBar(p, at, s.arp[bar] - '0', chords[bar]);
        padBar(p, at, s.pad[bar] - '0', chords[bar]);
    }
    if (s.lead)
        melody(p, s.lead);
    else
        keyOff(p, 0, cLead);
    if (s.pad[0] == '0') keyOff(p, 0, cPadLow), keyOff(p, 0, cPadHigh);
    return p;
}

// clang-format off
const Section kSections[] = {
    // 0: intro - pad and arpeggio fade in, hats and a roll lead into...
    {"Am F C G", "..hi", "....", "1234", "5555", nullptr},
    // 1: intro 2 - kick and bass
    {"Am F C G", "kkkf", "8888", "4444", "5555", nullptr},
    // 2: verse
    {"Am F C G", "FFFF", "8888", "3333", "4444",
     "A4:3 C5:3 E5:2 D5:2 C5:2 B4:2 C5:2 | A4:6 F4:2 A4:2 C5:2 D5:2 C5:2 | "
     "E5:3 G5:3 E5:2 D5:2 C5:2 D5:2 E5:2 | D5:6 B4:2 G4:4 r:4"},
    // 3: verse 2
    {"Am F C G", "FFFf", "8888", "3333", "4444",
     "A4:3 C5:3 E5:2 A5:4 G5:2 E5:2 | F5:6 E5:2 C5:4 A4:4 | "
     "G4:2 C5:2 E5:2 G5:2 E5:2 C5:2 D5:2 E5:2 | D5:8 B4:4 D5:4"},
    // 4: chorus
    {"F G Em Am", "FFFF", "8888", "4444", "5555",
     "A5:4 G5:2 F5:2 r:2 F5:2 G5:2 A5:2 | B5:4 A5:2 G5:2 r:2 D5:2 G5:2 B5:2 | "
     "C6:4 B5:2 G5:2 E5:4 G5:2 B5:2 | A5:8 r:4 E5:2 G5:2"},
    // 5: chorus 2
    {"F G Am Am", "FFFf", "8888", "4444", "5555",
     "A5:4 G5:2 F5:2 r:2 F5:2 G5:2 A5:2 | B5:4 C6:2 D6:2 r:2 B5:2 G5:2 D5:2 | "
     "E5:2 A5:2 C6:4 B5:2 A5:2 G5:2 E5:2 | A5:12 r:4"},
    // 6: breakdown
    {"Am F C G", "bbbR", "wwwq", "5555", "6666", nullptr},
    // 7: bridge - half time
    {"Dm Em F G", "HHHH", "qqqq", "0000", "6666",
     "F5:8 E5:4 D5:4 | E5:8 G5:4 B5:4 | A5:8 G5:4 F5:4 | G5:12 r:4"},
    // 8: bridge 2 - builds back into the chorus
    {"Dm Em F E", "HHSR", "qq88", "0033", "6666",
     "D5:4 F5:4 A5:8 | G5:4 B5:4 E6:8 | C6:4 A5:4 F5:4 A5:4 | G#5:8 B5:4 E5:4"},
};
// clang-format on

const std::vector<int> kOrder = {0, 1, 2, 3, 4, 5, 6, 2, 3, 7, 8, 4, 5};
constexpr int kRestart = 2; // loop back to the verse

// ------------------------------------------------------------------ XM file

class Writer {
  public:
    void u8(int v) { bytes_.push_back(uint8_t(v)); }
    void u16(int v) { u8(v & 0xff), u8((v >> 8) & 0xff); }
    void u32(uint32_t v) { u16(int(v & 0xffff)), u16(int(v >> 16)); }
    void text(const std::string& s, size_t width) { // fixed width, zero padded
        for (size_t i = 0; i < width; ++i)
            u8(i < s.size() ? s[i] : 0);
    }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void append(const std::vector<uint8_t>& b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }
    void expect(size_t at, const char* what) const {
        if (size() != at) throw std::logic_error(std::string(what) + " has the wrong size");
    }

  private:
    std::vector<uint8_t> bytes_;
};

// Packed pattern data: a cell with every field set is stored as is, anything
// else as a flag byte (bit 7 set, bits 0-4 = which fields follow) and the fields.
std::vector<uint8_t> pack(const Pattern& p) {
    std::vector<uint8_t> out;
    for (const auto& row : p)
        for (const Cell& c : row) {
            const uint8_t f[5] = {c.note, c.ins, c.vol, c.fx, c.param};
            uint8_t mask = 0;
            for (int i = 0; i < 5; ++i)
                if (f[i]) mask |= uint8_t(1 << i);
            if (mask == 0x1f) {
                out.insert(out.end(), f, f + 5);
                continue;
            }
            out.push_back(uint8_t(0x80 | mask));
            for (int i = 0; i < 5; ++i)
                if (f[i]) out.push_back(f[i]);
        }
    return out;
}

void writeInstrument(Writer& w, const Instrument& in) {
    const size_t start = w.size();
    w.u32(263); // instrument header size
    w.text(in.name, 22);
    w.u8(0);     // type
    w.u16(1);    // one sample
    w.u32(40);   // sample header size
    w.zeros(96); // every note uses sample 0
    for (int i = 0; i < 12; ++i) {
        bool used = i < int(in.envelope.size());
        w.u16(used ? in.envelope[i].first : 0);
        w.u16(used ? in.envelope[i].second : 0);
    }
    w.zeros(48); // no panning envelope
    w.u8(int(in.envelope.size()));
    w.u8(0); // panning envelope points
    // Volume sustain point, loop start and end, then the same for panning.
    w.u8(std::max(in.sustain, 0));
    w.zeros(5);
    // Volume envelope flags (bit 0 on, bit 1 sustain), then panning's.
    w.u8(in.envelope.empty() ? 0 : (1 | (in.sustain >= 0 ? 2 : 0)));
    w.u8(0);
    w.u8(0); // sine auto-vibrato
    w.u8(in.vibratoSweep);
    w.u8(in.vibratoDepth);
    w.u8(in.vibratoRate);
    w.u16(in.fadeout);
    w.zeros(22); // reserved
    w.expect(start + 263, "instrument header");

    // Sample header; lengths are in bytes.
    w.u32(uint32_t(in.pcm.size() * 2));
    w.u32(uint32_t(in.loopStart * 2));
    w.u32(uint32_t(in.loopLength * 2));
    w.u8(in.volume);
    w.u8(0);                              // finetune
    w.u8((in.loopLength ? 1 : 0) | 0x10); // forward loop; 16-bit
    w.u8(in.pan);
    w.u8(kRelNote);
    w.u8(0); // delta-coded
    w.text(in.name, 22);
    w.expect(start + 263 + 40, "sample header");

    int16_t last = 0;
    for (int16_t s : in.pcm) {
        w.u16(uint16_t(s - last));
        last = s;
    }
}

std::vector<uint8_t> buildModule() {
    std::vector<Pattern> patterns;
    for (const Section& s : kSections)
        patterns.push_back(build(s));
    const std::vector<Instrument> instruments = {kick(), snare(), hat(), bass(), lead(), arp(), pad()};

    Writer w;
    w.text("Extended Module: ", 17);
    w.text("Korvel - Overdrive", 20);
    w.u8(0x1a);
    w.text("mkmusic", 20);
    w.u16(0x0104);
    w.u32(276); // header size, counted from here
    w.u16(int(kOrder.size()));
    w.u16(kRestart);
    w.u16(kChannels);
    w.u16(int(patterns.size()));
    w.u16(int(instruments.size()));
    w.u16(1); // linear frequency table
    w.u16(kSpeed);
    w.u16(kBpm);
    for (int i = 0; i < 256; ++i)
        w.u8(i < int(kOrder.size()) ? kOrder[i] : 0);
    w.expect(60 + 276, "module header");

    for (const Pattern& p : patterns) {
        std::vector<uint8_t> data = pack(p);
        w.u32(9); // pattern header size
        w.u8(0);  // packing type
        w.u16(int(p.size()));
        w.u16(int(data.size()));
        w.append(data);
    }
    for (const Instrument& in : instruments)
        writeInstrument(w, in);
    return w.bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <out.xm>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> module;
    try {
        module = buildModule();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkmusic: %s\n", e.what());
        return 1;
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "mkmusic: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    bool ok = std::fwrite(module.data(), 1, module.size(), f) == module.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "mkmusic: error writing %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
