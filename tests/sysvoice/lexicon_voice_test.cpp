// The user's pronunciation dictionary reaches every system voice: the embedded
// engine, espeak-ng inside the process (both kinds) and the speech server.
#include <gtest/gtest.h>

#include <string>

#include "console/config.h"
#include "console/console.h"
#include "platform/platform.h"
#include "speech/lexicon.h"
#include "support/inproc.h"

namespace {

std::string voiceLine(const InProc& p) {
    for (const std::string& e : p.trace)
        if (e.rfind("voice ", 0) == 0) return e;
    return std::string();
}

std::vector<std::string> gServerGot;

// The speech server's client as a test stands it in: what it is handed is kept.
con::SystemVoiceOps serverStandIn() {
    con::SystemVoiceOps ops;
    ops.open = [](speech::VoiceKind, int, int, int) { return true; };
    ops.speak = [](const std::string& t) { gServerGot.push_back(t); };
    ops.busy = [] { return false; };
    ops.stop = [] {};
    ops.close = [] {};
    return ops;
}

}  // namespace

TEST(LexiconVoices, EveryVoiceKindHearsTheReading) {
    const int kinds[] = {3, 4, 5, 54};
    for (int kind : kinds) {
        SCOPED_TRACE(kind);
        gServerGot.clear();
        con::setSystemVoiceOps(kind == 4 ? serverStandIn() : con::builtinSystemVoiceOps());
        {
            InProc p("", "[TRADUTOR]\nSAPI=SIM\n[SERVFALA]\nTIPOSAPI=" + std::to_string(kind) + "\n");
            ASSERT_TRUE(con::systemVoiceActive()) << "the voice did not open";
            speech::setUserLexicon(speech::parseLexicon("sabia=sabiá\n", nullptr));
            p.trace.clear();
            p.run([] {
                con::writeAndSpeak("Ele sabia");
                con::waitSpeech();
            });
            EXPECT_TRUE(p.traced("speak Ele sabia"));
            const std::string given = voiceLine(p);
            EXPECT_NE(given.find("Ele sabiá"), std::string::npos) << given;
            EXPECT_NE(p.row(1).find("Ele sabia"), std::string::npos);
            if (kind == 4) {
                ASSERT_EQ(gServerGot.size(), 1u);
                // Handed on in the server's own encoding, whichever it is.
                EXPECT_TRUE(gServerGot[0].find("sabiá") != std::string::npos ||
                            gServerGot[0].find("sabi\xE1") != std::string::npos);
            }
        }
        con::setSystemVoiceOps(con::builtinSystemVoiceOps());
    }
}
