#pragma once
// The layout table a form is read from: one row per control, in pixels at the form's design
// density. Texts are Windows-1251.
#include <windows.h>

enum TControlKind { ckLabel, ckBevel, ckEdit, ckButton, ckPanel, ckImage };

enum TControlStyle : unsigned {
  csBold = 1,     // bold variant of the window font
  csFixed = 2,    // a label that keeps its width and right-aligns its text
  csDefault = 4,  // the button that Enter presses
  csCancel = 8,   // the button that Esc presses
  csWhite = 16,   // a panel filled with white instead of the button face
};

// One control. Drawn controls (labels, bevels) are painted in table order; windowed ones
// (edit, buttons, panel) are cycled in TabOrder.
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
