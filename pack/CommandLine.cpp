#include "pack/CommandLine.h"

#include <vector>

const wchar_t* const PackHelp =
    L"TalvoPack проверява издание на Талво и прави носителя за актуализацията му.\r\n"
    L"\r\n"
    L"TalvoPack.exe ИЗДАНИЕ ПАПКА [/PREVIOUS=ПРЕДИШНО] [/FLOPPY | /ONEFILE] [/KEY=КЛЮЧ]\r\n"
    L"TalvoPack.exe /NEWKEY=ПАПКА\r\n"
    L"\r\n"
    L"  ИЗДАНИЕ    новото издание, подредено както е инсталирано: файловете на\r\n"
    L"             продукта горе, бланките (*.rtf) в Blanks\r\n"
    L"  ПАПКА      папка, която не съществува или е празна: носителят се прави в нея\r\n"
    L"  /PREVIOUS  изданието, което потребителите имат сега: на носителя отиват само\r\n"
    L"             новите и променените файлове\r\n"
    L"  /FLOPPY    три дискети от 1,44 MB: папките DISK1, DISK2 и DISK3\r\n"
    L"  /ONEFILE   един файл, ПАПКА\\TalvoUpdate.exe: програмата за актуализация с\r\n"
    L"             библиотеката, архивите и описанието в нея, за изтегляне, поща или\r\n"
    L"             мрежова папка; подпишете го с Authenticode след това\r\n"
    L"  /KEY       частният ключ на издателя (PEM): подписва описанието на всяка\r\n"
    L"             дискета; TalvoUpdate.exe, компилирана с публичния му ключ, приема\r\n"
    L"             само така подписани носители\r\n"
    L"  /NEWKEY    прави нова двойка ключове RSA (3072 бита) в ПАПКА: private.pem\r\n"
    L"             за сейфа на издателя и public.pem за компилирането\r\n"
    L"\r\n"
    L"Програмата TalvoUpdate.exe и библиотеката UNZDLL.DLL се вземат от папката на\r\n"
    L"TalvoPack.exe.\r\n"
    L"Код на изход: 0 - носителят е готов; 1 - неверен команден ред; 2 - изданието\r\n"
    L"нарушава правило; 3 - не се побира; 4 - грешка при запис или проверка.";

namespace {

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

}  // namespace

bool ParsePackArgs(int argc, const wchar_t* const* argv, TPackArgs* out) {
  std::vector<std::wstring> plain;
  bool previous = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const size_t equals = arg.find(L'=');
    const std::wstring name =
        arg.empty() ? arg : AsciiUpper(arg.substr(1, equals == arg.npos ? arg.npos : equals - 1));
    // A Linux path (/srv/editions/2026) is a path: Wine finds it on the drive of the root.
    if (arg.empty() || arg[0] != L'/' || name.find_first_of(L"/\\") != name.npos) {
      plain.push_back(arg);
      continue;
    }
    const std::wstring value = equals == arg.npos ? L"" : arg.substr(equals + 1);
    if (name == L"?" && equals == arg.npos && !out->Help) {
      out->Help = true;
    } else if (name == L"FLOPPY" && equals == arg.npos && !out->Floppy) {
      out->Floppy = true;
    } else if (name == L"ONEFILE" && equals == arg.npos && !out->OneFile) {
      out->OneFile = true;
    } else if (name == L"PREVIOUS" && !value.empty() && !previous) {
      out->Previous = value;
      previous = true;
    } else if (name == L"KEY" && !value.empty() && out->Key.empty()) {
      out->Key = value;
    } else if (name == L"NEWKEY" && !value.empty() && out->NewKey.empty()) {
      out->NewKey = value;
    } else {
      return false;
    }
  }
  // A new key pair is made on its own.
  if (!out->NewKey.empty())
    return plain.empty() && !previous && out->Key.empty() && !out->Floppy && !out->OneFile &&
           !out->Help;
  // Floppy disks hold a folder medium; one file is for a download, a mail or a share.
  if (out->Floppy && out->OneFile) return false;
  if (plain.size() != 2 || plain[0].empty() || plain[1].empty()) return out->Help;
  out->Edition = plain[0];
  out->Out = plain[1];
  return true;
}
