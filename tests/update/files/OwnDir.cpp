// own_dir OUT: writes "length|folder" as GetOwnDir gives them for this program to OUT, so a
// test can copy it into a folder of its choosing and see the real call's result.
#include "update/files/FileUtils.h"

#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  char dir[MAX_PATH];
  const int length = GetOwnDir(dir);
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 1;
  fprintf(out, "%d|%s", length, dir);
  fclose(out);
  return 0;
}
