#include "update/Journal.h"

#include <stdlib.h>
#include <string.h>
#include <strsafe.h>

#include "update/FileUtils.h"

namespace {

const char Header[] = "TalvoUpdate journal 1\r\n";
const DWORD MaxJournalBytes = 64u << 20;

// FNV-1a: a record whose sum does not match was torn by a stop in the middle of its write.
unsigned Sum(const char* text, size_t n) {
  unsigned h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
  return h;
}

// "<step> <index> <path>": the part of a record that its sum covers.
int Body(char* out, size_t size, TStep step, unsigned index, const char* path) {
  if (FAILED(StringCchPrintfA(out, size, "%c %u %s", static_cast<char>(step), index, path)))
    return -1;
  return static_cast<int>(strlen(out));
}

bool JournalPath(const char* workDir, char* path) { return JoinPath(workDir, JournalName, path); }

// One line "<sum> <body>" (without its line end) into record; false when it is not whole.
bool ParseLine(const char* line, size_t n, TRecord* record) {
  if (n < 10 || line[8] != ' ') return false;
  char hex[9];
  memcpy(hex, line, 8);
  hex[8] = '\0';
  char* end = nullptr;
  const unsigned sum = strtoul(hex, &end, 16);
  if (end != hex + 8 || sum != Sum(line + 9, n - 9)) return false;
  const char* body = line + 9;
  const size_t bodyLen = n - 9;
  if (bodyLen < 4 || body[1] != ' ') return false;
  record->Step = static_cast<TStep>(body[0]);
  record->Index = strtoul(body + 2, &end, 10);
  if (*end != ' ') return false;
  const size_t pathLen = bodyLen - (end + 1 - body);
  if (pathLen >= MAX_PATH) return false;
  memcpy(record->Path, end + 1, pathLen);
  record->Path[pathLen] = '\0';
  return true;
}

}  // namespace

bool TJournal::Create(const char* workDir) {
  char path[MAX_PATH];
  if (!JournalPath(workDir, path)) return false;
  File = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(File, Header, sizeof Header - 1, &written, nullptr) &&
         written == sizeof Header - 1 && FlushFileBuffers(File);
}

bool TJournal::Record(const TEntry* entries, int count) {
  if (File == INVALID_HANDLE_VALUE) return false;
  char lines[2 * (MAX_PATH + 48)];
  size_t used = 0;
  int written = 0;
  for (; written < count && Left != 0; ++written) {
    if (Left > 0) --Left;
    char body[MAX_PATH + 32];
    const TEntry& e = entries[written];
    const int n = Body(body, sizeof body, e.Step, e.Index, e.Path);
    if (n < 0 || FAILED(StringCchPrintfA(lines + used, sizeof lines - used, "%08x %s\r\n",
                                         Sum(body, n), body)))
      return false;
    used += strlen(lines + used);
  }
  DWORD done = 0;
  const bool ok = used == 0 || (WriteFile(File, lines, static_cast<DWORD>(used), &done, nullptr) &&
                                done == used && FlushFileBuffers(File));
  return ok && written == count;
}

void TJournal::Close() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
}

TJournalRecords::~TJournalRecords() { free(Items); }

bool TJournalRecords::Add(const TRecord& record) {
  if (Used == Size) {
    const int grown = Size ? Size * 2 : 64;
    TRecord* items = static_cast<TRecord*>(realloc(Items, grown * sizeof(TRecord)));
    if (!items) return false;
    Items = items;
    Size = grown;
  }
  Items[Used++] = record;
  return true;
}

bool TJournalRecords::Read(const char* workDir) {
  Used = 0;
  char path[MAX_PATH];
  if (!JournalPath(workDir, path)) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  char* text = size != INVALID_FILE_SIZE && size <= MaxJournalBytes
                   ? static_cast<char*>(malloc(size + 1))
                   : nullptr;
  DWORD read = 0;
  const bool whole = text && ReadFile(file, text, size, &read, nullptr) && read == size;
  CloseHandle(file);
  bool ours = whole && size >= sizeof Header - 1 && memcmp(text, Header, sizeof Header - 1) == 0;
  if (ours) {
    text[size] = '\0';
    TRecord record;
    for (const char* line = text + sizeof Header - 1;;) {
      const char* end = strstr(line, "\r\n");
      if (!end || !ParseLine(line, end - line, &record)) break;
      // Out of memory: a journal read in part must not pass for the whole of it.
      if (!Add(record)) {
        ours = false;
        break;
      }
      line = end + 2;
    }
  }
  free(text);
  return ours;
}

bool TJournalRecords::Committed() const {
  for (int i = 0; i < Used; ++i)
    if (Items[i].Step == TStep::Commit) return true;
  return false;
}
