// The generated tune (data/music1.xm, written by tools/mkmusic) must load and
// play in libxmp and in SDL_mixer, last at least a minute and loop.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <xmp.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "harness.h"

namespace {

const std::string kMusicPath = std::string(KORVEL_DATA_DIR) + "/music1.xm";

// Generous cap on rendered ticks: at 140 BPM the whole song is about 5000.
constexpr int kMaxFrames = 20000;

// Owns a libxmp context with the tune loaded and the player started.
class XmpSong {
  public:
    XmpSong() : ctx_(xmp_create_context()) {
        loaded_ = xmp_load_module(ctx_, kMusicPath.c_str()) == 0;
        started_ = loaded_ && xmp_start_player(ctx_, 44100, 0) == 0;
    }
    ~XmpSong() {
        if (started_) xmp_end_player(ctx_);
        if (loaded_) xmp_release_module(ctx_);
        xmp_free_context(ctx_);
    }
    XmpSong(const XmpSong&) = delete;
    XmpSong& operator=(const XmpSong&) = delete;

    bool ready() const { return started_; }
    xmp_context ctx() const { return ctx_; }

  private:
    xmp_context ctx_;
    bool loaded_ = false, started_ = false;
};

} // namespace

TEST(Music, LoadsInLibxmp) {
    XmpSong song;
    ASSERT_TRUE(song.ready()) << "libxmp could not load " << kMusicPath;

    xmp_module_info mi;
    xmp_get_module_info(song.ctx(), &mi);
    ASSERT_NE(mi.mod, nullptr);
    EXPECT_GE(mi.mod->chn, 4);
    EXPECT_LE(mi.mod->chn, 8);
    EXPECT_GT(mi.mod->pat, 1);
    EXPECT_GE(mi.mod->ins, 4);
    EXPECT_GT(mi.mod->len, mi.mod->pat - 1) << "the order table should reuse patterns";
    EXPECT_LT(mi.mod->rst, mi.mod->len);

    xmp_frame_info fi;
    xmp_get_frame_info(song.ctx(), &fi);
    EXPECT_GE(fi.total_time, 60000);
}

TEST(Music, PlaysAudiblyOnEveryChannelAndLoops) {
    XmpSong song;
    ASSERT_TRUE(song.ready());
    xmp_module_info mi;
    xmp_get_module_info(song.ctx(), &mi);
    const int channels = mi.mod->chn;

    xmp_frame_info fi;
    int peak = 0;
    int64_t samples = 0, fullScale = 0, playedUs = 0;
    bool heard[XMP_MAX_CHANNELS] = {};
    bool looped = false;
    for (int frame = 0; frame < kMaxFrames; ++frame) {
        ASSERT_EQ(xmp_play_frame(song.ctx()), 0);
        xmp_get_frame_info(song.ctx(), &fi);
        if (fi.loop_count >= 1) {
            looped = true;
            break;
        }
        playedUs += fi.frame_time;
        const int16_t* pcm = static_cast<const int16_t*>(fi.buffer);
        const int n = fi.buffer_size / 2;
        for (int i = 0; i < n; ++i) {
            int v = std::abs(int(pcm[i]));
            if (v > peak) peak = v;
            if (v >= 32767) ++fullScale;
        }
        samples += n;
        for (int c = 0; c < channels; ++c)
            if (fi.channel_info[c].volume > 0) heard[c] = true;
    }

    EXPECT_TRUE(looped) << "no loop within " << kMaxFrames << " frames";
    EXPECT_GE(playedUs, 60000000) << "the song should run a minute before it loops";
    EXPECT_GT(peak, 4000) << "the mix is (nearly) silent";
    EXPECT_LE(fullScale * 1000, samples) << "the mix clips";
    for (int c = 0; c < channels; ++c)
        EXPECT_TRUE(heard[c]) << "channel " << c << " never plays";
}

TEST(Music, LoadsAndPlaysInSdlMixer) {
    ASSERT_NO_FATAL_FAILURE(OpenMixer());

    Mix_Music* music = Mix_LoadMUS(kMusicPath.c_str());
    EXPECT_NE(music, nullptr) << Mix_GetError();
    if (music) {
        EXPECT_NE(Mix_GetMusicType(music), MUS_NONE);
        EXPECT_EQ(Mix_PlayMusic(music, -1), 0) << Mix_GetError();
        EXPECT_EQ(Mix_PlayingMusic(), 1);
        Mix_HaltMusic();
        Mix_FreeMusic(music);
    }
    Mix_CloseAudio();
}
