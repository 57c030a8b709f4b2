// Builds the demo game "Formas e Cores" into the games folder: draws its
// pictures (JPEG), composes its sounds (WAV), and writes the game file and the
// game program in Windows-1252 with CR LF, as the program keeps them.
//
//   ludivar_gendemo SOURCE_DIR PLAIN_GAME_DIR PROGRAM_GAME_DIR
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/image.h"
#include "platform/platform.h"
#include "util/folders.h"

namespace {

using plat::Picture;
using plat::Rgb;

// ------------------------------------------------------------------ drawing

Picture canvas(int w, int h, Rgb c) {
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.resize(size_t(w) * h * 3);
    plat::fillRect(p, 0, 0, w, h, c);
    return p;
}

void blend(Picture& p, int x, int y, Rgb c, double a) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height || a <= 0) return;
    uint8_t* d = &p.rgb[(size_t(y) * p.width + x) * 3];
    d[0] = uint8_t(std::lround(c.r * a + d[0] * (1 - a)));
    d[1] = uint8_t(std::lround(c.g * a + d[1] * (1 - a)));
    d[2] = uint8_t(std::lround(c.b * a + d[2] * (1 - a)));
}

// Fills the pixels of a box where `inside` holds, with 4 x 4 samples per pixel
// so that the edges are smooth.
void shape(Picture& p, int x0, int y0, int x1, int y1, Rgb c, const std::function<bool(double, double)>& inside) {
    for (int y = std::max(0, y0); y <= std::min(p.height - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(p.width - 1, x1); ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
            blend(p, x, y, c, hits / 16.0);
        }
}

void ellipse(Picture& p, double cx, double cy, double rx, double ry, Rgb c) {
    shape(p, int(cx - rx) - 1, int(cy - ry) - 1, int(cx + rx) + 1, int(cy + ry) + 1, c, [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    });
}

void circle(Picture& p, double cx, double cy, double r, Rgb c) { ellipse(p, cx, cy, r, r, c); }

struct Pt {
    double x, y;
};

void polygon(Picture& p, const std::vector<Pt>& pts, Rgb c) {
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (const Pt& q : pts) {
        minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
    }
    shape(p, int(minX) - 1, int(minY) - 1, int(maxX) + 1, int(maxY) + 1, c, [&](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const Pt &a = pts[i], &b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        return in;
    });
}

void rect(Picture& p, int x, int y, int w, int h, Rgb c) { plat::fillRect(p, x, y, w, h, c); }

void verticalGradient(Picture& p, int y0, int y1, Rgb top, Rgb bottom) {
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y) {
        double t = y1 - y0 > 1 ? double(y - y0) / (y1 - y0 - 1) : 0;
        Rgb c{uint8_t(top.r + (bottom.r - top.r) * t), uint8_t(top.g + (bottom.g - top.g) * t),
              uint8_t(top.b + (bottom.b - top.b) * t)};
        rect(p, 0, y, p.width, 1, c);
    }
}

void cloud(Picture& p, double x, double y, double s) {
    Rgb white{250, 250, 252};
    circle(p, x, y, 22 * s, white);
    circle(p, x + 26 * s, y - 12 * s, 28 * s, white);
    circle(p, x + 56 * s, y, 22 * s, white);
    ellipse(p, x + 28 * s, y + 8 * s, 50 * s, 16 * s, white);
}

void sun(Picture& p, double cx, double cy, double r) {
    Rgb ray{255, 200, 40};
    for (int i = 0; i < 12; ++i) {
        double a = i * M_PI / 6, w = 0.12;
        polygon(p,
                {{cx + std::cos(a - w) * r * 1.15, cy + std::sin(a - w) * r * 1.15},
                 {cx + std::cos(a) * r * 1.6, cy + std::sin(a) * r * 1.6},
                 {cx + std::cos(a + w) * r * 1.15, cy + std::sin(a + w) * r * 1.15}},
                ray);
    }
    circle(p, cx, cy, r, {255, 220, 40});
}

void outlined(const std::function<void(double grow, Rgb)>& draw, Rgb line, Rgb fill) {
    draw(4, line);
    draw(0, fill);
}

Picture background() {
    Picture p = canvas(800, 600, {0, 0, 0});
    verticalGradient(p, 0, 430, {110, 180, 240}, {200, 230, 250});
    cloud(p, 120, 110, 1.2);
    cloud(p, 520, 70, 0.9);
    cloud(p, 640, 180, 0.7);
    ellipse(p, 180, 560, 420, 170, {90, 170, 70});
    ellipse(p, 650, 590, 380, 190, {70, 150, 60});
    rect(p, 0, 540, 800, 60, {60, 130, 50});
    return p;
}

Picture house() {
    Picture p = canvas(320, 260, {170, 215, 250});
    sun(p, 262, 52, 26);
    rect(p, 0, 215, 320, 45, {80, 160, 60});
    rect(p, 70, 120, 160, 105, {200, 60, 50});
    polygon(p, {{55, 124}, {150, 50}, {245, 124}}, {120, 70, 40});
    rect(p, 132, 160, 36, 65, {100, 60, 30});
    rect(p, 88, 140, 32, 30, {250, 240, 170});
    rect(p, 180, 140, 32, 30, {250, 240, 170});
    rect(p, 103, 140, 2, 30, {120, 70, 40});
    rect(p, 195, 140, 2, 30, {120, 70, 40});
    return p;
}

Picture circlePicture() {
    Picture p = canvas(240, 240, {255, 255, 255});
    outlined([&](double g, Rgb c) { circle(p, 120, 120, 90 + g, c); }, {190, 90, 0}, {250, 140, 20});
    return p;
}

Picture squarePicture() {
    Picture p = canvas(220, 220, {255, 255, 255});
    rect(p, 26, 26, 168, 168, {20, 40, 140});
    rect(p, 30, 30, 160, 160, {40, 90, 220});
    return p;
}

Picture trianglePicture() {
    Picture p = canvas(240, 220, {255, 255, 255});
    polygon(p, {{120, 14}, {228, 204}, {12, 204}}, {20, 110, 40});
    polygon(p, {{120, 26}, {218, 198}, {22, 198}}, {50, 180, 70});
    return p;
}

// Big and high in contrast for a pupil with low vision: a red apple with a dark
// outline on white, filling most of its half of the slide.
Picture applePicture() {
    Picture p = canvas(360, 360, {255, 255, 255});
    const Rgb line{40, 10, 10}, red{200, 20, 30};
    outlined([&](double g, Rgb c) {
        circle(p, 142, 202, 108 + g, c);
        circle(p, 218, 202, 108 + g, c);
        ellipse(p, 180, 285, 90 + g, 45 + g, c);
    }, line, red);
    ellipse(p, 138, 177, 24, 39, {240, 110, 110});
    outlined([&](double g, Rgb c) {
        polygon(p, {{174 - g, 105}, {186 + g, 105}, {195 + g, 40 - g}, {183 - g, 40 - g}}, c);
        ellipse(p, 225, 66, 39 + g, 18 + g, c);
    }, line, {110, 70, 30});
    ellipse(p, 225, 66, 39, 18, {60, 160, 50});
    return p;
}

Picture skyPicture() {
    Picture p = canvas(800, 600, {0, 0, 0});
    verticalGradient(p, 0, 600, {30, 90, 210}, {120, 190, 250});
    sun(p, 640, 130, 60);
    cloud(p, 90, 150, 1.4);
    cloud(p, 330, 260, 1.0);
    return p;
}

Picture starPicture() {
    Picture p = canvas(260, 260, {20, 30, 90});
    std::vector<Pt> pts, inner;
    for (int i = 0; i < 10; ++i) {
        double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 48 : 118;
        pts.push_back({130 + std::cos(a) * r, 136 + std::sin(a) * r});
        double ri = i % 2 ? 40 : 104;
        inner.push_back({130 + std::cos(a) * ri, 136 + std::sin(a) * ri});
    }
    polygon(p, pts, {230, 160, 0});
    polygon(p, inner, {255, 215, 30});
    for (auto [x, y] : {Pt{30, 40}, Pt{220, 30}, Pt{40, 220}, Pt{232, 210}, Pt{60, 120}}) circle(p, x, y, 3, {255, 255, 255});
    return p;
}

// ------------------------------------------------------------------ sounds

// 16-bit mono PCM as a WAV file's bytes.
std::string waveFile(const std::vector<int16_t>& pcm, int rate) {
    std::string s = "RIFF";
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&](uint16_t v) {
        s += char(v & 0xFF);
        s += char(v >> 8);
    };
    uint32_t bytes = uint32_t(pcm.size() * 2);
    u32(36 + bytes);
    s += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    s += "data";
    u32(bytes);
    for (int16_t v : pcm) u16(uint16_t(v));
    return s;
}

struct Note {
    double hz, seconds;
};

// A small bell-like voice: the note and two softer overtones, struck and fading.
std::string melody(const std::vector<Note>& notes, double volume) {
    const int rate = 22050;
    std::vector<int16_t> pcm;
    for (const Note& n : notes) {
        int len = int(n.seconds * rate);
        for (int i = 0; i < len; ++i) {
            double t = double(i) / rate;
            double env = std::min(1.0, t / 0.01) * std::exp(-3.0 * t / n.seconds);
            double v = n.hz <= 0 ? 0
                                 : std::sin(2 * M_PI * n.hz * t) + 0.35 * std::sin(4 * M_PI * n.hz * t) +
                                       0.15 * std::sin(6 * M_PI * n.hz * t);
            pcm.push_back(int16_t(std::lround(v / 1.5 * env * volume * 32767)));
        }
    }
    return waveFile(pcm, rate);
}

// A cow's call: a low, buzzing voice that rises, holds and falls, shaped by two
// vowel-like resonances so that a child hears "muuu" and not a plain tone.
std::string mooSound() {
    const int rate = 22050;
    const double seconds = 1.3;
    std::vector<double> wave(size_t(seconds * rate));
    double phase = 0;
    for (size_t i = 0; i < wave.size(); ++i) {
        double t = double(i) / rate, u = t / seconds;
        double hz = 105 + 30 * std::sin(M_PI * std::min(1.0, u * 1.4));
        phase += hz / rate;
        double v = 0;
        for (int h = 1; h <= 24; ++h) {
            double f = hz * h;
            // "u"-like resonances near 300 Hz and 800 Hz
            double gain = 1.0 / (1 + std::pow((f - 300) / 120, 2)) + 0.4 / (1 + std::pow((f - 800) / 200, 2));
            v += gain * std::sin(2 * M_PI * h * phase) / h;
        }
        double env = std::min(1.0, t / 0.12) * std::min(1.0, (seconds - t) / 0.35);
        wave[i] = v * env;
    }
    double peak = 1e-9;
    for (double v : wave) peak = std::max(peak, std::fabs(v));
    std::vector<int16_t> pcm;
    for (double v : wave) pcm.push_back(int16_t(std::lround(v / peak * 0.6 * 32767)));
    return waveFile(pcm, rate);
}

// ------------------------------------------------------------------ files

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f.flush());
}

bool readBytes(const std::string& path, std::string& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return true;
}

// UTF-8 source lines -> CP1252 lines ending in CR LF.  Lines starting with ";"
// are notes for whoever edits the source and are left out; @SCRIPT@ becomes the
// SCRIPT key of the copy that has a program (or nothing).
std::string gameText(const std::string& source, const std::string& scriptLine, const std::string& nameSuffix) {
    std::istringstream in(source);
    std::string line, out;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == ';') continue;
        if (line == "@SCRIPT@") {
            if (scriptLine.empty()) continue;
            line = scriptLine;
        }
        if (line.rfind("NOME DO JOGO=", 0) == 0) line += nameSuffix;
        out += plat::utf8ToCp1252(line) + "\r\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "uso: %s FONTES PASTA_DO_JOGO PASTA_DO_JOGO_COM_PROGRAMA\n", argv[0]);
        return 2;
    }
    std::string src = argv[1];
    std::vector<std::string> dirs = {argv[2], argv[3]};
    std::string lud, pro;
    if (!readBytes(src + "/formas.lud.in", lud) || !readBytes(src + "/formas.pro.in", pro)) {
        std::fprintf(stderr, "gendemo: fontes do jogo não encontradas em %s\n", src.c_str());
        return 1;
    }

    struct Art {
        const char* name;
        Picture (*draw)();
    };
    const Art art[] = {{"fundo.jpg", background},  {"casa.jpg", house},        {"circulo.jpg", circlePicture},
                       {"quadrado.jpg", squarePicture}, {"triangulo.jpg", trianglePicture}, {"maca.jpg", applePicture},
                       {"ceu.jpg", skyPicture},    {"estrela.jpg", starPicture}};
    std::vector<std::pair<std::string, std::string>> files;
    for (const Art& a : art) {
        std::string jpeg;
        if (!plat::encodeJpeg(a.draw(), 88, jpeg)) return 1;
        files.emplace_back(a.name, jpeg);
    }
    // C E G C' rising: the opening; a quick fourth up for a right answer; a low fall for a hint.
    files.emplace_back("abertura.wav",
                       melody({{523.25, 0.25}, {659.25, 0.25}, {783.99, 0.25}, {1046.5, 0.9}}, 0.6));
    files.emplace_back("acerto.wav", melody({{783.99, 0.15}, {1046.5, 0.45}}, 0.6));
    files.emplace_back("erro.wav", melody({{392.0, 0.22}, {311.13, 0.45}}, 0.5));
    files.emplace_back("vaca.wav", mooSound());

    for (size_t i = 0; i < dirs.size(); ++i) {
        if (!util::makeFolders(dirs[i], 0755)) {
            std::fprintf(stderr, "gendemo: não foi possível criar %s\n", dirs[i].c_str());
            return 1;
        }
        bool withProgram = i == 1;
        bool ok = true;
        for (auto& [name, bytes] : files) ok &= writeBytes(dirs[i] + "/" + name, bytes);
        ok &= writeBytes(dirs[i] + "/formas.lud", gameText(lud, withProgram ? "SCRIPT=formas.pro" : "",
                                                            withProgram ? " (com programa)" : ""));
        if (withProgram) ok &= writeBytes(dirs[i] + "/formas.pro", gameText(pro, "", ""));
        if (!ok) {
            std::fprintf(stderr, "gendemo: erro ao gravar em %s\n", dirs[i].c_str());
            return 1;
        }
    }
    return 0;
}
