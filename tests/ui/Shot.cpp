// Screen pixels of a window, read from the screen of the test's own desktop.
#include "Driver.h"

namespace ui {

namespace {

BITMAPINFOHEADER Header(int width, int height) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = -height;  // top-down
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  return h;
}

}  // namespace

Shot Capture(HWND w) {
  Shot shot;
  RECT r{};
  POINT origin{0, 0};
  if (!GetClientRect(w, &r) || !ClientToScreen(w, &origin) || r.right <= 0 || r.bottom <= 0) {
    return shot;
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = Header(r.right, r.bottom);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY)) {
      GdiFlush();
      shot.width = r.right;
      shot.height = r.bottom;
      const DWORD* p = static_cast<const DWORD*>(bits);
      shot.pixels.reserve(static_cast<size_t>(r.right) * r.bottom);
      for (size_t i = 0; i < static_cast<size_t>(r.right) * r.bottom; ++i) {
        shot.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
      }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

bool SaveBmp(const Shot& shot, const std::wstring& path) {
  std::vector<DWORD> rows;
  rows.reserve(shot.pixels.size());
  for (COLORREF c : shot.pixels) rows.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  const BITMAPINFOHEADER header = Header(shot.width, shot.height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size() * sizeof(DWORD));
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  bool ok = WriteFile(f, &file, sizeof file, &n, nullptr) &&
            WriteFile(f, &header, sizeof header, &n, nullptr) &&
            WriteFile(f, rows.data(), static_cast<DWORD>(rows.size() * sizeof(DWORD)), &n, nullptr);
  CloseHandle(f);
  return ok;
}

}  // namespace ui
