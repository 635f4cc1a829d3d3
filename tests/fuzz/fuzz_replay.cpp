// fuzz_replay.cpp -- libFuzzer target: any bytes as a replay file, and as the body of one whose
// length and CRC hold, so that the reader is tried past its first checks.
#include <zlib.h>

#include "fuzz.h"
#include "replay/replay.h"

// A header of format 1 with the length and CRC of body.
static std::string WithHeader(const uint8_t* body, size_t size) {
    std::string bytes = "KORVREPL";
    const uint32_t fields[3] = {1, static_cast<uint32_t>(20 + size),
                                static_cast<uint32_t>(crc32(0, body, static_cast<uInt>(size)))};
    for (uint32_t field : fields)
        for (int i = 0; i < 4; i++)
            bytes += static_cast<char>(field >> (8 * i));
    return bytes + std::string(reinterpret_cast<const char*>(body), size);
}

static void Check(const std::string& bytes) {
    Replay replay;
    if (!DecodeReplay(bytes, &replay).empty()) return;
    const size_t frames = replay.fpsm.size();
    if (frames == 0 || replay.keys.size() != frames || replay.checksums.size() != frames / 60 + 1 ||
        replay.gameStart > frames)
        Finding("a replay taken whose frames do not hold together");
    Replay again;
    if (!DecodeReplay(EncodeReplay(replay), &again).empty() || again.keys != replay.keys ||
        again.checksums != replay.checksums || again.level != replay.level)
        Finding("a replay taken that does not read back the same once written");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(std::string(reinterpret_cast<const char*>(data), size));
    if (size >= 20) Check(WithHeader(data + 20, size - 20));
    return 0;
}
