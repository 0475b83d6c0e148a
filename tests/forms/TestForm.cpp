#include "TestForm.h"

namespace {

const TLayoutRow MainRows[] = {
    {ckBevel, "Frame", nullptr, 10, 120, 60, 40, nullptr, 0, 0, 0},
    {ckLabel, "Auto", nullptr, 10, 10, 50, 13, "Кратък", 0, 0, 0},
    {ckLabel, "Fixed", nullptr, 10, 30, 70, 13, "Директория", csFixed, 0, 0},
    {ckEdit, "Edit", nullptr, 10, 50, 200, 21, "C:\\WinTalvo", 0, 0, 100},
    {ckButton, "Ok", nullptr, 10, 80, 60, 23, "Да", csDefault, 1, IDOK},
    {ckButton, "Cancel", nullptr, 80, 80, 60, 23, "Отказ", csCancel, 2, IDCANCEL},
    {ckButton, "Throw", nullptr, 150, 80, 60, 23, "Грешка", 0, 3, 200},
    {ckButton, "Abort", nullptr, 220, 80, 60, 23, "Спри", 0, 4, 201},
    {ckButton, "Fault", nullptr, 290, 80, 60, 23, "Срив", 0, 5, 202},
};

const TFormLayout MainLayout = {L"TTestForm",
                             " Проба",
                             400,
                             170,
                             L"MS Sans Serif",
                             -11,
                             13,
                             MainRows,
                             sizeof MainRows / sizeof MainRows[0]};

}  // namespace

TTestForm::TTestForm() : TForm(MainLayout) {
  Frame = Find<TBevel>("Frame");
  Auto = Find<TLabel>("Auto");
  Fixed = Find<TLabel>("Fixed");
  Edit = Find<TEdit>("Edit");
  Ok = Find<TButton>("Ok");
  Cancel = Find<TButton>("Cancel");
  Throw = Find<TButton>("Throw");
  Abort = Find<TButton>("Abort");
  Fault = Find<TButton>("Fault");
  Ok->OnClick = static_cast<TNotifyEvent>(&TTestForm::OkClick);
  Throw->OnClick = static_cast<TNotifyEvent>(&TTestForm::ThrowClick);
  Abort->OnClick = static_cast<TNotifyEvent>(&TTestForm::AbortClick);
  Fault->OnClick = static_cast<TNotifyEvent>(&TTestForm::FaultClick);
}

void TTestForm::FaultClick() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}
