// What the terminal's terminfo entry says about it, read apart from the fronts:
// terminfo's header defines macros (tone, lines, columns...) that clash with our names.
#pragma once

namespace plat {

// The colours the terminal on `fd` draws according to terminfo (TERM); 0 when unknown.
int terminfoColours(int fd);

}  // namespace plat
