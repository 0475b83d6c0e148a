#include "update/Medium.h"

#include "update/FileUtils.h"

TMedium OwnMedium() {
  TMedium medium;
  GetOwnDir(medium.Folder);
  char root[] = "A:\\";
  root[0] = medium.Folder[0];
  medium.Removable = medium.Folder[0] != '\0' && GetDriveTypeA(root) == DRIVE_REMOVABLE;
  return medium;
}
