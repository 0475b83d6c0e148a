#include "WebServers.h"

#include <sstream>

#include "Driver.h"
#include "Scenario.h"

namespace support {

namespace {

std::string Script(const std::string& args) {
  return "'" TALVO_PYTHON "' '" TALVO_SERVERS_SCRIPT "' " + args;
}

std::string Quoted(const FilePath& path) { return "'" + UnixPath(path) + "'"; }

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
  unsigned long long sent = 0, bytes;
  for (const std::string& line : Log(server)) {
    std::istringstream fields(line);
    std::string method, uri, status;
    if (fields >> method >> uri >> status >> bytes && uri.compare(0, path.size(), path) == 0)
      sent += bytes;
  }
  return sent;
}

void ProxySettings::Set(DWORD enable, const std::string& address) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  const std::wstring server = ui::Wide(address);
  RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                 sizeof enable);
  RegSetValueExW(key, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                 static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

}  // namespace support
