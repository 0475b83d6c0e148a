#include <string.h>

#include "forms/Form.h"
#include "forms/Application.h"
#include "forms/Rules.h"
#include "forms/Text.h"
#include "forms/Window.h"

namespace {

const UINT Cp1251 = 1251;
const int DesignDpi = 96;
const DWORD FormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
const DWORD FormExStyle = WS_EX_DLGMODALFRAME;

// The window font's character set: Cyrillic as designed where the system's code page is
// 1251; elsewhere the Cyrillic set must be asked for, or a face without it is chosen.
BYTE FontCharset() { return GetACP() == 1251 ? DEFAULT_CHARSET : RUSSIAN_CHARSET; }

HFONT MakeFont(const wchar_t* face, int height, bool bold) {
  return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     FontCharset(), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

// The height of a line of text in the font, on the screen.
int TextHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, L"0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy;
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}

bool IsWindowed(TControlKind kind) { return kind == ckEdit || kind == ckButton || kind == ckPanel; }

}  // namespace

// The layout is drawn for 96 pixels per inch and the design text height. The window font
// follows the screen's density; when a line of it is then not of the design height, the
// whole layout and the controls' own fonts follow the text.
TForm::TForm(const TFormLayout& layout) {
  Font.reset(MakeFont(layout.FontFace, MulDiv(layout.FontHeight, ScreenDpi(), DesignDpi), false));
  int num = TextHeight(Font.get()), den = layout.DesignTextHeight;
  if (num <= 0 || num == den) num = den = 1;
  BoldFont.reset(MakeFont(layout.FontFace, MulDiv(layout.FontHeight, num, den), true));
  if (!Font || !BoldFont) throw Exception("Грешка при създаване на шрифт");

  try {
    CreateWindowFor(layout, MulDiv(layout.ClientWidth, num, den),
                    MulDiv(layout.ClientHeight, num, den));
    CreateControls(layout, num, den);
  } catch (...) {
    Destroy();  // no destructor runs for a constructor that throws
    throw;
  }
}

TForm::~TForm() { Destroy(); }

void TForm::Destroy() {
  if (Wnd) {
    SetWindowLongPtrW(Wnd, GWLP_USERDATA, 0);
    DestroyWindow(Wnd);
    Wnd = nullptr;
  }
  for (; ControlCount > 0; --ControlCount) delete Controls[ControlCount - 1];
}

void TForm::Add(TControl* control) { Controls[ControlCount++] = control; }

void TForm::CreateWindowFor(const TFormLayout& layout, int clientWidth, int clientHeight) {
  RECT r = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, FormStyle, FALSE, FormExStyle);
  int width = r.right - r.left, height = r.bottom - r.top;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);

  RegisterWindowClass(layout.ClassName, Proc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
  HWND owner = Application ? Application->Handle() : nullptr;
  CreateWindowExW(FormExStyle, layout.ClassName, TWide(Cp1251, layout.Caption).c_str(), FormStyle,
                  (screenWidth - width) / 2, (screenHeight - height) / 2, width, height, owner,
                  nullptr, Instance(), this);
  if (!Wnd) throw Exception("Грешка при създаване на прозорец");

  // A frame the metrics did not foresee must not cost client area.
  RECT client;
  GetClientRect(Wnd, &client);
  if (client.right != clientWidth || client.bottom != clientHeight) {
    width += clientWidth - client.right;
    height += clientHeight - client.bottom;
    SetWindowPos(Wnd, nullptr, (screenWidth - width) / 2, (screenHeight - height) / 2, width,
                 height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HMENU menu = GetSystemMenu(Wnd, FALSE);
  const UINT fixedFrame[] = {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE};
  for (UINT item : fixedFrame) DeleteMenu(menu, item, MF_BYCOMMAND);
}

// Windowed controls are made in tab order, which is the order the dialog keys cycle;
// drawn ones in table order, which is their painting order.
void TForm::CreateControls(const TFormLayout& layout, int num, int den) {
  if (layout.RowCount > MaxControls) throw Exception("Твърде много контроли");  // a program fault
  const TLayoutRow* windowed[MaxControls];
  int count = 0;
  for (int i = 0; i < layout.RowCount; ++i) {
    const TLayoutRow* row = &layout.Rows[i];
    if (!IsWindowed(row->Kind)) continue;
    int at = count++;  // insertion by tab order; equal orders keep table order
    for (; at > 0 && windowed[at - 1]->TabOrder > row->TabOrder; --at)
      windowed[at] = windowed[at - 1];
    windowed[at] = row;
  }

  auto bounds = [num, den](const TLayoutRow& row) {
    RECT r = {row.Left, row.Top, row.Left + row.Width, row.Top + row.Height};
    return ScaleRect(r, num, den);
  };
  auto font = [this](const TLayoutRow& row) {
    return (row.Style & csBold) ? BoldFont.get() : Font.get();
  };

  for (int i = 0; i < count; ++i) {
    const TLayoutRow& row = *windowed[i];
    RECT r = bounds(row);
    if (row.Kind == ckEdit) {
      Add(new TEdit(*this, row.Name, r, font(row), row.Id, row.Text));
    } else if (row.Kind == ckButton) {
      auto* button = new TButton(*this, row.Name, r, font(row), row.Id, row.Text, row.Style);
      Add(button);
      Buttons[ButtonCount++] = button;
    } else {
      Add(new TPanel(*this, row.Name, r, row.Id, (row.Style & csWhite) != 0));
    }
  }

  for (int i = 0; i < layout.RowCount; ++i) {
    const TLayoutRow& row = layout.Rows[i];
    RECT r = bounds(row);
    if (row.Kind == ckLabel) {
      auto* label = new TLabel(*this, row.Name, r, font(row), (row.Style & csFixed) != 0, row.Text);
      Add(label);
      Drawn[DrawnCount++] = label;
    } else if (row.Kind == ckBevel) {
      auto* bevel = new TBevel(*this, row.Name, r);
      Add(bevel);
      Drawn[DrawnCount++] = bevel;
    } else if (row.Kind == ckImage) {
      // A picture keeps its pixel size at every density.
      auto* image = new TImage(*this, row.Name, r.left, r.top, row.Text);
      Add(image);
      Find<TPanel>(row.Parent)->Hold(image);
    }
  }
}

TControl* TForm::FindControl(const char* name) const {
  for (int i = 0; i < ControlCount; ++i)
    if (name && strcmp(Controls[i]->Name(), name) == 0) return Controls[i];
  return nullptr;
}

void TForm::Show() {
  ShowWindow(Wnd, SW_SHOWNORMAL);
  UpdateWindow(Wnd);
  if (!IsChild(Wnd, GetFocus())) RestoreFocus();
}

void TForm::Close() {
  if (!Wnd) return;
  if (OnCloseQuery && !(this->*OnCloseQuery)()) return;
  if (OnClose) (this->*OnClose)();
  DestroyWindow(Wnd);
}

void TForm::Repaint() {
  if (!Wnd) return;
  InvalidateRect(Wnd, nullptr, TRUE);
  UpdateWindow(Wnd);
}

void TForm::Invalidate(const RECT& area) {
  if (Wnd) InvalidateRect(Wnd, &area, TRUE);
}

int TForm::GetCaption(char* buf, int size) const {
  return Narrow(Cp1251, TWide(Wnd).c_str(), buf, size);
}

bool TForm::PreTranslate(MSG& msg) {
  if (!Wnd) return false;
  // Enter and Esc press their buttons only without a modifier key.
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
      (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0))
    return false;
  if (!IsDialogMessageW(Wnd, &msg)) return false;
  if (Wnd) SyncDefaultButton();
  return true;
}

TButton* TForm::ButtonFor(int id) const {
  for (int i = 0; i < ButtonCount; ++i)
    if (GetDlgCtrlID(Buttons[i]->Handle()) == id) return Buttons[i];
  if (id == IDCANCEL)  // Esc
    for (int i = 0; i < ButtonCount; ++i)
      if (Buttons[i]->IsCancel()) return Buttons[i];
  return nullptr;
}

// A focused button is the one Enter presses and wears the default border; otherwise the
// default button does.
void TForm::SyncDefaultButton() {
  HWND focus = GetFocus();
  bool buttonFocused = false;
  for (int i = 0; i < ButtonCount; ++i) buttonFocused |= Buttons[i]->Handle() == focus;
  for (int i = 0; i < ButtonCount; ++i) {
    TButton* b = Buttons[i];
    b->SetDefaultLook(buttonFocused ? b->Handle() == focus : b->IsDefault());
  }
}

void TForm::RestoreFocus() {
  HWND target =
      LastFocus && IsChild(Wnd, LastFocus) ? LastFocus : GetNextDlgTabItem(Wnd, nullptr, FALSE);
  if (target) SetFocus(target);
}

void TForm::OnActivate(WPARAM wp) {
  if (LOWORD(wp) != WA_INACTIVE) {
    RestoreFocus();
    return;
  }
  HWND focus = GetFocus();
  if (IsChild(Wnd, focus)) LastFocus = focus;
}

void TForm::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Wnd, &ps);
  for (int i = 0; i < DrawnCount; ++i) Drawn[i]->Paint(dc);
  EndPaint(Wnd, &ps);
}

LRESULT TForm::Message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED)
        if (TButton* b = ButtonFor(LOWORD(wp))) b->Click();
      return 0;
    case DM_GETDEFID:
      for (int i = 0; i < ButtonCount; ++i)
        if (Buttons[i]->IsDefault())
          return MAKELRESULT(GetDlgCtrlID(Buttons[i]->Handle()), DC_HASDEFID);
      return 0;
    case WM_ACTIVATE: OnActivate(wp); return 0;
    case WM_SETFOCUS: RestoreFocus(); return 0;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_SIZE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE: return 0;
      }
      break;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_NCDESTROY: Wnd = nullptr; break;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

// Exceptions end here, shown by the standard report; the message loop goes on.
LRESULT CALLBACK TForm::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TForm* self = WindowObject<TForm>(wnd, msg, lp);
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->Wnd = wnd;
  try {
    return self->Message(wnd, msg, wp, lp);
  } catch (...) {
    HandleException();
    return 0;
  }
}
