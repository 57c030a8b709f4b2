// What a game may take of the pupil's machine.  A game is untrusted: each of these
// is far beyond what any real game needs and well within a school's computer, so a
// hostile or broken game fails with a message instead of taking the machine down.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace safety {

// A game program's texts, variables, menus and lists together.
constexpr size_t kProgramMemoryBytes = size_t(256) << 20;
// A game file (.lud): places and slides as text; real ones are a few hundred KB.
constexpr uint64_t kMaxGameFileBytes = uint64_t(64) << 20;
// All that a game writes while it is played (files, copies): a game keeps scores
// and notes, not disks full of data.
constexpr uint64_t kWriteBudgetBytes = uint64_t(256) << 20;

// Counts `bytes` about to be written by the current game; false (nothing counted)
// when they would pass kWriteBudgetBytes.  Outside a game nothing is counted.
bool chargeWrite(uint64_t bytes);
// "Erro na escrita de arquivo NAME: o jogo passou do limite de 256 MB escritos".
void sayWriteBudgetSpent(const std::string& name);
// "Memória do programa esgotada: o limite é de 256 MB".
void sayMemorySpent();
// The message for a game file beyond kMaxGameFileBytes (CP1252).
std::string gameFileTooLargeText();

// Forgets what was written (a game entered; tests).
void resetWriteBudget();

}  // namespace safety
