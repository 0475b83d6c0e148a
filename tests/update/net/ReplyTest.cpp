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
      {"the whole, over the limit", capped, {200, "1048577", nullptr}, TVerdict::WrongSize},
      {"the whole, within the limit", capped, {200, "1048576", nullptr}, TVerdict::Use},
      {"a length that is no number", whole, {200, "1e3", nullptr}, TVerdict::Use},
      {"a length past any file", capped, {200, "9999999999999999999", nullptr}, TVerdict::Use},
      {"the whole to a range: ranges ignored", rest, {200, "1000", nullptr}, TVerdict::Restart},
      {"the part asked", rest, {206, "600", "bytes 400-999/1000"}, TVerdict::Use},
      {"the part asked, no length", rest, {206, nullptr, "bytes 400-999/1000"}, TVerdict::Use},
      {"the part of a size told before",
       learned,
       {206, "600", "bytes 400-999/1000"},
       TVerdict::Use},
      {"a part that starts later", rest, {206, "599", "bytes 401-999/1000"}, TVerdict::Drop},
      {"a part short of the end", rest, {206, "100", "bytes 400-499/1000"}, TVerdict::Drop},
      {"a part of another size", rest, {206, "1600", "bytes 400-1999/2000"}, TVerdict::Drop},
      {"a part whose length disagrees", rest, {206, "500", "bytes 400-999/1000"}, TVerdict::Drop},
      {"a part without its range", rest, {206, "600", nullptr}, TVerdict::Drop},
      {"a part of unknown size", rest, {206, "600", "bytes 400-999/*"}, TVerdict::Drop},
      {"a range in other units", rest, {206, "600", "items 400-999/1000"}, TVerdict::Drop},
      {"a part nobody asked for", whole, {206, "600", "bytes 400-999/1000"}, TVerdict::Drop},
      {"a range that cannot be had", rest, {416, "0", "bytes */900"}, TVerdict::Drop},
      {"not modified", whole, {304, nullptr, nullptr}, TVerdict::Drop},
      {"found elsewhere", whole, {302, nullptr, nullptr}, TVerdict::Redirect},
      {"moved for good", whole, {308, nullptr, nullptr}, TVerdict::Redirect},
      {"the proxy wants a password", whole, {407, "100", nullptr}, TVerdict::ProxyAuth},
      {"not found", whole, {404, "10", nullptr}, TVerdict::Refused},
      {"unavailable", rest, {503, "10", nullptr}, TVerdict::Refused},
  };
  for (const auto& row : rows)
    EXPECT_EQ(static_cast<int>(row.verdict), static_cast<int>(Judge(row.asked, row.reply)))
        << row.name;
}

TEST(Reply, RedirectsLeadOnlyToHttpOrHttps) {
  const TWinInet* inet = WinInet();
  ASSERT_TRUE(inet);
  const struct {
    const char* location;
    DWORD refused;
    const char* target;
  } rows[] = {
      {"HTTPS://mirror.test/a.bin", 0, "https://mirror.test/a.bin"},
      {"next.bin?y=2", 0, "http://127.0.0.1:8080/dir/next.bin?y=2"},
      {"ftp://127.0.0.1/a.bin", ERROR_INTERNET_UNRECOGNIZED_SCHEME, ""},
      {"file:///C:/windows/win.ini", ERROR_INTERNET_UNRECOGNIZED_SCHEME, ""},
      {"", ERROR_HTTP_INVALID_SERVER_RESPONSE, ""},
  };
  for (const auto& row : rows) {
    char out[INTERNET_MAX_URL_LENGTH + 1] = "";
    const DWORD refused =
        RedirectTarget(*inet, "http://127.0.0.1:8080/dir/a.bin?x=1", row.location, out, sizeof out);
    EXPECT_EQ(row.refused, refused) << row.location;
    if (!refused) {
      EXPECT_STREQ(row.target, out) << row.location;
    }
  }
}

// Every entry taken at run time is one that Windows XP SP3's WinINet exports.
TEST(WinInet, TakesOnlyWhatWindowsXpHas) {
  std::string text;
  ASSERT_TRUE(support::ReadFile(support::WindowsPath(TALVO_XP_EXPORTS), &text));
  std::set<std::string> exports;
  std::istringstream list(text);
  for (std::string line; std::getline(list, line);) exports.insert(line);
  for (const char* name : WinInetNames)
    EXPECT_EQ(1u, exports.count(std::string("wininet.dll ") + name)) << name;
  EXPECT_TRUE(WinInet());
}

}  // namespace
