// What a server's reply decides, as tables; the WinINet the fetch takes.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "Files.h"
#include "update/net/Reply.h"
#include "update/net/WinInet.h"

namespace {

TEST(Reply, IsUsedOnlyWhenItIsWhatWasAsked) {
  const TAsked whole = {0, 1000, 1000, 1000};      // an archive, from its start
  const TAsked rest = {400, 1000, 1000, 1000};     // the same, resumed at 400
  const TAsked capped = {0, 0, 0, 1 << 20};        // a description: at most 1 MB
  const TAsked learned = {400, 0, 1000, 1 << 20};  // resumed where a reply told 1000
  const struct {
    const char* name;
    TAsked asked;
    TReplyHead reply;
    TVerdict verdict;
  } rows[] = {
      {"the whole, its length right", whole, {200, "1000", nullptr}, TVerdict::Use},
      {"the whole, no length", whole, {200, nullptr, nullptr}, TVerdict::Use},
      {"the whole, another length", whole, {200, "999", nullptr}, TVerdict::WrongSize},
      {"the whole, longer than allowed", capped, {200, "1048577", nullptr}, TVerdict::WrongSize},
      {"the whole, within the limit", capped, {200, "1048576", nullptr}, TVerdict::Use},
      {"a length that is no number", whole, {200, "1e3", nullptr}, TVerdict::Use},
      {"a length past any file", capped, {200, "9999999999999999999", nullptr}, TVerdict::Use},
      {"the whole to a range: ranges ignored", rest, {200, "1000", nullptr}, TVerdict::Restart},
      {"the part asked", rest, {206, "600", "bytes 400-999/1000"}, TVerdict::Use},
      {"the part asked, no length", rest, {206, nullptr, "bytes 400-999/1000"}, TVerdict::Use},
      {"the part asked, unit in capitals", rest, {206, "600", "Bytes 400-999/1000"}, TVerdict::Use},
      {"the part of a size told before",
       learned,
       {206, "600", "bytes 400-999/1000"},
       TVerdict::Use},
      {"a part that starts later", rest, {206, "599", "bytes 401-999/1000"}, TVerdict::Drop},
      {"a part that starts earlier", rest, {206, "601", "bytes 399-999/1000"}, TVerdict::Drop},
      {"a part short of the end", rest, {206, "100", "bytes 400-499/1000"}, TVerdict::Drop},
      {"a part of another size", rest, {206, "1600", "bytes 400-1999/2000"}, TVerdict::Drop},
      {"a part whose length disagrees", rest, {206, "500", "bytes 400-999/1000"}, TVerdict::Drop},
      {"a part without its range", rest, {206, "600", nullptr}, TVerdict::Drop},
      {"a part of unknown size", rest, {206, "600", "bytes 400-999/*"}, TVerdict::Drop},
      {"a range with more after it", rest, {206, "600", "bytes 400-999/1000, x"}, TVerdict::Drop},
      {"a range in other units", rest, {206, "600", "items 400-999/1000"}, TVerdict::Drop},
      {"a part nobody asked for", whole, {206, "600", "bytes 400-999/1000"}, TVerdict::Drop},
      {"a range that cannot be had", rest, {416, "0", "bytes */900"}, TVerdict::Drop},
      {"no content", whole, {204, "0", nullptr}, TVerdict::Drop},
      {"not modified", whole, {304, nullptr, nullptr}, TVerdict::Drop},
      {"moved", whole, {301, nullptr, nullptr}, TVerdict::Redirect},
      {"found", whole, {302, nullptr, nullptr}, TVerdict::Redirect},
      {"see other", whole, {303, nullptr, nullptr}, TVerdict::Redirect},
      {"temporary", whole, {307, nullptr, nullptr}, TVerdict::Redirect},
      {"permanent", whole, {308, nullptr, nullptr}, TVerdict::Redirect},
      {"the proxy wants a password", whole, {407, "100", nullptr}, TVerdict::ProxyAuth},
      {"not found", whole, {404, "10", nullptr}, TVerdict::Refused},
      {"the server wants a password", whole, {401, "10", nullptr}, TVerdict::Refused},
      {"unavailable", rest, {503, "10", nullptr}, TVerdict::Refused},
  };
  for (const auto& row : rows)
    EXPECT_EQ(static_cast<int>(row.verdict), static_cast<int>(Judge(row.asked, row.reply)))
        << row.name;
}

TEST(Reply, CountsAreDecimalDigitsOnly) {
  const struct {
    const char* text;
    bool taken;
    ULONGLONG value;
  } rows[] = {
      {"0", true, 0},
      {"5242880", true, 5242880},
      {"999999999999999999", true, 999999999999999999ull},
      {"1000000000000000000", false, 0},  // 19 digits: past any file, and near the type's end
      {"", false, 0},
      {"-1", false, 0},
      {"+1", false, 0},
      {" 1", false, 0},
      {"1 ", false, 0},
      {"0x10", false, 0},
  };
  for (const auto& row : rows) {
    ULONGLONG value = 0;
    EXPECT_EQ(row.taken, ParseCount(row.text, &value)) << '"' << row.text << '"';
    if (row.taken) {
      EXPECT_EQ(row.value, value) << row.text;
    }
  }
}

TEST(Reply, RedirectsLeadOnlyToHttpOrHttps) {
  const TWinInet* inet = WinInet();
  ASSERT_TRUE(inet);
  const char base[] = "http://127.0.0.1:8080/dir/file.bin?x=1";
  const struct {
    const char* location;
    DWORD refused;
    const char* target;
  } rows[] = {
      {"http://mirror.test/a.bin", 0, "http://mirror.test/a.bin"},
      {"HTTPS://mirror.test/a.bin", 0, "https://mirror.test/a.bin"},
      {"/other.bin", 0, "http://127.0.0.1:8080/other.bin"},
      {"next.bin?y=2", 0, "http://127.0.0.1:8080/dir/next.bin?y=2"},
      {"ftp://127.0.0.1/a.bin", ERROR_INTERNET_UNRECOGNIZED_SCHEME, nullptr},
      {"file:///C:/windows/win.ini", ERROR_INTERNET_UNRECOGNIZED_SCHEME, nullptr},
      {"", ERROR_HTTP_INVALID_SERVER_RESPONSE, nullptr},
      {nullptr, ERROR_HTTP_INVALID_SERVER_RESPONSE, nullptr},
  };
  for (const auto& row : rows) {
    char out[INTERNET_MAX_URL_LENGTH + 1] = "";
    const char* shown = row.location ? row.location : "(none)";
    EXPECT_EQ(row.refused, RedirectTarget(*inet, base, row.location, out, sizeof out)) << shown;
    if (row.target) {
      EXPECT_STREQ(row.target, out) << shown;
    }
  }
}

// Every entry taken at run time is one that Windows XP SP3's WinINet exports.
TEST(WinInet, TakesOnlyWhatWindowsXpHas) {
  std::string text;
  ASSERT_TRUE(support::ReadFile(support::WindowsPath(TALVO_XP_EXPORTS), &text)) << TALVO_XP_EXPORTS;
  std::set<std::string> exports;
  std::istringstream list(text);
  for (std::string line; std::getline(list, line);) exports.insert(line);
  for (const char* name : WinInetNames)
    EXPECT_EQ(1u, exports.count(std::string("wininet.dll ") + name)) << name;
  EXPECT_TRUE(WinInet());
}

TEST(WinInet, ReasonsInTheSystemsWords) {
  ASSERT_TRUE(WinInet());
  wchar_t text[256];
  SystemReason(ERROR_INTERNET_TIMEOUT, text, 256);  // from WinINet's own messages
  EXPECT_STRNE(L"", text);
  SystemReason(ERROR_FILE_NOT_FOUND, text, 256);
  EXPECT_STRNE(L"", text);
  EXPECT_NE(L'\n', text[lstrlenW(text) - 1]);
}

}  // namespace
