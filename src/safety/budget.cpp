#include "safety/budget.h"

#include "console/console.h"
#include "platform/platform.h"
#include "safety/safety.h"

namespace safety {

namespace {
uint64_t gWritten = 0;

std::string megabytes(uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }
}  // namespace

bool chargeWrite(uint64_t bytes) {
    if (!inGame()) return true;
    if (bytes > kWriteBudgetBytes - gWritten) return false;
    gWritten += bytes;
    return true;
}

void resetWriteBudget() { gWritten = 0; }

void sayWriteBudgetSpent(const std::string& name) {
    con::writeLineAndSpeak(plat::cp("Erro na escrita de arquivo ") + name + ": o jogo passou do limite de " +
                           megabytes(kWriteBudgetBytes) + " escritos");
}

void sayMemorySpent() {
    con::writeLineAndSpeak(plat::cp("Memória do programa esgotada: o limite é de ") + megabytes(kProgramMemoryBytes));
}

std::string gameFileTooLargeText() {
    return plat::cp("O arquivo passa de ") + megabytes(kMaxGameFileBytes) + plat::cp(": não é um jogo.");
}

}  // namespace safety
