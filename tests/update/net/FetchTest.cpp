// Fetches under Wine from the tests' own servers on 127.0.0.1: nginx for what a plain static
// server does, the faults server for what a broken one does, tinyproxy for a proxy that
// wants a password.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "Driver.h"
#include "Files.h"
#include "TestThread.h"
#include "WebServers.h"
#include "update/net/Fetch.h"

namespace {

const char kUser[] = "talvo", kPassword[] = "proxy-secret";
const ULONGLONG kMegabyte = 1 << 20;

// Bytes that differ from place to place, so that a part put in the wrong place shows.
std::string Bytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return bytes;
}

class MemorySink : public TFetchSink {
public:
  bool Restart() override {
    bytes.clear();
    ++restarts;
    return true;
  }
  bool Write(const void* data, DWORD size) override {
    bytes.append(static_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
  int restarts = 0;
};

// Takes the thread's messages as the window's loop would; cancels once cancelAt bytes came.
class PumpingWatch : public TFetchWatch {
public:
  bool Waiting(ULONGLONG done, ULONGLONG whole) override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    lastWhole = whole;
    return done < cancelAt;
  }
  ULONGLONG cancelAt = ~0ull;
  ULONGLONG lastWhole = 0;
};

struct Fetched {
  TFetchResult result;
  TFetchReason reason;
  std::string bytes;
  int restarts;
};

// A fetch, by a fetcher of its own unless one is given.
Fetched Get(const std::string& url, ULONGLONG size, ULONGLONG limit = 0, DWORD stallMs = 30000,
            HWND owner = nullptr, PumpingWatch* watch = nullptr, TFetcher* fetcher = nullptr) {
  MemorySink sink;
  PumpingWatch ownWatch;
  TFetcher ownFetcher;
  Fetched got;
  const TFetchRequest request = {url.c_str(), size, limit, stallMs, owner};
  got.result = (fetcher ? *fetcher : ownFetcher)
                   .Fetch(request, sink, watch ? *watch : ownWatch, &got.reason);
  got.bytes = sink.bytes;
  got.restarts = sink.restarts;
  return got;
}

class Fetching : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    site_ = new support::TempDir;
    const std::wstring root = site_->Sub(L"site");
    five_ = Bytes(5 * kMegabyte, 5);
    small_ = Bytes(100 * 1024, 1);
    support::WriteFile(root + L"\\five.bin", five_);
    support::WriteFile(root + L"\\small.bin", small_);
    servers_ = new support::WebServers(root, kUser, kPassword);
  }
  static void TearDownTestSuite() {
    delete servers_;
    delete site_;
  }
  void SetUp() override { ASSERT_TRUE(servers_->Started()); }

  static support::TempDir* site_;
  static support::WebServers* servers_;
  static std::string five_, small_;
};

support::TempDir* Fetching::site_;
support::WebServers* Fetching::servers_;
std::string Fetching::five_, Fetching::small_;

TEST_F(Fetching, TakesOnlyWhatWasAskedFromServersThatMisbehave) {
  const ULONGLONG five = five_.size(), small = small_.size();
  const std::string web = servers_->Url("web", "");
  const struct {
    const char* name;
    const char* server;
    std::string path;
    ULONGLONG size, limit;
    TFetchResult result;
    const std::string* body;  // what the sink holds at the end, when the fetch is done
    int restarts;
  } rows[] = {
      {"the whole, its size known", "web", "/five.bin", five, 0, FetchDone, &five_, 0},
      {"the whole within a limit", "web", "/small.bin", 0, kMegabyte, FetchDone, &small_, 0},
      {"a length over the limit", "web", "/five.bin", 0, kMegabyte, FetchWrongSize, nullptr, 0},
      {"a length too long", "faults", "/small.bin?length=10", small, 0, FetchWrongSize, nullptr, 0},
      {"a length too short", "faults", "/small.bin?length=-10", small, 0, FetchWrongSize, nullptr,
       0},
      {"an endless body", "faults", "/small.bin?endless=1", small, 0, FetchWrongSize, nullptr, 0},
      {"an endless body, size unknown", "faults", "/small.bin?endless=1", 0, kMegabyte,
       FetchWrongSize, nullptr, 0},
      {"a cut, then ranges ignored", "faults", "/five.bin?cut=1000000&faulty=1&ranges=no", five, 0,
       FetchDone, &five_, 1},
      {"a cut, then a part that starts late", "faults", "/five.bin?cut=1000000&faulty=1&range=late",
       five, 0, FetchDone, &five_, 1},
      {"a cut of a body of unknown size", "faults", "/small.bin?cut=50000&faulty=1", 0, kMegabyte,
       FetchDone, &small_, 0},
      {"five redirects", "faults", "/small.bin?redirect=5", small, 0, FetchDone, &small_, 0},
      {"six redirects", "faults", "/small.bin?redirect=6", small, 0, FetchUnreachable, nullptr, 0},
      {"a redirect to another server", "faults", "/small.bin?to=" + web + "/small.bin", small, 0,
       FetchDone, &small_, 0},
      {"a redirect to ftp", "faults", "/small.bin?to=ftp://127.0.0.1/small.bin", small, 0,
       FetchUnreachable, nullptr, 0},
      {"a redirect to a file", "faults", "/small.bin?to=file:///C:/windows/win.ini", small, 0,
       FetchUnreachable, nullptr, 0},
      {"not found", "web", "/missing.bin", small, 0, FetchUnreachable, nullptr, 0},
      {"unavailable", "faults", "/small.bin?status=503", small, 0, FetchUnreachable, nullptr, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Fetched got = Get(servers_->Url(row.server, row.path), row.size, row.limit);
    EXPECT_EQ(row.result, got.result);
    if (row.body) {
      EXPECT_TRUE(got.bytes == *row.body) << got.bytes.size() << " bytes";
    }
    EXPECT_EQ(row.restarts, got.restarts);
  }
}

TEST_F(Fetching, TellsWhyTheServerDidNotServe) {
  const struct {
    std::string url;
    DWORD error, status;
    const wchar_t* text;  // the server's own words, where it gave some
  } rows[] = {
      {servers_->Url("web", "/missing.bin"), 0, 404, L"404 Not Found"},
      {servers_->Url("faults", "/small.bin?status=503"), 0, 503, L"503 Service Unavailable"},
      {servers_->Url("faults", "/small.bin?redirect=6"), ERROR_HTTP_REDIRECT_FAILED, 0, nullptr},
      {servers_->Url("faults", "/small.bin?to=ftp://127.0.0.1/"),
       ERROR_INTERNET_UNRECOGNIZED_SCHEME, 0, nullptr},
      {"http://127.0.0.1:1/small.bin", ERROR_INTERNET_CANNOT_CONNECT, 0, nullptr},  // no server
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.url);
    const Fetched got = Get(row.url, small_.size());
    EXPECT_EQ(FetchUnreachable, got.result);
    EXPECT_EQ(row.error, got.reason.Error);
    EXPECT_EQ(row.status, got.reason.Status);
    if (row.text) {
      EXPECT_STREQ(row.text, got.reason.Text);
    }
  }
}

TEST_F(Fetching, ResumesAConnectionCutEveryHalfMegabyte) {
  const std::string path = "/five.bin?cut=524288";
  const Fetched got = Get(servers_->Url("faults", path), five_.size());
  EXPECT_EQ(FetchDone, got.result);
  EXPECT_TRUE(got.bytes == five_);
  EXPECT_EQ(0, got.restarts);
  const unsigned long long sent = servers_->BytesSent("faults", path);
  EXPECT_LE(sent, five_.size() + five_.size() / 50) << "at most 2 % more than the file";
}

TEST_F(Fetching, GivesUpOnAServerThatStalls) {
  const std::string path = "/five.bin?stall=0";  // the head, then nothing of the body
  const Fetched got = Get(servers_->Url("faults", path), five_.size(), 0, 500);
  EXPECT_EQ(FetchUnreachable, got.result);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_TIMEOUT), got.reason.Error);
  EXPECT_STRNE(L"", got.reason.Text);
  // A request shows in the log once its connection is closed: the last one a moment later.
  const auto tries = [&] {
    int n = 0;
    for (const std::string& line : servers_->Log("faults")) n += line.find(path) != line.npos;
    return n;
  };
  ui::WaitUntil([&] { return tries() >= static_cast<int>(FetchTries); });
  EXPECT_EQ(static_cast<int>(FetchTries), tries());
}

TEST_F(Fetching, CancelsAtOnce) {
  const struct {
    const char* name;
    const char* path;
  } rows[] = {
      // The server holds the rest for minutes: only giving the call up ends the fetch.
      {"while the server holds the body", "/five.bin?stall=300000"},
      // Each call returns at once: the watch is called all the same.
      {"while the bytes come", "/five.bin?pace=20"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PumpingWatch watch;
    watch.cancelAt = 300000;
    const Fetched got =
        Get(servers_->Url("faults", row.path), five_.size(), 0, 30000, nullptr, &watch);
    EXPECT_EQ(FetchCancelled, got.result);
    EXPECT_LE(300000u, got.bytes.size());
    EXPECT_GT(five_.size() / 2, got.bytes.size());
    EXPECT_EQ(five_.size(), watch.lastWhole);
  }
}

// A proxy that wants a password, set as the user's proxy in the Internet settings.
class ThroughProxy : public Fetching {
protected:
  // Answers the proxy's password dialog of this process, if one shows within waitMs: with the
  // user and password, or with Cancel when there are none. Whether one showed.
  static bool Answer(const wchar_t* user, const wchar_t* password, DWORD waitMs = ui::kWaitMs) {
    HWND dialog = ui::WaitTop(GetCurrentProcessId(), L"#32770", waitMs);
    if (!dialog) return false;
    if (user) {
      HWND first = ui::FindChild(dialog, L"Edit");
      HWND second = FindWindowExW(dialog, first, L"Edit", nullptr);
      ui::SetText(first, user);
      ui::SetText(second, password);
    }
    ui::Click(ui::Control(dialog, user ? IDOK : IDCANCEL));
    return true;
  }
};

TEST_F(ThroughProxy, UnattendedTellsThatTheProxyWantsAPassword) {
  support::ProxySettings proxy(servers_->Address("proxy"));
  const size_t served = servers_->Log("web").size();
  const Fetched got = Get(servers_->Url("web", "/small.bin"), small_.size());
  EXPECT_EQ(FetchProxyAuth, got.result);
  EXPECT_EQ(407u, got.reason.Status);
  EXPECT_EQ(served, servers_->Log("web").size()) << "nothing reached the server";
}

TEST_F(ThroughProxy, AsksThePasswordWithTheWindowOncePerRun) {
  support::ProxySettings proxy(servers_->Address("proxy"));
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner);
  const std::string small = servers_->Url("web", "/small.bin");
  {
    TFetcher run;
    bool asked = false;
    TTestThread answer([&] { asked = Answer(L"talvo", L"proxy-secret"); });
    EXPECT_EQ(FetchDone, Get(small, small_.size(), 0, 30000, owner, nullptr, &run).result);
    answer.Join();
    EXPECT_TRUE(asked);
    // The next file of the run goes with the password given.
    TTestThread refuse([&] { asked = Answer(nullptr, nullptr, 2000); });
    const Fetched got =
        Get(servers_->Url("web", "/five.bin"), five_.size(), 0, 30000, owner, nullptr, &run);
    refuse.Join();
    EXPECT_EQ(FetchDone, got.result);
    EXPECT_TRUE(got.bytes == five_);
    EXPECT_FALSE(asked) << "asked again";
  }
  {
    TTestThread answer([] { Answer(nullptr, nullptr); });
    EXPECT_EQ(FetchProxyAuth, Get(small, small_.size(), 0, 30000, owner).result)
        << "the dialog cancelled";
  }
  DestroyWindow(owner);
}

// Unattended with the password in the settings: under Wine, in the proxy's URL of
// http_proxy (where the Internet settings name no proxy).
TEST_F(ThroughProxy, UnattendedWithThePasswordInTheSettings) {
  const std::string proxy =
      "http://" + std::string(kUser) + ":" + kPassword + "@" + servers_->Address("proxy");
  ASSERT_TRUE(SetEnvironmentVariableA("http_proxy", proxy.c_str()));
  const Fetched got = Get(servers_->Url("web", "/small.bin"), small_.size());
  SetEnvironmentVariableA("http_proxy", nullptr);
  EXPECT_EQ(FetchDone, got.result);
  EXPECT_TRUE(got.bytes == small_);
}

}  // namespace
