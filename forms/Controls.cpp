#include <stdlib.h>

#include "forms/Controls.h"
#include "forms/Exception.h"
#include "forms/Form.h"
#include "forms/Window.h"

namespace {

const UINT Cp1251 = 1251;

int TextWidth(HWND wnd, HFONT font, const TWide& text) {
  HDC dc = GetDC(wnd);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), text.size(), &size);
  SelectObject(dc, old);
  ReleaseDC(wnd, dc);
  return size.cx;
}

// A one-pixel outline through the corner pixels (x0, y0) and (x1, y1).
void Outline(HDC dc, int x0, int y0, int x1, int y1, HBRUSH brush) {
  const RECT sides[] = {{x0, y0, x1 + 1, y0 + 1},
                        {x0, y1, x1 + 1, y1 + 1},
                        {x0, y0, x0 + 1, y1 + 1},
                        {x1, y0, x1 + 1, y1 + 1}};
  for (const RECT& side : sides) FillRect(dc, &side, brush);
}

HWND CreateChild(const wchar_t* cls, DWORD exStyle, DWORD style, const RECT& r, HWND parent, int id,
                 const char* text, void* object) {
  HWND wnd =
      CreateWindowExW(exStyle, cls, TWide(Cp1251, text).c_str(), WS_CHILD | WS_VISIBLE | style,
                      r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                      reinterpret_cast<HMENU>(INT_PTR(id)), Instance(), object);
  if (!wnd) throw Exception("Грешка при създаване на прозорец");
  return wnd;
}

}  // namespace

// ---- TLabel ----------------------------------------------------------------------------

TLabel::TLabel(TForm& owner, const char* name, const RECT& bounds, HFONT font, bool fixed,
               const char* text)
    : TGraphicControl(owner, name, bounds), Font(font), Fixed(fixed) {
  SetCaption(text);
}

void TLabel::SetCaption(const char* text) { SetCaption(Cp1251, text); }

void TLabel::SetCaption(UINT codePage, const char* text) {
  Wide = TWide(codePage, text);
  if (!Fixed) Bounds.right = Bounds.left + TextWidth(Owner.Handle(), Font, Wide);
  // The label's band across the whole form: what a longer text left must go, and a smoothed
  // font may draw a little past the label's own edges.
  RECT band;
  GetClientRect(Owner.Handle(), &band);
  band.top = Bounds.top;
  band.bottom = Bounds.bottom;
  Owner.Invalidate(band);
}

void TLabel::Paint(HDC dc) const {
  FillRect(dc, &Bounds, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, Font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT r = Bounds;
  // Not clipped to the label: a smoothed outline font may draw a little wider than it
  // measures, and its last letters must not be lost. The window's edge still cuts.
  DrawTextW(dc, Wide.c_str(), Wide.size(), &r,
            DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | (Fixed ? DT_RIGHT : DT_LEFT));
  SelectObject(dc, old);
}

// ---- TBevel ----------------------------------------------------------------------------

// The lowered etched frame: the highlight outline first, the shadow outline one pixel up
// and left over it.
void TBevel::Paint(HDC dc) const {
  int x = Bounds.left, y = Bounds.top, w = Width(), h = Height();
  Outline(dc, x + 1, y + 1, x + w - 1, y + h - 1, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  Outline(dc, x, y, x + w - 2, y + h - 2, GetSysColorBrush(COLOR_BTNSHADOW));
}

// ---- TImage ----------------------------------------------------------------------------

TImage::TImage(TForm& owner, const char* name, int left, int top, const char* resource)
    : TGraphicControl(owner, name, RECT{left, top, left, top}) {
  Bitmap = static_cast<HBITMAP>(
      LoadImageA(Instance(), resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!Bitmap) throw Exception("Липсва картина");
  BITMAP bm = {};
  GetObjectW(Bitmap, sizeof bm, &bm);
  Bounds.right = left + bm.bmWidth;
  Bounds.bottom = top + bm.bmHeight;
  Memory = CreateCompatibleDC(nullptr);
  if (Memory) Previous = SelectObject(Memory, Bitmap);
}

TImage::~TImage() {
  if (Memory) {
    SelectObject(Memory, Previous);
    DeleteDC(Memory);
  }
  DeleteObject(Bitmap);
}

void TImage::SetPosition(int left, int top) {
  OffsetRect(&Bounds, left - Bounds.left, top - Bounds.top);
  if (Holder) Holder->Invalidate();
}

void TImage::Paint(HDC dc) const {
  if (Memory) BitBlt(dc, Bounds.left, Bounds.top, Width(), Height(), Memory, 0, 0, SRCCOPY);
}

// ---- TEdit -----------------------------------------------------------------------------

TEdit::TEdit(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id,
             const char* text)
    : TWinControl(owner, name, bounds) {
  Wnd = CreateChild(L"EDIT", WS_EX_CLIENTEDGE, WS_TABSTOP | ES_AUTOHSCROLL, bounds, owner.Handle(),
                    id, text, nullptr);
  SendMessageW(Wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(Wnd, EM_SETLIMITTEXT, 0, 0);
  SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Inherited = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
}

LRESULT CALLBACK TEdit::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TEdit*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  LRESULT result = CallWindowProcW(self->Inherited, wnd, msg, wp, lp);
  // Focus from the keyboard or the program selects the whole text; a click places the caret.
  int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  if (msg == WM_SETFOCUS && GetKeyState(button) >= 0) self->SelectAll();
  return result;
}

int TEdit::GetText(char* buf, int size) const {
  return Narrow(CP_ACP, TWide(Wnd).c_str(), buf, size);
}

void TEdit::SetText(const char* text) { SetWindowTextW(Wnd, TWide(CP_ACP, text).c_str()); }

void TEdit::SelectAll() { SendMessageW(Wnd, EM_SETSEL, 0, -1); }

void TEdit::SetFocus() { ::SetFocus(Wnd); }

// ---- TButton ---------------------------------------------------------------------------

TButton::TButton(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id,
                 const char* text, unsigned style)
    : TWinControl(owner, name, bounds),
      Default((style & csDefault) != 0),
      Cancel((style & csCancel) != 0) {
  Wnd = CreateChild(L"BUTTON", 0, WS_TABSTOP | (Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), bounds,
                    owner.Handle(), id, text, nullptr);
  SendMessageW(Wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void TButton::SetDefaultLook(bool on) {
  bool now = (GetWindowLongW(Wnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  if (now != on) SendMessageW(Wnd, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (OnClick) (Owner.*OnClick)();
}

// ---- TPanel ----------------------------------------------------------------------------

TPanel::TPanel(TForm& owner, const char* name, const RECT& bounds, int id, bool white)
    : TWinControl(owner, name, bounds) {
  HBRUSH brush =
      white ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)) : GetSysColorBrush(COLOR_BTNFACE);
  // One class per colour: the background brush is the class's.
  const wchar_t* cls = white ? L"TPanelWhite" : L"TPanel";
  RegisterWindowClass(cls, Proc, brush, nullptr);
  Wnd = CreateChild(cls, 0, WS_CLIPSIBLINGS, bounds, owner.Handle(), id, "", this);
}

void TPanel::Hold(TImage* picture) {
  Picture = picture;
  picture->Holder = this;
  Invalidate();
}

void TPanel::Invalidate() { InvalidateRect(Wnd, nullptr, TRUE); }

LRESULT CALLBACK TPanel::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TPanel* self = WindowObject<TPanel>(wnd, msg, lp);
  if (msg == WM_PAINT && self) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    if (self->Picture) self->Picture->Paint(dc);
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}
