// Never a step back: an update that brings an older edition of the product's program than
// the installed one goes on only when the user says so. The log has both editions.
#include "update/run/UpdateRun.h"

#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/run/Messages.h"
#include "update/medium/ProductNames.h"
#include "update/log/RunRecord.h"

namespace {

void LogEdition(TRunLog& log, Cp1251Text what, const TVersion* version) {
  char text[VersionTextSize];
  if (version) FormatVersion(*version, text);
  log.Line(what, version ? TMsgLine(Cp1251Text{text}) : TMsgLine(TxtLogNoVersion));
}

// The edition a description names ("a.b.c.d"); false for any other text.
bool ParseVersion(const char* text, TVersion* out) {
  DWORD parts[4];
  for (int i = 0; i < 4; ++i, ++text) {
    const char* start = text;
    DWORD n = 0;
    while (*text >= '0' && *text <= '9' && n <= 0xFFFF) n = n * 10 + (*text++ - '0');
    if (text == start || n > 0xFFFF || *text != (i < 3 ? '.' : '\0')) return false;
    parts[i] = n;
  }
  out->Ms = MAKELONG(parts[1], parts[0]);
  out->Ls = MAKELONG(parts[3], parts[2]);
  return true;
}

}  // namespace

void TUpdateRun::NoteInstalledEdition() {
  char program[MAX_PATH];
  HasInstalled = JoinPath(Target, ProductProgram, program) && ReadFileVersion(program, &Installed);
  LogEdition(Log, TxtLogInstalledEdition, HasInstalled ? &Installed : nullptr);
}

TUpdateRun::TOutcome TUpdateRun::AcceptEdition() {
  char program[MAX_PATH];
  if (!JoinPath(WorkDir(), ProductProgram, program) || !PathExists(program)) return {};
  TVersion brought;
  const bool known = ReadFileVersion(program, &brought);
  LogEdition(Log, TxtLogBroughtEdition, known ? &brought : nullptr);
  // A program without its version, on either side, cannot be compared: it never stops the
  // update. The program stays in the work folder for the later disks.
  if (!known) return {};
  return AcceptOlder(brought);
}

TUpdateRun::TOutcome TUpdateRun::AcceptMediumEdition() {
  TVersion named;
  if (!Disk.Valid() || !ParseVersion(Disk.Edition, &named)) return {};
  return AcceptOlder(named);
}

// Once the user has agreed to go back, they are not asked again.
TUpdateRun::TOutcome TUpdateRun::AcceptOlder(TVersion brought) {
  if (!HasInstalled || GoingBack || !(brought < Installed)) return {};
  char older[VersionTextSize], newer[VersionTextSize], line1[128], line2[64];
  FormatVersion(brought, older);
  FormatVersion(Installed, newer);
  StringCchPrintfA(line1, sizeof line1, TxtOlderEdition.Str, older);
  StringCchPrintfA(line2, sizeof line2, TxtThanInstalled.Str, newer);
  GoingBack = Ask(TAsk::Downgrade, MsgHeld, Cp1251Text{line1}, Cp1251Text{line2},
                  TxtReallyContinue) == IDOK;
  if (!GoingBack) return Fail();
  return {};
}
