#include "platform/terminfo.h"

#include <term.h>

namespace plat {

int terminfoColours(int fd) {
    int err = 0;
    if (setupterm(nullptr, fd, &err) != 0) return 0;  // OK is curses.h's, not term.h's
    const int colours = tigetnum(const_cast<char*>("colors"));
    // the entry is read once: free it, so nothing of terminfo stays behind
    if (TERMINAL* t = cur_term) {
        set_curterm(nullptr);
        del_curterm(t);
    }
    return colours > 0 ? colours : 0;
}

}  // namespace plat
