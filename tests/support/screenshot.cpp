// The tests' one PNG writer, and whole-screen captures of the end-to-end runs saved with it.
#include "screenshot.h"

#include <windows.h>

#include <stdlib.h>
#include <zlib.h>

static void put_be32(std::vector<unsigned char> *out, unsigned long value)
{
    out->push_back((unsigned char)(value >> 24));
    out->push_back((unsigned char)(value >> 16));
    out->push_back((unsigned char)(value >> 8));
    out->push_back((unsigned char)value);
}

static void put_chunk(std::vector<unsigned char> *out, const char *kind,
                      const std::vector<unsigned char> &body)
{
    put_be32(out, (unsigned long)body.size());
    size_t start = out->size();
    out->insert(out->end(), kind, kind + 4);
    out->insert(out->end(), body.begin(), body.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out->data() + start, (uInt)(out->size() - start));
    put_be32(out, crc);
}

std::vector<unsigned char> encode_png_rgb(int width, int height, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> png;
    if (width <= 0 || height <= 0 || rgb.size() != (size_t)width * height * 3)
        return png;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    png.assign(signature, signature + 8);

    std::vector<unsigned char> header;
    put_be32(&header, (unsigned long)width);
    put_be32(&header, (unsigned long)height);
    header.push_back(8); // bits per sample
    header.push_back(2); // colour type: RGB
    header.push_back(0); // deflate
    header.push_back(0); // no filtering beyond the per-row byte
    header.push_back(0); // no interlace
    put_chunk(&png, "IHDR", header);

    // Each row starts with filter type 0.
    std::vector<unsigned char> raw;
    raw.reserve((size_t)height * (width * 3 + 1));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        const unsigned char *row = rgb.data() + (size_t)y * width * 3;
        raw.insert(raw.end(), row, row + (size_t)width * 3);
    }
    uLongf packed_size = compressBound((uLong)raw.size());
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), (uLong)raw.size(), 6) != Z_OK)
        return std::vector<unsigned char>();
    packed.resize(packed_size);
    put_chunk(&png, "IDAT", packed);
    put_chunk(&png, "IEND", std::vector<unsigned char>());
    return png;
}

bool capture_screen(int *width, int *height, std::vector<unsigned char> *rgb)
{
    int w = GetSystemMetrics(SM_CXSCREEN);
    int h = GetSystemMetrics(SM_CYSCREEN);
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(NULL);
    if (!screen)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = CreateCompatibleDC(screen);
    bool ok = false;
    if (dib && memory && bits) {
        HGDIOBJ previous = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (ok) {
        // DIB rows are BGR and DWORD-aligned.
        size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
        rgb->resize((size_t)w * h * 3);
        const unsigned char *src = (const unsigned char *)bits;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const unsigned char *p = src + y * stride + x * 3;
                unsigned char *q = rgb->data() + ((size_t)y * w + x) * 3;
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
            }
        *width = w;
        *height = h;
    }
    if (memory)
        DeleteDC(memory);
    if (dib)
        DeleteObject(dib);
    ReleaseDC(NULL, screen);
    return ok;
}

std::string screenshot_root(void)
{
    const char *tests = getenv("TAVIK_TESTS_DIR");
    std::string dir = tests ? tests : "";
    size_t cut = dir.find_last_of('\\');
    if (cut == std::string::npos)
        return "";
    dir.resize(cut);
    dir += "\\screenshots";
    CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

std::string screenshot_dir(void)
{
    std::string dir = screenshot_root();
    if (dir.empty())
        return "";
    dir += "\\e2e";
    CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

bool write_png(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> png = encode_png_rgb(width, height, rgb);
    if (png.empty())
        return false;
    // An existing picture is replaced whole, never written into.
    std::string part = path + ".part";
    DeleteFileA(part.c_str());
    HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, png.data(), (DWORD)png.size(), &written, NULL) && written == png.size();
    ok = CloseHandle(file) && ok;
    if (ok)
        ok = MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok)
        DeleteFileA(part.c_str());
    return ok;
}

bool save_screen(const std::string &name)
{
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    std::string dir = screenshot_dir();
    return !dir.empty() && capture_screen(&w, &h, &rgb) && write_png(dir + "\\" + name + ".png", w, h, rgb);
}
