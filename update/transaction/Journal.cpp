#include "update/transaction/Journal.h"

#include <stdlib.h>
#include <string.h>
#include <strsafe.h>

#include <memory>
#include <new>

#include "update/files/ProductNames.h"

namespace {

const char Header[] = "TalvoUpdate journal 2\r\n";
const DWORD MaxJournalBytes = 64u << 20;
const size_t LineSize = MAX_PATH + 32;

// FNV-1a: a record whose sum does not match was torn by a stop in the middle of its write.
unsigned Sum(const char* text, size_t n) {
  unsigned h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
  return h;
}

// One line "<sum> <step> <index> <name>" (without its line end) into record; false when it
// is not whole.
bool ParseLine(const char* line, size_t n, TRecord* record) {
  if (n < 13 || n >= LineSize || line[8] != ' ' || line[10] != ' ') return false;
  char hex[9];
  memcpy(hex, line, 8);
  hex[8] = '\0';
  char* end = nullptr;
  const unsigned long sum = strtoul(hex, &end, 16);
  if (end != hex + 8 || sum != Sum(line + 9, n - 9)) return false;
  record->Step = static_cast<TStep>(line[9]);
  const char* index = line + 11;
  if (*index < '0' || *index > '9') return false;
  record->Index = strtoul(index, &end, 10);
  if (*end != ' ' || end - index > 9) return false;
  const size_t nameLen = n - (end + 1 - line);
  memcpy(record->Name, end + 1, nameLen);
  record->Name[nameLen] = '\0';
  return strlen(record->Name) == nameLen;
}

// Whether a whole record is one this program writes, in its place after the earlier ones:
// each file a name the updater places, numbered upward; nothing after the last word.
bool IsOurRecord(const TRecord& r, unsigned* lastIndex, bool* closed) {
  if (*closed) return false;
  switch (r.Step) {
    case TStep::Original:
    case TStep::New:
      if (r.Index <= *lastIndex || !IsPlacedName(r.Name)) return false;
      *lastIndex = r.Index;
      return true;
    case TStep::Commit: *closed = true; return r.Index == 0 && r.Name[0] == '\0';
  }
  return false;
}

}  // namespace

bool TJournal::Create(const TFolder& work) {
  Close();
  File = OpenEntry(work, JournalName, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
  if (File == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(File, Header, sizeof Header - 1, &written, nullptr) &&
         written == sizeof Header - 1 && FlushFileBuffers(File);
}

bool TJournal::Append(const TFolder& work) {
  Close();
  File = OpenEntry(work, JournalName, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_EXISTING);
  return File != INVALID_HANDLE_VALUE;
}

bool TJournal::Record(const TEntry* entries, int count) {
  if (File == INVALID_HANDLE_VALUE) return false;
  if (count <= 0) return true;
  std::unique_ptr<char[]> lines(new (std::nothrow) char[count * LineSize]);
  if (!lines) return false;
  size_t used = 0;
  for (int i = 0; i < count; ++i) {
    char body[LineSize];
    const TEntry& e = entries[i];
    if (FAILED(StringCchPrintfA(body, sizeof body, "%c %u %s", static_cast<char>(e.Step), e.Index,
                                e.Name)) ||
        FAILED(StringCchPrintfA(lines.get() + used, LineSize, "%08x %s\r\n",
                                Sum(body, strlen(body)), body)))
      return false;
    used += strlen(lines.get() + used);
  }
  DWORD done = 0;
  return WriteFile(File, lines.get(), static_cast<DWORD>(used), &done, nullptr) && done == used &&
         FlushFileBuffers(File);
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

TJournalState TJournalRecords::Read(const TFolder& work) {
  Used = 0;
  HANDLE file =
      OpenEntry(work, JournalName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return TJournalState::NotOurs;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size > MaxJournalBytes) {
    CloseHandle(file);
    return TJournalState::NotOurs;  // no journal of ours grows this large
  }
  std::unique_ptr<char[]> text(new (std::nothrow) char[size + 1]);
  DWORD read = 0;
  const bool whole = text && ReadFile(file, text.get(), size, &read, nullptr) && read == size;
  CloseHandle(file);
  // A journal that cannot be read in full says nothing that can be trusted.
  if (!whole) return TJournalState::Damaged;
  return Parse(text.get(), size);
}

TJournalState TJournalRecords::Parse(const char* text, size_t size) {
  Used = 0;
  if (size < sizeof Header - 1 || memcmp(text, Header, sizeof Header - 1) != 0)
    return TJournalState::NotOurs;
  unsigned lastIndex = 0;
  bool closed = false;
  for (size_t at = sizeof Header - 1; at < size;) {
    const char* line = text + at;
    const char* end = line;
    while ((end = static_cast<const char*>(memchr(end, '\r', text + size - end))) &&
           (end + 1 == text + size || end[1] != '\n'))
      ++end;
    // The rest has no line end: the last record, torn by the stop while it was written.
    if (!end) break;
    const size_t next = end + 2 - text;
    TRecord record;
    if (!ParseLine(line, end - line, &record)) {
      // Only the last record may be torn.
      if (next == size) break;
      return TJournalState::Damaged;
    }
    if (!IsOurRecord(record, &lastIndex, &closed)) return TJournalState::NotOurs;
    if (!Add(record)) return TJournalState::Damaged;
    at = next;
  }
  return TJournalState::Ours;
}
