// browser_web.cpp -- the browser's game wherever it runs, in its page or in the score server's
// verifier under Node: platform.h's values, the saves kept in the browser's storage, and the replay
// files' zlib: pako's deflate and inflate, which the build puts in the script as korvelPako
// (web/web.cmake), and CRC-32.
#include <GL/gl.h>
#include <emscripten.h>

#include <array>

#include "platform.h"
#include "web.h"

const char* const MUSIC_FILE = "music1.ogg";
const int FONT_WRAP = GL_CLAMP_TO_EDGE;
const int FONT_INTERNAL_FORMAT = GL_LUMINANCE_ALPHA;
const bool BROWSER_GAME = true;
const bool WINDOW_CHOICES = false;
// The browser's standard gamepad: A (south) 0, Back 8, Start 9, the d-pad 12 to 15 (up, down, left,
// right).
const PadButtons PLATFORM_PAD_BUTTONS = {0, 9, 8, 12};

void KeepSaves() {
    EM_ASM(Module.keepSaves());
}

void SavesWritten() {
    KeepSaves();
}

void RunEnteredTable(const std::string& name, int score, const std::string& replayPath) {
    if (replayPath.empty()) return;
    EM_ASM(
        {
            if (Module.runEnteredTable) Module.runEnteredTable(UTF8ToString($0), $1, UTF8ToString($2));
        },
        name.c_str(), score, replayPath.c_str());
}

// The most bytes a deflate of n bytes at its best compression takes: stored blocks, at worst.
static size_t DeflateBound(size_t n) {
    return n + n / 8 + 64;
}

// pako's deflate of size bytes at raw into out, which holds room bytes: the packed size, or -1.
EM_JS(int, PakoDeflate, (const char* raw, int size, char* out, int room), {
    var packed = korvelPako.deflate(HEAPU8.subarray(raw, raw + size), {level : 9});
    if (packed.length > room) return -1;
    HEAPU8.set(packed, out);
    return packed.length;
});

// pako's inflate of size bytes at packed into out, in chunks, stopping once it would make more than
// room bytes: the size made, or -1 when the stream is damaged, too long or does not end.
EM_JS(int, PakoInflate, (const char* packed, int size, char* out, int room), {
    var inflator = new korvelPako.Inflate({chunkSize : 65536});
    var made = 0;
    inflator.onData = function(chunk) {
        if (made + chunk.length > room) throw new RangeError('longer than said');
        HEAPU8.set(chunk, out + made);
        made += chunk.length;
    };
    try {
        inflator.push(HEAPU8.subarray(packed, packed + size), true);
    } catch (e) {
        return -1;
    }
    return inflator.ended && inflator.err == 0 ? made : -1;
});

std::string Deflate(const std::string& raw) {
    std::string packed(DeflateBound(raw.size()), '\0');
    const int size =
        PakoDeflate(raw.data(), static_cast<int>(raw.size()), &packed[0], static_cast<int>(packed.size()));
    packed.resize(size < 0 ? 0 : size);
    return packed;
}

bool Inflate(const std::string& packed, size_t rawSize, std::string& raw) {
    raw.assign(rawSize, '\0');
    return PakoInflate(packed.data(), static_cast<int>(packed.size()), &raw[0], static_cast<int>(rawSize)) ==
           static_cast<int>(rawSize);
}

// CRC-32 as zlib computes it (the reflected polynomial 0xedb88320), a byte at a time from a table.
static std::array<uint32_t, 256> CrcTable() {
    std::array<uint32_t, 256> table;
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

uint32_t Crc32(const char* bytes, size_t size) {
    static const std::array<uint32_t, 256> table = CrcTable();
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < size; i++)
        c = table[(c ^ static_cast<unsigned char>(bytes[i])) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}
