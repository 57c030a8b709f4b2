#include "export/report.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

#include "console/console.h"
#include "game/gamefile.h"
#include "platform/platform.h"
#include "util/atomic.h"
#include "util/log.h"
#include "util/text.h"

namespace web {

namespace {

// Game texts, names and answers are untrusted: nothing of them may become markup.
std::string esc(const std::string& cp1252) {
    const std::string s = plat::cp1252ToUtf8(cp1252);
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                if (static_cast<unsigned char>(c) < 32) out += ' ';
                else out += c;
        }
    }
    return out;
}
std::string esc8(const char* utf8) { return esc(plat::cp(utf8)); }

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    return b;
}

std::string endWords(player::PlayEnd e) {
    switch (e) {
        case player::PlayEnd::Finished: return "chegou ao fim";
        case player::PlayEnd::Left: return "saiu com Esc";
        case player::PlayEnd::Error: return "erro no jogo";
    }
    return "";
}

std::string rightWords(const player::Visit& v) {
    if (v.answer.empty() && v.right < 0) return "sem resposta";
    return v.right == 1 ? "certa" : v.right == 0 ? "errada" : "sem resposta esperada";
}

std::string pupilOf(const player::PlayRecord& r) { return r.pupil.empty() ? esc8("anônimo") : esc(r.pupil); }

constexpr const char* kStyle = R"(
*{box-sizing:border-box}
body{margin:0 auto;max-width:66rem;padding:1rem;font:1.1rem/1.5 system-ui,sans-serif;color:#111;background:#fff}
h1{font-size:1.6rem;line-height:1.25;overflow-wrap:anywhere}
h2{font-size:1.3rem;margin-top:2rem}
table{border-collapse:collapse;width:100%;margin:1rem 0}
caption{text-align:left;font-weight:bold;padding:.3rem 0}
th,td{border:1px solid #555;padding:.3rem .5rem;text-align:left;vertical-align:top;overflow-wrap:anywhere;hyphens:auto}
thead th{background:#e8eef6}
td ol{margin:0;padding-left:1.2rem}
figure{margin:1rem 0}
svg{display:block;width:100%;max-width:40rem;height:auto}
figcaption{font-size:1rem}
@media (max-width:480px){body{padding:.5rem;font-size:1rem}th,td{padding:.2rem .3rem}}
)";

// Score over time: one point per play, in the order they were played.
std::string scoreChart(const std::vector<player::PlayRecord>& plays) {
    const int W = 400, H = 240, left = 48, right = 12, top = 16, bottom = 40;
    int32_t lo = 0, hi = 1;
    for (const auto& r : plays) lo = std::min(lo, r.score), hi = std::max(hi, r.score);
    std::string desc = "Pontuação de cada jogada, da primeira à última";
    if (plays.empty()) desc += ": nenhuma jogada registrada.";
    else {
        desc += ": ";
        for (size_t i = 0; i < plays.size(); ++i)
            desc += (i ? "; " : "") + plat::cp1252ToUtf8(plays[i].when) + ", " + std::to_string(plays[i].score);
        desc += ".";
    }
    std::string s = "<svg role=\"img\" aria-labelledby=\"grafico-pontos-titulo grafico-pontos-desc\" viewBox=\"0 0 " +
                    std::to_string(W) + " " + std::to_string(H) + "\" xmlns=\"http://www.w3.org/2000/svg\">\n";
    s += "<title id=\"grafico-pontos-titulo\">" + esc8("Pontuação ao longo do tempo") + "</title>\n";
    s += "<desc id=\"grafico-pontos-desc\">" + esc(plat::cp(desc.c_str())) + "</desc>\n";
    const double plotW = W - left - right, plotH = H - top - bottom;
    auto y = [&](double v) { return top + plotH - (v - lo) * plotH / double(hi - lo); };
    auto x = [&](size_t i) { return plays.size() <= 1 ? left + plotW / 2 : left + plotW * double(i) / double(plays.size() - 1); };
    // Axes and their marks.
    s += "<g stroke=\"#333\" stroke-width=\"1.5\"><line x1=\"" + std::to_string(left) + "\" y1=\"" + std::to_string(top) +
         "\" x2=\"" + std::to_string(left) + "\" y2=\"" + std::to_string(H - bottom) + "\"/><line x1=\"" +
         std::to_string(left) + "\" y1=\"" + num(y(0)) + "\" x2=\"" + std::to_string(W - right) + "\" y2=\"" + num(y(0)) +
         "\"/></g>\n";
    s += "<g font-size=\"14\" fill=\"#111\" font-family=\"sans-serif\">";
    for (int32_t v : {lo, hi})
        if (v != 0 || lo == 0) s += "<text x=\"" + std::to_string(left - 6) + "\" y=\"" + num(y(v) + 5) + "\" text-anchor=\"end\">" + std::to_string(v) + "</text>";
    if (lo != 0) s += "<text x=\"" + std::to_string(left - 6) + "\" y=\"" + num(y(0) + 5) + "\" text-anchor=\"end\">0</text>";
    s += "<text x=\"" + num(left + plotW / 2) + "\" y=\"" + std::to_string(H - 8) + "\" text-anchor=\"middle\">" +
         esc8("jogadas, da primeira à última") + "</text>";
    const size_t every = std::max<size_t>(1, (plays.size() + 9) / 10);
    for (size_t i = 0; i < plays.size(); i += every)
        s += "<text x=\"" + num(x(i)) + "\" y=\"" + std::to_string(H - bottom + 18) + "\" text-anchor=\"middle\">" +
             std::to_string(i + 1) + "</text>";
    s += "</g>\n";
    if (plays.size() > 1) {
        s += "<polyline fill=\"none\" stroke=\"#1a4f8b\" stroke-width=\"3\" points=\"";
        for (size_t i = 0; i < plays.size(); ++i) s += (i ? " " : "") + num(x(i)) + "," + num(y(plays[i].score));
        s += "\"/>\n";
    }
    for (size_t i = 0; i < plays.size(); ++i)
        s += "<circle class=\"ponto\" cx=\"" + num(x(i)) + "\" cy=\"" + num(y(plays[i].score)) + "\" r=\"5\" fill=\"#1a4f8b\"/>";
    return s + "\n</svg>\n";
}

// Right at the first answer, per place: one bar per place, its name above it.
std::string rightFirstChart(const player::Figures& f) {
    const int W = 400, row = 44, top = 8;
    const int H = top + row * int(std::max<size_t>(1, f.places.size())) + 8;
    std::string desc = "Parte das jogadas que acertaram de primeira em cada lugar";
    if (f.places.empty()) desc += ": nenhum lugar com resposta esperada.";
    else {
        desc += ": ";
        for (size_t i = 0; i < f.places.size(); ++i) {
            const auto& p = f.places[i];
            desc += (i ? "; " : "") + plat::cp1252ToUtf8(p.name) + ", " + std::to_string(p.rightFirst) + " de " +
                    std::to_string(p.plays);
        }
        desc += ".";
    }
    std::string s = "<svg role=\"img\" aria-labelledby=\"grafico-lugares-titulo grafico-lugares-desc\" viewBox=\"0 0 " +
                    std::to_string(W) + " " + std::to_string(H) + "\" xmlns=\"http://www.w3.org/2000/svg\">\n";
    s += "<title id=\"grafico-lugares-titulo\">" + esc8("Acertos de primeira por lugar") + "</title>\n";
    s += "<desc id=\"grafico-lugares-desc\">" + esc(plat::cp(desc.c_str())) + "</desc>\n";
    const double barW = W - 90;
    s += "<g font-size=\"14\" font-family=\"sans-serif\" fill=\"#111\">\n";
    for (size_t i = 0; i < f.places.size(); ++i) {
        const auto& p = f.places[i];
        const double y0 = top + row * double(i);
        const double share = p.plays ? double(p.rightFirst) / p.plays : 0;
        std::string name = p.name.size() > 40 ? p.name.substr(0, 39) + "\x85" : p.name;
        s += "<text x=\"0\" y=\"" + num(y0 + 14) + "\">" + esc(name) + "</text>";
        s += "<rect x=\"0\" y=\"" + num(y0 + 20) + "\" width=\"" + num(barW) + "\" height=\"16\" fill=\"#dde3ea\"/>";
        s += "<rect class=\"barra\" x=\"0\" y=\"" + num(y0 + 20) + "\" width=\"" + num(std::max(barW * share, 2.0)) +
             "\" height=\"16\" fill=\"#1a4f8b\"/>";
        s += "<text x=\"" + num(barW + 6) + "\" y=\"" + num(y0 + 33) + "\">" + std::to_string(p.rightFirst) + " de " +
             std::to_string(p.plays) + "</text>\n";
    }
    return s + "</g>\n</svg>\n";
}

}  // namespace

std::string ResultsPage(const game::TJogo& g, const std::vector<player::PlayRecord>& plays, const std::string& when) {
    const player::Figures f = player::figuresOf(g, plays);
    std::string name = util::trim(g.general.name);
    if (name.empty()) name = plat::cp("Jogo sem nome");
    std::string h = "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                    "<title>Resultados: " + esc(name) + " - Ludivar</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<main>\n";
    h += "<h1>Resultados: " + esc(name) + "</h1>\n<p>" + esc8("Página gerada em ") + esc(when) + ".</p>\n";

    h += "<table>\n<caption>Resumo</caption>\n<tbody>\n";
    h += "<tr><th scope=\"row\">Jogadas</th><td>" + std::to_string(f.plays) + "</td></tr>\n";
    h += "<tr><th scope=\"row\">Alunos</th><td>" + std::to_string(f.pupils) + "</td></tr>\n";
    h += "<tr><th scope=\"row\">" + esc8("Média de pontos") + "</th><td>" + esc(player::decimalText(f.meanScore)) + "</td></tr>\n";
    h += "</tbody>\n</table>\n";

    h += "<h2>" + esc8("Pontuação ao longo do tempo") + "</h2>\n<figure>\n" + scoreChart(plays) +
         "<figcaption>" + esc8("Cada ponto é uma jogada, na ordem em que foram jogadas; a altura é a pontuação final.") +
         "</figcaption>\n</figure>\n";

    h += "<h2>Acertos de primeira por lugar</h2>\n<figure>\n" + rightFirstChart(f) +
         "<figcaption>" + esc8("Quantas das jogadas que responderam a cada lugar acertaram na primeira resposta.") +
         "</figcaption>\n</figure>\n";
    h += "<table>\n<caption>" + esc8("Lugares com resposta esperada") + "</caption>\n<thead><tr>"
         "<th scope=\"col\">Lugar</th><th scope=\"col\">Jogadas que responderam</th>"
         "<th scope=\"col\">Acertaram de primeira</th><th scope=\"col\">Respostas erradas mais digitadas</th></tr></thead>\n<tbody>\n";
    for (const auto& p : f.places) {
        std::string wrong;
        for (const auto& w : p.wrong) wrong += (wrong.empty() ? "" : ", ") + esc(w.first) + " (" + std::to_string(w.second) + ")";
        h += "<tr><th scope=\"row\">" + esc(p.name) + "</th><td>" + std::to_string(p.plays) + "</td><td>" +
             std::to_string(p.rightFirst) + "</td><td>" + (wrong.empty() ? "nenhuma" : wrong) + "</td></tr>\n";
    }
    if (f.places.empty()) h += "<tr><td colspan=\"4\">" + esc8("Nenhum lugar com resposta esperada.") + "</td></tr>\n";
    h += "</tbody>\n</table>\n";

    h += "<h2>Jogadas</h2>\n<table>\n<caption>" + esc8("Cada jogada, com os lugares visitados e as respostas") +
         "</caption>\n<thead><tr><th scope=\"col\">Data</th><th scope=\"col\">Aluno</th><th scope=\"col\">Como terminou</th>"
         "<th scope=\"col\">" + esc8("Pontuação") + "</th><th scope=\"col\">Lugares e respostas</th></tr></thead>\n<tbody>\n";
    for (const auto& r : plays) {
        h += "<tr><th scope=\"row\">" + esc(r.when) + "</th><td>" + pupilOf(r) + "</td><td>" + esc8(endWords(r.end).c_str()) +
             "</td><td>" + std::to_string(r.score) + "</td><td>";
        if (r.visits.empty()) h += "nenhum";
        else {
            h += "<ol>";
            for (const auto& v : r.visits) {
                h += "<li>" + esc(v.name);
                if (!v.answer.empty()) h += ": " + esc(v.answer);
                h += " (" + esc8(rightWords(v).c_str()) + ")</li>";
            }
            h += "</ol>";
        }
        h += "</td></tr>\n";
    }
    if (plays.empty()) h += "<tr><td colspan=\"5\">" + esc8("Nenhuma jogada registrada.") + "</td></tr>\n";
    h += "</tbody>\n</table>\n</main>\n</body>\n</html>\n";
    return h;
}

int RunResultsReport(const std::string& gameFile, const std::string& outFile) {
    auto g = std::make_unique<game::TJogo>();
    game::ReadResult r = game::ReadGameFile(gameFile, *g);
    if (!r.ok) {
        util::log(plat::cp1252ToUtf8(game::MakeFailureReport(r).heading));
        return 1;
    }
    const std::string path = player::resultsPathOfGame(gameFile);
    std::vector<player::PlayRecord> plays;
    if (!player::loadResults(path, plays)) {
        util::log(plat::cp1252ToUtf8(plat::cp("O arquivo de resultados está danificado e não pôde ser lido: ")) + path);
        return 1;
    }
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char when[40];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &tm);
    const util::Result saved = util::writeFileAtomically(outFile, ResultsPage(*g, plays, when));
    if (!saved) {
        util::log("Erro ao gravar " + outFile + ": " + saved.reason());
        return 1;
    }
    std::printf("%s%s\n", plat::cp1252ToUtf8(plat::cp("Página de resultados gravada: ")).c_str(), outFile.c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace web
