#pragma once
// Every text the update run shows in its message boxes and status lines, and the box
// styles. Narrow literals are compiled to Windows-1251.
#include "update/log/Text.h"

// Box styles, named for the icon and the buttons they show.
enum : unsigned {
  MsgError = 0x10,             // stop icon, OK
  MsgWarning = 0x30,           // warning icon, OK: the update ended without success
  MsgInfo = 0x40,              // information icon, OK: an interrupted update was undone
  MsgInfoOkCancel = 0x41,      // information icon, OK and Cancel: disk change and abort
  MsgQuestionOkCancel = 0x21,  // question icon, OK and Cancel: the final question
  MsgWarningOkCancel = 0x31,   // warning icon, OK and Cancel: a file in use, an older edition
};

inline constexpr Cp1251Text TxtUnpackError{"Грешка при разархивиране."};
inline constexpr Cp1251Text TxtCannotUpdate{"Продуктът не може да се актуализира."};
inline constexpr Cp1251Text TxtMissingDll{"Липсващ DLL."};
inline constexpr Cp1251Text TxtEnterFolder{"Моля, въведете директория."};
inline constexpr Cp1251Text TxtFolderEntered{"Въведената папка"};
inline constexpr Cp1251Text TxtDoesNotExist{"не съществува."};
inline constexpr Cp1251Text TxtPathTooLong{"е с твърде дълъг път."};
inline constexpr Cp1251Text TxtFolderIsNot{"Въведената папка не е"};
inline constexpr Cp1251Text TxtNotProductFolder{"папката на Талво."};
inline constexpr Cp1251Text TxtCreateDirError{"Грешка при създаване на директория"};
inline constexpr Cp1251Text TxtMissingZip{"Липсващ ZIP файл."};
inline constexpr Cp1251Text TxtCopyError{"Грешка при копиране на файл."};
inline constexpr Cp1251Text TxtUnpackFileError{"Грешка при разархивиране на файл"};
inline constexpr Cp1251Text TxtInsertDisk{"Моля, поставете дискета No %d"};
inline constexpr Cp1251Text TxtIntoFloppyDrive{"във флопидисковото устройство."};
inline constexpr Cp1251Text TxtNotFinished{"Актуализацията не е завършена."};
inline constexpr Cp1251Text TxtReallyAbort{"Наистина ли искате да я прекъснете?"};
inline constexpr Cp1251Text TxtSucceeded{"Актуализацията завърши успешно."};
inline constexpr Cp1251Text TxtStartProduct{"Искате ли да стартирате продукта?"};
inline constexpr Cp1251Text TxtRestored{"Продуктът е възстановен в предишното си състояние."};
inline constexpr Cp1251Text TxtNotChanged{"Продуктът не е променен."};
inline constexpr Cp1251Text TxtFile{"Файлът"};
inline constexpr Cp1251Text TxtUsedByAnother{"се използва от друга програма."};
inline constexpr Cp1251Text TxtCloseItAndPressOk{"Затворете я и натиснете OK."};
inline constexpr Cp1251Text TxtProgram{"Програма: "};
inline constexpr Cp1251Text TxtInterrupted{"Предишната актуализация е била прекъсната."};
inline constexpr Cp1251Text TxtNotRestored{"Продуктът не можа да бъде възстановен напълно."};
inline constexpr Cp1251Text TxtKeptIn{"Предишните файлове са запазени в"};
inline constexpr Cp1251Text TxtBusy{"Друга актуализация на този продукт е в ход."};
inline constexpr Cp1251Text TxtOlderEdition{"Носителят съдържа по-старо издание на Талво (%s)"};
inline constexpr Cp1251Text TxtThanInstalled{"от инсталираното (%s)."};
inline constexpr Cp1251Text TxtReallyContinue{"Наистина ли искате да продължите?"};
inline constexpr Cp1251Text TxtArchive{"Архивът"};
inline constexpr Cp1251Text TxtDamagedOrChanged{
    "на носителя е повреден или е променен след издаването му."};
inline constexpr Cp1251Text TxtDamagedDownload{"е повреден или непълен. Изтеглете го отново."};
inline constexpr Cp1251Text TxtNotSigned{"Носителят не е подписан от издателя на Талво."};
inline constexpr Cp1251Text TxtLibrary{"Библиотеката"};
// "ѝ" is not in Windows-1251: the line is UTF-16.
inline constexpr wchar_t TxtLibraryChanged[] =
    L"на носителя е повредена или е променена след издаването ѝ.";
inline constexpr Cp1251Text TxtWrongDisk{"Дискетата не е No %d от този носител."};
inline constexpr Cp1251Text TxtMissingDisk{"Носителят е от %d диска, а диск No %d липсва:"};
// A medium of the changes since an edition, on a product of another edition; a file of the
// product that is not the one its patch was made against.
inline constexpr Cp1251Text TxtOtherBase{"Носителят актуализира издание %s, а инсталираното е %s."};
inline constexpr Cp1251Text TxtChangedSince{
    "е променен след издание %s и не може да бъде актуализиран от този носител."};
// An edition on a server.
inline constexpr Cp1251Text TxtExpired{"Изданието на сървъра е с изтекъл срок (до %s)."};
inline constexpr Cp1251Text TxtCurrent{"Продуктът е актуален: инсталираното издание е %s."};
inline constexpr Cp1251Text TxtServerSilent{"Сървърът за актуализации не отговаря:"};

// Status lines of the main window during a run.
inline constexpr Cp1251Text TxtMakingWorkDir{"Създаване на временна поддиректория..."};
inline constexpr Cp1251Text TxtCopyingFiles{"Копиране на файлове..."};
inline constexpr Cp1251Text TxtUnpackingFiles{"Разархивиране на файлове..."};
