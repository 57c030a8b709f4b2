// libFuzzer target for game programs: any bytes are loaded or refused, and whatever
// loads runs through the headless front without a crash, confined to a scratch folder
// (the program's own), ended by the stop key when it does not end by itself.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/reset.h"
#include "console/config.h"
#include "platform/platform.h"
#include "script/interp.h"

namespace {

std::string scratch() {
    static std::string dir = [] {
        char name[] = "/tmp/ludivar-fuzz-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        std::string d = name;
        // Settings, answers and a game's c:\ writes stay in the scratch folder too.
        setenv("HOME", d.c_str(), 1);
        setenv("ECOLAR_CONFIG_DIR", (d + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (d + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (d + "/config").c_str(), 1);
        if (chdir(d.c_str()) != 0) std::abort();
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = scratch();
    std::string text(reinterpret_cast<const char*>(data), size);
    script::Program parsed;
    script::parseProgram(text, parsed);

    const std::string file = dir + "/p.pro";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);

    app::resetAll();
    con::setIniOverride("");
    // Questions are refused by the stop key, which also ends any program still running.
    plat::headlessOptions().keys = "{wait 200}{Ctrl+Break}";
    std::unique_ptr<plat::Front> front(plat::makeHeadlessFront());
    plat::setFront(front.get());
    try {
        script::scriptRun(file);
    } catch (const plat::ProgramExit&) {
        // The key script ran out or the program ended Ludivar: both are ends.
    }
    plat::setFront(nullptr);
    if (chdir(dir.c_str()) != 0) std::abort();  // DIR TROCA may have moved on
    return 0;
}
