// libFuzzer target for the picture readers: BMP (text window pictures) and JPEG
// (slides and the script's pictures) refuse what they cannot read, never crash.
#include <cstdint>
#include <string>

#include "console/textwin.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    plat::Picture pic;
    if (con::decodeBmp(bytes, pic) && pic.rgb.size() != size_t(pic.width) * pic.height * 3) __builtin_trap();
    plat::Picture jpeg;
    if (plat::decodeJpeg(bytes, jpeg) && jpeg.rgb.size() != size_t(jpeg.width) * jpeg.height * 3) __builtin_trap();
    return 0;
}
