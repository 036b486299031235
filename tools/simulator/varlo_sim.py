#!/usr/bin/env python3
"""Vendor simulator: plays every endpoint the installer talks to, over HTTPS on 127.0.0.1.

Roles (one port each): primary, secondary, fallback_a, fallback_b (API hosts), probe_site,
download (the package host), untrusted (certificate from a CA nobody trusts), wronghost
(certificate for another name), plain (plain http, for redirect tests; it also serves a
proxy configuration script at "/proxy.pac"), expired and selfsigned (certificates with those
faults), proxy (an HTTP proxy of the tests' own, sim_proxy.py) and a dead proxy (a port
nothing listens on). A plain-http control port switches failure modes and hands out what
was received; every request records the port it came from ("peer_port").

  varlo_sim.py serve  --certs DIR --state FILE [--port-base N]   (foreground)
  varlo_sim.py start  --certs DIR --state FILE [--port-base N] [--log FILE]
  varlo_sim.py stop   --state FILE
  varlo_sim.py ctl    --state FILE reset | requests | preset NAME | mode JSON

Standard library only.
"""
import argparse
import gzip
import hashlib
import json
import os
import random
import signal
import ssl
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import zipfile
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sim_codec  # noqa: E402
import sim_http
import sim_proxy
import stand_in_client  # noqa: E402

API_ROLES = ["primary", "secondary", "fallback_a", "fallback_b"]
TLS_ROLES = API_ROLES + ["probe_site", "download", "untrusted", "wronghost"]
ALL_ROLES = TLS_ROLES + ["plain"]
# More certificate faults; their ports come after the control port, so the others keep theirs.
CERT_FAULT_ROLES = ["expired", "selfsigned"]
# Then the proxy and the dead proxy's port.
PROXY_OFFSET = len(ALL_ROLES) + 1 + len(CERT_FAULT_ROLES)
# The script "/proxy.pac" serves unless the plain role's mode names another ("pac"); {proxy}
# and {dead_proxy} stand for their "127.0.0.1:port".
DEFAULT_PAC = 'function FindProxyForURL(url, host) { return "PROXY {proxy}; DIRECT"; }\n'
API_PATH = "/wpapi/version/getClientZipUrl"
CHUNK = 256 * 1024
DEFAULT_PACKAGE = {"name": "client.zip", "size": 256 * 1024, "seed": 1, "query": ""}
LAST_MODIFIED = "Wed, 09 Dec 2026 08:00:00 GMT"
DEFAULT_PAYLOAD = {"version_code": "2.3.1", "file_url": "{download}/files/{name}{query}", "file_md5": "{md5}"}

# Named failure modes, for demos and quick manual runs; tests may send the same JSON.
PRESETS = {
    "all-answer": {"roles": {r: {} for r in ALL_ROLES}},
    "vendor-hosts-refuse": {"roles": {"primary": {"state": "refuse"}, "secondary": {"state": "refuse"}}},
    "primary-refuse": {"roles": {"primary": {"state": "refuse"}}},
    "primary-hang": {"roles": {"primary": {"state": "hang"}}},
    "primary-404": {"roles": {"primary": {"status": 404, "body": "not found"}}},
    "primary-500": {"roles": {"primary": {"status": 500, "body": "<html>error</html>"}}},
    "primary-empty": {"roles": {"primary": {"body": ""}}},
    "primary-html": {"roles": {"primary": {"body": "<html><body>maintenance</body></html>",
                                           "content_type": "text/html"}}},
    "envelope-refused": {"roles": {"primary": {"envelope": {"code": 100500, "message": "版本信息不存在"}}}},
    "envelope-code-string": {"roles": {"primary": {"envelope": {"code": "100100"}}}},
    "envelope-bad-base64": {"roles": {"primary": {"envelope": {"data": "!!!!****"}}}},
    "envelope-short-plaintext": {"roles": {"primary": {"plaintext": "12345"}}},
    "envelope-bad-length": {"roles": {"primary": {"length_word": 100000}}},
    "payload-not-json": {"roles": {"primary": {"payload_text": "this is not json"}}},
    "payload-member-object": {"roles": {"primary": {"payload": {"file_url": {"a": 1}}}}},
    "payload-md5-empty": {"roles": {"primary": {"payload": {"file_md5": ""}}}},
    "payload-md5-wrong": {"roles": {"primary": {"payload": {"file_md5": "0" * 32}}}},
    "download-slow": {"roles": {"download": {"rate": 64 * 1024}}},
    "download-stall": {"roles": {"download": {"stall_after": 100 * 1024}}},
    "download-truncated": {"roles": {"download": {"truncate_after": 100 * 1024}}},
    "download-wrong-bytes": {"roles": {"download": {"wrong_bytes": True}}},
    "download-404": {"roles": {"download": {"status": 404}}},
    "download-keep-alive": {"roles": {"download": {"keep_open": 30}}},
    "download-redirect-https": {"roles": {"primary": {"payload": {
        "file_url": "{download}/redirect/https/2/files/{name}"}}}},
    "download-redirect-http": {"roles": {"primary": {"payload": {
        "file_url": "{download}/redirect/http/1/files/{name}"}}}},
    "download-query": {"package": {"query": "?token=abc&v=2#part"}},
}


class Package:
    """The package bytes: by default a 64 KiB random block repeated to any size; with "file"
    the bytes of that host file; with "zip" a real zip archive made from its description
    (see make_zip), for runs that extract what they download."""

    def __init__(self, package_def, work_dir=None, certs=None):
        self.name = package_def["name"]
        self.seed = int(package_def["seed"])
        self.query = package_def.get("query", "")
        self.path = package_def.get("file")
        if package_def.get("zip") is not None:
            self.path = make_zip(package_def["zip"], self.seed, work_dir, certs)
        if self.path:
            self.size = os.path.getsize(self.path)
        else:
            self.size = int(package_def["size"])
            block = random.Random(self.seed).randbytes(65536)
            self.buffer = block * (CHUNK // 65536 + 1)
        self.md5 = self._digest()

    def chunks(self, start, end):
        if self.path:
            yield from self._file_chunks(start, end)
            return
        pos = start
        while pos < end:
            off = pos % 65536
            n = min(CHUNK, end - pos)
            yield self.buffer[off:off + n]
            pos += n

    def _file_chunks(self, start, end):
        with open(self.path, "rb") as f:
            f.seek(start)
            pos = start
            while pos < end:
                data = f.read(min(CHUNK, end - pos))
                if not data:
                    return
                yield data
                pos += len(data)

    def _digest(self):
        h = hashlib.md5()
        for c in self.chunks(0, self.size):
            h.update(c)
        return h.hexdigest()


def make_zip(description, seed, work_dir, certs=None):
    """A zip archive described by {"entries": [{"name", "size", "deflate"}], "corrupt": bool}.
    Names ending in "/" are directory entries. Deflated entries hold text, stored ones
    random bytes; an entry with "client" (signed, unsigned, other, tampered) holds a
    stand-in client exe in that form (stand_in_client.py, signed with the keys in `certs`).
    "corrupt" flips one data byte of the first non-empty entry, so its CRC
    fails while the archive itself stays readable. Made once per description."""
    key = hashlib.md5(json.dumps([description, seed], sort_keys=True).encode()).hexdigest()
    path = os.path.join(work_dir or tempfile.gettempdir(), "package-%s.zip" % key)
    if os.path.exists(path):
        return path
    rng = random.Random(seed)
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for entry in description.get("entries", []):
            name, size = entry["name"], int(entry.get("size", 0))
            if name.endswith("/"):
                z.writestr(zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6)), b"")
                continue
            info = zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6))
            if entry.get("client"):
                info.compress_type = zipfile.ZIP_DEFLATED
                data = stand_in_client.stand_in(entry["client"], certs)
            elif entry.get("deflate"):
                info.compress_type = zipfile.ZIP_DEFLATED
                line = b"route %d latency node region\n" % rng.randrange(1000)
                data = (line * (size // len(line) + 1))[:size]
            else:
                data = rng.randbytes(size)
            z.writestr(info, data)
    if description.get("corrupt"):
        with zipfile.ZipFile(tmp) as z:
            first = next(i for i in z.infolist() if i.compress_size > 0)
        with open(tmp, "r+b") as f:
            f.seek(first.header_offset + 26)
            name_len, extra_len = struct.unpack("<HH", f.read(4))
            f.seek(first.header_offset + 30 + name_len + extra_len + first.compress_size // 2)
            byte = f.read(1)
            f.seek(-1, 1)
            f.write(bytes([byte[0] ^ 0xFF]))
    os.replace(tmp, path)
    return path


class Simulator:
    def __init__(self, certs, port_base):
        self.stop = threading.Event()
        self.lock = threading.Lock()
        self.records = []
        self.modes = {}
        # One-shot faults already played, per role: (kind, key) pairs; a new mode clears them.
        self.used = {}
        self.work_dir = tempfile.mkdtemp(prefix="varlo-sim-")
        self.certs = certs
        self.package = Package(DEFAULT_PACKAGE, self.work_dir, certs)
        ctx = self._context(certs, "server")
        contexts = {r: ctx for r in TLS_ROLES}
        contexts["untrusted"] = self._context(certs, "untrusted")
        contexts["wronghost"] = self._context(certs, "wronghost")
        contexts["plain"] = None
        self.listeners = {}
        for i, role in enumerate(ALL_ROLES):
            port = port_base + i if port_base else 0
            self.listeners[role] = sim_http.Listener(role, port, contexts[role], self, self.stop)
            self.listeners[role].open()
        for i, role in enumerate(CERT_FAULT_ROLES):
            port = port_base + len(ALL_ROLES) + 1 + i if port_base else 0
            self.listeners[role] = sim_http.Listener(role, port, self._context(certs, role), self, self.stop)
            self.listeners[role].open()
        self.proxy = sim_proxy.Proxy(self)
        self.listeners["proxy"] = sim_http.Listener("proxy", port_base + PROXY_OFFSET if port_base else 0, None,
                                                    self, self.stop)
        self.listeners["proxy"].open()
        self.dead_proxy = sim_proxy.reserve_dead_port(port_base + PROXY_OFFSET + 1 if port_base else 0)

    @staticmethod
    def _context(certs, stem):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(certs, stem + ".pem"), os.path.join(certs, stem + ".key"))
        return ctx

    # ----- control -----
    def base_url(self, role):
        scheme = "http" if role == "plain" else "https"
        return "%s://127.0.0.1:%d" % (scheme, self.listeners[role].port)

    def proxy_address(self, which="proxy"):
        port = self.dead_proxy.getsockname()[1] if which == "dead_proxy" else self.listeners["proxy"].port
        return "127.0.0.1:%d" % port

    def role_at(self, port):
        for role, listener in self.listeners.items():
            if listener.port == port:
                return role
        return None

    def state(self):
        return {"pid": os.getpid(), "roles": {r: l.port for r, l in self.listeners.items()},
                "proxy": self.proxy_address(), "dead_proxy": self.proxy_address("dead_proxy"),
                "package": {"name": self.package.name, "size": self.package.size, "md5": self.package.md5}}

    def pac_script(self, mode):
        text = mode.get("pac", DEFAULT_PAC)
        return text.replace("{proxy}", self.proxy_address()).replace("{dead_proxy}", self.proxy_address("dead_proxy"))

    def reset(self):
        self.apply({"roles": {r: {} for r in ALL_ROLES + ["proxy"]}, "package": dict(DEFAULT_PACKAGE)}, replace=True)
        with self.lock:
            self.records = []

    def apply(self, patch, replace=False):
        """Sets the modes of the roles named in `patch` (each replaced whole) and the package."""
        with self.lock:
            if replace:
                self.modes = {}
            for role, mode in patch.get("roles", {}).items():
                self.used.pop(role, None)
                if role not in self.listeners:
                    raise ValueError("unknown role " + role)
                self.modes[role] = dict(mode)
            if "package" in patch:
                package_def = dict(DEFAULT_PACKAGE)
                package_def.update(patch["package"])
                self.package = Package(package_def, self.work_dir, self.certs)
        for role, listener in self.listeners.items():
            if self.mode(role).get("state") == "refuse":
                listener.close()
            else:
                listener.open()

    def mode(self, role):
        with self.lock:
            return dict(self.modes.get(role, {}))

    # ----- connection hooks -----
    def before_handshake(self, role, sock):
        state = self.mode(role).get("state", "answer")
        if state == "hang":
            sim_http.Connection(sock).wait_for_peer_close(stop=self.stop)
            return False
        if state == "close":
            return False
        return True

    def handle(self, role, req, conn):
        if role == "proxy":
            return self.proxy.handle(req, conn)
        mode = self.mode(role)
        rec = req.record()
        try:
            rec["peer_port"] = conn.sock.getpeername()[1]
        except OSError:
            pass
        path = req.target.split("?", 1)[0]
        if role == "plain" and path == "/proxy.pac":
            self._record(rec)
            self._answer_simple(conn, 200, self.pac_script(mode).encode("utf-8"), "application/x-ns-proxy-autoconfig")
        elif req.method == "POST" and path == API_PATH and role in API_ROLES:
            ok, why = sim_codec.check_signed_body(req.body)
            rec["sign_ok"], rec["sign_error"] = ok, why
            self._record(rec)
            self._answer_api(mode, req, conn, ok)
        elif path.startswith("/redirect/"):
            self._record(rec)
            self._answer_redirect(path, conn)
        elif path.startswith("/files/"):
            self._record(rec)
            self._answer_file(mode, req, conn, path[len("/files/"):], rec)
        else:
            self._record(rec)
            body = mode.get("body", "<html><body>ok</body></html>").encode("utf-8")
            if "body_size" in mode:
                body = b"x" * int(mode["body_size"])
            self._answer_simple(conn, mode.get("status", 200), body, mode.get("content_type", "text/html"),
                                req.method == "HEAD")

    def _record(self, rec):
        with self.lock:
            rec["seq"] = len(self.records)
            self.records.append(rec)

    # ----- answers -----
    @staticmethod
    def _answer_simple(conn, status, body, content_type, head_only=False, extra=()):
        headers = [("Content-Type", content_type), ("Content-Length", str(len(body))),
                   ("Connection", "close")] + list(extra)
        conn.send_head(status, "Status", headers)
        if not head_only:
            conn.send(body)

    def _expand(self, value):
        if isinstance(value, str):
            for role in ALL_ROLES:
                value = value.replace("{%s}" % role, self.base_url(role))
            pkg = self.package
            return value.replace("{name}", pkg.name).replace("{md5}", pkg.md5).replace("{query}", pkg.query)
        if isinstance(value, dict):
            return {k: self._expand(v) for k, v in value.items()}
        return value

    def envelope_text(self, mode, sign_ok=True):
        if not sign_ok and mode.get("sign_check", True):
            return json.dumps({"code": 100403, "message": "签名错误"}, ensure_ascii=False)
        payload = dict(DEFAULT_PAYLOAD)
        payload.update(mode.get("payload", {}))
        for name in mode.get("payload_drop", []):
            payload.pop(name, None)
        payload_text = mode.get("payload_text")
        if payload_text is None:
            payload_text = json.dumps(self._expand(payload), ensure_ascii=False)
        plain = mode.get("plaintext")
        if plain is None:
            plain = ("%010d" % int(time.time()))[-10:] + payload_text
        envelope = {"code": 100100, "message": "success",
                    "data": sim_codec.encrypt_plaintext(plain.encode("utf-8"), mode.get("length_word"))}
        envelope.update(mode.get("envelope", {}))
        for name in mode.get("envelope_drop", []):
            envelope.pop(name, None)
        return json.dumps(envelope, ensure_ascii=False)

    def _answer_api(self, mode, req, conn, sign_ok):
        # The API call alone can hang or fail while the same endpoint's probe answers.
        if mode.get("api_state") == "hang":
            conn.wait_for_peer_close(stop=self.stop)
            return
        if "api_status" in mode:
            return self._answer_simple(conn, int(mode["api_status"]), b"<html>error</html>", "text/html")
        body = mode["body"] if "body" in mode else self.envelope_text(mode, sign_ok)
        if "body_size" in mode:  # an answer of that many bytes ("x" repeated), before any gzip
            body = "x" * int(mode["body_size"])
        data = body.encode("utf-8")
        extra = []
        if mode.get("gzip") and "gzip" in (req.header("Accept-Encoding") or ""):
            data = gzip.compress(data)
            extra.append(("Content-Encoding", "gzip"))
        self._answer_simple(conn, mode.get("status", 200), data,
                            mode.get("content_type", "application/json; charset=utf-8"), extra=extra)

    def _answer_redirect(self, path, conn):
        # /redirect/<https|http>/<hops>/<rest>: hops > 1 redirects to itself with one hop less.
        parts = path.split("/", 5)
        if len(parts) < 5 or not parts[3].isdigit():
            return self._answer_simple(conn, 400, b"bad redirect", "text/plain")
        scheme, hops, rest = parts[2], int(parts[3]), parts[4] if len(parts) == 5 else parts[4] + "/" + parts[5]
        if hops > 1:
            location = "/redirect/%s/%d/%s" % (scheme, hops - 1, rest)
        else:
            location = self.base_url("plain" if scheme == "http" else "download") + "/" + rest
        self._answer_simple(conn, 302, b"", "text/plain", extra=[("Location", location)])

    def _once(self, role, kind, key):
        """True the first time fault (kind, key) of `role` is asked for since its mode was set."""
        with self.lock:
            used = self.used.setdefault(role, set())
            if (kind, key) in used:
                return False
            used.add((kind, key))
            return True

    def _take_failure(self, mode):
        """The failure a "fail_first" mode ({"skip", "count", "status", "retry_after"}) owes this
        request: requests skip .. skip + count - 1 (counted since the mode was set) get it."""
        with self.lock:
            used = self.used.setdefault("download", set())
            index = sum(1 for kind, _ in used if kind == "request")
            used.add(("request", index))
        fail = mode.get("fail_first")
        if not fail:
            return None
        skip = int(fail.get("skip", 0))
        return fail if skip <= index < skip + int(fail.get("count", 1)) else None

    def etag(self, mode):
        return mode.get("etag", '"%s-%d"' % (self.package.md5[:16], self.package.seed))

    def _answer_file(self, mode, req, conn, name, rec):
        """The package. Faults for resuming: "ignore_range" (always 200), "range_shift" (a 206
        claiming another start), "etag" (the validator), "no_validator", "fail_first" (the
        first n requests get a status, with Retry-After), "cut_at" / "stall_at" (absolute
        offsets, each played once: the connection is cut, or goes silent, there) and
        "stall_from" (every answer goes silent at that offset)."""
        pkg = self.package
        status = mode.get("status", 200)
        failure = self._take_failure(mode)
        if failure:
            extra = []
            if "retry_after" in failure:
                extra.append(("Retry-After", str(failure["retry_after"])))
            rec["sent"] = 0
            return self._answer_simple(conn, int(failure.get("status", 503)), b"busy", "text/plain", extra=extra)
        if name != pkg.name or status >= 400:
            body = mode.get("body", "no such file").encode("utf-8")
            return self._answer_simple(conn, 404 if status < 400 else status, body, "text/plain")
        start, end = 0, pkg.size
        etag = self.etag(mode)
        rng = req.header("Range")
        if_range = req.header("If-Range")
        if rng and rng.startswith("bytes=") and "," not in rng and not mode.get("ignore_range") and \
                (if_range is None or if_range in (etag, LAST_MODIFIED)):
            a, _, b = rng[6:].partition("-")
            if a.isdigit() and int(a) < pkg.size:
                start, end = int(a), (min(int(b) + 1, pkg.size) if b.isdigit() else pkg.size)
                status = 206
        keep_open = mode.get("keep_open")
        headers = [("Content-Type", "application/zip"), ("Connection", "keep-alive" if keep_open else "close"),
                   ("Accept-Ranges", "bytes")]
        if not mode.get("no_validator"):
            headers += [("ETag", etag), ("Last-Modified", LAST_MODIFIED)]
        if not mode.get("no_length"):
            headers.append(("Content-Length", str(end - start)))
        if status == 206:
            claimed = start + int(mode.get("range_shift", 0))
            headers.append(("Content-Range", "bytes %d-%d/%d" % (claimed, claimed + end - start - 1, pkg.size)))
        if not conn.send_head(status, "OK", headers) or req.method == "HEAD":
            return
        self._send_body(mode, conn, pkg, start, end, rec)
        if keep_open and not conn.closed:
            # A keep-alive server sends nothing after the body: the client must finish on
            # what it has, and the record says whether it let go before our patience ran out.
            client_closed = conn.wait_for_peer_close(limit=float(keep_open), stop=self.stop)
            with self.lock:
                rec["closed_by"] = "client" if client_closed else "server"

    def _next_fault(self, mode, kind, start, end):
        for offset in sorted(int(o) for o in mode.get(kind, [])):
            if start <= offset < end and self._once("download", kind, offset):
                return offset
        return None

    def _send_body(self, mode, conn, pkg, start, end, rec=None):
        """Sends the body; rec["sent"] gets the bytes sent, before any silence begins."""
        rec = {} if rec is None else rec
        stall = mode.get("stall_after")
        cut = mode.get("truncate_after")
        rate = mode.get("rate")
        limit = end
        if stall is not None:
            limit = min(limit, start + int(stall))
        if cut is not None:
            limit = min(limit, start + int(cut))
        if mode.get("stall_from") is not None and int(mode["stall_from"]) < limit:
            # Every answer goes silent at this offset: a stall no resume gets past.
            limit, stall = max(start, int(mode["stall_from"])), 0
        cut_at = self._next_fault(mode, "cut_at", start, limit)
        stall_at = self._next_fault(mode, "stall_at", start, limit if cut_at is None else cut_at)
        if stall_at is not None:
            limit, stall = stall_at, 0
        elif cut_at is not None:
            limit = cut_at
        pos = start
        step = max(1, int(rate) // 10) if rate else CHUNK
        for chunk in pkg.chunks(start, limit):
            for i in range(0, len(chunk), step):
                piece = chunk[i:i + step]
                if mode.get("wrong_bytes") and pos == start:
                    piece = bytes([piece[0] ^ 0xFF]) + piece[1:]
                if not conn.send(piece):
                    rec["sent"] = pos - start
                    return
                pos += len(piece)
                if rate:
                    time.sleep(0.1)
        rec["sent"] = pos - start
        if stall is not None and limit < end:
            conn.wait_for_peer_close(stop=self.stop)


def control_server(sim, port):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def _reply(self, obj, status=200):
            data = json.dumps(obj, ensure_ascii=False).encode("utf-8")
            self.send_response(status)
            self.send_header("Content-Type", "application/json; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_GET(self):
            if self.path == "/state":
                return self._reply(sim.state())
            if self.path.startswith("/requests"):
                with sim.lock:
                    return self._reply(list(sim.records))
            self._reply({"error": "unknown"}, 404)

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
            try:
                if self.path == "/reset":
                    sim.reset()
                elif self.path == "/mode":
                    sim.apply(json.loads(body.decode("utf-8") or "{}"))
                elif self.path.startswith("/preset/"):
                    sim.apply(PRESETS[self.path[len("/preset/"):]])
                elif self.path == "/shutdown":
                    self._reply({"ok": True})
                    sim.stop.set()
                    return
                else:
                    return self._reply({"error": "unknown"}, 404)
            except (ValueError, KeyError) as e:
                return self._reply({"error": str(e)}, 400)
            self._reply(sim.state())

    server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def write_state(path, sim, control_port):
    state = sim.state()
    state["control"] = control_port
    state["bases"] = {r: sim.base_url(r) for r in ALL_ROLES}
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        json.dump(state, f, indent=1)
    os.replace(tmp, path)


def cmd_serve(args):
    sim = Simulator(args.certs, args.port_base)
    ctl = control_server(sim, args.port_base + len(ALL_ROLES) if args.port_base else 0)
    signal.signal(signal.SIGTERM, lambda *a: sim.stop.set())
    write_state(args.state, sim, ctl.server_address[1])
    try:
        while not sim.stop.wait(0.5):
            pass
    except KeyboardInterrupt:
        pass
    ctl.shutdown()
    for listener in sim.listeners.values():
        listener.close()
    sim.dead_proxy.close()
    shutil.rmtree(sim.work_dir, ignore_errors=True)
    try:
        os.remove(args.state)
    except OSError:
        pass


def cmd_start(args):
    if os.path.exists(args.state):
        os.remove(args.state)
    os.makedirs(os.path.dirname(os.path.abspath(args.state)), exist_ok=True)
    log = open(args.log or os.devnull, "ab")
    cmd = [sys.executable, os.path.abspath(__file__), "serve", "--certs", args.certs, "--state", args.state]
    if args.port_base:
        cmd += ["--port-base", str(args.port_base)]
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    for _ in range(200):
        if os.path.exists(args.state):
            print("simulator pid %d, state %s" % (proc.pid, args.state))
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    print("simulator did not start", file=sys.stderr)
    proc.kill()
    return 1


def control(state_path, method, path, body=None):
    with open(state_path) as f:
        port = json.load(f)["control"]
    req = urllib.request.Request("http://127.0.0.1:%d%s" % (port, path), data=body, method=method)
    with urllib.request.urlopen(req, timeout=10) as r:
        return json.loads(r.read().decode("utf-8"))


def _is_simulator(pid):
    """Signals go only to a process that is this simulator, never to a reused pid."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return b"varlo_sim.py" in f.read()
    except OSError:
        return False


def cmd_stop(args):
    if not os.path.exists(args.state):
        return 0
    with open(args.state) as f:
        pid = json.load(f)["pid"]
    try:
        control(args.state, "POST", "/shutdown", b"")
    except OSError:
        if _is_simulator(pid):
            os.kill(pid, signal.SIGTERM)
    for _ in range(100):
        if not _is_simulator(pid):
            break
        time.sleep(0.05)
    else:
        os.kill(pid, signal.SIGKILL)
    try:
        os.remove(args.state)
    except OSError:
        pass
    return 0


def cmd_ctl(args):
    if args.action == "reset":
        out = control(args.state, "POST", "/reset", b"")
    elif args.action == "requests":
        out = control(args.state, "GET", "/requests")
    elif args.action == "preset":
        out = control(args.state, "POST", "/preset/" + args.arg, b"")
    elif args.action == "mode":
        out = control(args.state, "POST", "/mode", args.arg.encode("utf-8"))
    else:
        out = control(args.state, "GET", "/state")
    print(json.dumps(out, ensure_ascii=False, indent=1))
    return 0


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    for name in ("serve", "start"):
        s = sub.add_parser(name)
        s.add_argument("--certs", required=True)
        s.add_argument("--state", required=True)
        s.add_argument("--port-base", type=int, default=0, help="fixed ports from here (0: any free ports)")
        if name == "start":
            s.add_argument("--log")
    s = sub.add_parser("stop")
    s.add_argument("--state", required=True)
    s = sub.add_parser("ctl")
    s.add_argument("--state", required=True)
    s.add_argument("action", choices=["reset", "requests", "preset", "mode", "state"])
    s.add_argument("arg", nargs="?", default="")
    args = p.parse_args()
    return {"serve": cmd_serve, "start": cmd_start, "stop": cmd_stop, "ctl": cmd_ctl}[args.cmd](args) or 0


if __name__ == "__main__":
    sys.exit(main())
