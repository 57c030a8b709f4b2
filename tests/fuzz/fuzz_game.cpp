// libFuzzer target for the game reader: any bytes are read or refused without a
// crash, and whatever loads must survive a write and a second read unchanged.
#include <cstdint>
#include <string>

#include "game/gamefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    game::TJogo g;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    game::ReadResult r = game::ReadGameText(bytes, g);
    if (r.ok) {
        std::string text = game::GameText(g);
        game::TJogo back;
        if (!game::ReadGameText(text, back).ok) __builtin_trap();
        if (game::GameText(back) != text) __builtin_trap();
    } else {
        game::MakeFailureReport(r);
    }
    return 0;
}
