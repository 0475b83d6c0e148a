#pragma once
// A form read from a layout table: its window, its controls, the dialog keys and the focus.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "forms/Controls.h"
#include "forms/Exception.h"
#include "forms/Layout.h"

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
  enum { MaxControls = 32 };
  void Add(TControl* control);

  TFont Font, BoldFont;  // before the controls: they draw with these
  TControl* Controls[MaxControls] = {};
  int ControlCount = 0;
  TGraphicControl* Drawn[MaxControls] = {};  // painting order
  int DrawnCount = 0;
  TButton* Buttons[MaxControls] = {};
  int ButtonCount = 0;
};
