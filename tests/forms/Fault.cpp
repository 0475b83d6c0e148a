// A program whose click handler writes through a null pointer, for the fault report test.
#include "TestForm.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  InstallFaultReport(7);
  TTestForm form;
  form.Show();
  SendMessageW(form.Fault->Handle(), BM_CLICK, 0, 0);
  return 3;  // not reached: the report ends the process with 7
}
