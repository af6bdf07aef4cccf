#include "screenshot.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "bytes.h"

namespace kavrin::testlib {

namespace {

std::string ScreenshotFolder() {
    std::string binary = EnvVar("KAVRIN_BINARY_DIR");
    std::string folder = (binary.empty() ? std::string(".") : WinePath(binary)) + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Small owners for the GDI objects of one capture.
struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { if (dc) ReleaseDC(nullptr, dc); }
};
struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
    ~MemoryDc() { if (dc) DeleteDC(dc); }
};
struct Bitmap {
    HBITMAP bitmap = nullptr;
    ~Bitmap() { if (bitmap) DeleteObject(bitmap); }
};

}  // namespace

std::string SaveScreenshot(const std::string& name) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    ScreenDc screen;
    if (!screen.dc || width <= 0 || height <= 0) return {};
    MemoryDc memory(screen.dc);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap dib;
    dib.bitmap = CreateDIBSection(screen.dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
    if (!memory.dc || !dib.bitmap) return {};
    HGDIOBJ old = SelectObject(memory.dc, dib.bitmap);
    BOOL copied = BitBlt(memory.dc, 0, 0, width, height, screen.dc, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memory.dc, old);
    if (!copied) return {};

    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    header.biSizeImage = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;

    std::string path = ScreenshotFolder() + "\\" + name + ".bmp";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return {};
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&header, sizeof header, 1, out) == 1 &&
              std::fwrite(bits, header.biSizeImage, 1, out) == 1;
    ok = std::fclose(out) == 0 && ok;
    return ok ? path : std::string();
}

}  // namespace kavrin::testlib
