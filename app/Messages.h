#pragma once
// Every text the update procedure shows in its message boxes, and the box styles.
// Narrow literals are compiled to Windows-1251.

enum : unsigned {
  MsgError = 0x10,     // stop icon, OK
  MsgQuestion = 0x41,  // information icon, OK and Cancel: disk change and abort
  MsgSuccess = 0x21,   // question icon, OK and Cancel: the final question
};

inline constexpr const char* TxtUnpackError = "Грешка при разархивиране.";
inline constexpr const char* TxtCannotUpdate = "Продуктът не може да се актуализира.";
inline constexpr const char* TxtMissingDll = "Липсващ DLL.";
inline constexpr const char* TxtEnterFolder = "Моля, въведете директория.";
inline constexpr const char* TxtFolderEntered = "Въведената папка";
inline constexpr const char* TxtDoesNotExist = "не съществува.";
inline constexpr const char* TxtFolderIsNot = "Въведената папка не е";
inline constexpr const char* TxtNotProductFolder = "папката на Талво.";
inline constexpr const char* TxtCreateDirError = "Грешка при създаване на директория";
inline constexpr const char* TxtMissingZip = "Липсващ ZIP файл.";
inline constexpr const char* TxtCopyError = "Грешка при копиране на файл.";
inline constexpr const char* TxtUnpackFileError = "Грешка при разархивиране на файл";
inline constexpr const char* TxtInsertDisk = "Моля, поставете дискета No %d";
inline constexpr const char* TxtIntoFloppyDrive = "във флопидисковото устройство.";
inline constexpr const char* TxtNotFinished = "Актуализацията не е завършена.";
inline constexpr const char* TxtReallyAbort = "Наистина ли искате да я прекъснете?";
inline constexpr const char* TxtSucceeded = "Актуализацията завърши успешно.";
inline constexpr const char* TxtStartProduct = "Искате ли да стартирате продукта?";

// Status lines of the main window during a run.
inline constexpr const char* TxtMakingWorkDir = "Създаване на временна поддиректория...";
inline constexpr const char* TxtCopyingFiles = "Копиране на файлове...";
inline constexpr const char* TxtUnpackingFiles = "Разархивиране на файлове...";
