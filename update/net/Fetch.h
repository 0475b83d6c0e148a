#pragma once
// Fetching one URL (http:// or https://) with the system's WinINet, so that the network is the
// user's as the browser has it: the proxy settings, an automatic proxy script, the proxy's
// password dialog. A dropped connection is resumed where it stopped; a server is never read
// past what the caller allows. Nothing fetched is trusted here: the caller checks the size
// and the SHA-256 of what reached its sink (it may hash as the bytes arrive: a restart from
// the first byte is told to the sink).
#include <windows.h>

// Where the body goes, on the caller's thread. A false result ends the fetch (FetchSinkFailed)
// with GetLastError's reason.
class TFetchSink {
public:
  // The body starts again from its first byte (a server that ignores a range): what came
  // before is dropped.
  virtual bool Restart() = 0;
  // The next bytes of the body.
  virtual bool Write(const void* data, DWORD size) = 0;

protected:
  ~TFetchSink() = default;
};

// The caller's side while the fetch waits on the network, called on the caller's thread
// about ten times a second: it keeps the window alive (takes the thread's messages) and shows
// how much has arrived. done: bytes of the body in the sink; whole: the body's size, 0 while
// unknown. False cancels the fetch at once.
class TFetchWatch {
public:
  virtual bool Waiting(ULONGLONG done, ULONGLONG whole) = 0;

protected:
  ~TFetchWatch() = default;
};

struct TFetchRequest {
  const char* Url;  // http:// or https://, in the ANSI code page
  ULONGLONG Size;   // the body's exact size (an archive's, as described), or 0: unknown
  ULONGLONG Limit;  // with Size 0, the most bytes the body may have (a description: 1 MB)
  DWORD StallMs;    // no byte for this long ends a try (the run: 30 s)
  HWND Owner;       // the window for the proxy's password dialog; null: unattended
};

enum TFetchResult {
  FetchDone,         // the whole body is in the sink: Size bytes, or at most Limit
  FetchCancelled,    // the watch said stop
  FetchProxyAuth,    // a proxy wants a password that nobody gave: no window to ask with, or
                     // its dialog was cancelled
  FetchUnreachable,  // the server could not be reached, answered with an error status or
                     // what was not asked, or stalled, also after the tries: see the reason
  FetchWrongSize,    // the body cannot be what the caller allows: its declared length is not
                     // Size or exceeds Limit, or more bytes came than that
  FetchSinkFailed,   // the sink refused the bytes: see the reason
};

// Why a fetch did not complete, for the box and the log.
struct TFetchReason {
  DWORD Error;        // the system's error (WinINet's are 12001..12999), 0 with a Status
  DWORD Status;       // the server's error status (404, 503, ...), or 0
  wchar_t Text[256];  // the system's text for Error in the system's language, or the
                      // server's own words for its Status (printable ASCII); may be empty
};

// How many tries in a row may bring no new byte before the fetch gives up, and the longest
// pause between two.
enum : DWORD { FetchTries = 5, FetchPauseMaxMs = 4000 };

// The fetches of a run, one after another on the caller's thread, through one WinINet
// session: connections are kept for the next file, and a proxy's password given in its
// dialog holds for the rest of the run.
class TFetcher {
public:
  TFetcher() = default;
  ~TFetcher();
  TFetcher(const TFetcher&) = delete;
  TFetcher& operator=(const TFetcher&) = delete;

  TFetchResult Fetch(const TFetchRequest& request, TFetchSink& sink, TFetchWatch& watch,
                     TFetchReason* reason);

private:
  void* Session = nullptr;  // the WinINet session, opened at the first fetch
};
