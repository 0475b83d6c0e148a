#include "WebServers.h"

#include <sstream>

#include "Driver.h"
#include "Scenario.h"

namespace support {

namespace {

std::string Script(const std::string& args) {
  return std::string("'" TALVO_PYTHON "' '" TALVO_SERVERS_SCRIPT "' ") + args;
}

std::string Quoted(const FilePath& path) { return "'" + UnixPath(path) + "'"; }

const wchar_t kSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

}  // namespace

WebServers::WebServers(const FilePath& root, const std::string& proxyUser,
                       const std::string& proxyPassword) {
  std::string args = "start " + Quoted(state_.Path()) + " " + Quoted(root);
  if (!proxyUser.empty()) args += " '" + proxyUser + "' '" + proxyPassword + "'";
  std::string ports;
  if (!ui::RunUnix(Script(args)) || !ReadFile(Join(state_.Path(), L"ports"), &ports)) return;
  std::istringstream lines(ports);
  std::string name;
  int port;
  while (lines >> name >> port) ports_[name] = port;
}

WebServers::~WebServers() { ui::RunUnix(Script("stop " + Quoted(state_.Path()))); }

std::string WebServers::Address(const std::string& server) const {
  auto found = ports_.find(server);
  return "127.0.0.1:" + std::to_string(found == ports_.end() ? 0 : found->second);
}

std::string WebServers::Url(const std::string& server, const std::string& path) const {
  return "http://" + Address(server) + path;
}

std::vector<std::string> WebServers::Log(const std::string& server) const {
  std::string text;
  ReadFile(Join(state_.Path(), ui::Wide(server) + L".log"), &text);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

unsigned long long WebServers::BytesSent(const std::string& server, const std::string& path) const {
  unsigned long long sent = 0;
  for (const std::string& line : Log(server)) {
    std::istringstream fields(line);
    std::string method, uri, status;
    unsigned long long bytes = 0;
    if (fields >> method >> uri >> status >> bytes && uri.compare(0, path.size(), path) == 0)
      sent += bytes;
  }
  return sent;
}

ProxySettings::ProxySettings(const std::string& address) {
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS)
    return;
  enable_ = Save(L"ProxyEnable");
  server_ = Save(L"ProxyServer");
  override_ = Save(L"ProxyOverride");
  const DWORD on = 1;
  const std::wstring server = ui::Wide(address);
  RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
  RegSetValueExW(key_, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                 static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
  RegDeleteValueW(key_, L"ProxyOverride");
}

ProxySettings::~ProxySettings() {
  if (!key_) return;
  Restore(L"ProxyEnable", enable_);
  Restore(L"ProxyServer", server_);
  Restore(L"ProxyOverride", override_);
  RegCloseKey(key_);
}

ProxySettings::Value ProxySettings::Save(const wchar_t* name) {
  Value value;
  DWORD size = 0;
  if (RegQueryValueExW(key_, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  value.data.resize(size);
  value.present =
      RegQueryValueExW(key_, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
  return value;
}

void ProxySettings::Restore(const wchar_t* name, const Value& value) {
  if (!value.present) {
    RegDeleteValueW(key_, name);
    return;
  }
  RegSetValueExW(key_, name, 0, value.type, value.data.data(),
                 static_cast<DWORD>(value.data.size()));
}

}  // namespace support
