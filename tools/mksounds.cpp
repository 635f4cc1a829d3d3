// mksounds: synthesises Korvel's sound effects as 16-bit mono 44.1 kHz WAV files.
//
//   usage: mksounds <outdir>
//
// Every effect is built from a fixed-seed noise source, so the output is the
// same byte for byte on every run. Levels are matched by short-term loudness
// (ear-weighted, over the loudest 50 ms), then capped below full scale.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kPeakLimit = 29000.0 / 32767.0; // about -1 dBFS

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

int samples(double seconds) {
    return static_cast<int>(seconds * kRate + 0.5);
}

// Raised-cosine fade in over `attack` seconds and fade out over `release` seconds.
double edges(int i, int n, double attack, double release) {
    double t = double(i) / kRate, left = double(n - 1 - i) / kRate;
    double g = 1.0;
    if (t < attack) g *= 0.5 - 0.5 * std::cos(kPi * t / attack);
    if (left < release) g *= 0.5 - 0.5 * std::cos(kPi * left / release);
    return g;
}

// One-pole low-pass coefficient for a cutoff in Hz.
double lowpassCoef(double hz) {
    return 1.0 - std::exp(-2.0 * kPi * hz / kRate);
}

// Band-limited-ish square: odd harmonics up to the 7th, kept below Nyquist.
double softSquare(double phase, double hz) {
    double s = 0.0;
    for (int h = 1; h <= 7 && h * hz < kRate / 2.2; h += 2)
        s += std::sin(h * phase) / h;
    return s * 4.0 / kPi;
}

// ---------------------------------------------------------------- effects --

Wave boom() {
    const int n = samples(1.3);
    Wave w(n);
    Noise noise(0xB00Bu);
    double lp1 = 0, lp2 = 0, rumble = 0, phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        // Crack: bright noise that darkens quickly as the blast dies away.
        double cutoff = 150.0 + 4000.0 * std::exp(-t * 9.0);
        lp1 += lowpassCoef(cutoff) * (noise.next() - lp1);
        lp2 += lowpassCoef(cutoff) * (lp1 - lp2);
        double crack = lp2 * 2.5 * std::exp(-t * 5.0);
        // Rumble: very low noise plus a sine that sags from 95 Hz to 35 Hz.
        rumble += lowpassCoef(120.0) * (noise.next() - rumble);
        phase += 2.0 * kPi * (35.0 + 60.0 * std::exp(-t * 4.0)) / kRate;
        double body = (std::sin(phase) * 0.4 + rumble * 10.0) * std::exp(-t * 2.6);
        double s = crack + body;
        w[i] = std::tanh(1.6 * s) * edges(i, n, 0.004, 0.25); // mild saturation for weight
    }
    return w;
}

Wave powerup() {
    // Two octaves of a major arpeggio climbing fast, each note bending up a touch.
    const double notes[] = {523.25, 659.26, 783.99, 1046.50, 1318.51, 1567.98, 2093.00};
    const double step = 0.07;
    const int n = samples(step * std::size(notes) + 0.02);
    Wave w(n);
    double phase = 0, hz = notes[0];
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        int k = std::min<int>(int(t / step), int(std::size(notes)) - 1);
        double inNote = t - k * step;
        // ~1 ms glide between notes
        hz += lowpassCoef(150.0) * (notes[k] * (1.0 + 0.02 * inNote / step) - hz);
        phase += 2.0 * kPi * hz / kRate;
        // Each note plucks slightly (with a 2 ms rise); with the glide and a
        // continuous phase the note changes don't click.
        double pluck = 0.65 + 0.35 * (1.0 - std::exp(-inNote * 1500.0)) * std::exp(-inNote * 40.0);
        double tone = 0.6 * softSquare(phase, hz) + 0.4 * std::sin(2.0 * phase);
        w[i] = tone * pluck * edges(i, n, 0.004, 0.08);
    }
    return w;
}

Wave shoot1() {
    // Straight gun: a pulse chirping down from 1900 Hz to 700 Hz.
    const int n = samples(0.09);
    Wave w(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        double hz = 700.0 + 1200.0 * std::exp(-t * 35.0);
        phase += 2.0 * kPi * hz / kRate;
        w[i] = softSquare(phase, hz) * std::exp(-t * 18.0) * edges(i, n, 0.002, 0.03);
    }
    return w;
}

Wave shoot2() {
    // Charge gun: a resonant band of noise sweeping down, over a falling low tone.
    const int n = samples(0.42);
    Wave w(n);
    Noise noise(0xC4A26Eu);
    double low = 0, band = 0, phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        // State-variable band-pass; its centre drops from ~2.6 kHz to ~250 Hz.
        double f = 2.0 * std::sin(kPi * (250.0 + 2400.0 * std::exp(-t * 8.0)) / kRate);
        low += f * band;
        double high = noise.next() - low - 0.45 * band;
        band += f * high;
        double hz = 70.0 + 170.0 * std::exp(-t * 6.0);
        phase += 2.0 * kPi * hz / kRate;
        double thump = std::sin(phase) * 0.5;
        double env = std::exp(-t * 5.5) * (1.0 - std::exp(-t * 60.0));
        w[i] = (band * 0.9 + thump) * env * edges(i, n, 0.01, 0.12);
    }
    return w;
}

Wave shoot3() {
    // Lightning: a buzzing saw whose pitch jumps at random every few ms,
    // chopped by random gates and sprinkled with hiss.
    const int n = samples(0.22);
    Wave w(n);
    Noise noise(0x2A9u);
    double phase = 0, hz = 900, gate = 1, gateTarget = 1, hissPrev = 0;
    int nextJump = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        if (i >= nextJump) {
            hz = 250.0 + 1400.0 * (0.5 + 0.5 * noise.next());
            gateTarget = noise.next() > -0.4 ? 1.0 : 0.15;
            nextJump = i + samples(0.003 + 0.006 * (0.5 + 0.5 * noise.next()));
        }
        gate += 0.02 * (gateTarget - gate); // ~1 ms slew keeps the chops from clicking
        phase += hz / kRate;
        phase -= std::floor(phase);
        double saw = 2.0 * phase - 1.0;
        double x = noise.next();
        double hiss = x - hissPrev; // crude high-pass
        hissPrev = x;
        double s = (0.7 * saw + 0.35 * hiss) * gate;
        w[i] = s * (0.55 + 0.45 * std::exp(-t * 12.0)) * edges(i, n, 0.003, 0.06);
    }
    // Smooth the saw's edges a little so it crackles rather than screams.
    double lp = 0;
    for (double& s : w)
        s = lp += lowpassCoef(6000.0) * (s - lp);
    return w;
}

Wave selectmove() {
    // Menu tick: a quick sine that slides up a fifth halfway through.
    const int n = samples(0.065);
    Wave w(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        double slide = std::clamp((t - 0.02) / 0.008, 0.0, 1.0);
        double hz = 880.0 + 440.0 * slide * slide * (3.0 - 2.0 * slide);
        phase += 2.0 * kPi * hz / kRate;
        double tone = std::sin(phase) + 0.25 * std::sin(2.0 * phase);
        w[i] = tone * edges(i, n, 0.003, 0.035);
    }
    return w;
}

// ------------------------------------------------------------ level & file --

// Biquad in direct form I, set up from the usual audio-EQ cookbook formulas.
struct Biquad {
    double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Biquad(double c0, double c1, double c2, double d0, double d1, double d2)
        : b0(c0 / d0), b1(c1 / d0), b2(c2 / d0), a1(d1 / d0), a2(d2 / d0) {}
    double operator()(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

// Ear-weighted (K-weighting: a +4 dB shelf above ~1.7 kHz and a gentle cut of the deep lows)
// loudness of the loudest 50 ms, in dB. Short window because most effects are short.
double loudness(const Wave& w) {
    double wc = 2.0 * kPi * 1681.97 / kRate, A = std::pow(10.0, 4.0 / 40.0);
    double al = std::sin(wc) / (2.0 * 0.7072), c = std::cos(wc), sA = 2.0 * std::sqrt(A) * al;
    Biquad shelf(A * ((A + 1) + (A - 1) * c + sA), -2 * A * ((A - 1) + (A + 1) * c),
                 A * ((A + 1) + (A - 1) * c - sA), (A + 1) - (A - 1) * c + sA, 2 * ((A - 1) - (A + 1) * c),
                 (A + 1) - (A - 1) * c - sA);
    wc = 2.0 * kPi * 38.13 / kRate, al = std::sin(wc) / (2.0 * 0.5003), c = std::cos(wc);
    Biquad highpass((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + al, -2 * c, 1 - al);

    const size_t win = samples(0.05);
    Wave k(w.size());
    double sum = 0, best = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        k[i] = highpass(shelf(w[i]));
        sum += k[i] * k[i];
        if (i >= win) sum -= k[i - win] * k[i - win];
        best = std::max(best, sum / win);
    }
    return 10.0 * std::log10(std::max(best, 1e-12));
}

std::vector<int16_t> toPcm(const Wave& w, double loudnessDb) {
    double peak = 0;
    for (double s : w)
        peak = std::max(peak, std::fabs(s));
    double gain = std::pow(10.0, (loudnessDb - loudness(w)) / 20.0);
    if (peak * gain > kPeakLimit) gain = kPeakLimit / peak;
    std::vector<int16_t> pcm(w.size());
    for (size_t i = 0; i < w.size(); ++i)
        pcm[i] = int16_t(std::lround(w[i] * gain * 32767.0));
    return pcm;
}

void put16(std::string& b, uint32_t v) {
    b += char(v & 0xff);
    b += char((v >> 8) & 0xff);
}
void put32(std::string& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

bool writeWav(const std::string& path, const std::vector<int16_t>& pcm) {
    const uint32_t dataBytes = uint32_t(pcm.size() * 2);
    std::string b = "RIFF";
    put32(b, 36 + dataBytes);
    b += "WAVEfmt ";
    put32(b, 16);        // fmt chunk size
    put16(b, 1);         // PCM
    put16(b, 1);         // mono
    put32(b, kRate);     // sample rate
    put32(b, kRate * 2); // byte rate
    put16(b, 2);         // block align
    put16(b, 16);        // bits per sample
    b += "data";
    put32(b, dataBytes);
    for (int16_t s : pcm)
        put16(b, uint16_t(s));
    std::ofstream out(path, std::ios::binary);
    out.write(b.data(), std::streamsize(b.size()));
    out.close();
    return bool(out);
}

struct Effect {
    const char* file;
    Wave (*make)();
    double loudnessDb; // target short-term loudness, dB
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <outdir>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "mksounds: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    // The explosion may be fuller; the guns fire many times a second, so they sit lower.
    const Effect effects[] = {
        {"boom.wav", boom, -8.0},      {"powerup.wav", powerup, -14.0}, {"shoot1.wav", shoot1, -18.0},
        {"shoot2.wav", shoot2, -16.0}, {"shoot3.wav", shoot3, -18.0},   {"selectmove.wav", selectmove, -17.0},
    };
    for (const Effect& e : effects) {
        const std::string path = dir + "/" + e.file;
        if (!writeWav(path, toPcm(e.make(), e.loudnessDb))) {
            std::fprintf(stderr, "mksounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
