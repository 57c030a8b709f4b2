// The MCI command strings over the headless front's virtual clock.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "console/textwin.h"
#include "files.h"
#include "platform/image.h"
#include "platform/mci.h"
#include "platform/media.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

int gNotified = 0;
std::string gNotifiedAlias;
void onEnd(const std::string& alias) {
    ++gNotified;
    gNotifiedAlias = alias;
}

struct MciTest : ::testing::Test {
    InProc ip{"", "", false};
    void SetUp() override {
        gNotified = 0;
        gNotifiedAlias.clear();
    }
    void TearDown() override { media::resetMedia(); }
    std::string status(const std::string& alias, const std::string& what = "mode") {
        std::string r;
        int rc = media::mciSend("status " + alias + " " + what, &r);
        return rc == 0 ? r : "error " + std::to_string(rc);
    }
};

TEST_F(MciTest, PlaysForTheFileLengthInVirtualTimeAndNotifiesOnce) {
    std::string wav = ip.dir + "/som.wav";
    testfiles::writeWav(wav, 1500);
    std::string id;
    ASSERT_EQ(media::mciSend("open \"" + wav + "\" alias Musica", &id), 0);
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(status("musica", "length"), "1500");
    EXPECT_EQ(status("MUSICA"), "stopped");
    media::setNotify("musica", onEnd);
    ASSERT_EQ(media::mciSend("play musica notify"), 0);
    EXPECT_EQ(status("musica"), "playing");
    con::delayMs(1000);
    media::pollMedia();
    EXPECT_EQ(gNotified, 0);
    EXPECT_EQ(status("musica"), "playing");
    con::delayMs(600);
    media::pollMedia();
    media::pollMedia();
    EXPECT_EQ(gNotified, 1);
    EXPECT_EQ(gNotifiedAlias, "Musica");
    EXPECT_EQ(status("musica"), "stopped");
    EXPECT_EQ(media::mciSend("close musica"), 0);
    EXPECT_EQ(status("musica"), "error " + std::to_string(media::kErrDeviceNotOpen));
    EXPECT_TRUE(ip.traced("media open \"" + wav + "\" alias Musica"));
    EXPECT_TRUE(ip.traced("media play musica notify"));
    EXPECT_TRUE(ip.traced("media close musica"));
}

TEST_F(MciTest, StopCancelsTheNotificationAndPlayResumes) {
    std::string wav = ip.dir + "/som.wav";
    testfiles::writeWav(wav, 1000);
    media::setNotify("x", onEnd);
    ASSERT_EQ(media::mciSend("open " + wav + " alias x"), 0);
    media::mciSend("play x notify");
    con::delayMs(400);
    media::mciSend("stop x");
    EXPECT_EQ(status("x"), "paused");
    EXPECT_EQ(status("x", "position"), "400");
    con::delayMs(2000);
    media::pollMedia();
    EXPECT_EQ(gNotified, 0);
    // Played again without notify: it ends without a notice.
    media::mciSend("play x");
    con::delayMs(700);
    EXPECT_EQ(status("x"), "stopped");
    EXPECT_EQ(gNotified, 0);
    // From the start, with notify, "wait" returns once it has ended.
    media::mciSend("seek x to start");
    uint64_t t0 = ip.now();
    EXPECT_EQ(media::mciSend("play x notify wait"), 0);
    EXPECT_GE(ip.now() - t0, 1000u);
    EXPECT_EQ(gNotified, 1);
}

// "play ... wait" passes its time through the registered wait; without one the
// front's own clock still carries it to the end.
int gWaitCalls = 0;
int gWaitedMs = 0;
void countingWait(int ms) {
    ++gWaitCalls;
    gWaitedMs += ms;
    con::delayMs(ms);
}

TEST_F(MciTest, PlayAndWaitPassesTimeThroughTheRegisteredWait) {
    std::string wav = ip.dir + "/espera.wav";
    testfiles::writeWav(wav, 800);
    struct Case {
        media::WaitFn wait;
        bool counted;
    };
    for (const Case& c : {Case{countingWait, true}, Case{nullptr, false}}) {
        SCOPED_TRACE(c.counted ? "registered wait" : "front's clock");
        gWaitCalls = gWaitedMs = 0;
        media::setWaitHook(c.wait);
        ASSERT_EQ(media::mciSend("open " + wav + " alias e"), 0);
        uint64_t t0 = ip.now();
        EXPECT_EQ(media::mciSend("play e wait"), 0);
        EXPECT_GE(ip.now() - t0, 800u);
        EXPECT_EQ(status("e"), "stopped");
        if (c.counted) {
            EXPECT_GE(gWaitedMs, 800);
            EXPECT_EQ(gWaitCalls * 50, gWaitedMs);
        } else {
            EXPECT_EQ(gWaitCalls, 0);
        }
        EXPECT_EQ(media::mciSend("close e"), 0);
    }
    media::setWaitHook(nullptr);
}

TEST_F(MciTest, PlayingAFileByNameOpensAndClosesIt) {
    std::string wav = ip.dir + "/curto.wav";
    testfiles::writeWav(wav, 300);
    ASSERT_EQ(media::mciSend("play " + wav), 0);
    EXPECT_EQ(status(wav), "playing");
    con::delayMs(400);
    media::pollMedia();
    EXPECT_EQ(status(wav), "error " + std::to_string(media::kErrDeviceNotOpen));
}

TEST_F(MciTest, BadCommandsAndFilesGiveErrorsNotCrashes) {
    std::string text = ip.dir + "/nota.txt";
    writeText(text, "isto não é som");
    std::string broken = ip.dir + "/quebrado.wav";
    writeText(broken, "RIFF\x10\0\0\0WAVEfmt ");
    EXPECT_EQ(media::mciSend("open " + ip.dir + "/nada.wav alias a"), media::kErrFileNotFound);
    EXPECT_EQ(media::mciSend("open " + text + " alias a"), media::kErrUnsupportedFile);
    EXPECT_EQ(media::mciSend("open " + broken + " alias a"), media::kErrUnsupportedFile);
    EXPECT_EQ(media::mciSend("open " + ip.dir + " alias a"), media::kErrFileNotFound);
    EXPECT_EQ(media::mciSend(""), media::kErrMissingParameter);
    EXPECT_EQ(media::mciSend("dance a"), media::kErrUnrecognizedCommand);
    EXPECT_EQ(media::mciSend("play naoaberto notify"), media::kErrFileNotFound);
    EXPECT_EQ(media::mciSend("stop naoaberto"), media::kErrDeviceNotOpen);
    EXPECT_EQ(media::mciSend("open"), media::kErrMissingParameter);
    EXPECT_EQ(media::mciSend("open \"unterminated"), media::kErrFileNotFound);

    std::string wav = ip.dir + "/com espaço.wav";
    testfiles::writeWav(wav, 200);
    ASSERT_EQ(media::mciSend(plat::utf8ToCp1252("open \"" + wav + "\" alias a")), 0);
    EXPECT_EQ(media::mciSend(plat::utf8ToCp1252("open \"" + wav + "\" alias A")), media::kErrAliasInUse);
    EXPECT_EQ(media::mciSend("play a from abc"), media::kErrBadArgument);
    EXPECT_EQ(media::mciSend("play a sideways"), media::kErrUnrecognizedKeyword);
    EXPECT_EQ(media::mciSend("window a handle 0"), 0);
    EXPECT_EQ(media::mciSend("window a handle xyz"), media::kErrBadArgument);
    EXPECT_EQ(media::mciSend("put a destination"), 0);
    EXPECT_EQ(media::mciSend("put a destination at 1 2 3"), media::kErrBadArgument);
    EXPECT_EQ(status("a", "volume"), "error " + std::to_string(media::kErrUnrecognizedKeyword));
    EXPECT_EQ(media::mciSend("close all"), 0);
    EXPECT_EQ(status("a"), "error " + std::to_string(media::kErrDeviceNotOpen));
    EXPECT_EQ(media::mciErrorText(media::kErrFileNotFound), "file not found");
}

TEST_F(MciTest, PlayToStopsEarlyAndNotifies) {
    std::string wav = ip.dir + "/longo.wav";
    testfiles::writeWav(wav, 5000);
    media::setNotify("l", onEnd);
    ASSERT_EQ(media::mciSend("open " + wav + " alias l"), 0);
    ASSERT_EQ(media::mciSend("play l from 1000 to 1500 notify"), 0);
    con::delayMs(300);
    media::pollMedia();
    EXPECT_EQ(gNotified, 0);
    con::delayMs(300);
    media::pollMedia();
    EXPECT_EQ(gNotified, 1);
    EXPECT_EQ(status("l"), "paused");
}

TEST_F(MciTest, JpegBecomesABitmapTheTextWindowCanShow) {
    plat::Picture pic = testfiles::solid(37, 21, {200, 30, 40});
    for (int x = 0; x < 37; ++x)
        for (int y = 0; y < 10; ++y) {
            uint8_t* d = &pic.rgb[(size_t(y) * 37 + x) * 3];
            d[0] = 10, d[1] = 220, d[2] = 30;
        }
    std::string jpg = ip.dir + "/foto.JPG";
    testfiles::writeJpeg(jpg, pic);
    std::string bmp = ip.dir + "/saida.bmp";
    ASSERT_TRUE(media::jpegToBmp(jpg, bmp));
    plat::Picture back;
    ASSERT_TRUE(con::loadBmp(bmp, back));
    ASSERT_EQ(back.width, 37);
    ASSERT_EQ(back.height, 21);
    EXPECT_TRUE(testfiles::near(testfiles::at(back, 5, 2), {10, 220, 30}));
    EXPECT_TRUE(testfiles::near(testfiles::at(back, 30, 18), {200, 30, 40}));

    writeText(ip.dir + "/falso.jpg", "GIF89a");
    EXPECT_FALSE(media::jpegToBmp(ip.dir + "/falso.jpg", ip.dir + "/falso.bmp"));
    struct stat st;
    EXPECT_NE(stat((ip.dir + "/falso.bmp").c_str(), &st), 0);
    EXPECT_FALSE(media::jpegToBmp(ip.dir + "/naoexiste.jpg", ip.dir + "/x.bmp"));
}

}  // namespace
