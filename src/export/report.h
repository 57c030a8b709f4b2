// The teacher's report: one self-contained page of a game's results (tables and
// charts, no script, nothing fetched), readable by a screen reader and on a phone.
#pragma once
#include <string>
#include <vector>

#include "game/model.h"
#include "player/results.h"

namespace web {

// The page (UTF-8) for a game and its plays; `when` is the date shown as the page's own.
std::string ResultsPage(const game::TJogo& g, const std::vector<player::PlayRecord>& plays, const std::string& when);

// `ludivar --relatorio GAME.lud OUT.html`: the game's results as a page, written
// atomically.  0 when written, 1 otherwise (said on stderr).
int RunResultsReport(const std::string& gameFile, const std::string& outFile);

}  // namespace web
