// Fetches under Wine from the tests' own servers on 127.0.0.1: nginx for what a plain static
// server does, the faults server for what a broken one does, tinyproxy for a proxy that
// wants a password.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>
#include <tuple>

#include "Driver.h"
#include "TestThread.h"
#include "WebServers.h"
#include "update/net/Fetch.h"

namespace {

// The body into memory; the window's loop meanwhile; a cancel once cancelAt bytes came.
class Receiver : public TFetchSink, public TFetchWatch {
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
  bool Waiting(ULONGLONG done, ULONGLONG whole) override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    told = whole;
    return done < cancelAt;
  }
  // A fetch of url by fetcher, or by a fetcher of its own.
  TFetchResult Get(const std::string& url, ULONGLONG size, ULONGLONG limit = 0,
                   DWORD stallMs = 30000, HWND owner = nullptr, TFetcher* fetcher = nullptr) {
    TFetcher own;
    const TFetchRequest request = {url.c_str(), size, limit, stallMs, owner};
    return (fetcher ? *fetcher : own).Fetch(request, *this, *this, &reason);
  }
  std::string bytes;
  int restarts = 0;
  ULONGLONG cancelAt = ~0ull, told = 0;
  TFetchReason reason;
};

class Fetching : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    site_ = new support::TempDir;
    const std::wstring root = site_->Sub(L"site");
    for (auto [name, bytes, size] : {std::make_tuple(L"\\five.bin", &five_, 5 << 20),
                                     std::make_tuple(L"\\small.bin", &small_, 100 << 10)}) {
      bytes->resize(size);  // bytes that differ from place to place: a part misplaced shows
      for (int i = 0; i < size; ++i) (*bytes)[i] = static_cast<char>((i * 2654435761u) >> 24);
      support::WriteFile(root + name, *bytes);
    }
    servers_ = new support::WebServers(root, "talvo", "proxy-secret");
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

TEST_F(Fetching, TakesOnlyWhatWasAskedAndTellsWhyNot) {
  const ULONGLONG five = five_.size(), small = small_.size(), mb = 1 << 20;
  const struct {
    const char* server;  // its URL before the path; none: the path is the URL
    std::string path;
    ULONGLONG size, limit;
    TFetchResult result;
    const std::string* body;  // what the sink holds at the end, when the fetch is done
    int restarts;
    DWORD error, status;
  } rows[] = {
      {"web", "/five.bin", five, 0, FetchDone, &five_, 0, 0, 0},
      {"web", "/small.bin", 0, mb, FetchDone, &small_, 0, 0, 0},
      {"web", "/five.bin", 0, mb, FetchWrongSize, nullptr, 0, 0, 0},
      {"faults", "/small.bin?length=10", small, 0, FetchWrongSize, nullptr, 0, 0, 0},
      {"faults", "/small.bin?length=-10", small, 0, FetchWrongSize, nullptr, 0, 0, 0},
      {"faults", "/small.bin?endless=1", small, 0, FetchWrongSize, nullptr, 0, 0, 0},
      {"faults", "/small.bin?endless=1", 0, mb, FetchWrongSize, nullptr, 0, 0, 0},
      // Cut once, then the whole again to the range asked, or a part that starts late.
      {"faults", "/five.bin?cut=1000000&faulty=1&ranges=no", five, 0, FetchDone, &five_, 1, 0, 0},
      {"faults", "/five.bin?cut=1000000&faulty=1&range=late", five, 0, FetchDone, &five_, 1, 0, 0},
      {"faults", "/small.bin?cut=50000&faulty=1", 0, mb, FetchDone, &small_, 0, 0, 0},
      {"faults", "/small.bin?redirect=5", small, 0, FetchDone, &small_, 0, 0, 0},
      {"faults", "/small.bin?to=" + servers_->Url("web", "/small.bin"), small, 0, FetchDone,
       &small_, 0, 0, 0},
      {"faults", "/small.bin?redirect=6", small, 0, FetchUnreachable, nullptr, 0,
       ERROR_HTTP_REDIRECT_FAILED, 0},
      {"faults", "/small.bin?to=ftp://127.0.0.1/small.bin", small, 0, FetchUnreachable, nullptr, 0,
       ERROR_INTERNET_UNRECOGNIZED_SCHEME, 0},
      {"faults", "/small.bin?to=file:///C:/windows/win.ini", small, 0, FetchUnreachable, nullptr, 0,
       ERROR_INTERNET_UNRECOGNIZED_SCHEME, 0},
      {"web", "/missing.bin", small, 0, FetchUnreachable, nullptr, 0, 0, 404},
      {"faults", "/small.bin?status=503", small, 0, FetchUnreachable, nullptr, 0, 0, 503},
      {nullptr, "http://127.0.0.1:1/small.bin", small, 0, FetchUnreachable, nullptr, 0,
       ERROR_INTERNET_CANNOT_CONNECT, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    Receiver got;
    EXPECT_EQ(row.result, got.Get(row.server ? servers_->Url(row.server, row.path) : row.path,
                                  row.size, row.limit));
    EXPECT_TRUE(!row.body || got.bytes == *row.body) << got.bytes.size() << " bytes";
    EXPECT_EQ(row.restarts, got.restarts);
    EXPECT_EQ(row.error, got.reason.Error);
    EXPECT_EQ(row.status, got.reason.Status);
  }
  Receiver got;
  got.Get(servers_->Url("web", "/missing.bin"), small);
  EXPECT_STREQ(L"404 Not Found", got.reason.Text) << "the server's own words";
}

TEST_F(Fetching, ResumesAConnectionCutEveryHalfMegabyte) {
  const std::string path = "/five.bin?cut=524288";
  Receiver got;
  EXPECT_EQ(FetchDone, got.Get(servers_->Url("faults", path), five_.size()));
  EXPECT_TRUE(got.bytes == five_);
  EXPECT_LE(servers_->BytesSent("faults", path), five_.size() + five_.size() / 50)
      << "at most 2 % more than the file";
}

TEST_F(Fetching, GivesUpOnAServerThatStalls) {
  const std::string path = "/five.bin?stall=0";  // the head, then nothing
  Receiver got;
  EXPECT_EQ(FetchUnreachable, got.Get(servers_->Url("faults", path), five_.size(), 0, 500));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_TIMEOUT), got.reason.Error);
  EXPECT_STRNE(L"", got.reason.Text);
  // A request shows in the log once its connection is closed: the last one a moment later.
  const auto tries = [&] {
    int n = 0;
    for (const std::string& line : servers_->Log("faults")) n += line.find(path) != line.npos;
    return n;
  };
  EXPECT_TRUE(ui::WaitUntil([&] { return tries() == static_cast<int>(FetchTries); }));
}

TEST_F(Fetching, CancelsAtOnce) {
  // The server holding the rest for minutes; the bytes coming at once, call after call.
  for (const char* path : {"/five.bin?stall=300000", "/five.bin?pace=20"}) {
    SCOPED_TRACE(path);
    Receiver got;
    got.cancelAt = 300000;
    EXPECT_EQ(FetchCancelled, got.Get(servers_->Url("faults", path), five_.size()));
    EXPECT_LE(300000u, got.bytes.size());
    EXPECT_GT(five_.size() / 2, got.bytes.size());
    EXPECT_EQ(five_.size(), got.told);
  }
}

// Answers the proxy's password dialog of this process if one shows in time: with the user and
// password, or with Cancel when there are none. Whether one showed.
bool AnswerProxy(const wchar_t* user, const wchar_t* password, DWORD waitMs = ui::kWaitMs) {
  HWND dialog = ui::WaitTop(GetCurrentProcessId(), L"#32770", waitMs);
  if (!dialog) return false;
  if (user) {
    HWND first = ui::FindChild(dialog, L"Edit");
    ui::SetText(first, user);
    ui::SetText(FindWindowExW(dialog, first, L"Edit", nullptr), password);
  }
  ui::Click(ui::Control(dialog, user ? IDOK : IDCANCEL));
  return true;
}

TEST_F(Fetching, ThroughAProxyThatWantsAPassword) {
  // The server by another name: Wine's WinINet would send a request for 127.0.0.1 over a
  // connection of the tests before, made without the proxy.
  const std::string address = servers_->Address("web");
  const std::string web = "http://localhost" + address.substr(address.find(':'));
  const std::string small = web + "/small.bin";
  {
    support::ProxySettings proxy(servers_->Address("proxy"));
    const size_t served = servers_->Log("web").size();
    Receiver unattended;
    EXPECT_EQ(FetchProxyAuth, unattended.Get(small, small_.size()));
    EXPECT_EQ(407u, unattended.reason.Status);
    EXPECT_EQ(served, servers_->Log("web").size()) << "nothing reached the server";

    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, 0, 0, 0, 0);
    TFetcher run;
    bool asked = false;
    TTestThread answer([&] { asked = AnswerProxy(L"talvo", L"proxy-secret"); });
    EXPECT_EQ(FetchDone, Receiver().Get(small, small_.size(), 0, 30000, owner, &run));
    answer.Join();
    EXPECT_TRUE(asked);
    TTestThread refuse([&] { asked = AnswerProxy(nullptr, nullptr, 2000); });
    Receiver next;
    EXPECT_EQ(FetchDone,
              next.Get(servers_->Url("web", "/five.bin"), five_.size(), 0, 30000, owner, &run));
    refuse.Join();
    EXPECT_FALSE(asked) << "the password holds for the run's next file";
    EXPECT_TRUE(next.bytes == five_);

    TTestThread cancel([] { AnswerProxy(nullptr, nullptr); });
    EXPECT_EQ(FetchProxyAuth, Receiver().Get(small, small_.size(), 0, 30000, owner));
    DestroyWindow(owner);
  }
  // Unattended with the password in the settings: Wine takes it from http_proxy where the
  // Internet settings name no proxy.
  const std::string proxy = "http://talvo:proxy-secret@" + servers_->Address("proxy");
  SetEnvironmentVariableA("http_proxy", proxy.c_str());
  Receiver got;
  EXPECT_EQ(FetchDone, got.Get(small, small_.size()));
  SetEnvironmentVariableA("http_proxy", nullptr);
  EXPECT_TRUE(got.bytes == small_);
}

}  // namespace
