// xm2wav: plays a tracker module once through, from its first order to where it loops, with libxmp,
// and writes the sound as a 16-bit stereo WAV (the browser's music is encoded from it).
//
//   usage: xm2wav <in.xm> <out.wav>

#include <xmp.h>

#include <cstdint>
#include <cstdio>
#include <vector>

static const int RATE = 44100;
static const int CHANNELS = 2;
static const int BYTES_PER_SAMPLE = 2;

// Appends a little-endian number of the given width.
static void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

static std::vector<uint8_t> WavHeader(uint32_t dataBytes) {
    std::vector<uint8_t> h;
    for (char c : {'R', 'I', 'F', 'F'})
        h.push_back(c);
    Put(h, 36 + dataBytes, 4);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '})
        h.push_back(c);
    Put(h, 16, 4);
    Put(h, 1, 2); // PCM
    Put(h, CHANNELS, 2);
    Put(h, RATE, 4);
    Put(h, RATE * CHANNELS * BYTES_PER_SAMPLE, 4);
    Put(h, CHANNELS * BYTES_PER_SAMPLE, 2);
    Put(h, 8 * BYTES_PER_SAMPLE, 2);
    for (char c : {'d', 'a', 't', 'a'})
        h.push_back(c);
    Put(h, dataBytes, 4);
    return h;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: xm2wav <in.xm> <out.wav>\n");
        return 2;
    }
    xmp_context ctx = xmp_create_context();
    if (xmp_load_module(ctx, argv[1]) != 0 || xmp_start_player(ctx, RATE, 0) != 0) {
        fprintf(stderr, "xm2wav: libxmp cannot play %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> pcm;
    xmp_frame_info fi;
    while (xmp_play_frame(ctx) == 0) {
        xmp_get_frame_info(ctx, &fi);
        if (fi.loop_count > 0) break;
        const uint8_t* frame = static_cast<const uint8_t*>(fi.buffer);
        pcm.insert(pcm.end(), frame, frame + fi.buffer_size);
    }
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    FILE* f = fopen(argv[2], "wb");
    const std::vector<uint8_t> header = WavHeader(static_cast<uint32_t>(pcm.size()));
    const bool ok = f && fwrite(header.data(), 1, header.size(), f) == header.size() &&
                    fwrite(pcm.data(), 1, pcm.size(), f) == pcm.size();
    if (!f || fclose(f) != 0 || !ok) {
        fprintf(stderr, "xm2wav: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
