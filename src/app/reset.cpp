#include "app/reset.h"

#include "app/startup.h"
#include "console/config.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/review.h"
#include "console/textwin.h"
#include "editor/editor.h"
#include "editor/program.h"
#include "game/folders.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "player/play.h"
#include "player/slide.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "speech/brisa/chain.h"
#include "speech/lexicon.h"
#include "speech/phonetics.h"
#include "speech/synthcore.h"
#include "speech/wave.h"

namespace app {

void resetAll() {
    resetAppState();
    editor::resetEditor();
    const editor::EditorLauncher launcher = editor::programState().launcher;  // an interface
    editor::resetProgramState();
    editor::programState().launcher = launcher;
    player::resetPlayState();
    player::resetSlideState();
    media::resetMedia();
    script::resetState();
    game::resetModelState();
    game::resetSession();
    game::resetFolderState();
    safety::resetSafety();
    con::resetReview();
    con::resetForm();
    con::resetList();
    con::resetMenu();
    con::resetConsole();
    con::resetTextWindow();
    con::resetConfig();
    speech::resetWave();
    speech::resetSynth();
    speech::resetPhonetics();
    speech::resetLexicons();
    brisa::resetLanguage();
    plat::forgetFolders();
}

}  // namespace app
