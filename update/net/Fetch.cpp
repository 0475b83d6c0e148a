#include "update/net/Fetch.h"

#include "update/net/Exchange.h"
#include "update/net/Reply.h"
#include "update/net/WinInet.h"

namespace {

const char Agent[] = "TalvoUpdate";
enum : DWORD { PauseFirstMs = 500 };

// How a try ended: Again when another may be made, else how the fetch ends.
enum class TTry { Done, Again, Cancelled, ProxyAuth, Unreachable, WrongSize, SinkFailed };

class TFetching {
public:
  TFetching(const TWinInet& inet, HINTERNET session, const TFetchRequest& request, TFetchSink& sink,
            TFetchWatch& watch, TFetchReason& reason)
      : Inet(inet),
        Session(session),
        Request(request),
        Sink(sink),
        Watch(watch),
        Reason(reason),
        Limit(request.Size ? request.Size : request.Limit) {
    Progress.Done = 0;
    Progress.Whole = request.Size;
    Progress.Watched = GetTickCount();
  }

  TFetchResult Run() {
    ULONGLONG high = 0;
    for (DWORD failures = 0;;) {
      switch (Try()) {
        case TTry::Done: return Without(FetchDone);
        case TTry::Cancelled: return Without(FetchCancelled);
        case TTry::ProxyAuth: return FetchProxyAuth;
        case TTry::Unreachable: return FetchUnreachable;
        case TTry::WrongSize: return Without(FetchWrongSize);
        case TTry::SinkFailed: return FetchSinkFailed;
        case TTry::Again: break;
      }
      // Only tries in a row that bring no new byte count: a connection cut every few
      // hundred kilobytes still gets the whole.
      if (Progress.Done > high) {
        high = Progress.Done;
        failures = 0;
      }
      if (++failures >= FetchTries) return FetchUnreachable;
      const DWORD pause = PauseFirstMs << (failures - 1);
      if (!Pause(pause < FetchPauseMaxMs ? pause : FetchPauseMaxMs)) return FetchCancelled;
    }
  }

private:
  // One try: the URL asked, its redirects, the proxy's password, the body from where the
  // sink stands (or from its first byte).
  TTry Try() {
    char url[INTERNET_MAX_URL_LENGTH + 1];
    lstrcpynA(url, Request.Url, sizeof url);
    for (DWORD redirects = 0;; ++redirects) {
      TExchange exchange(Inet, Watch, Progress, Request.StallMs);
      if (!exchange.Open(Session, url)) return Final(GetLastError());
      const bool ranged = Ranges && Progress.Done && Progress.Done < Progress.Whole;
      char range[48] = "";
      if (ranged) wsprintfA(range, "Range: bytes=%I64u-\r\n", Progress.Done);
      const TAsked asked = {ranged ? Progress.Done : 0, Request.Size, Progress.Whole, Limit};
      char length[24], contentRange[80];
      TVerdict verdict;
      for (;;) {
        const TTry sent = Sent(exchange, exchange.Send(range));
        if (sent != TTry::Done) return sent;
        if (!exchange.Header(HTTP_QUERY_CONTENT_LENGTH, length, sizeof length)) length[0] = '\0';
        if (!exchange.Header(HTTP_QUERY_CONTENT_RANGE, contentRange, sizeof contentRange))
          contentRange[0] = '\0';
        const TReplyHead head = {exchange.Status(), length[0] ? length : nullptr,
                                 contentRange[0] ? contentRange : nullptr};
        verdict = Judge(asked, head);
        if (verdict != TVerdict::ProxyAuth) break;
        const TTry asking = AskProxyPassword(exchange);
        if (asking != TTry::Done) return asking;
      }
      switch (verdict) {
        case TVerdict::Redirect: {
          char location[INTERNET_MAX_URL_LENGTH + 1], next[INTERNET_MAX_URL_LENGTH + 1];
          if (redirects == RedirectsMax) return Final(ERROR_HTTP_REDIRECT_FAILED);
          const bool told = exchange.Header(HTTP_QUERY_LOCATION, location, sizeof location);
          const DWORD refused =
              RedirectTarget(Inet, url, told ? location : nullptr, next, sizeof next);
          if (refused) return Final(refused);
          lstrcpynA(url, next, sizeof url);
          continue;
        }
        case TVerdict::Refused: return Refused(exchange, TTry::Unreachable);
        case TVerdict::WrongSize: return TTry::WrongSize;
        case TVerdict::ProxyAuth:  // answered above
        case TVerdict::Drop:
          // A reply that is not the part asked: its bytes are not used, and no range is asked
          // again of a server that answers ranges so.
          Ranges = false;
          return Again(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        case TVerdict::Restart:
        case TVerdict::Use: break;
      }
      if (verdict == TVerdict::Restart || !asked.From) {
        // The body from its first byte: its size is the caller's, or what the reply declares.
        if (Progress.Done && !Sink.Restart()) return SinkFailed();
        Progress.Done = 0;
        ULONGLONG declaredLength = 0;
        Progress.Whole = Request.Size                          ? Request.Size
                         : ParseCount(length, &declaredLength) ? declaredLength
                                                               : 0;
      }
      return Body(exchange);
    }
  }

  // How a send ended: Done when the reply's head is there.
  TTry Sent(TExchange& exchange, TExchange::TEnd end) {
    if (end == TExchange::Cancelled) return TTry::Cancelled;
    if (end == TExchange::Stalled) return Again(ERROR_INTERNET_TIMEOUT);
    return exchange.Ok() ? TTry::Done : Again(exchange.Error());
  }

  // A proxy asks for a password: with a window, the system's dialog. Done: the request goes
  // again, with what the user gave.
  TTry AskProxyPassword(TExchange& exchange) {
    if (!Request.Owner) return Refused(exchange, TTry::ProxyAuth);
    // The refusal's body first, so that the connection can carry the request again.
    for (DWORD drained = 0; drained < TExchange::ReadBytes;) {
      const TExchange::TEnd end = exchange.Read(TExchange::ReadBytes);
      if (end != TExchange::Returned) return Sent(exchange, end);
      if (!exchange.Ok() || !exchange.Got()) break;
      drained += exchange.Got();
    }
    const DWORD answer = Inet.InternetErrorDlg(Request.Owner, exchange.Request(), ERROR_SUCCESS,
                                               FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                                   FLAGS_ERROR_UI_FLAGS_GENERATE_DATA |
                                                   FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS,
                                               nullptr);
    return answer == ERROR_INTERNET_FORCE_RETRY ? TTry::Done : Refused(exchange, TTry::ProxyAuth);
  }

  // The body, never read past what the caller allows: one byte more than that is asked, so
  // that a body longer than allowed is seen, and refused.
  TTry Body(TExchange& exchange) {
    const ULONGLONG allowed = Progress.Whole ? Progress.Whole : Limit;
    for (;;) {
      const ULONGLONG room = allowed - Progress.Done + 1;
      const TTry read =
          Sent(exchange, exchange.Read(room < TExchange::ReadBytes ? static_cast<DWORD>(room)
                                                                   : TExchange::ReadBytes));
      if (read != TTry::Done) return read;
      const DWORD got = exchange.Got();
      if (!got) {
        // The end: a body that declared more was cut off, and goes on at the next try.
        if (Progress.Done < Progress.Whole) return Again(ERROR_INTERNET_CONNECTION_ABORTED);
        return TTry::Done;
      }
      if (got > allowed - Progress.Done) return TTry::WrongSize;
      if (!Sink.Write(exchange.Data(), got)) return SinkFailed();
      Progress.Done += got;
    }
  }

  // Waits between two tries, the window alive; false when the watch cancels.
  bool Pause(DWORD ms) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, TExchange::TickMs, QS_ALLINPUT);
      if (!Watch.Waiting(Progress.Done, Progress.Whole)) return false;
    }
    return true;
  }

  // An end that has no reason: none of a try before stays.
  TFetchResult Without(TFetchResult result) {
    Reason = TFetchReason{};
    return result;
  }

  TTry Again(DWORD error) {
    SetReason(error);
    return TTry::Again;
  }

  TTry Final(DWORD error) {
    SetReason(error);
    return TTry::Unreachable;
  }

  TTry SinkFailed() {
    SetReason(GetLastError());
    return TTry::SinkFailed;
  }

  // The server's status and its own words for it.
  TTry Refused(TExchange& exchange, TTry how) {
    char words[128];
    if (!exchange.Header(HTTP_QUERY_STATUS_TEXT, words, sizeof words)) words[0] = '\0';
    Reason.Error = 0;
    Reason.Status = exchange.Status();
    int n = wsprintfW(Reason.Text, L"%lu ", Reason.Status);
    for (const char* c = words; *c && n + 1 < static_cast<int>(ARRAYSIZE(Reason.Text)); ++c)
      if (*c >= ' ' && *c <= '~') Reason.Text[n++] = static_cast<wchar_t>(*c);
    Reason.Text[n] = L'\0';
    return how;
  }

  void SetReason(DWORD error) {
    Reason.Error = error;
    Reason.Status = 0;
    SystemReason(error, Reason.Text, ARRAYSIZE(Reason.Text));
  }

  const TWinInet& Inet;
  HINTERNET Session;
  const TFetchRequest& Request;
  TFetchSink& Sink;
  TFetchWatch& Watch;
  TFetchReason& Reason;
  const ULONGLONG Limit;  // the most bytes the body may have
  TProgress Progress;
  bool Ranges = true;  // whether a range may be asked
};

}  // namespace

TFetcher::~TFetcher() {
  if (Session) WinInet()->InternetCloseHandle(Session);
}

TFetchResult TFetcher::Fetch(const TFetchRequest& request, TFetchSink& sink, TFetchWatch& watch,
                             TFetchReason* reason) {
  *reason = TFetchReason{};
  const TWinInet* inet = WinInet();
  if (inet && !Session)
    Session = inet->InternetOpenA(Agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!Session) {
    reason->Error = GetLastError();
    SystemReason(reason->Error, reason->Text, ARRAYSIZE(reason->Text));
    return FetchUnreachable;
  }
  return TFetching(*inet, Session, request, sink, watch, *reason).Run();
}
