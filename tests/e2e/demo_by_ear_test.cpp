// The demo played as a blind pupil plays it: each answer is chosen from what the
// program has just said, never from the screen.  The key script grows one answer at a
// time: a run whose script runs out (exit 3) is waiting for a key, and the speech
// since the previous answer says which.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/headless.h"

namespace fs = std::filesystem;

namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

// What a pupil who knows the shapes, the colours and the farm answers on hearing a
// phrase.  The main question is answered J once (the pupil came to play one game),
// then Esc.
struct Cue {
    const char* heard;
    const char* keys;
};
const Cue kEar[] = {
    {"Opção: Jogar, Criar ou Editar?", "j"},
    {"lados nem pontas", "círculo{Enter}"},
    {"quatro lados iguais", "quadrado{Enter}"},
    {"Três lados", "triângulo{Enter}"},
    {"cor do morango", "vermelho{Enter}"},
    {"céu", "azul{Enter}"},
    {"como a vaca faz", "muu{Enter}"},
    {"FORMAS ou CORES", "formas{Enter}"},
    {"Escolha uma pasta de jogos", "{Enter}"},
    {"Aperte Enter", "{Enter}"},
    {"Aperte enter", "{Enter}"},
    {"Fim do Jogo", "{Enter}"},
};

std::vector<std::string> spoken(const HeadlessResult& r) {
    std::vector<std::string> out;
    for (const std::string& e : r.trace)
        if (e.rfind("speak ", 0) == 0) out.push_back(e.substr(6));
    return out;
}

// The keys for the newest phrase that means something to the pupil, or null.
const char* answerFor(const std::vector<std::string>& heard, size_t from, bool played) {
    for (size_t i = heard.size(); i-- > from;)
        for (const Cue& c : kEar)
            if (heard[i].find(c.heard) != std::string::npos)
                return std::string(c.heard).rfind("Opção", 0) == 0 && played ? "{Esc}" : c.keys;
    return nullptr;
}

TEST(DemoByEar, PlayedToItsEndFromWhatIsSpokenAlone) {
    const std::string root = tempDir();
    fs::copy(kDemoGames + "/formas-e-cores", root + "/formas-e-cores", fs::copy_options::recursive);
    const std::string ini = "[LUDIVAR]\nDIRJOGOS=" + root + "\n";
    std::string keys;
    size_t heardBefore = 0;
    bool played = false;
    HeadlessResult r;
    for (int step = 0; step < 40; ++step) {
        r = runHeadless(keys, {}, ini);
        if (r.exitCode != 3) break;
        const std::vector<std::string> heard = spoken(r);
        const char* answer = answerFor(heard, heardBefore, played);
        std::string said;
        for (size_t i = heardBefore; i < heard.size(); ++i) said += "\n  " + heard[i];
        ASSERT_NE(answer, nullptr) << "nothing heard to answer after \"" << keys << "\":" << said;
        played |= std::string(answer) == "j";
        heardBefore = heard.size();
        keys += answer;
    }
    ASSERT_EQ(r.exitCode, 0) << keys << "\n" << r.err;
    const std::vector<std::string> heard = spoken(r);
    auto said = [&](const std::string& text) {
        for (const std::string& h : heard)
            if (h == text) return true;
        return false;
    };
    // Every question right the first time: no hint was needed, all points were made.
    EXPECT_TRUE(said("Você fez 60 pontos.")) << keys;
    EXPECT_TRUE(said("Fim do Jogo"));
    EXPECT_TRUE(said("Fim do Ludivar"));
    // The folder, the title card and the opening's last slide, then one answer a question.
    EXPECT_EQ(keys, "j{Enter}{Enter}{Enter}formas{Enter}círculo{Enter}quadrado{Enter}triângulo{Enter}vermelho{Enter}"
                    "azul{Enter}muu{Enter}{Enter}{Enter}{Esc}");
}

}  // namespace
