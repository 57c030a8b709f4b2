// libspeechd, speech-dispatcher's client library, opened when the desktop's
// voice is first chosen.
#pragma once
#include <libspeechd.h>

namespace speech::speechdlib {

#define LUDIVAR_SPEECHD_FUNCTIONS(X)                                                                 \
    X(open2, spd_open2) X(close, spd_close) X(set_notification_on, spd_set_notification_on)         \
    X(set_language, spd_set_language) X(set_synthesis_voice, spd_set_synthesis_voice)               \
    X(set_voice_rate, spd_set_voice_rate) X(set_voice_pitch, spd_set_voice_pitch)                   \
    X(get_output_module, spd_get_output_module) X(list_synthesis_voices, spd_list_synthesis_voices) \
    X(free_voices, free_spd_voices) X(cancel, spd_cancel) X(say, spd_say)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_SPEECHD_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when libspeechd is missing (logged once).
const Api* api();

}  // namespace speech::speechdlib
