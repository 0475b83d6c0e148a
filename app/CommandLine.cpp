#include "app/CommandLine.h"

#include <string.h>

namespace {

const char HelpText[] =
    "TalvoUpdate.exe [/DIR=\"папка\"] [/SILENT] [/LOG=\"файл\"]\r\n"
    "\r\n"
    "/DIR=\"папка\" - папката, в която е инсталиран продуктът.\r\n"
    "/SILENT - актуализация без прозорец и без въпроси; изисква /DIR.\r\n"
    "/LOG=\"файл\" - дневникът се записва в този файл, а не в\r\n"
    "    TalvoUpdate.log в папката на продукта.\r\n"
    "/ALLOWDOWNGRADE - със /SILENT: разрешава по-старо издание.\r\n"
    "/? или /HELP - този текст.\r\n"
    "\r\n"
    "Архивите се проверяват по описанието на\r\n"
    "носителя (MANIFEST.TXT), преди нещо да се\r\n"
    "промени. Повреден или променен носител, а в\r\n"
    "програма с ключ на издателя и неподписан,\r\n"
    "се отказва (код 2).";

bool IsSwitch(const char* name, size_t length, const char* known) {
  if (length != strlen(known)) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c -= 32;
    if (c != known[i]) return false;
  }
  return true;
}

bool TakeFlag(bool& flag, const char* value) {
  if (value || flag) return false;
  flag = true;
  return true;
}

bool TakeValue(char (&field)[MAX_PATH], const char* value) {
  if (!value || !*value || field[0] || strlen(value) >= MAX_PATH) return false;
  strcpy(field, value);
  return true;
}

// One switch with its value (quotes already taken out).
bool Take(const char* token, TCommandLine& line) {
  if (token[0] != '/') return false;
  const char* name = token + 1;
  const char* equals = strchr(name, '=');
  const size_t length = equals ? static_cast<size_t>(equals - name) : strlen(name);
  const char* value = equals ? equals + 1 : nullptr;
  if (IsSwitch(name, length, "DIR")) return TakeValue(line.Dir, value);
  if (IsSwitch(name, length, "LOG")) return TakeValue(line.Log, value);
  if (IsSwitch(name, length, "SILENT")) return TakeFlag(line.Silent, value);
  if (IsSwitch(name, length, "ALLOWDOWNGRADE")) return TakeFlag(line.AllowDowngrade, value);
  if (IsSwitch(name, length, "?") || IsSwitch(name, length, "HELP"))
    return TakeFlag(line.Help, value);
  return false;
}

}  // namespace

TCommandLine ParseCommandLine(const char* args) {
  TCommandLine line = {};
  const unsigned char* p = reinterpret_cast<const unsigned char*>(args);
  for (;;) {
    while (*p && *p <= ' ') ++p;
    if (!*p) break;
    // A token runs to the next blank outside quotes; the quotes themselves go.
    char token[MAX_PATH + 32];
    size_t n = 0;
    bool quoted = false, fits = true;
    for (; *p && (quoted || *p > ' '); ++p) {
      if (*p == '"')
        quoted = !quoted;
      else if (n < sizeof token - 1)
        token[n++] = static_cast<char>(*p);
      else
        fits = false;
    }
    token[n] = '\0';
    // Every token is read, so that /SILENT counts wherever it stands.
    if (quoted || !fits || !Take(token, line)) line.Refused = true;
  }
  return line;
}

void ShowCommandLineHelp() {
  wchar_t text[sizeof HelpText], caption[32];
  MultiByteToWideChar(1251, 0, HelpText, -1, text, sizeof HelpText);
  MultiByteToWideChar(1251, 0, " Актуализация на Талво", -1, caption, 32);
  MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
}
