#include "update/log/RunRecord.h"

#include <windows.h>
#include <strsafe.h>

#include "res/Version.h"

namespace {

// A path that begins with two backslashes is a network path, whatever its drive type says.
bool IsNetworkPath(const TMsgLine& path) {
  return path.IsWide() ? path.Wide()[0] == L'\\' && path.Wide()[1] == L'\\'
                       : path.Str()[0] == '\\' && path.Str()[1] == '\\';
}

const char* DriveKind(const TMsgLine& medium, UINT drive) {
  if (IsNetworkPath(medium)) return "(мрежов път)";
  switch (drive) {
    case DRIVE_REMOVABLE: return "(сменяем диск)";
    case DRIVE_FIXED: return "(твърд диск)";
    case DRIVE_REMOTE: return "(мрежово устройство)";
    case DRIVE_CDROM: return "(компактдиск)";
    case DRIVE_RAMDISK: return "(RAM диск)";
    default: return "(неизвестно устройство)";
  }
}

const char* EndText(TRunEnd how) {
  switch (how) {
    case TRunEnd::NoLibrary: return "библиотеката за разархивиране не може да се използва";
    case TRunEnd::FolderRefused: return "папката не е приета";
    case TRunEnd::Busy:
      return "друга актуализация на продукта е в ход или папката не може да се заключи";
    case TRunEnd::NotFetched: return "архивите не са копирани; продуктът не е променен";
    case TRunEnd::NotChanged: return "актуализацията не е завършена; продуктът не е променен";
    case TRunEnd::RolledBack: return "актуализацията не е завършена; продуктът е възстановен";
    case TRunEnd::RestoreIncomplete: return "продуктът не е възстановен напълно";
    case TRunEnd::Unreachable: return "сървърът за актуализации не отговаря; продуктът не е променен";
    case TRunEnd::Current: return "продуктът е актуален; нищо не е променено";
    case TRunEnd::Succeeded: return "актуализацията завърши успешно";
  }
  return "";
}

}  // namespace

int ExitCodeOf(TRunEnd how) {
  switch (how) {
    case TRunEnd::Succeeded:
    case TRunEnd::Current: return ExitUpdated;
    case TRunEnd::Unreachable: return ExitUnreachable;
    case TRunEnd::RestoreIncomplete: return ExitNotRestored;
    case TRunEnd::Busy: return ExitBusy;
    default: return ExitNotUpdated;
  }
}

void LogStart(TRunLog& log, const TMsgLine& medium, UINT drive, const char* fingerprint) {
  log.Line(Cp1251Text{"TalvoUpdate " TALVO_VERSION_TEXT ", команден ред:"},
           AnsiText{GetCommandLineA()});
  log.Line(Cp1251Text{"Носител:"}, medium, Cp1251Text{DriveKind(medium, drive)});
  if (fingerprint) log.Line(Cp1251Text{"Ключ на издателя (SHA-256):"}, Cp1251Text{fingerprint});
}

void LogEnd(TRunLog& log, TRunEnd how) {
  char code[40];
  wsprintfA(code, "(код на изход %d)", ExitCodeOf(how));
  log.Line(Cp1251Text{"Край:"}, Cp1251Text{EndText(how)}, Cp1251Text{code});
}

void LogAnswer(TRunLog& log, int answer) {
  log.Line(Cp1251Text{"Отговор:"}, Cp1251Text{answer == IDOK ? "OK" : "Отказ"});
}

void LogPlaced(TRunLog& log, const char* dest, bool replaced, unsigned long long size) {
  char bytes[48];
  StringCchPrintfA(bytes, sizeof bytes, "(%I64u байта)", size);
  log.Line(Cp1251Text{replaced ? "Заменен:" : "Добавен:"}, AnsiText{dest}, Cp1251Text{bytes});
}
