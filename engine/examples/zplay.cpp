// zplay URL [seconds]: connects the way the player does (waits for the buffer to pass 75 %),
// plays for the given time and prints timings and titles, one "key value" per line.
#include "stream_engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void onMeta(HSYNC, DWORD channel, DWORD, void*) {
    if (const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META))
        std::printf("title %s\n", meta);
    std::fflush(stdout);
}

void onDevice(HSYNC, DWORD, DWORD back, void*) {
    std::printf("output %s\n", back ? "back" : "lost");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL [seconds]\n", argv[0]);
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "no audio device (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    const auto start = Clock::now();
    const HSTREAM stream =
        BASS_StreamCreateURL(argv[1], 0, BASS_STREAM_BLOCK | BASS_STREAM_STATUS, nullptr, nullptr);
    if (!stream) {
        std::fprintf(stderr, "cannot open %s (error %d)\n", argv[1], BASS_ErrorGetCode());
        BASS_Free();
        return 1;
    }
    std::printf("connected_ms %.1f\n", msSince(start));
    for (;;) {
        const QWORD end = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
        const QWORD buffered = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER);
        if (end == QWORD(-1) || end == 0 || buffered * 100 / end > 75 ||
            BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED) == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("buffered_ms %.1f\n", msSince(start));
    BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, &onMeta, nullptr);
    BASS_ChannelSetSync(stream, BASS_SYNC_DEV_FAIL, 0, &onDevice, nullptr);
    BASS_ChannelPlay(stream, 0);
    while (BASS_ChannelGetPosition(stream, BASS_POS_BYTE) == 0 && msSince(start) < 30000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::printf("first_audio_ms %.1f\n", msSince(start));
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    std::printf("played_s %.2f\n",
                double(BASS_ChannelGetPosition(stream, BASS_POS_BYTE)) / (44100.0 * 8));
    BASS_StreamFree(stream);
    BASS_Free();
    return 0;
}
