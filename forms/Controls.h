#pragma once
// The controls of a form: labels, bevels and pictures drawn on their parent's surface, and
// the windowed edit box, buttons and panel. Texts are Windows-1251 unless a function says
// otherwise.
#include <windows.h>

#include "forms/Layout.h"
#include "forms/Text.h"

class TForm;
class TPanel;
using TNotifyEvent = void (TForm::*)();
using TCloseQueryEvent = bool (TForm::*)();

class TControl {
public:
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const char* Name() const { return FName; }
  // Which kind of the layout table this control is.
  virtual TControlKind Kind() const = 0;
  int Left() const { return Bounds.left; }
  int Top() const { return Bounds.top; }
  int Width() const { return Bounds.right - Bounds.left; }
  int Height() const { return Bounds.bottom - Bounds.top; }

protected:
  TControl(TForm& owner, const char* name, const RECT& bounds)
      : Owner(owner), FName(name), Bounds(bounds) {}

  TForm& Owner;
  const char* FName;
  RECT Bounds;  // in the client coordinates of the parent
};

// A control drawn on its parent's surface.
class TGraphicControl : public TControl {
public:
  virtual void Paint(HDC dc) const = 0;

protected:
  using TControl::TControl;
};

class TLabel : public TGraphicControl {
public:
  static constexpr TControlKind KindOfClass = ckLabel;
  TControlKind Kind() const override { return KindOfClass; }
  TLabel(TForm& owner, const char* name, const RECT& bounds, HFONT font, bool fixed,
         const char* text);
  // Auto-size labels take the width of the new text; the caller repaints the form.
  void SetCaption(const char* text);
  // The same for a text in this code page.
  void SetCaption(UINT codePage, const char* text);
  const wchar_t* Caption() const { return Wide.c_str(); }
  void Paint(HDC dc) const override;

private:
  HFONT Font;
  bool Fixed;
  TWide Wide;
};

class TBevel : public TGraphicControl {
public:
  static constexpr TControlKind KindOfClass = ckBevel;
  TControlKind Kind() const override { return KindOfClass; }
  TBevel(TForm& owner, const char* name, const RECT& bounds)
      : TGraphicControl(owner, name, bounds) {}
  void Paint(HDC dc) const override;
};

// A bitmap drawn unscaled at its own top-left corner, as big as the bitmap.
class TImage : public TGraphicControl {
public:
  static constexpr TControlKind KindOfClass = ckImage;
  TControlKind Kind() const override { return KindOfClass; }
  TImage(TForm& owner, const char* name, int left, int top, const char* resource);
  ~TImage() override;
  void SetPosition(int left, int top);
  void Paint(HDC dc) const override;

private:
  friend class TPanel;
  TPanel* Holder = nullptr;
  HBITMAP Bitmap = nullptr;
  HDC Memory = nullptr;
  HGDIOBJ Previous = nullptr;
};

class TWinControl : public TControl {
public:
  HWND Handle() const { return Wnd; }

protected:
  using TControl::TControl;
  HWND Wnd = nullptr;  // destroyed with the form's window
};

class TEdit : public TWinControl {
public:
  static constexpr TControlKind KindOfClass = ckEdit;
  TControlKind Kind() const override { return KindOfClass; }
  TEdit(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id, const char* text);
  // Text in the ANSI code page: the box holds paths for the A file calls. GetText copies
  // what fits with its NUL and returns the length of the whole text; a result of size or
  // more means the text was cut.
  int GetText(char* buf, int size) const;
  void SetText(const char* text);
  void SelectAll();
  void SetFocus();

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  WNDPROC Inherited = nullptr;
};

class TButton : public TWinControl {
public:
  static constexpr TControlKind KindOfClass = ckButton;
  TControlKind Kind() const override { return KindOfClass; }
  TButton(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id, const char* text,
          unsigned style);
  bool IsDefault() const { return Default; }
  bool IsCancel() const { return Cancel; }
  // Shows or drops the default-button border.
  void SetDefaultLook(bool on);
  void Click();

  TNotifyEvent OnClick = nullptr;

private:
  bool Default, Cancel;
};

class TPanel : public TWinControl {
public:
  static constexpr TControlKind KindOfClass = ckPanel;
  TControlKind Kind() const override { return KindOfClass; }
  TPanel(TForm& owner, const char* name, const RECT& bounds, int id, bool white);
  void Hold(TImage* picture);
  void Invalidate();

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  TImage* Picture = nullptr;
};
