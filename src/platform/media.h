// Sound and video files for the MCI layer (src/platform/mci.h): one player per
// open device.  The window and terminal fronts play through libmpv; the headless
// front opens no sound device and lets a file "play" for its real duration in
// virtual time.  Paths are Linux paths (UTF-8).
#pragma once
#include <cstdint>
#include <string>

namespace plat {

struct MediaInfo {
    double durationMs = 0;   // 0 when the file has no known length
    bool hasVideo = false;
};

// Looks into a file without playing it: false when it does not exist or holds
// nothing that can be played.  WAV headers are read directly; other formats are
// probed by the decoder.
bool mediaProbe(const std::string& path, MediaInfo& info);

// Opens a player for a file (probing it first).  Gives an id > 0, or 0 when the
// file cannot be played.
int mediaOpen(const std::string& path);
// Where video is drawn: a native window id (0: no video output, sound only).
void mediaSetWindow(int id, uint64_t nativeWindow);
// Starts (or resumes) playing from the current position; at the end the
// position goes back to 0 the next time it is started.
bool mediaPlay(int id);
// Pauses where it is.
void mediaPause(int id);
// Back to the beginning, not playing.
void mediaStop(int id);
void mediaSeek(int id, double ms);
void mediaClose(int id);
void mediaCloseAll();

bool mediaIsOpen(int id);
bool mediaPlaying(int id);
// True once after the file has played to its end (cleared by reading it).
bool mediaTakeEnded(int id);
double mediaPositionMs(int id);
MediaInfo mediaInfo(int id);

// True when media use virtual time and no sound device (the headless front).
bool mediaVirtual();

}  // namespace plat
