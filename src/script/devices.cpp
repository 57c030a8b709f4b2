// The sensor board on the parallel port: 8 rows of 4 sensors, scanned by
// pulling one data line low at a time and reading the status lines.
#include <sys/stat.h>

#include <array>
#include <cstdlib>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/parport.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "script/interp.h"

namespace script {

namespace {

struct Board {
    bool ready = false;
    uint8_t idle = 0;                // the status lines with no sensor active
    std::array<bool, 32> active{};  // kept from the last scan
};
Board gBoard;

bool deviceExists() {
    const char* name = std::getenv("LUDIVAR_PARPORT");
    struct stat st;
    return ::stat(name && *name ? name : "/dev/parport0", &st) == 0;
}

bool setUpBoard() {
    if (gBoard.ready) return true;
    // A port that is not there needs no permission to be missing.
    if (!deviceExists() || !safety::allow(safety::Reach::Device, "porta paralela") || !parport::open())
        return false;
    parport::writeControl(255);
    con::delayMs(1);
    parport::writeData(1);
    con::delayMs(1);
    gBoard.idle = parport::readStatus();
    gBoard.ready = true;
    return true;
}

void scan() {
    for (int row = 0; row < 8; ++row) {
        parport::writeControl(255);
        con::delayMs(1);
        parport::writeData(uint8_t((128 >> row) ^ 255));
        con::delayMs(1);
        uint8_t bits = parport::readStatus() ^ gBoard.idle;
        for (int k = 0; k < 4; ++k) gBoard.active[size_t(row * 4 + k)] = (bits >> (7 - k)) & 1;
    }
}

bool cmdSensor(std::string_view arg) {
    if (!setUpBoard()) {
        con::errorBeep();
        con::writeLineAndSpeak(plat::cp("porta paralela não disponível."));
    }
    std::string* var = readTarget(arg);
    if (!var) return false;
    if (gBoard.ready) scan();
    int first = 0;
    for (int i = 0; i < 32 && !first; ++i)
        if (gBoard.active[size_t(i)]) first = i + 1;
    *var = numberText(first);
    return true;
}

}  // namespace

std::vector<CommandEntry> deviceCommands() { return {{"SENSOR", cmdSensor}}; }

}  // namespace script
