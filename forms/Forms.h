#pragma once
// Our small form layer over Win32: a form read from a layout table, the few controls the
// updater's window has, the message loop and the standard exception report.
// Texts passed in and out are Windows-1251 unless a function says otherwise.
#include <windows.h>
#include <exception>
#include <memory>

// A UTF-16 text on the heap, for the wide Windows calls.
class TWide {
public:
  TWide() = default;
  TWide(UINT codePage, const char* text);  // converted from that code page
  explicit TWide(HWND wnd);                // the window's text
  TWide(const TWide&) = delete;
  TWide& operator=(const TWide&) = delete;
  TWide(TWide&& other) noexcept : Data(other.Data), Length(other.Length) {
    other.Data = nullptr;
    other.Length = 0;
  }
  TWide& operator=(TWide&& other) noexcept;
  ~TWide();

  const wchar_t* c_str() const { return Data ? Data : L""; }
  int size() const { return Length; }

private:
  wchar_t* Data = nullptr;
  int Length = 0;
};

// Windows-1251 text as UTF-16.
TWide Widen1251(const char* text);

// The framework's exception; its message (Windows-1251) is what the standard report shows.
class Exception : public std::exception {
public:
  explicit Exception(const char* message);
  const char* what() const noexcept override { return Message; }

private:
  char Message[256];
};

// The silent abort: unwinds to the message loop and shows nothing.
class EAbort : public Exception {
public:
  EAbort() : Exception("") {}
};

// Shows the exception in flight (call it inside a catch block) by the standard report.
void HandleException();

// ---- Layout ----------------------------------------------------------------------------

enum TControlKind { ckLabel, ckBevel, ckEdit, ckButton, ckPanel, ckImage };

enum TControlStyle : unsigned {
  csBold = 1,     // bold variant of the window font
  csFixed = 2,    // a label that keeps its width and right-aligns its text
  csDefault = 4,  // the button that Enter presses
  csCancel = 8,   // the button that Esc presses
  csWhite = 16,   // a panel filled with white instead of the button face
};

// One control, in pixels at the form's design density. Drawn controls (labels, bevels) are
// painted in table order; windowed ones (edit, buttons, panel) are cycled in TabOrder.
struct TLayoutRow {
  TControlKind Kind;
  const char* Name;
  const char* Parent;  // null for the form, else the name of a panel (pictures only)
  int Left, Top, Width, Height;
  const char* Text;  // caption, initial text, or the bitmap resource of a picture
  unsigned Style;    // TControlStyle bits
  int TabOrder;
  int Id;  // control ID of a windowed control
};

struct TFormLayout {
  const wchar_t* ClassName;
  const char* Caption;
  int ClientWidth, ClientHeight;
  const wchar_t* FontFace;
  int FontHeight;        // negative: character height in pixels at 96 pixels per inch
  int DesignTextHeight;  // the height of a line of text the layout was drawn for
  const TLayoutRow* Rows;
  int RowCount;
};

// ---- Controls --------------------------------------------------------------------------

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
  TEdit(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id,
        const char* text);
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
  TButton(TForm& owner, const char* name, const RECT& bounds, HFONT font, int id,
          const char* text, unsigned style);
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

// ---- Form ------------------------------------------------------------------------------

// RAII for GDI objects.
struct TGdiDeleter {
  void operator()(HGDIOBJ obj) const { DeleteObject(obj); }
};
using TFont = std::unique_ptr<std::remove_pointer<HFONT>::type, TGdiDeleter>;

class TForm {
public:
  explicit TForm(const TFormLayout& layout);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return Wnd; }
  // Shows the form and puts the focus on the first control of the tab cycle.
  void Show();
  // Unless OnCloseQuery refuses, runs OnClose and destroys the window, which ends the
  // message loop.
  void Close();
  // Synchronous repaint of the form's own surface, which carries all labels.
  void Repaint();
  // The caption as Windows-1251, NUL-terminated and cut to fit; returns its whole length.
  int GetCaption(char* buf, int size) const;
  // Dialog keys (Tab, Enter, Esc) for the message loop; true when the message was handled.
  bool PreTranslate(MSG& msg);
  // Marks part of the form's surface for repainting.
  void Invalidate(const RECT& area);

  TCloseQueryEvent OnCloseQuery = nullptr;
  TNotifyEvent OnClose = nullptr;

protected:
  // The control of the layout with this name and kind; a wrong table is a program fault.
  template <class T>
  T* Find(const char* name) const {
    TControl* c = FindControl(name);
    if (!c || c->Kind() != T::KindOfClass) throw Exception("Грешка в таблицата на контролите");
    return static_cast<T*>(c);
  }

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void CreateWindowFor(const TFormLayout& layout, int clientWidth, int clientHeight);
  void Destroy();
  void CreateControls(const TFormLayout& layout, int num, int den);
  TControl* FindControl(const char* name) const;
  TButton* ButtonFor(int id) const;
  void OnPaint();
  void OnActivate(WPARAM wp);
  void RestoreFocus();
  void SyncDefaultButton();

  HWND Wnd = nullptr;
  HWND LastFocus = nullptr;
  enum { kMaxControls = 32 };
  void Add(TControl* control);

  TFont Font, BoldFont;  // before the controls: they draw with these
  TControl* Controls[kMaxControls] = {};
  int ControlCount = 0;
  TGraphicControl* Drawn[kMaxControls] = {};  // painting order
  int DrawnCount = 0;
  TButton* Buttons[kMaxControls] = {};
  int ButtonCount = 0;
};

// ---- Application -----------------------------------------------------------------------

// The process's hidden owner window: it carries the application's title and icon on the
// task bar, so that the dialog-framed form shows no icon of its own.
class TApplication {
public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  HWND Handle() const { return Wnd; }
  // Shows the form and runs the message loop until the form closes.
  void Run(TForm& mainForm);

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND Wnd = nullptr;
  TForm* MainForm = nullptr;
};

// Reports system faults (access violation and the like) that nothing handled by the standard
// report, then ends the process with this exit code.
void InstallFaultReport(UINT exitCode);

extern TApplication* Application;
