#!/usr/bin/python3
"""Web servers on 127.0.0.1 only, each on a free port chosen when it starts, for the tests,
the demo and the benchmarks: they start them (tests/support/WebServers.h does it from a
Windows test) and stop them at the end.

  servers.py start DIR ROOT [USER PASSWORD]
      Starts, with every file of theirs in DIR (made if missing):
        web     nginx serving the folder ROOT; what it served in DIR/web.log, one line a
                request: "METHOD URI STATUS BODY-BYTES RANGE"
        faults  this script's own server for the faults (below), serving ROOT too; its log
                DIR/faults.log in the same form
        proxy   with USER and PASSWORD: tinyproxy, which asks for them (Basic)
      writes DIR/ports ("name port" lines) and returns once each one answers.
  servers.py stop DIR
      Ends what start started in DIR.

The faults server serves ROOT/NAME at /NAME; what it does wrong is asked in the query:
  cut=N        each reply's body breaks off after N bytes: the connection is closed
  ranges=no    a range is not honoured: the whole file with 200
  range=late   a range is answered with a part that starts one byte later than asked
  length=D     the Content-Length given is the body's length plus D (D may be negative)
  endless=1    no length: the file, then filler for as long as the client reads
  stall=N      after N bytes of the body, nothing more (the connection stays open)
  pace=MS      a pause of MS milliseconds after each 64 KB of the body
  status=CODE  that status, with a short body
  redirect=K   K redirects (302, relative) one after another before the file
  to=URL       a redirect to URL
  faulty=K     cut and stall act on the first K requests of this URL only
The query is kept through the redirects of redirect=K, less that one item.
"""
import http.server
import os
import select
import shutil
import signal
import socket
import socketserver
import subprocess
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"


def free_port():
    with socket.socket() as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


def answers(port, process, seconds=15):
    """Whether something accepts connections on port before process ends or time is up."""
    end = time.monotonic() + seconds
    while time.monotonic() < end and process.poll() is None:
        try:
            socket.create_connection((HOST, port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


class Faults(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    log_file = None
    log_lock = threading.Lock()
    asked = {}  # how often each URL was asked

    def log_message(self, *args):
        pass  # the requests go to our own log, the rest nowhere

    def record(self, status, sent):
        with self.log_lock:
            with open(self.log_file, "a") as log:
                log.write(f"{self.command} {self.path} {status} {sent} "
                          f"{self.headers.get('Range', '-')}\n")

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qsl(url.query)
        ask = dict(query)
        with self.log_lock:
            times = self.asked[self.path] = self.asked.get(self.path, 0) + 1
        if times > int(ask.get("faulty", times)):
            ask = {k: v for k, v in ask.items() if k not in ("cut", "stall")}
        name = os.path.basename(urllib.parse.unquote(url.path))
        if "status" in ask:
            return self.reply(int(ask["status"]), b"no\n", ask)
        if "redirect" in ask or "to" in ask:
            left = int(ask.get("redirect", "1")) - 1
            rest = [(k, v) for k, v in query if k != "redirect"]
            if left > 0:
                rest.append(("redirect", str(left)))
            location = ask.get("to") if "to" in ask and left <= 0 else \
                url.path + ("?" + urllib.parse.urlencode(rest) if rest else "")
            return self.reply(302, b"", ask, [("Location", location)])
        try:
            with open(os.path.join(self.root, name), "rb") as f:
                data = f.read()
        except OSError:
            return self.reply(404, b"no such file\n", ask)
        start = self.range_start()
        if start is None or ask.get("ranges") == "no" or start >= len(data):
            return self.reply(200, data, ask)
        at = start + 1 if ask.get("range") == "late" else start
        total = len(data)
        return self.reply(206, data[at:], ask,
                          [("Content-Range", f"bytes {at}-{total - 1}/{total}")])

    def range_start(self):
        value = self.headers.get("Range", "")
        if not value.startswith("bytes=") or not value.endswith("-"):
            return None
        try:
            return int(value[6:-1])
        except ValueError:
            return None

    def reply(self, status, body, ask, headers=()):
        self.send_response(status)
        for header in headers:
            self.send_header(*header)
        endless = "endless" in ask
        if endless:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body) + int(ask.get("length", "0"))))
        self.end_headers()
        limit = min(int(ask.get("cut", len(body))), int(ask.get("stall", len(body))))
        sent = 0
        try:
            sent = self.send(body[:limit], int(ask.get("pace", "0")) / 1000)
            if "stall" in ask and limit < len(body):
                # Nothing more until the client gives up (or far beyond any test's patience).
                select.select([self.connection], [], [], 300)
            elif endless:
                filler = b"x" * 65536
                while sent < 1 << 34:
                    sent += self.send(filler)
        except OSError:
            pass
        if limit < len(body) or endless or "length" in ask:
            self.close_connection = True
        self.record(status, sent)

    def send(self, data, pace=0):
        for at in range(0, len(data), 65536):
            self.wfile.write(data[at:at + 65536])
            if pace:
                self.wfile.flush()
                time.sleep(pace)
        self.wfile.flush()
        return len(data)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def serve_faults(root, folder):
    Faults.root = root
    Faults.log_file = os.path.join(folder, "faults.log")
    open(Faults.log_file, "a").close()
    server = Server((HOST, 0), Faults)
    with open(os.path.join(folder, "faults.port.part"), "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(os.path.join(folder, "faults.port.part"), os.path.join(folder, "faults.port"))
    server.serve_forever()


NGINX = """daemon off;
master_process off;
pid {dir}/web.pid;
error_log {dir}/web-error.log;
events {{ worker_connections 64; }}
http {{
  log_format talvo '$request_method $request_uri $status $body_bytes_sent $http_range';
  access_log {dir}/web.log talvo;
  client_body_temp_path {dir}/temp;
  proxy_temp_path {dir}/temp;
  fastcgi_temp_path {dir}/temp;
  uwsgi_temp_path {dir}/temp;
  scgi_temp_path {dir}/temp;
  default_type application/octet-stream;
  server {{
    listen {host}:{port};
    root {root};
  }}
}}
"""

TINYPROXY = """Port {port}
Listen {host}
Timeout 120
LogFile "{dir}/proxy.log"
LogLevel Info
PidFile "{dir}/proxy.pid"
MaxClients 16
Allow {host}
BasicAuth {user} {password}
DisableViaHeader Yes
"""


def spawn(folder, name, command):
    """Starts a server in a session of its own, its output to DIR/name.out; records its pid."""
    out = open(os.path.join(folder, name + ".out"), "ab")
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                               start_new_session=True, close_fds=True)
    with open(os.path.join(folder, "pids"), "a") as f:
        f.write(f"{process.pid} {name}\n")
    return process


def start_configured(folder, name, template, command, **values):
    """A server that takes its port from its configuration: a free port is chosen and tried
    again when another program took it meanwhile."""
    conf = os.path.join(folder, name + ".conf")
    for _ in range(5):
        port = free_port()
        with open(conf, "w") as f:
            f.write(template.format(dir=folder, host=HOST, port=port, **values))
        process = spawn(folder, name, command + [conf])
        if answers(port, process):
            return port
        process.kill()
        process.wait()
    raise SystemExit(f"{name} did not start: see {folder}/{name}.out")


def start(folder, root, user=None, password=None):
    folder, root = os.path.abspath(folder), os.path.abspath(root)
    os.makedirs(os.path.join(folder, "temp"), exist_ok=True)
    for stale in ("ports", "faults.port"):
        if os.path.exists(os.path.join(folder, stale)):
            os.remove(os.path.join(folder, stale))
    ports = {}
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"  # sbin: not on every PATH
    ports["web"] = start_configured(folder, "web", NGINX, [nginx, "-p", folder, "-e",
                                    os.path.join(folder, "web-error.log"), "-c"], root=root)
    faults = spawn(folder, "faults", [sys.executable, os.path.abspath(__file__), "faults",
                                      root, folder])
    port_file = os.path.join(folder, "faults.port")
    end = time.monotonic() + 15
    while not os.path.exists(port_file) and faults.poll() is None and time.monotonic() < end:
        time.sleep(0.05)
    if not os.path.exists(port_file) or not answers(int(open(port_file).read()), faults):
        raise SystemExit(f"the faults server did not start: see {folder}/faults.out")
    ports["faults"] = int(open(port_file).read())
    if user:
        ports["proxy"] = start_configured(folder, "proxy", TINYPROXY, ["tinyproxy", "-d", "-c"],
                                          user=user, password=password)
    with open(os.path.join(folder, "ports.part"), "w") as f:
        f.writelines(f"{name} {port}\n" for name, port in ports.items())
    os.rename(os.path.join(folder, "ports.part"), os.path.join(folder, "ports"))


def ours(pid, folder):
    """Whether pid is still a process that start began for folder (not a reused number)."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return folder.encode() in f.read()
    except OSError:
        return False


def stop(folder):
    folder = os.path.abspath(folder)
    try:
        with open(os.path.join(folder, "pids")) as f:
            pids = [int(line.split()[0]) for line in f if line.strip()]
    except OSError:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            if ours(pid, folder):
                os.kill(pid, sig)
        end = time.monotonic() + 5
        while any(ours(pid, folder) for pid in pids) and time.monotonic() < end:
            time.sleep(0.05)
            for pid in pids:  # our children: reap them when this process started them
                try:
                    os.waitpid(pid, os.WNOHANG)
                except ChildProcessError:
                    pass
    os.remove(os.path.join(folder, "pids"))
    shutil.rmtree(os.path.join(folder, "temp"), ignore_errors=True)


def main(argv):
    if len(argv) in (4, 6) and argv[1] == "start":
        start(*argv[2:])
    elif len(argv) == 3 and argv[1] == "stop":
        stop(argv[2])
    elif len(argv) == 4 and argv[1] == "faults":
        serve_faults(argv[2], argv[3])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
