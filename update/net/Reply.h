#pragma once
// What a server's reply decides, from its status and the lengths it declares, before any
// byte of its body is read. The server is not trusted: a reply is used only when it is
// exactly what was asked.
#include <windows.h>

// What one try asked for.
struct TAsked {
  ULONGLONG From;   // the body's first byte asked: a range from it when above 0
  ULONGLONG Size;   // the body's size that the caller requires, or 0
  ULONGLONG Whole;  // the body's size as known so far (Size, or a former reply's), or 0
  ULONGLONG Limit;  // the most bytes the body may have
};

// The reply's head as the server gave it.
struct TReplyHead {
  DWORD Status;
  const char* Length;  // Content-Length, or null
  const char* Range;   // Content-Range, or null
};

enum class TVerdict {
  Use,        // the body is what was asked: it goes on from From
  Restart,    // the whole body from its first byte: a server that ignores ranges
  Drop,       // not what was asked: nothing of it is used, and the next try asks the whole
  WrongSize,  // the body cannot be within what the caller allows
  Redirect,   // the answer is elsewhere (Location)
  ProxyAuth,  // a proxy asks for a password
  Refused,    // the server answered with an error
};

TVerdict Judge(const TAsked& asked, const TReplyHead& reply);

// A length as a server writes it: decimal digits only, at most 18 of them.
bool ParseCount(const char* text, ULONGLONG* value);

// Where a redirect leads: location (absolute or relative to base) made whole into out (size
// bytes). 0 when it may be followed, an http or https URL; otherwise the reason:
// ERROR_INTERNET_UNRECOGNIZED_SCHEME for another scheme, ERROR_HTTP_INVALID_SERVER_RESPONSE
// for no URL at all.
struct TWinInet;
DWORD RedirectTarget(const TWinInet& inet, const char* base, const char* location, char* out,
                     DWORD size);

// How many redirects one try follows.
enum : DWORD { RedirectsMax = 5 };
