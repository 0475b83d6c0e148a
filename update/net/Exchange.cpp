#include "update/net/Exchange.h"

#include <new>

namespace {

enum : LONG { CallSend, CallRead, CallQuit };
// How long a call given up may take to return before its thread is left to itself.
enum : DWORD { GraceMs = 250 };

}  // namespace

// What the caller and the thread share; freed by whichever of the two lets go of it last.
struct TExchange::TCall {
  LONG Refs = 2;
  const TWinInet* Inet;
  HANDLE Go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE Done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  volatile LONG What = CallQuit;
  HINTERNET Request = nullptr;
  char Headers[64] = "";
  DWORD Want = 0, Got = 0;
  BOOL Ok = FALSE;
  DWORD Error = 0;
  BYTE Data[ReadBytes];

  void Release() {
    if (InterlockedDecrement(&Refs) != 0) return;
    if (Go) CloseHandle(Go);
    if (Done) CloseHandle(Done);
    delete this;
  }

  void Run() {
    const TWinInet& inet = *Inet;
    if (What == CallSend) {
      Ok = inet.HttpSendRequestA(Request, Headers[0] ? Headers : nullptr, Headers[0] ? -1 : 0,
                                 nullptr, 0);
    } else {
      // What is there once anything is: a byte at a time counts against a stall, not a
      // full buffer's worth.
      DWORD ready = 0;
      Got = 0;
      Ok = inet.InternetQueryDataAvailable(Request, &ready, 0, 0);
      if (Ok && ready) Ok = inet.InternetReadFile(Request, Data, ready < Want ? ready : Want, &Got);
    }
    Error = Ok ? 0 : GetLastError();
  }

  static DWORD WINAPI Thread(void* self) {
    TCall& call = *static_cast<TCall*>(self);
    while (WaitForSingleObject(call.Go, INFINITE) == WAIT_OBJECT_0 && call.What != CallQuit) {
      call.Run();
      SetEvent(call.Done);
    }
    call.Release();
    return 0;
  }
};

TExchange::TExchange(const TWinInet& inet, TFetchWatch& watch, TProgress& progress, DWORD stallMs)
    : Inet(inet), Watch(watch), Progress(progress), StallMs(stallMs) {}

TExchange::~TExchange() {
  if (Req) Inet.InternetCloseHandle(Req);
  if (Connection) Inet.InternetCloseHandle(Connection);
  if (!Shared) return;
  if (Thread) {
    InterlockedExchange(&Shared->What, CallQuit);
    SetEvent(Shared->Go);
    WaitForSingleObject(Thread, INFINITE);  // between calls: it ends at once
    CloseHandle(Thread);
  } else {
    Shared->Release();  // the share of a thread that never started
  }
  Shared->Release();
}

bool TExchange::Open(HINTERNET session, const char* url) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1];
  char path[INTERNET_MAX_URL_LENGTH + 1];
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!Inet.InternetCrackUrlA(url, 0, 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return false;
  }
  const char* target = parts.dwUrlPathLength ? path : "/";  // the path with its query
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT |
                      INTERNET_FLAG_KEEP_CONNECTION |
                      (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  Connection = Inet.InternetConnectA(session, host, parts.nPort, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0);
  if (!Connection) return false;
  Req = Inet.HttpOpenRequestA(Connection, "GET", target, nullptr, nullptr, nullptr, flags, 0);
  if (!Req) return false;
  // WinINet's own timeouts, past the stall: a call given up that the closing of its handle
  // does not end (Wine) ends by itself then.
  DWORD timeout = StallMs * 2;
  const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                           INTERNET_OPTION_RECEIVE_TIMEOUT};
  for (DWORD option : options) Inet.InternetSetOptionA(Req, option, &timeout, sizeof timeout);
  Shared = new (std::nothrow) TCall;
  if (!Shared) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  Shared->Inet = &Inet;
  Shared->Request = Req;
  if (Shared->Go && Shared->Done)
    Thread = CreateThread(nullptr, 0, TCall::Thread, Shared, 0, nullptr);
  return Thread != nullptr;
}

TExchange::TEnd TExchange::Send(const char* headers) {
  lstrcpynA(Shared->Headers, headers ? headers : "", sizeof Shared->Headers);
  return Call(CallSend);
}

TExchange::TEnd TExchange::Read(DWORD want) {
  Shared->Want = want < ReadBytes ? want : ReadBytes;
  return Call(CallRead);
}

TExchange::TEnd TExchange::Call(LONG what) {
  InterlockedExchange(&Shared->What, what);
  SetEvent(Shared->Go);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = MsgWaitForMultipleObjects(1, &Shared->Done, FALSE, TickMs, QS_ALLINPUT);
    if (waited == WAIT_FAILED) Sleep(TickMs);  // never a busy loop
    const bool returned = waited == WAIT_OBJECT_0;
    // The watch also while the bytes come fast: the window shows them, and may cancel.
    const DWORD now = GetTickCount();
    if (returned && now - Progress.Watched < TickMs) return Returned;
    Progress.Watched = now;
    if (!Watch.Waiting(Progress.Done, Progress.Whole)) {
      if (!returned) GiveUp();
      return Cancelled;
    }
    if (returned) return Returned;
    if (now - start >= StallMs) {
      GiveUp();
      return Stalled;
    }
  }
}

void TExchange::GiveUp() {
  Inet.InternetCloseHandle(Req);
  Req = nullptr;
  if (WaitForSingleObject(Shared->Done, GraceMs) == WAIT_OBJECT_0) return;
  // Still in the call: the thread quits after it, and frees what is shared if it is last.
  InterlockedExchange(&Shared->What, CallQuit);
  SetEvent(Shared->Go);
  CloseHandle(Thread);
  Thread = nullptr;
  Shared->Release();
  Shared = nullptr;
}

bool TExchange::Ok() const { return Shared->Ok != FALSE; }
DWORD TExchange::Error() const { return Shared->Error; }
DWORD TExchange::Got() const { return Shared->Got; }
const BYTE* TExchange::Data() const { return Shared->Data; }

DWORD TExchange::Status() const {
  DWORD status = 0, size = sizeof status;
  return Inet.HttpQueryInfoA(Req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                             nullptr)
             ? status
             : 0;
}

bool TExchange::Header(DWORD query, char* out, DWORD size) const {
  DWORD n = size;
  return Inet.HttpQueryInfoA(Req, query, out, &n, nullptr) != FALSE;
}
