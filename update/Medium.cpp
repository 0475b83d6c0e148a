#include "update/Medium.h"

#include "update/FileUtils.h"

TMedium OwnMedium() {
  TMedium medium;
  GetOwnDir(medium.Folder);
  char root[] = "A:\\";
  root[0] = medium.Folder[0];
  medium.Drive = medium.Folder[0] ? GetDriveTypeA(root) : DRIVE_UNKNOWN;
  medium.Removable = medium.Drive == DRIVE_REMOVABLE;
  return medium;
}
