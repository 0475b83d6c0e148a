#pragma once
// The log that support reads after a run: one line per event, each led by the local date
// and time, in UTF-8 with a byte-order mark and CR LF, so that Notepad on any Windows shows
// the Cyrillic. Appended at every run; past LogLimit, its older part is dropped when a run
// opens it. Writing never fails the run: a log that cannot be written is skipped.
#include <windows.h>
#include <stddef.h>

#include "update/files/ProductNames.h"
#include "update/files/SafeFiles.h"
#include "update/log/Text.h"

enum : DWORD { LogLimit = 1024 * 1024 };

class TRunLog {
public:
  // Whether file (the log file of the command line) may take a run's lines: there is none
  // yet in a folder that exists, or it is a plain file (no link, no device) that is empty or
  // a log this program began. Anything else is left byte for byte as it is.
  static bool Accepts(const char* file);

  // file: the log file given on the command line (ANSI path), or none. It gets every line
  // from the start; it is opened (and cut down) here.
  explicit TRunLog(const char* file = nullptr);
  ~TRunLog();
  TRunLog(const TRunLog&) = delete;
  TRunLog& operator=(const TRunLog&) = delete;

  // The folder check accepted this product folder: without a file of the command line, the
  // log is LogFileName there (when it is new or a log of ours), and the lines of the run so
  // far are written to it first. Lines of a run whose folder is never accepted go nowhere:
  // nothing is made in a folder that is not the product's.
  void Attach(const TFolder& productFolder);
  // One event: the parts joined by a blank, each widened from its own code page. Line
  // breaks and control characters in them become blanks, so that an event stays one line.
  void Line(const TMsgLine& a, const TMsgLine& b = {}, const TMsgLine& c = {},
            const TMsgLine& d = {});
  // A box's composed text: its lines on one log line, joined by " | ".
  void Text(const wchar_t* text);
  // Why a call of the system failed: its error number and the system's own text for it, in
  // the system's language.
  void SystemError(DWORD error);

private:
  void Open(const TFolder& folder, const char* name);
  void Write(TMsgLine head, const wchar_t* event, const wchar_t* separator);

  HANDLE File = INVALID_HANDLE_VALUE;
  bool Given = false;   // a file of the command line: Attach leaves it
  bool Pending = true;  // no file yet: lines wait in Early
  char Early[4096];
  size_t EarlySize = 0;
};
