// Programs whose lines are slow or would block: the stop key still ends them
// at once, files that never end are not opened, and a picture's declared size
// is refused before memory is taken for it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/image.h"
#include "platform/platform.h"
#include "safety/timed_run.h"
#include "support/headless.h"

namespace {

constexpr double kDeadline = 25;  // far beyond a stopped run; a hang fails here

std::string program(const std::string& utf8) { return plat::utf8ToCp1252(utf8); }

// Ctrl+C on a terminal while each line of the program costs a whole load of 14 MB:
// counting lines alone, the key would be looked at after thousands of loads.
TEST(StopByTime, ProgramsWithSlowLinesStop) {
    const std::string dir = tempDir();
    std::string big = "ESCREVE \"girando\"\r\nDESVIA SCRIPT \"" + dir + "/grande.pro\"\r\n";
    const std::string filler = "* " + std::string(3500, 'x') + "\r\n";
    while (big.size() < (size_t(14) << 20)) big += filler;
    writeText(dir + "/grande.pro", big);
    TimedRun r = runOnTerminal(dir + "/grande.pro", "girando", "\x03", kDeadline);
    EXPECT_EQ(r.exitCode, 1) << "ran " << r.seconds << " s";
    EXPECT_NE(r.trace.find("Programa interrompido"), std::string::npos);
}

TEST(StopByTime, FilesThatWouldBlockAreNotOpened) {
    const std::string dir = tempDir();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    ASSERT_EQ(mkfifo((dir + "/fila").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir + "/fila.jpg").c_str(), 0600), 0);
    struct Case {
        const char* program;
        const char* said;
    } cases[] = {
        {"ABRE #1 \"fila\"\r\nLÊ #1 $X\r\n", "Erro na abertura do arquivo fila"},
        {"ABRE #1 \"fila\" &\r\nESCREVE #1 \"x\"\r\n", "Erro na abertura do arquivo fila"},
        {"REPLICA \"fila\" \"copia.txt\" &\r\nESCREVE \"seguiu\"\r\n", "seguiu"},
        {"DESVIA SCRIPT \"fila\"\r\n", nullptr},
        {"IMAGEM \"fila.jpg\" &\r\nESCREVE \"seguiu\"\r\n", "seguiu"},
    };
    for (const Case& c : cases) {
        writeText(dir + "/p.pro", program(c.program));
        TimedRun r = runTimed("", {"--script", dir + "/p.pro"}, kDeadline);
        EXPECT_NE(r.exitCode, -1) << c.program << " hung";
        if (c.said) {
            EXPECT_TRUE(r.said(c.said)) << c.program << r.trace;
        }
        struct stat st;
        EXPECT_NE(stat((dir + "/copia.txt").c_str(), &st), 0);
    }
}

// A JPEG of `w` x `h` pixels as its header declares them; the data is that of a
// tiny picture, so a decoder that believes the header decodes grey for seconds.
std::string jpegDeclaring(int w, int h) {
    plat::Picture pic;
    pic.width = pic.height = 8;
    pic.rgb.assign(8 * 8 * 3, 200);
    std::string bytes;
    EXPECT_TRUE(plat::encodeJpeg(pic, 80, bytes));
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (uint8_t(bytes[i]) == 0xFF && uint8_t(bytes[i + 1]) == 0xC0) {
            bytes[i + 5] = char(h >> 8);
            bytes[i + 6] = char(h & 0xFF);
            bytes[i + 7] = char(w >> 8);
            bytes[i + 8] = char(w & 0xFF);
            break;
        }
    }
    return bytes;
}

TEST(PictureLimit, DeclaredSizesBeyondTheLimitAreRefused) {
    struct Case {
        int w, h;
        bool decoded;
    } cases[] = {
        {8, 8, true},
        {64, 48, true},        // a small picture of its declared size decodes (grey where data is missing)
        {7800, 7800, false},   // 61 megapixels
        {6325, 6325, false},   // just beyond 40 megapixels
        {65000, 620, false},
    };
    for (const Case& c : cases) {
        plat::Picture out;
        EXPECT_EQ(plat::decodeJpeg(jpegDeclaring(c.w, c.h), out), c.decoded) << c.w << "x" << c.h;
        if (c.decoded) {
            EXPECT_EQ(out.width * out.height, c.w * c.h);
        }
    }
}

}  // namespace
