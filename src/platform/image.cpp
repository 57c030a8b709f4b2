// JPEG in, PNG and BMP out, TrueType text on RGB pictures.
#include "platform/image.h"

#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/files.h"

namespace plat {

// ---------------------------------------------------------------- JPEG

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
}
void jpegQuiet(j_common_ptr, int) {}
void jpegNoOutput(j_common_ptr) {}

// Everything the decoder touches after setjmp lives outside its frame, so a
// longjmp out of libjpeg leaves nothing half-built behind.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> row;
    int width = 0, height = 0;
};

bool runJpeg(JpegJob& job, const std::string& bytes) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.err.mgr);
    job.err.mgr.error_exit = jpegErrorExit;
    job.err.mgr.emit_message = jpegQuiet;
    job.err.mgr.output_message = jpegNoOutput;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if ((long long)cinfo.image_width * cinfo.image_height > kMaxPicturePixels || cinfo.image_width == 0 ||
        cinfo.image_height == 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    // A slide is composed while the pupil waits: the fast transform is not visibly worse.
    cinfo.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&cinfo);
    job.width = int(cinfo.output_width);
    job.height = int(cinfo.output_height);
    int comps = cinfo.output_components;
    if ((cmyk && comps != 4) || (!cmyk && comps != 3)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    job.rgb.assign(size_t(job.width) * job.height * 3, 0);
    job.row.assign(size_t(job.width) * comps, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        if (cmyk) {
            JSAMPROW r = job.row.data();
            jpeg_read_scanlines(&cinfo, &r, 1);
            uint8_t* d = &job.rgb[size_t(y) * job.width * 3];
            // Adobe writes CMYK inverted; what comes out is already "255 - ink".
            for (int x = 0; x < job.width; ++x) {
                const uint8_t* s = &job.row[size_t(x) * 4];
                d[x * 3 + 0] = uint8_t(s[0] * s[3] / 255);
                d[x * 3 + 1] = uint8_t(s[1] * s[3] / 255);
                d[x * 3 + 2] = uint8_t(s[2] * s[3] / 255);
            }
        } else {
            JSAMPROW r = &job.rgb[size_t(y) * job.width * 3];
            jpeg_read_scanlines(&cinfo, &r, 1);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool decodeJpeg(const std::string& bytes, Picture& out) {
    if (bytes.size() < 4 || uint8_t(bytes[0]) != 0xFF || uint8_t(bytes[1]) != 0xD8) return false;
    auto job = std::make_unique<JpegJob>();
    if (!runJpeg(*job, bytes)) return false;
    out.width = job->width;
    out.height = job->height;
    out.rgb = std::move(job->rgb);
    return true;
}

namespace {
struct JpegOut {
    jpeg_compress_struct cinfo;
    JpegError err;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
};

bool runJpegOut(JpegOut& job, const Picture& pic, int quality) {
    jpeg_compress_struct& cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.err.mgr);
    job.err.mgr.error_exit = jpegErrorExit;
    job.err.mgr.emit_message = jpegQuiet;
    job.err.mgr.output_message = jpegNoOutput;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job.buf, &job.size);
    cinfo.image_width = JDIMENSION(pic.width);
    cinfo.image_height = JDIMENSION(pic.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = const_cast<JSAMPROW>(&pic.rgb[size_t(cinfo.next_scanline) * pic.width * 3]);
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}
}  // namespace

bool encodeJpeg(const Picture& pic, int quality, std::string& out) {
    if (pic.width <= 0 || pic.height <= 0 || pic.rgb.size() < size_t(pic.width) * pic.height * 3) return false;
    auto job = std::make_unique<JpegOut>();
    bool ok = runJpegOut(*job, pic, quality);
    if (ok) out.assign(reinterpret_cast<const char*>(job->buf), job->size);
    std::free(job->buf);
    return ok;
}

bool loadJpeg(const std::string& name, Picture& out) {
    std::string bytes;
    // 64 MiB is far beyond any slide picture; it keeps a wrong file from eating memory.
    if (!readFile(name, bytes, 64u << 20)) return false;
    return decodeJpeg(bytes, out);
}

// ---------------------------------------------------------------- BMP and PNG

namespace {
void put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
}  // namespace

std::string encodeBmp(const Picture& pic) {
    uint32_t stride = (uint32_t(pic.width) * 3 + 3) & ~3u;
    uint32_t dataSize = stride * uint32_t(pic.height);
    std::string s;
    s.reserve(54 + dataSize);
    s += "BM";
    put32(s, 54 + dataSize);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, uint32_t(pic.width));
    put32(s, uint32_t(pic.height));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, dataSize);
    put32(s, 2835);  // 72 dpi
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    std::string row(stride, '\0');
    for (int y = pic.height - 1; y >= 0; --y) {
        const uint8_t* src = &pic.rgb[size_t(y) * pic.width * 3];
        for (int x = 0; x < pic.width; ++x) {
            row[size_t(x) * 3 + 0] = char(src[x * 3 + 2]);
            row[size_t(x) * 3 + 1] = char(src[x * 3 + 1]);
            row[size_t(x) * 3 + 2] = char(src[x * 3 + 0]);
        }
        s += row;
    }
    return s;
}

bool writePng(const std::string& linuxPath, const Picture& pic) {
    if (pic.width <= 0 || pic.height <= 0 || pic.rgb.size() < size_t(pic.width) * pic.height * 3) return false;
    FILE* f = std::fopen(linuxPath.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    // Slides are dumped often in tests; speed matters more than size.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(pic.width), png_uint_32(pic.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < pic.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&pic.rgb[size_t(y) * pic.width * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

namespace {
struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE* f = nullptr;
    std::vector<uint8_t> data;
    int w = 0, h = 0;
    ~PngRead() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (f) std::fclose(f);
    }
};

bool runPngRead(PngRead& r) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_init_io(r.png, r.f);
    png_read_info(r.png, r.info);
    png_uint_32 w = png_get_image_width(r.png, r.info), h = png_get_image_height(r.png, r.info);
    if ((long long)w * h > kMaxPicturePixels) return false;
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_strip_alpha(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != w * 3) return false;
    r.w = int(w);
    r.h = int(h);
    r.data.assign(size_t(w) * h * 3, 0);
    for (png_uint_32 y = 0; y < h; ++y) png_read_row(r.png, &r.data[size_t(y) * w * 3], nullptr);
    return true;
}
}  // namespace

bool readPng(const std::string& linuxPath, Picture& out) {
    auto r = std::make_unique<PngRead>();
    r->f = std::fopen(linuxPath.c_str(), "rb");
    if (!r->f) return false;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!r->png) return false;
    r->info = png_create_info_struct(r->png);
    if (!r->info || !runPngRead(*r)) return false;
    out.width = r->w;
    out.height = r->h;
    out.rgb = std::move(r->data);
    return true;
}

// ---------------------------------------------------------------- drawing

void fillRect(Picture& pic, int x, int y, int w, int h, Rgb c) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(pic.width, x + w), y1 = std::min(pic.height, y + h);
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* d = &pic.rgb[(size_t(yy) * pic.width + x0) * 3];
        for (int xx = x0; xx < x1; ++xx, d += 3) {
            d[0] = c.r;
            d[1] = c.g;
            d[2] = c.b;
        }
    }
}

void drawScaled(Picture& dst, const Picture& src, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || src.width <= 0 || src.height <= 0) return;
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(dst.width, x + w), y1 = std::min(dst.height, y + h);
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> srcX(size_t(x1 - x0));
    for (int xx = x0; xx < x1; ++xx) srcX[size_t(xx - x0)] = int((long long)(xx - x) * src.width / w) * 3;
    for (int yy = y0; yy < y1; ++yy) {
        int sy = int((long long)(yy - y) * src.height / h);
        const uint8_t* s = &src.rgb[size_t(sy) * src.width * 3];
        uint8_t* d = &dst.rgb[(size_t(yy) * dst.width + x0) * 3];
        for (int i = 0; i < x1 - x0; ++i, d += 3) std::memcpy(d, s + srcX[size_t(i)], 3);
    }
}

void drawPicture(Picture& dst, const Picture& src, int x, int y) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(dst.width, x + src.width), y1 = std::min(dst.height, y + src.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int yy = y0; yy < y1; ++yy)
        std::memcpy(&dst.rgb[(size_t(yy) * dst.width + x0) * 3],
                    &src.rgb[(size_t(yy - y) * src.width + (x0 - x)) * 3], size_t(x1 - x0) * 3);
}

// ---------------------------------------------------------------- the window

bool windowCanvasSize(int& width, int& height) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    // The program has one window.  It may be shrunk by the user, but it never
    // grows past its cells, so its largest size is the size of the cells.
    for (Uint32 id = 1; id < 64; ++id) {
        SDL_Window* win = SDL_GetWindowFromID(id);
        if (!win) continue;
        int w = 0, h = 0;
        SDL_GetWindowMaximumSize(win, &w, &h);
        if (w <= 0 || h <= 0) SDL_GetWindowSize(win, &w, &h);
        if (w <= 0 || h <= 0) return false;
        width = w;
        height = h;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- fonts

namespace {

struct FontFile {
    std::string file;
    bool embolden = false;  // bold asked for, the face has no bold file
};

struct OpenFont {
    TTF_Font* ttf = nullptr;
    int users = 0;
};

struct FontState {
    bool ttfReady = false;
    std::map<std::string, FontFile> files;            // face|bold -> file
    std::map<std::string, OpenFont> open;             // file|height -> font (kept for speed)
    std::map<int, std::string> handles;               // handle -> key of `open`
    int nextHandle = 1;
};

FontState& fonts() {
    static FontState s;
    return s;
}

FontFile matchFontFile(const std::string& faceUtf8, bool bold) {
    if (!FcInit()) return FontFile{};
    FcPattern* pat = FcPatternCreate();
    if (!faceUtf8.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceUtf8.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    FontFile file;
    if (match) {
        FcChar8* f = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &f) == FcResultMatch && f) file.file = reinterpret_cast<char*>(f);
        int weight = 0;
        if (bold && FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch && weight < FC_WEIGHT_DEMIBOLD)
            file.embolden = true;
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
    return file;
}

TTF_Font* fontOf(int handle) {
    FontState& s = fonts();
    auto h = s.handles.find(handle);
    if (h == s.handles.end()) return nullptr;
    auto o = s.open.find(h->second);
    return o == s.open.end() ? nullptr : o->second.ttf;
}

}  // namespace

namespace {
const FontFile& lookUpFont(const std::string& face, bool bold) {
    FontState& s = fonts();
    std::string key = face + (bold ? "|1" : "|0");
    auto it = s.files.find(key);
    if (it != s.files.end()) return it->second;
    return s.files[key] = matchFontFile(cp1252ToUtf8(face), bold);
}
}  // namespace

std::string fontFileFor(const std::string& face, bool bold) { return lookUpFont(face, bold).file; }

int fontOpen(const std::string& face, int cellHeight, bool bold) {
    FontState& s = fonts();
    if (cellHeight < 1) cellHeight = 1;
    if (cellHeight > 2000) cellHeight = 2000;
    if (!s.ttfReady) {
        if (TTF_Init() != 0) return 0;
        s.ttfReady = true;
    }
    FontFile ff = lookUpFont(face, bold);
    if (ff.file.empty()) ff = lookUpFont("sans-serif", bold);
    if (ff.file.empty()) return 0;
    const std::string& file = ff.file;
    std::string key = file + (ff.embolden ? "|b|" : "|") + std::to_string(cellHeight);
    OpenFont& of = s.open[key];
    if (!of.ttf) {
        TTF_Font* f = TTF_OpenFont(file.c_str(), cellHeight);
        if (!f) {
            s.open.erase(key);
            return 0;
        }
        // A Windows font height is the whole cell (ascent plus descent); TrueType
        // sizes are the em.  Scale the em so that the cell comes out as asked.
        int h = TTF_FontHeight(f);
        if (h > 0 && h != cellHeight) {
            int pt = std::max(1, int((long long)cellHeight * cellHeight / h));
            TTF_SetFontSize(f, pt);
            while (pt > 1 && TTF_FontHeight(f) > cellHeight) TTF_SetFontSize(f, --pt);
        }
        // Bold files exist for every face we ship with; a face without one is emboldened.
        if (ff.embolden) TTF_SetFontStyle(f, TTF_STYLE_BOLD);
        of.ttf = f;
    }
    ++of.users;
    int handle = s.nextHandle++;
    s.handles[handle] = key;
    return handle;
}

void fontClose(int font) {
    // The TTF font stays open for the next slide: opening it again for every
    // slide would cost more than the whole rest of the slide.
    FontState& s = fonts();
    auto h = s.handles.find(font);
    if (h == s.handles.end()) return;
    auto o = s.open.find(h->second);
    if (o != s.open.end() && o->second.users > 0) --o->second.users;
    s.handles.erase(h);
}

int textWidth(int font, const std::string& text) {
    TTF_Font* f = fontOf(font);
    if (!f || text.empty()) return 0;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(f, cp1252ToUtf8(text).c_str(), &w, &h) != 0) return 0;
    return w;
}

void drawText(Picture& pic, int font, int x, int y, const std::string& text, Rgb colour, const Rgb* background) {
    TTF_Font* f = fontOf(font);
    if (!f || text.empty()) return;
    std::string utf8 = cp1252ToUtf8(text);
    int tw = 0, th = 0;
    if (TTF_SizeUTF8(f, utf8.c_str(), &tw, &th) != 0) return;
    if (background) fillRect(pic, x, y, tw, TTF_FontHeight(f), *background);
    SDL_Color c{colour.r, colour.g, colour.b, 255};
    SDL_Surface* surf = TTF_RenderUTF8_Blended(f, utf8.c_str(), c);
    if (!surf) return;
    if (SDL_MUSTLOCK(surf)) SDL_LockSurface(surf);
    const SDL_PixelFormat* fmt = surf->format;
    for (int sy = 0; sy < surf->h; ++sy) {
        int dy = y + sy;
        if (dy < 0 || dy >= pic.height) continue;
        const uint8_t* row = static_cast<const uint8_t*>(surf->pixels) + size_t(sy) * surf->pitch;
        for (int sx = 0; sx < surf->w; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= pic.width) continue;
            uint32_t px;
            std::memcpy(&px, row + size_t(sx) * 4, 4);
            uint8_t r, g, b, a;
            SDL_GetRGBA(px, fmt, &r, &g, &b, &a);
            if (a == 0) continue;
            uint8_t* d = &pic.rgb[(size_t(dy) * pic.width + dx) * 3];
            d[0] = uint8_t((r * a + d[0] * (255 - a)) / 255);
            d[1] = uint8_t((g * a + d[1] * (255 - a)) / 255);
            d[2] = uint8_t((b * a + d[2] * (255 - a)) / 255);
        }
    }
    if (SDL_MUSTLOCK(surf)) SDL_UnlockSurface(surf);
    SDL_FreeSurface(surf);
}

}  // namespace plat
