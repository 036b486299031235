"""Self-test of the vendor simulator: what the installer's tests rely on it to do.
Run: python3 -m unittest tools/simulator/test_sim.py (needs the test certificates)."""
import hashlib
import http.client
import io
import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import sim_codec  # noqa: E402
import varlo_sim  # noqa: E402


class SimulatorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        certs = subprocess.check_output(["bash", os.path.join(HERE, "test-certs.sh")], text=True).strip()
        cls.sim = varlo_sim.Simulator(certs, 0)
        cls.ctx = ssl.create_default_context(cafile=os.path.join(certs, "ca.pem"))

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop.set()
        for listener in cls.sim.listeners.values():
            listener.close()
        cls.sim.dead_proxy.close()
        shutil.rmtree(cls.sim.work_dir, ignore_errors=True)

    def setUp(self):
        self.sim.reset()

    def request(self, role, method, path, body=None, headers=None):
        conn = http.client.HTTPSConnection("127.0.0.1", self.sim.listeners[role].port, context=self.ctx, timeout=10)
        conn.request(method, path, body=body, headers=headers or {})
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp, data

    def test_head_and_range_on_the_package(self):
        resp, data = self.request("download", "HEAD", "/files/client.zip")
        self.assertEqual((resp.status, data), (200, b""))
        self.assertEqual(int(resp.getheader("Content-Length")), self.sim.package.size)
        resp, data = self.request("download", "GET", "/files/client.zip", headers={"Range": "bytes=100-199"})
        self.assertEqual(resp.status, 206)
        _, whole = self.request("download", "GET", "/files/client.zip")
        self.assertEqual(hashlib.md5(whole).hexdigest(), self.sim.package.md5)
        self.assertEqual(data, whole[100:200])
        self.assertEqual(resp.getheader("Content-Range"), "bytes 100-199/%d" % self.sim.package.size)

    def test_resume_faults(self):
        size = self.sim.package.size
        _, whole = self.request("download", "GET", "/files/client.zip")
        etag = self.sim.etag({})
        rng = {"Range": "bytes=1000-"}
        cases = [
            ("If-Range matches", {}, dict(rng, **{"If-Range": etag}), 206, whole[1000:]),
            ("If-Range stale", {}, dict(rng, **{"If-Range": '"old"'}), 200, whole),
            ("range ignored", {"ignore_range": True}, rng, 200, whole),
        ]
        for why, mode, headers, status, body in cases:
            self.sim.apply({"roles": {"download": mode}})
            resp, data = self.request("download", "GET", "/files/client.zip", headers=headers)
            self.assertEqual((resp.status, data == body), (status, True), why)
        self.sim.apply({"roles": {"download": {"range_shift": 10}}})
        resp, _ = self.request("download", "GET", "/files/client.zip", headers=rng)
        self.assertEqual(resp.getheader("Content-Range"), "bytes 1010-%d/%d" % (size + 9, size))

    def test_one_shot_cut_and_failures_counted_from_the_mode(self):
        self.sim.apply({"roles": {"download": {"cut_at": [5000],
                                               "fail_first": {"skip": 1, "count": 1, "status": 503,
                                                              "retry_after": 3}}}})
        with self.assertRaises(http.client.IncompleteRead):
            self.request("download", "GET", "/files/client.zip")
        resp, _ = self.request("download", "GET", "/files/client.zip")
        self.assertEqual((resp.status, resp.getheader("Retry-After")), (503, "3"))
        resp, data = self.request("download", "GET", "/files/client.zip")
        self.assertEqual((resp.status, len(data)), (200, self.sim.package.size), "each fault is played once")
        self.assertEqual([r.get("sent") for r in self.sim.records], [5000, 0, self.sim.package.size])

    def test_envelope_carries_the_package_and_the_signature_is_checked(self):
        body = sim_codec.signed_body({b"ts": b"1700000000"})
        resp, data = self.request("primary", "POST", varlo_sim.API_PATH, body.encode())
        envelope = json.loads(data)
        self.assertEqual(envelope["code"], 100100)
        payload = json.loads(sim_codec.decrypt_data(envelope["data"])[10:])
        self.assertEqual(payload["file_md5"], self.sim.package.md5)
        self.assertEqual(payload["file_url"], self.sim.base_url("download") + "/files/client.zip")
        _, data = self.request("primary", "POST", varlo_sim.API_PATH, body.replace("ts=1", "ts=2").encode())
        self.assertEqual(json.loads(data)["code"], 100403)
        records = self.sim.records
        self.assertEqual([r["sign_ok"] for r in records], [True, False])
        self.assertIn("Content-Length: %d" % len(body), records[0]["headers"])

    def test_refuse_and_answer_again_on_the_same_port(self):
        port = self.sim.listeners["secondary"].port
        self.sim.apply({"roles": {"secondary": {"state": "refuse"}}})
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", port), timeout=5)
        self.sim.apply({"roles": {"secondary": {}}})
        resp, _ = self.request("secondary", "GET", "/")
        self.assertEqual(resp.status, 200)

    def test_redirect_chain_counts_down_then_leaves_the_role(self):
        resp, _ = self.request("primary", "GET", "/redirect/https/2/files/client.zip")
        self.assertEqual((resp.status, resp.getheader("Location")), (302, "/redirect/https/1/files/client.zip"))
        resp, _ = self.request("primary", "GET", "/redirect/http/1/files/client.zip")
        self.assertEqual(resp.getheader("Location"), self.sim.base_url("plain") + "/files/client.zip")

    def test_truncated_body_is_shorter_than_announced(self):
        self.sim.apply({"roles": {"download": {"truncate_after": 1000}}})
        conn = http.client.HTTPSConnection("127.0.0.1", self.sim.listeners["download"].port, context=self.ctx)
        conn.request("GET", "/files/client.zip")
        resp = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead):
            resp.read()
        conn.close()

    def test_zip_package_is_a_real_archive_and_can_be_corrupted(self):
        layout = {"entries": [{"name": "dir/"}, {"name": "dir/a.txt", "size": 5000, "deflate": True},
                            {"name": "b.bin", "size": 3000}]}
        self.sim.apply({"package": {"zip": layout}})
        _, whole = self.request("download", "GET", "/files/client.zip")
        self.assertEqual((len(whole), hashlib.md5(whole).hexdigest()), (self.sim.package.size, self.sim.package.md5))
        with zipfile.ZipFile(io.BytesIO(whole)) as z:
            self.assertEqual(z.namelist(), ["dir/", "dir/a.txt", "b.bin"])
            self.assertEqual(len(z.read("b.bin")), 3000)
            self.assertIsNone(z.testzip())
        self.sim.apply({"package": {"zip": dict(layout, corrupt=True)}})
        _, bad = self.request("download", "GET", "/files/client.zip")
        with zipfile.ZipFile(io.BytesIO(bad)) as z:
            self.assertEqual(z.testzip(), "dir/a.txt")

    def proxy_connection(self):
        return http.client.HTTPConnection("127.0.0.1", self.sim.listeners["proxy"].port, timeout=10)

    def test_the_proxy_tunnels_and_records_which_connection_went_on(self):
        conn = http.client.HTTPSConnection("127.0.0.1", self.sim.listeners["proxy"].port, context=self.ctx,
                                           timeout=10)
        conn.set_tunnel("127.0.0.1", self.sim.listeners["download"].port)
        conn.request("GET", "/files/client.zip")
        data = conn.getresponse().read()
        conn.close()
        self.assertEqual(hashlib.md5(data).hexdigest(), self.sim.package.md5, "TLS end to end with the server")
        through, served = self.sim.records
        self.assertEqual((through["role"], through["method"], through["status"], through["upstream_role"]),
                         ("proxy", "CONNECT", 200, "download"))
        self.assertEqual(served["peer_port"], through["upstream_port"])

    def test_the_proxy_forwards_plain_http_to_loopback_only(self):
        conn = self.proxy_connection()
        conn.request("GET", self.sim.base_url("plain") + "/proxy.pac")
        resp = conn.getresponse()
        script = resp.read().decode()
        self.assertEqual(resp.status, 200)
        self.assertIn("PROXY 127.0.0.1:%d" % self.sim.listeners["proxy"].port, script)
        conn = self.proxy_connection()
        conn.request("CONNECT", "example.com:443")
        self.assertEqual(conn.getresponse().status, 403, "nothing leaves the machine")
        conn.close()
        self.assertEqual([r.get("status") for r in self.sim.records if r["role"] == "proxy"], ["forwarded", 403])

    def test_the_proxy_asking_who_we_are_and_the_dead_one(self):
        self.sim.apply({"roles": {"proxy": {"auth": "refuse"}}})
        conn = self.proxy_connection()
        for credentials in (None, "NTLM TlRMTVNTUAABAAAA"):
            conn.putrequest("CONNECT", "127.0.0.1:1", skip_host=True, skip_accept_encoding=True)
            if credentials:
                conn.putheader("Proxy-Authorization", credentials)
            conn.endheaders()
            resp = conn.getresponse()
            resp.read()
            self.assertEqual(resp.status, 407)
            self.assertEqual(resp.headers.get_all("Proxy-Authenticate"), ["Negotiate", "NTLM"])
        conn.close()
        asked = [r for r in self.sim.records if r["role"] == "proxy"]
        self.assertEqual(len(asked), 2, "the second step came on the same connection")
        self.assertIn("Proxy-Authorization: NTLM TlRMTVNTUAABAAAA", asked[1]["headers"])
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", self.sim.dead_proxy.getsockname()[1]), timeout=5)

    def test_stand_in_clients_in_each_form(self):
        """osslsigncode's reading of the client forms (file digest, signature, chain to the test
        CA): what the installer's publisher check is expected to tell apart. The chain of the
        self-signed one is what Wine's WinVerifyTrust does not judge."""
        certs = self.sim.certs
        cases = [("signed", True, "CN=Varlo Test Publisher"), ("unsigned", False, "No signature found"),
                 ("other", True, "CN=Varlo Other Publisher"), ("tampered", False, "MISMATCH"),
                 ("selfsigned", False, "Error: self-signed certificate")]
        for form, valid, said in cases:
            with self.subTest(form=form):
                self.sim.apply({"package": {"zip": {"entries": [{"name": "vljiasu.exe", "client": form}]}}})
                _, whole = self.request("download", "GET", "/files/client.zip")
                with zipfile.ZipFile(io.BytesIO(whole)) as z:
                    client = z.read("vljiasu.exe")
                self.assertEqual(client[:2], b"MZ")
                path = os.path.join(self.sim.work_dir, "client-%s.exe" % form)
                with open(path, "wb") as f:
                    f.write(client)
                verify = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(certs, "ca.pem"),
                                         "-in", path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                self.assertEqual(verify.returncode == 0, valid, verify.stdout)
                self.assertIn(said, verify.stdout)


if __name__ == "__main__":
    unittest.main()
