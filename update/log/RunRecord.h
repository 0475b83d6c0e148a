#pragma once
// What the log records of a run besides its boxes, and how the end of a run becomes the
// process's exit code, the same with or without the window.
#include <windows.h>

#include "update/log/RunEnd.h"
#include "update/log/RunLog.h"

enum : int {
  ExitUpdated = 0,             // the update completed
  ExitCommandLineRefused = 1,  // an unknown switch, or /SILENT without /DIR
  ExitNotUpdated = 2,          // the update did not complete; the product is as it was
  ExitNotRestored = 3,         // the product could not be fully restored; the backup is kept
  ExitBusy = 4,                // another run holds the product folder, or it cannot be locked;
                               // nothing was changed: try again later
  ExitUnreachable = 5,         // the update's source could not be reached; nothing was
                               // changed: try again later
};

int ExitCodeOf(TRunEnd how);

// The updater's version and command line, the medium (its folder, or the updater's own file
// that carries it) and its kind of drive (as GetDriveType tells it), and the fingerprint of the
// key that must sign the medium (null without a key).
void LogStart(TRunLog& log, const TMsgLine& medium, UINT drive, const char* fingerprint);
// How the run ended, with the exit code that tells it.
void LogEnd(TRunLog& log, TRunEnd how);
// The answer given to a box that asked.
void LogAnswer(TRunLog& log, int answer);
// A file just put in place in the product, with its size; replaced tells whether the product
// had a file there before.
void LogPlaced(TRunLog& log, const char* dest, bool replaced, unsigned long long size);

inline constexpr Cp1251Text TxtLogProduct{"Папка на продукта:"};
inline constexpr Cp1251Text TxtLogFetched{"Копиран архив:"};
inline constexpr Cp1251Text TxtLogUnpacking{"Разархивиране:"};
inline constexpr Cp1251Text TxtLogLibrary{"UNZDLL.DLL:"};
inline constexpr Cp1251Text TxtLogLibraryHash{"има SHA-256"};
inline constexpr Cp1251Text TxtLogLibraryBuilt{"Програмата е компилирана с UNZDLL.DLL със SHA-256"};
inline constexpr Cp1251Text TxtLogRollingBack{"Отменят се промените, записани в"};
inline constexpr Cp1251Text TxtLogRecovering{"Прекъсната актуализация, записана в"};
inline constexpr Cp1251Text TxtLogInstalledEdition{"Инсталирано издание (Vanto.exe):"};
inline constexpr Cp1251Text TxtLogBroughtEdition{"Издание от носителя (Vanto.exe):"};
inline constexpr Cp1251Text TxtLogNoVersion{"без версия"};
inline constexpr Cp1251Text TxtLogNotOurs{"Не е на актуализацията и е оставено както е:"};
inline constexpr Cp1251Text TxtLogNotStarted{"Продуктът не е стартиран:"};
inline constexpr Cp1251Text TxtLogManifest{"Описание на носителя:"};
inline constexpr Cp1251Text TxtLogMissingDisk{"Липсва диск No %d:"};
inline constexpr Cp1251Text TxtLogSigned{"Подписът на издателя е проверен:"};
inline constexpr Cp1251Text TxtLogChecked{"Архив:"};
inline constexpr Cp1251Text TxtLogListed{"(SHA-256) съответства на описанието"};
inline constexpr Cp1251Text TxtLogNotListed{"(SHA-256) не съответства на описанието"};
