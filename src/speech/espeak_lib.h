// espeak-ng as a library, opened when its voice is first chosen.
#pragma once
#include <espeak-ng/speak_lib.h>

namespace speech::espeaklib {

#define LUDIVAR_ESPEAK_FUNCTIONS(X)                                                              \
    X(Initialize, espeak_Initialize) X(ListVoices, espeak_ListVoices)                            \
    X(SetVoiceByName, espeak_SetVoiceByName) X(SetParameter, espeak_SetParameter)                \
    X(SetSynthCallback, espeak_SetSynthCallback) X(Synth, espeak_Synth)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_ESPEAK_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when libespeak-ng is missing (logged once).
const Api* api();

}  // namespace speech::espeaklib
