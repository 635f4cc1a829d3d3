// Checks the generated sound effects with the same loaders the game uses:
// SDL's WAV reader and SDL_mixer (on the dummy audio driver).

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct SoundFile {
    const char* name;
    double minSeconds, maxSeconds;
};

const SoundFile kSounds[] = {
    {"boom.wav", 0.3, 1.5},   {"powerup.wav", 0.4, 0.6}, {"shoot1.wav", 0.06, 0.12},
    {"shoot2.wav", 0.3, 0.5}, {"shoot3.wav", 0.15, 0.3}, {"selectmove.wav", 0.05, 0.08},
};

void PrintTo(const SoundFile& s, std::ostream* os) {
    *os << s.name;
}

std::string pathOf(const SoundFile& s) {
    return std::string(KORVEL_DATA_DIR) + "/" + s.name;
}

// Audio subsystem plus an open mixer for the duration of each test.
class SoundTest : public ::testing::TestWithParam<SoundFile> {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenMixer());
        mixerOpen_ = true;
    }
    void TearDown() override {
        if (mixerOpen_) Mix_CloseAudio();
    }

  private:
    bool mixerOpen_ = false;
};

TEST_P(SoundTest, IsShortMono16BitWavWithinLevels) {
    const std::string path = pathOf(GetParam());
    SDL_AudioSpec format;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    ASSERT_NE(SDL_LoadWAV(path.c_str(), &format, &buf, &len), nullptr) << path << ": " << SDL_GetError();
    std::vector<int16_t> pcm(len / 2);
    std::memcpy(pcm.data(), buf, pcm.size() * 2);
    SDL_FreeWAV(buf);

    EXPECT_EQ(format.format, AUDIO_S16LSB);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.freq, 44100);

    const double seconds = pcm.size() / 44100.0;
    EXPECT_GE(seconds, GetParam().minSeconds);
    EXPECT_LE(seconds, GetParam().maxSeconds);

    int peak = 0;
    for (int16_t s : pcm)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_LE(peak, 29000) << "too close to full scale";
    EXPECT_GT(peak, 3000) << "practically silent";

    // Fades in from and out to silence, so starting or stopping it can't click.
    ASSERT_FALSE(pcm.empty());
    EXPECT_LE(std::abs(int(pcm.front())), 300);
    EXPECT_LE(std::abs(int(pcm.back())), 300);
}

TEST_P(SoundTest, LoadsIntoMixer) {
    const std::string path = pathOf(GetParam());
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
    ASSERT_NE(chunk, nullptr) << path << ": " << Mix_GetError();
    EXPECT_GT(chunk->alen, 0u);
    Mix_FreeChunk(chunk);
}

INSTANTIATE_TEST_SUITE_P(Effects, SoundTest, ::testing::ValuesIn(kSounds),
                         [](const ::testing::TestParamInfo<SoundFile>& info) {
                             std::string n = info.param.name;
                             return n.substr(0, n.find('.'));
                         });

} // namespace
