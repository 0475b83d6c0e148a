// Which journals the updater takes for its own: written by its own writer, read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"
#include "update/transaction/Journal.h"

namespace {

struct Case {
  const char* what;
  std::vector<TEntry> records;
  TJournalState state;
};

TJournalState Written(const std::vector<TEntry>& records, int damageRecord = -1) {
  support::TempDir t;
  TFolder work;
  EXPECT_TRUE(work.Open(ui::Narrow(t.Path(), CP_ACP).c_str(), false, false));
  {
    TJournal journal;
    EXPECT_TRUE(journal.Create(work));
    for (const TEntry& e : records) EXPECT_TRUE(journal.Record(&e, 1));
  }
  const std::wstring path = support::Join(t.Path(), L".journal");
  std::string text;
  EXPECT_TRUE(support::ReadFile(path, &text));
  if (damageRecord >= 0) {
    // One byte of that record's name changed: its sum no longer matches.
    size_t at = text.find("\r\n");
    for (int i = 0; i <= damageRecord; ++i) at = text.find("\r\n", at + 2);
    text[at - 1] ^= 1;
    EXPECT_TRUE(support::WriteFile(path, text));
  }
  TJournalRecords read;
  return read.Read(work);
}

TEST(Journal, OnlyNamesTheUpdaterPlacesRelativeToTheProductFolderAreOurs) {
  using S = TStep;
  const TJournalState ours = TJournalState::Ours, notOurs = TJournalState::NotOurs;
  const Case cases[] = {
      {"a run's records",
       {{S::Original, 1, "Vanto.exe"}, {S::New, 2, "Blanks\\Фактура.rtf"}, {S::Commit, 0, ""}},
       ours},
      {"absolute path", {{S::New, 1, "C:\\victim\\important.txt"}}, notOurs},
      {"drive", {{S::New, 1, "C:important.txt"}}, notOurs},
      {"UNC", {{S::New, 1, "\\\\server\\share\\x.txt"}}, notOurs},
      {"parent", {{S::New, 1, "..\\victim\\rel.txt"}}, notOurs},
      {"dot", {{S::New, 1, ".\\x.txt"}}, notOurs},
      {"stream", {{S::New, 1, "a.txt:evil"}}, notOurs},
      {"device", {{S::New, 1, "CON.txt"}}, notOurs},
      {"deeper", {{S::New, 1, "Temp1\\x.txt"}}, notOurs},
      {"no form in Blanks", {{S::New, 1, "Blanks\\x.dll"}}, notOurs},
      {"a form at the top", {{S::New, 1, "FORM.RTF"}}, notOurs},
      {"the lock", {{S::New, 1, "TalvoUpdate.lck"}}, notOurs},
      {"a folder's name", {{S::Original, 1, "C:\\windows"}}, notOurs},
      {"numbers going back", {{S::New, 2, "a.txt"}, {S::New, 2, "b.txt"}}, notOurs},
      {"a step it never writes", {{static_cast<TStep>('T'), 1, "~tlv1.tmp"}}, notOurs},
      {"a record after the last word", {{S::Commit, 0, ""}, {S::New, 1, "a.txt"}}, notOurs},
  };
  for (const Case& c : cases) EXPECT_EQ(Written(c.records), c.state) << c.what;
}

// A stop cuts only the record being written, the last; a damaged one before it means the
// journal cannot say what the run changed.
TEST(Journal, OnlyTheLastRecordMayBeTorn) {
  const std::vector<TEntry> records = {{TStep::Original, 1, "Vanto.exe"}, {TStep::New, 2, "a.txt"}};
  EXPECT_EQ(Written(records, 1), TJournalState::Ours);
  EXPECT_EQ(Written(records, 0), TJournalState::Damaged);
  TJournalRecords parsed;
  EXPECT_EQ(parsed.Parse("TalvoUpdate journal 1\r\n", 23), TJournalState::NotOurs)
      << "another header";
}

}  // namespace
