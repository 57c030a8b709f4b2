// Random lines of the language's own words and pieces: whatever they say, a line
// ends in success or failure, never in a crash, a hang or an oversized value.
#include <gtest/gtest.h>

#include <random>

#include "support/script_run.h"

using namespace script;

namespace {

TEST(ScriptRobustness, RandomLinesFailCleanly) {
    InProc io("", "", false);
    resetState();
    io.run([] { scriptReset(); });
    const std::vector<std::string> words = {
        "SEJA", "SOMA", "SUBTRAI", "MULTIPLICA", "DIVIDE", "CONCATENA", "COPIA", "SUBSTITUI", "SE", "SENÃO",
        "ENQUANTO", "REPETE", "FIM", "DESVIA", "CHAMA", "RETORNA", "CMD", "CHECA", "DEBUG", "ESCREVE", "FALA",
        "TELA", "COR", "FUNDO", "BIPA", "RANDOMIZA", "xyz", "*", "@", ""};
    const std::vector<std::string> pieces = {
        "A", "b", "$X", "$x_1", "$", "\"lit\"", "\"", "\"\"\"", "(1+2)", "((", ")", "(A*", "(-", "-", "007",
        "2147483647", "-2147483648", "$FFFFFFFF", "=", "==", "<>", "*=*", "=*", "*=", "<", ">=", "@lbl", "#1",
        "&", "NÃO", "SCRIPT", "REMOTO", "DATA", "TEMPO", "PALAVRA", "POS", "RAND", "TAMANHO", "MAIUSC", "TRIM",
        "MUDO", "LIMPA", "@3,4", "N", "-", ",", "C", "(1/0)", "(9999999999*9999999999)", "  "};
    std::mt19937 rng(12345);
    int ok = 0, failed = 0;
    io.run([&] {
        // Each spoken line is synthesized; 4000 lines keep the run short under the sanitizers.
        for (int i = 0; i < 4000; ++i) {
            std::string line = plat::cp(words[rng() % words.size()].c_str());
            int n = int(rng() % 7);
            for (int k = 0; k < n; ++k) line += " " + plat::cp(pieces[rng() % pieces.size()].c_str());
            // C holds a line for CMD to run, sometimes one that runs itself.
            if (rng() % 50 == 0) state().letters[2] = rng() % 2 ? "CMD C" : line;
            (executeLine(line, rng() % 4 == 0) ? ok : failed)++;
            state().error = false;
            state().stop = false;
            for (const std::string& v : state().letters) ASSERT_LE(v.size(), kMaxValue);
        }
    });
    EXPECT_GT(ok, 250);
    EXPECT_GT(failed, 250);
}

}  // namespace
