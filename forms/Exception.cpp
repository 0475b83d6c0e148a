#include "forms/Exception.h"

#include <stdlib.h>

#include "forms/Rules.h"
#include "forms/Window.h"

namespace {

const UINT Cp1251 = 1251;
UINT FaultExitCode = 0;

// The standard exception report. It allocates nothing: memory may be what ran out.
void ShowReport(const char* message) {
  if (HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
  wchar_t wide[512], text[512], title[MAX_PATH];
  int length = lstrlenA(message);
  int n = MultiByteToWideChar(Cp1251, 0, message, length < 511 ? length : 511, wide, 511);
  wide[n > 0 ? n : 0] = L'\0';
  ReportText(wide, text, 512);
  ApplicationTitle(title, MAX_PATH);
  MessageBoxW(GetActiveWindow(), text, title, MB_OK | MB_ICONERROR);
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  UINT at = static_cast<UINT>(reinterpret_cast<UINT_PTR>(r->ExceptionAddress));
  char text[160];
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2) {
    ULONG_PTR kind = r->ExceptionInformation[0];
    const char* what = kind == 0 ? "четене от" : kind == 8 ? "изпълнение на" : "запис на";
    wsprintfA(text, "Нарушение на достъпа при %s адрес %08X (инструкция на адрес %08X)", what,
              static_cast<UINT>(r->ExceptionInformation[1]), at);
  } else if (r->ExceptionCode == EXCEPTION_INT_DIVIDE_BY_ZERO) {
    wsprintfA(text, "Деление на нула (инструкция на адрес %08X)", at);
  } else {
    wsprintfA(text, "Системна грешка %08X (инструкция на адрес %08X)",
              static_cast<UINT>(r->ExceptionCode), at);
  }
  ShowReport(text);
  // The process's state is not to be trusted any more: no clean-up, no destructors.
  TerminateProcess(GetCurrentProcess(), FaultExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

Exception::Exception(const char* message) {
  lstrcpynA(Message, message ? message : "", sizeof Message);
}

void HandleException() {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    ShowReport(e.what());
  } catch (...) {
    ShowReport("Неочаквана грешка");
  }
}

void InstallFaultReport(UINT exitCode) {
  FaultExitCode = exitCode;
  SetUnhandledExceptionFilter(ReportFault);
}

// A GUI program has no console for the runtime's text about a fatal exception; the stock
// handler would only add the name demangler (some 50 KB) to the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx
