"""The vendor's side: the simulator on the build's fixed ports, and the client packages it serves."""
import json
import os
import subprocess
import sys
import time
import zipfile

from common import ROOT, SIM, ScenarioFailed

sys.path.insert(0, os.path.join(ROOT, "tools", "simulator"))
import stand_in_client  # noqa: E402


def test_certs():
    return subprocess.run(["bash", os.path.join(ROOT, "tools", "simulator", "test-certs.sh")],
                          stdout=subprocess.PIPE, check=True, text=True).stdout.strip()


class Simulator:
    def __init__(self, work, port_base):
        self.state = os.path.join(work, "sim-state.json")
        certs = test_certs()
        subprocess.run([sys.executable, SIM, "stop", "--state", self.state], stderr=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL)
        # The ports are fixed (the exe has them compiled in): another run of the same build
        # suffix may still hold them for a while, so wait for them rather than fail at once.
        deadline = time.time() + 120
        while True:
            started = subprocess.run([sys.executable, SIM, "start", "--certs", certs, "--state", self.state,
                                      "--port-base", str(port_base), "--log", os.path.join(work, "sim.log")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if started.returncode == 0:
                return
            if time.time() > deadline:
                raise ScenarioFailed("the simulator could not take its ports from %d" % port_base)
            time.sleep(2)

    def ctl(self, action, arg=""):
        out = subprocess.run([sys.executable, SIM, "ctl", "--state", self.state, action] + ([arg] if arg else []),
                             stdout=subprocess.PIPE, check=True, text=True).stdout
        return json.loads(out) if out.strip() else None

    def mode(self, patch):
        self.ctl("mode", json.dumps(patch))

    def requests(self):
        return self.ctl("requests") or []

    def stop(self):
        subprocess.run([sys.executable, SIM, "stop", "--state", self.state], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


def signed_client(ctx):
    """The stand-in client signed by the test publisher."""
    return stand_in_client.stand_in("signed", test_certs(), base=open(ctx.tools["client"], "rb").read())


def make_package(path, client_exe, big_bytes=0, client_form="signed"):
    """The client package: a stand-in client that records how it was started (signed by the
    test publisher the e2e build names, or in another form of stand_in_client.KINDS), its
    uninstaller, and some data in nested and Chinese-named folders."""
    client = stand_in_client.stand_in(client_form, test_certs(), base=open(client_exe, "rb").read())
    entries = {
        "vljiasu.exe": client,
        "unins000.exe": client,
        "data/readme.txt": b"Varlo client data\r\n" * 40,
        "lang/zh-cn.ini": "[strings]\r\nname=加速器\r\n".encode("utf-8"),
        "资源/说明.txt": "说明文件\r\n".encode("utf-8"),
    }
    if big_bytes:
        entries["data/big.bin"] = os.urandom(big_bytes)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries.items():
            z.writestr(name, data, compress_type=zipfile.ZIP_STORED if name.endswith(".bin") else zipfile.ZIP_DEFLATED)
    return entries


def corrupt_copy(src, dest):
    """The same archive with one data byte of its first entry flipped: readable, but the
    entry fails its check."""
    data = bytearray(open(src, "rb").read())
    with zipfile.ZipFile(src) as z:
        info = z.infolist()[0]
    name_len = int.from_bytes(data[info.header_offset + 26:info.header_offset + 28], "little")
    extra_len = int.from_bytes(data[info.header_offset + 28:info.header_offset + 30], "little")
    at = info.header_offset + 30 + name_len + extra_len + 10
    data[at] ^= 0xFF
    with open(dest, "wb") as f:
        f.write(bytes(data))
