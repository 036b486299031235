"""Listeners and a small HTTP/1.1 responder with full control over what goes on the wire:
refusing (no listener), hanging, truncating, stalling and slowing bodies. Each request is
recorded with its header lines exactly as received. Standard library only."""
import socket
import ssl
import threading
import time

MAX_HEADER_BYTES = 64 * 1024
HANG_LIMIT_SECONDS = 120


class Request:
    def __init__(self, role, request_line, header_lines, body):
        self.role = role
        self.request_line = request_line
        parts = request_line.split(" ")
        self.method = parts[0] if parts else ""
        self.target = parts[1] if len(parts) > 1 else ""
        self.header_lines = header_lines
        self.body = body

    def header(self, name):
        lname = name.lower()
        for line in self.header_lines:
            key, _, value = line.partition(":")
            if key.strip().lower() == lname:
                return value.strip()
        return None

    def record(self):
        return {
            "role": self.role,
            "method": self.method,
            "target": self.target,
            "request_line": self.request_line,
            "headers": self.header_lines,
            "body": self.body.decode("latin-1"),
        }


class Connection:
    """One accepted client. `send_*` helpers write raw bytes; a closed peer ends quietly."""

    def __init__(self, sock):
        self.sock = sock
        self.reader = sock.makefile("rb")
        self.closed = False

    def read_request(self, role):
        line = self.reader.readline(MAX_HEADER_BYTES)
        if not line:
            return None
        request_line = line.rstrip(b"\r\n").decode("latin-1")
        headers = []
        total = len(line)
        while True:
            raw = self.reader.readline(MAX_HEADER_BYTES)
            total += len(raw)
            if not raw or raw in (b"\r\n", b"\n") or total > MAX_HEADER_BYTES:
                break
            headers.append(raw.rstrip(b"\r\n").decode("latin-1"))
        req = Request(role, request_line, headers, b"")
        length = req.header("Content-Length")
        if length and length.isdigit():
            req.body = self.reader.read(int(length))
        return req

    def send(self, data):
        if self.closed:
            return False
        try:
            self.sock.sendall(data)
            return True
        except (OSError, ssl.SSLError):
            self.closed = True
            return False

    def send_head(self, status, reason, headers):
        lines = ["HTTP/1.1 %d %s" % (status, reason)] + ["%s: %s" % kv for kv in headers]
        return self.send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def wait_for_peer_close(self, limit=HANG_LIMIT_SECONDS, stop=None):
        """Holds the connection open, sending nothing, until the client gives up.
        True when the client closed it (or it broke), False when the limit ran out first."""
        end = time.monotonic() + limit
        self.sock.settimeout(0.25)
        while time.monotonic() < end and not (stop and stop.is_set()):
            try:
                if not self.sock.recv(4096):
                    return True
            except socket.timeout:
                continue
            except (OSError, ssl.SSLError):
                return True
        return False

    def close(self):
        self.closed = True
        try:
            self.reader.close()
        except OSError:
            pass
        try:
            self.sock.close()
        except OSError:
            pass


class Listener:
    """A port that can stop listening (so connections are refused) and start again."""

    def __init__(self, role, port, ssl_context, handler, stop_event):
        self.role = role
        self.port = port
        self.ssl_context = ssl_context
        self.handler = handler
        self.stop = stop_event
        self.sock = None
        self.lock = threading.Lock()

    def open(self):
        with self.lock:
            if self.sock is not None:
                return
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind(("127.0.0.1", self.port))
            s.listen(64)
            self.port = s.getsockname()[1]
            self.sock = s
            threading.Thread(target=self._accept_loop, args=(s,), daemon=True).start()

    def close(self):
        with self.lock:
            s, self.sock = self.sock, None
        if s is not None:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()

    def _accept_loop(self, s):
        while not self.stop.is_set():
            try:
                client, _ = s.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _serve(self, client):
        client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        conn = None
        try:
            if not self.handler.before_handshake(self.role, client):
                return
            if self.ssl_context is not None:
                client.settimeout(30)
                try:
                    client = self.ssl_context.wrap_socket(client, server_side=True)
                except (OSError, ssl.SSLError):
                    return
                client.settimeout(None)
            conn = Connection(client)
            req = conn.read_request(self.role)
            if req is not None:
                self.handler.handle(self.role, req, conn)
        except (OSError, ssl.SSLError):
            pass
        finally:
            if conn is not None:
                conn.close()
            else:
                try:
                    client.close()
                except OSError:
                    pass
