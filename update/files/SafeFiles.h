#pragma once
// Files and folders as the updater touches them in a folder that others may write to: it
// never follows a link (a junction, a symbolic link, a mount point) that it did not make, and
// takes a file for the entry it names only when the system says the opened file is that very
// entry. Each false result leaves the system's reason in GetLastError.
#include <windows.h>

// The reason given when a name leads somewhere else than to an entry of its folder.
enum : DWORD { ErrorNotOurs = ERROR_CANT_ACCESS_FILE };

// A folder the updater works in, opened once: where its name leads, so that a file opened in
// it can be checked to be an entry of its own and not what a link points to.
class TFolder {
public:
  TFolder() = default;
  ~TFolder() { Close(); }
  TFolder(const TFolder&) = delete;
  TFolder& operator=(const TFolder&) = delete;

  // Opens the folder at path (ANSI). hold: nobody may delete, rename or swap it while it is
  // open (a work folder of ours). mayBeLink: the path itself may be a link an administrator
  // made (the product folder, its forms); otherwise a link is refused.
  bool Open(const char* path, bool hold, bool mayBeLink);
  void Close();
  bool IsOpen() const { return Handle != INVALID_HANDLE_VALUE; }
  const char* Path() const { return Name; }
  // Whether the path still names this very folder, and not a link.
  bool Intact() const;
  // Where the system says the open folder lies, links resolved, as a path for the wide calls
  // (out: MAX_PATH); before Windows Vista, which cannot tell, its path as opened. False when
  // it does not fit.
  bool FinalPath(wchar_t* out) const;
  // Whether the open file is the entry name of this folder: a plain file (no folder, link or
  // device) found at this folder's place under that name.
  bool Holds(HANDLE file, const char* name) const;

private:
  HANDLE Handle = INVALID_HANDLE_VALUE;
  char Name[MAX_PATH] = "";
  wchar_t Final[2 * MAX_PATH] = L"";  // its name with its volume; empty where none is told
  DWORD Volume = 0, IndexHigh = 0, IndexLow = 0;
};

// Opens folder\name as it opens a file (access, share, disposition as CreateFile takes them,
// never through a link of the name itself) and keeps it only when it is a plain entry of the
// folder; INVALID_HANDLE_VALUE otherwise.
HANDLE OpenEntry(const TFolder& folder, const char* name, DWORD access, DWORD share,
                 DWORD disposition, DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// Whether folder\name is a plain entry of the folder (it must exist).
bool IsEntry(const TFolder& folder, const char* name);

// Marks an open file (opened with DELETE access) to be deleted as its last handle closes:
// set on a handle known to be ours, whereas the flag given at opening would delete whatever a
// link led to. False when the system refuses (a read-only file).
bool MarkDeleted(HANDLE file);

// Deletes folder\name, read-only or not, when it is a plain entry of the folder. True when no
// such file is there any more.
bool DeleteEntry(const TFolder& folder, const char* name);

// Empties and removes the folder name in parent, never entering or deleting through a link:
// a link inside stays, and so does everything above it. True when it is gone.
bool RemoveTree(const TFolder& parent, const char* name);
