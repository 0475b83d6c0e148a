#pragma once
// One request to a server and its reply: the connection's and the request's handles, and a
// thread of their own for the calls that wait on the network, so that the caller's thread
// keeps its window alive meanwhile and can give a call up at once. A call given up (the
// caller cancelled, or no byte came for the stall time) has its request's handle closed,
// which ends it on Windows; Wine's WinINet returns only at its own timeout, so a thread that
// does not return at once is left to end by itself: it then touches nothing of the caller's
// (its buffer is its own).
#include <windows.h>

#include "update/net/Fetch.h"
#include "update/net/WinInet.h"

// How far the body has come, for the watch, and when the watch saw it last.
struct TProgress {
  ULONGLONG Done;
  ULONGLONG Whole;
  DWORD Watched;
};

class TExchange {
public:
  enum : DWORD {
    ReadBytes = 64 * 1024,
    TickMs = 100,  // how often the watch is called while a call waits
  };
  enum TEnd { Returned, Cancelled, Stalled };

  TExchange(const TWinInet& inet, TFetchWatch& watch, TProgress& progress, DWORD stallMs);
  ~TExchange();
  TExchange(const TExchange&) = delete;
  TExchange& operator=(const TExchange&) = delete;

  // A GET of url (http or https) in session: neither cache nor cookies, redirects left to the
  // caller. False with the system's reason in GetLastError.
  bool Open(HINTERNET session, const char* url);
  // Sends the request, with these header lines (CR LF after each) or none.
  TEnd Send(const char* headers);
  // Waits for the next bytes of the body and takes at most want of them; Got() 0 at its end.
  TEnd Read(DWORD want);
  // How the call that Returned went.
  bool Ok() const;
  DWORD Error() const;
  DWORD Got() const;
  const BYTE* Data() const;

  // The reply's head: its status (0 when unknown), and a header's value into out (size
  // bytes); false when the reply has no such header or its value does not fit: no value of
  // ours is that long.
  DWORD Status() const;
  bool Header(DWORD query, char* out, DWORD size) const;
  HINTERNET Request() const { return Req; }

private:
  struct TCall;
  TEnd Call(LONG what);
  void GiveUp();

  const TWinInet& Inet;
  TFetchWatch& Watch;
  TProgress& Progress;
  DWORD StallMs;
  HINTERNET Connection = nullptr;
  HINTERNET Req = nullptr;
  TCall* Shared = nullptr;  // null once the thread is left to itself
  HANDLE Thread = nullptr;
};
