#pragma once
// A small form for the tests: a frame, two labels, an edit box and buttons whose handlers count,
// throw, abort or fault.
#include "forms/Exception.h"
#include "forms/Form.h"

class TTestForm : public TForm {
public:
  TTestForm();

  TBevel* Frame;
  TLabel* Auto;
  TLabel* Fixed;
  TEdit* Edit;
  TButton* Ok;
  TButton* Cancel;
  TButton* Throw;
  TButton* Abort;
  TButton* Fault;
  int Clicks = 0;

  void OkClick() { ++Clicks; }
  void ThrowClick() { throw Exception("Грешка в обработчика"); }
  void AbortClick() { throw EAbort(); }
  void FaultClick();
};
