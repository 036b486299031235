"""The tests' own HTTP proxy: CONNECT tunnels (what a client does for https) and plain
forwarding, to 127.0.0.1 only; every request it gets is recorded with its header lines, its
answer and the local port of its connection onwards (the vendor's roles record the port a
request came from, so a test can tell which of their requests came through the proxy).

Modes (the simulator's role "proxy"): {} forwards; {"auth": "refuse"} answers every request
with 407, offering Negotiate and NTLM, and keeps the connection for the client's next step
(recording the Proxy-Authorization lines it sends); {"state": "refuse"} stops listening.
A "dead" proxy is a port of its own that is bound but never listens: connections to it are
refused at once, and no other program can take it meanwhile. Standard library only."""
import socket
import threading

LOOPBACK_NAMES = ("127.0.0.1", "localhost")
RELAY_CHUNK = 64 * 1024


def split_authority(text):
    """"host:port" -> (host, port); None when it is not one."""
    host, sep, port = text.rpartition(":")
    if not sep or not port.isdigit() or not host:
        return None
    return host.strip("[]"), int(port)


def relay(a, b):
    """Copies bytes both ways until either side closes."""
    def pump(src, dst):
        try:
            while True:
                data = src.recv(RELAY_CHUNK)
                if not data:
                    break
                dst.sendall(data)
        except OSError:
            pass
        for s in (src, dst):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    other = threading.Thread(target=pump, args=(b, a), daemon=True)
    other.start()
    pump(a, b)
    other.join(timeout=30)


class Proxy:
    def __init__(self, sim):
        self.sim = sim

    def handle(self, req, conn):
        while req is not None:
            rec = req.record()
            mode = self.sim.mode("proxy")
            if mode.get("auth") == "refuse":
                rec["status"] = 407
                self.sim._record(rec)
                body = b"proxy authentication required"
                conn.send_head(407, "Proxy Authentication Required",
                               [("Proxy-Authenticate", "Negotiate"), ("Proxy-Authenticate", "NTLM"),
                                ("Content-Length", str(len(body))), ("Proxy-Connection", "keep-alive")])
                if not conn.send(body):
                    return
                # The client's next step (its credentials) comes on the same connection.
                req = conn.read_request("proxy")
                continue
            if req.method == "CONNECT":
                return self._tunnel(req, conn, rec)
            return self._forward(req, conn, rec)

    def _upstream(self, authority, rec):
        target = split_authority(authority)
        if target is None or target[0] not in LOOPBACK_NAMES:
            rec["status"] = 403
            return None
        try:
            up = socket.create_connection(("127.0.0.1", target[1]), timeout=10)
        except OSError:
            rec["status"] = 502
            return None
        up.settimeout(None)
        up.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        rec["upstream_port"] = up.getsockname()[1]
        rec["upstream_role"] = self.sim.role_at(target[1])
        return up

    def _refuse(self, conn, rec):
        self.sim._record(rec)
        conn.send_head(rec["status"], "Refused", [("Content-Length", "0"), ("Connection", "close")])

    def _tunnel(self, req, conn, rec):
        up = self._upstream(req.target, rec)
        if up is None:
            return self._refuse(conn, rec)
        rec["status"] = 200
        self.sim._record(rec)
        try:
            if conn.send(b"HTTP/1.1 200 Connection established\r\n\r\n"):
                relay(conn.sock, up)
        finally:
            up.close()

    def _forward(self, req, conn, rec):
        # "GET http://127.0.0.1:port/path HTTP/1.1": sent on as "GET /path HTTP/1.1".
        scheme, sep, rest = req.target.partition("://")
        if not sep or scheme.lower() != "http":
            rec["status"] = 400
            return self._refuse(conn, rec)
        authority, slash, path = rest.partition("/")
        up = self._upstream(authority if ":" in authority else authority + ":80", rec)
        if up is None:
            return self._refuse(conn, rec)
        rec["status"] = "forwarded"
        self.sim._record(rec)
        parts = req.request_line.split(" ")
        version = parts[2] if len(parts) > 2 else "HTTP/1.1"
        lines = ["%s /%s %s" % (req.method, path if slash else "", version)]
        lines += [h for h in req.header_lines if not h.lower().startswith(("proxy-", "connection:"))]
        lines.append("Connection: close")
        try:
            up.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + req.body)
            relay(conn.sock, up)
        except OSError:
            pass
        finally:
            up.close()


def reserve_dead_port(port):
    """A port bound and never listened on: connecting to it is refused."""
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("127.0.0.1", port))
    return s
