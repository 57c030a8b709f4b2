// `ludivar --script FILE.pro`: a game program run on its own, with no game and
// so no host for CHAMA REMOTO.
#include <cstdio>

#include "console/console.h"
#include "platform/platform.h"
#include "script/interp.h"
#include "util/log.h"

namespace script {

int runScriptFile(const std::string& path) {
    scriptReset();
    RunResult r = scriptRun(path);
    closeAllChannels();
    if (r.code == RunOk) return 0;
    std::string report = plat::cp(r.code == RunStopped ? "Programa interrompido: " : "Erro de execução no programa ");
    report += failurePlace(r);
    if (r.code == RunLoadFailed) report += plat::cp(": não foi possível carregar");
    else if (r.code == RunNoLabel) report += plat::cp(": rótulo inicial não encontrado");
    report += " (resultado " + numberText(r.code) + ")";
    con::writeLineAndSpeak(report);
    util::log(plat::cp1252ToUtf8(report));
    return 1;
}

}  // namespace script
