// Never a step back: an update that brings an older edition of the product's program than
// the installed one goes on only when the user says so.
#include "update/UpdateRun.h"

#include <strsafe.h>

#include "update/FileUtils.h"
#include "update/Messages.h"

void TUpdateRun::NoteInstalledEdition() {
  char program[MAX_PATH];
  HasInstalled = JoinPath(Target, ProductProgram, program) && ReadFileVersion(program, &Installed);
}

bool TUpdateRun::AcceptEdition() {
  char program[MAX_PATH];
  TVersion brought;
  // A program without its version, on either side, cannot be compared: it never stops the
  // update. Once the user has agreed to go back, later disks do not ask again.
  if (!HasInstalled || GoingBack || !JoinPath(WorkDir(), ProductProgram, program) ||
      !ReadFileVersion(program, &brought) || !(brought < Installed))
    return true;
  char older[VersionTextSize], newer[VersionTextSize], line1[128], line2[64];
  FormatVersion(brought, older);
  FormatVersion(Installed, newer);
  StringCchPrintfA(line1, sizeof line1, TxtOlderEdition.Str, older);
  StringCchPrintfA(line2, sizeof line2, TxtThanInstalled.Str, newer);
  GoingBack = Ask(TAsk::Downgrade, MsgHeld, Cp1251Text{line1}, Cp1251Text{line2},
                  TxtReallyContinue) == IDOK;
  return GoingBack;
}
