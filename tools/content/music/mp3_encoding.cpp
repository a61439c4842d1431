#include "content/music/mp3_encoding.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdarg>

namespace {

constexpr int kBitrate = 128;

void quiet(const char*, va_list) {}

struct LameHandle {
    lame_global_flags* flags = lame_init();
    ~LameHandle() {
        if (flags) lame_close(flags);
    }
};

bool configure(lame_global_flags* flags) {
    lame_set_errorf(flags, quiet);
    lame_set_debugf(flags, quiet);
    lame_set_msgf(flags, quiet);
    lame_set_in_samplerate(flags, kRate);
    lame_set_out_samplerate(flags, kRate);
    lame_set_num_channels(flags, 2);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, kBitrate);
    lame_set_quality(flags, 2);
    lame_set_bWriteVbrTag(flags, 1);
    lame_set_write_id3tag_automatic(flags, 0);
    return lame_init_params(flags) >= 0;
}

}  // namespace

bool encodeMp3(const MusicPcm& pcm, std::vector<unsigned char>& mp3, std::string& error) {
    LameHandle lame;
    if (!lame.flags || !configure(lame.flags)) {
        error = "the MP3 encoder rejected its settings";
        return false;
    }
    const int chunk = 8192;
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (size_t at = 0; at < pcm.left.size(); at += chunk) {
        const int count = int(std::min<size_t>(chunk, pcm.left.size() - at));
        const int bytes = lame_encode_buffer_ieee_float(lame.flags, &pcm.left[at], &pcm.right[at],
                                                        count, buffer.data(), int(buffer.size()));
        if (bytes < 0) {
            error = "the MP3 encoder failed (code " + std::to_string(bytes) + ")";
            return false;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    }
    const int tail = lame_encode_flush(lame.flags, buffer.data(), int(buffer.size()));
    if (tail < 0) {
        error = "the MP3 encoder failed to flush";
        return false;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + tail);
    // The first frame is a placeholder for the tag that tells players the encoder's delay
    // and padding; with it they cut both and the loop closes without a gap.
    const size_t tagBytes = lame_get_lametag_frame(lame.flags, buffer.data(), buffer.size());
    if (tagBytes > 0 && tagBytes <= mp3.size())
        std::copy(buffer.begin(), buffer.begin() + tagBytes, mp3.begin());
    return true;
}
