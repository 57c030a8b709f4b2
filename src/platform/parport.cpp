// The parallel port through ppdev: the kernel arbitrates the port, so no
// program needs raw I/O privileges.
#include "platform/parport.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace parport {

namespace {
int gFd = -1;
}

bool open() {
    if (gFd >= 0) return true;
    const char* name = std::getenv("LUDIVAR_PARPORT");
    int fd = ::open(name && *name ? name : "/dev/parport0", O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    if (::ioctl(fd, PPCLAIM) != 0) {
        ::close(fd);
        return false;
    }
    gFd = fd;
    return true;
}

bool isOpen() { return gFd >= 0; }

void writeData(uint8_t value) {
    if (gFd >= 0) ::ioctl(gFd, PPWDATA, &value);
}

void writeControl(uint8_t value) {
    if (gFd >= 0) ::ioctl(gFd, PPWCONTROL, &value);
}

uint8_t readStatus() {
    uint8_t value = 0;
    if (gFd >= 0) ::ioctl(gFd, PPRSTATUS, &value);
    return value;
}

}  // namespace parport
