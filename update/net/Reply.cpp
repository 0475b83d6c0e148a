#include "update/net/Reply.h"

#include "update/net/WinInet.h"

namespace {

// "bytes FIRST-LAST/WHOLE", nothing else.
bool ParseRange(const char* text, ULONGLONG* first, ULONGLONG* last, ULONGLONG* whole) {
  if (!text) return false;
  const char* p = text;
  for (const char* unit = "bytes "; *unit; ++unit, ++p)
    if ((*p | 0x20) != *unit) return false;  // a blank stays a blank
  char part[3][20];
  for (int k = 0; k < 3; ++k) {
    int n = 0;
    while (*p >= '0' && *p <= '9' && n < 19) part[k][n++] = *p++;
    part[k][n] = '\0';
    if (*p != (k == 0 ? '-' : k == 1 ? '/' : '\0')) return false;
    if (k < 2) ++p;
  }
  return ParseCount(part[0], first) && ParseCount(part[1], last) && ParseCount(part[2], whole);
}

}  // namespace

bool ParseCount(const char* text, ULONGLONG* value) {
  if (!text || !*text) return false;
  ULONGLONG n = 0;
  int digits = 0;
  for (; *text; ++text, ++digits) {
    if (*text < '0' || *text > '9' || digits == 18) return false;
    n = n * 10 + static_cast<ULONGLONG>(*text - '0');
  }
  *value = n;
  return true;
}

TVerdict Judge(const TAsked& asked, const TReplyHead& reply) {
  ULONGLONG length = 0;
  const bool declared = ParseCount(reply.Length, &length);
  switch (reply.Status) {
    case HTTP_STATUS_MOVED:
    case HTTP_STATUS_REDIRECT:
    case HTTP_STATUS_REDIRECT_METHOD:
    case HTTP_STATUS_REDIRECT_KEEP_VERB:
    case 308:  // permanent, keeping the method
      return TVerdict::Redirect;
    case HTTP_STATUS_PROXY_AUTH_REQ: return TVerdict::ProxyAuth;
    case HTTP_STATUS_OK:
      if (declared && ((asked.Size && length != asked.Size) || length > asked.Limit))
        return TVerdict::WrongSize;
      return asked.From ? TVerdict::Restart : TVerdict::Use;
    case HTTP_STATUS_PARTIAL_CONTENT: {
      ULONGLONG first, last, whole;
      if (!asked.From || !ParseRange(reply.Range, &first, &last, &whole)) return TVerdict::Drop;
      if (first != asked.From || whole != asked.Whole || last + 1 != whole) return TVerdict::Drop;
      if (declared && length != whole - first) return TVerdict::Drop;
      return TVerdict::Use;
    }
    case 416:  // the range cannot be had: the file is shorter than it was
      return TVerdict::Drop;
  }
  return reply.Status >= 400 ? TVerdict::Refused : TVerdict::Drop;
}

DWORD RedirectTarget(const TWinInet& inet, const char* base, const char* location, char* out,
                     DWORD size) {
  if (!location || !*location) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  DWORD n = size;
  if (!inet.InternetCombineUrlA(base, location, out, &n, 0))
    return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  if (!inet.InternetCrackUrlA(out, 0, 0, &parts)) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
  return parts.dwHostNameLength ? 0 : ERROR_HTTP_INVALID_SERVER_RESPONSE;
}
