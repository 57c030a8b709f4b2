// Every module's state back to what it is when the program starts: one call, so that a
// test (or anything else that runs the program twice in one process) misses none.
#pragma once

namespace app {

// Resets from the top of the stack down, so that an upper module may still close what it
// holds in a lower one (media, channels, the Braille display) before that one is reset.
// Interfaces registered at start-up (the voice back-end, the main question's actions)
// are not state and stay.  The settings file chosen with con::setIniOverride stays too.
void resetAll();

}  // namespace app
