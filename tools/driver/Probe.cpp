// The probe DLL, run inside the program under test (see Probe.h).
#include "Probe.h"

namespace {

void TellIcon(HWND w) {
  HICON shown = reinterpret_cast<HICON>(SendMessageW(w, STM_GETICON, 0, 0));
  static const struct {
    LPCWSTR id;
    ProbeIcon kind;
  } kIcons[] = {{IDI_HAND, kProbeError},
                {IDI_EXCLAMATION, kProbeWarning},
                {IDI_ASTERISK, kProbeInformation},
                {IDI_QUESTION, kProbeQuestion}};
  ProbeIcon kind = shown ? kProbeOther : kProbeNone;
  for (const auto& icon : kIcons) {
    if (shown && shown == LoadIconW(nullptr, icon.id)) kind = icon.kind;
  }
  SetPropW(w, kProbeIcon, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kind)));
}

void TakeShot(HWND w, WPARAM wp, LPARAM lp) {
  wchar_t name[64];
  ShotName(name, wp, lp);
  HANDLE map = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
  if (!map) return;
  ShotHeader* header = static_cast<ShotHeader*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0));
  MEMORY_BASIC_INFORMATION region{};
  if (header && VirtualQuery(header, &region, sizeof region) && header->width > 0 &&
      header->height > 0 &&
      sizeof *header + 4ull * header->width * header->height <= region.RegionSize) {
    HDC window = GetDC(w);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = header->width;
    info.bmiHeader.biHeight = -header->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
      HGDIOBJ old = SelectObject(memory, bitmap);
      if (BitBlt(memory, 0, 0, header->width, header->height, window, 0, 0, SRCCOPY)) {
        GdiFlush();
        CopyMemory(header + 1, bits, 4ull * header->width * header->height);
        header->done = 1;
      }
      SelectObject(memory, old);
      DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(w, window);
  }
  if (header) UnmapViewOfFile(header);
  CloseHandle(map);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wp, LPARAM lp) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION) {
    if (m->message == RegisterWindowMessageW(kProbeIcon)) TellIcon(m->hwnd);
    if (m->message == RegisterWindowMessageW(kProbeShot)) TakeShot(m->hwnd, m->wParam, m->lParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
