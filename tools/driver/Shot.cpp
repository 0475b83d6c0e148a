// The pixels of a window as its process painted them, and labels drawn here to compare.
#include "Driver.h"
#include "Inject.h"
#include "Probe.h"

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

Shot FromBits(const DWORD* p, int width, int height) {
  Shot shot;
  shot.width = width;
  shot.height = height;
  shot.pixels.reserve(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    shot.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
  }
  return shot;
}

bool Contains(const Shot& whole, int left, int top, const Shot& part) {
  if (left < 0 || top < 0 || left + part.width > whole.width || top + part.height > whole.height) {
    return false;
  }
  for (int y = 0; y < part.height; ++y) {
    for (int x = 0; x < part.width; ++x) {
      if (whole.At(left + x, top + y) != part.At(x, y)) return false;
    }
  }
  return true;
}

}  // namespace

Shot Capture(HWND w) {
  RECT r{};
  if (!GetClientRect(w, &r) || r.right <= 0 || r.bottom <= 0) return Shot();
  static LONG count = 0;
  const WPARAM pid = GetCurrentProcessId();
  const LPARAM seq = InterlockedIncrement(&count);
  wchar_t name[64];
  ShotName(name, pid, seq);
  const DWORD size = sizeof(ShotHeader) + 4 * r.right * r.bottom;
  HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
  if (!map) return Shot();
  Shot shot;
  ShotHeader* header = static_cast<ShotHeader*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0));
  if (header) {
    *header = ShotHeader{r.right, r.bottom, 0};
    if (CallProbe(w, kProbeShot, pid, seq) && header->done) {
      shot = FromBits(reinterpret_cast<const DWORD*>(header + 1), r.right, r.bottom);
    }
    UnmapViewOfFile(header);
  }
  CloseHandle(map);
  return shot;
}

Shot RenderLabel(const std::wstring& text, int width, bool right, bool bold) {
  constexpr int kHeight = 13;
  Shot shot;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, 0, 0,
                           0, 0, L"MS Sans Serif");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (!width) width = extent.cx;
  BITMAPINFO info{};
  info.bmiHeader = Header(width, kHeight);
  void* bits = nullptr;
  HBITMAP bitmap =
      width > 0 ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (bitmap) {
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT box{0, 0, width, kHeight};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &box, face);
    DeleteObject(face);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutW(dc, right ? width - extent.cx : 0, 0, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    shot = FromBits(static_cast<const DWORD*>(bits), width, kHeight);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
  DeleteDC(dc);
  return shot;
}

bool Shows(HWND w, int left, int top, const Shot& part, Shot* seen, DWORD timeoutMs) {
  Shot last;
  const bool ok = part.width > 0 && WaitUntil(
                                        [&] {
                                          last = Capture(w);
                                          return Contains(last, left, top, part);
                                        },
                                        timeoutMs);
  if (seen) *seen = last;
  return ok;
}

bool SaveBmp(const Shot& shot, const std::wstring& path) {
  std::vector<DWORD> rows;
  rows.reserve(shot.pixels.size());
  for (COLORREF c : shot.pixels)
    rows.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
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
