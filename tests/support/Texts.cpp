#include "Texts.h"

namespace texts {

const char kCaption[] = u8" Актуализация на Талво";
const char kSucceeded[] = u8"Актуализацията завърши успешно.\r\nИскате ли да стартирате продукта?";
const char kNotChanged[] = u8"Актуализацията не е завършена.\r\nПродуктът не е променен.";
const char kRolledBack[] =
    u8"Актуализацията не е завършена.\r\nПродуктът е възстановен в предишното си състояние.";
const char kRecovered[] =
    u8"Предишната актуализация е била прекъсната.\r\n"
    u8"Продуктът е възстановен в предишното си състояние.";
const char kReallyAbort[] =
    u8"\r\nАктуализацията не е завършена.\r\nНаистина ли искате да я прекъснете?";
const char kNoArchive[] = u8"Липсващ ZIP файл.\r\nПродуктът не може да се актуализира.";
const char kEnterFolder[] = u8"Моля, въведете директория.";
const char kMissing[] = u8"Въведената папка\r\nне съществува.";
const char kNotProduct[] = u8"Въведената папка не е\r\nпапката на Талво.";

std::string TooLong(const std::string& folder) {
  return u8"Въведената папка\r\n" + folder + u8"\r\nе с твърде дълъг път.";
}

std::string Disk(int n) {
  return u8"\r\nМоля, поставете дискета No " + std::to_string(n) +
         u8"\r\nвъв флопидисковото устройство.";
}

const char kNotSigned[] = u8"Носителят не е подписан от издателя на Талво.";

std::string Damaged(const std::string& archive) {
  return u8"Архивът\r\n" + archive +
         u8"\r\nна носителя е повреден или е променен след издаването му.";
}

std::string NotDisk(int n) {
  return u8"Дискетата не е No " + std::to_string(n) + u8" от този носител.";
}

const char kCannotUpdate[] = u8"Продуктът не може да се актуализира.";

const char kCopyError[] = u8"Грешка при копиране на файл.";

std::string CopyError(const std::string& from, const std::string& to) {
  return kCopyError + std::string("\r\n") + from + "\r\n" + to;
}

std::string HeldFile(const std::string& path) {
  return u8"Файлът\r\n" + path +
         u8"\r\nсе използва от друга програма.\r\nЗатворете я и натиснете OK.";
}

std::string Lines(std::string text, const std::string& separator) {
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += separator.size())
    text.replace(at, 2, separator);
  return text;
}

}  // namespace texts
