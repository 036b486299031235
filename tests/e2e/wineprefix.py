"""A Wine prefix as the scenarios see it: its paths, its processes, and its registry files
read back as Wine writes them."""
import os
import re
import shutil
import subprocess

from common import ROOT


class Prefix:
    def __init__(self, path):
        self.path = path
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": path, "WINEARCH": "win64", "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"})
        users = [u for u in os.listdir(os.path.join(path, "drive_c", "users")) if u.lower() != "public"]
        self.user = users[0] if users else "root"

    def host(self, windows_path):
        """C:\\a\\b -> <prefix>/drive_c/a/b (case as written)."""
        assert windows_path[1:3] == ":\\", windows_path
        return os.path.join(self.path, "drive_c", *windows_path[3:].split("\\"))

    @property
    def user_dir(self):
        return os.path.join(self.path, "drive_c", "users", self.user)

    def temp_dir(self):
        for name in ("AppData/Local/Temp", "Temp"):
            p = os.path.join(self.user_dir, name)
            if os.path.isdir(p):
                return p
        return os.path.join(self.user_dir, "AppData/Local/Temp")

    def wine(self, *args, **kw):
        return subprocess.Popen(["wine"] + list(args), env=self.env, stdin=subprocess.DEVNULL, **kw)

    def run(self, *args, timeout=120):
        return subprocess.run(["wine"] + list(args), env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)

    def settle(self):
        """Waits for every process of the prefix and its server to end (registry saved)."""
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)

    def kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def registry(self):
        return RegFile(os.path.join(self.path, "system.reg"))

    def log_text(self):
        path = os.path.join(self.temp_dir(), "varloSetup", "VarloSetup.log")
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("utf-16", errors="replace")


def _stop_server(path):
    """Ends the prefix's processes and waits for its server to be gone, so that nothing
    writes into the prefix (the registry at the server's exit) once this returns."""
    env = dict(os.environ, WINEPREFIX=path)
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, stderr=subprocess.DEVNULL, timeout=120)


def _overlay_dirs(target):
    return target + ".changes", target + ".overlay-work"


def drop_prefix(target):
    """Takes a scenario's prefix away: its server first, then the overlay or the copy."""
    if os.path.isdir(target):
        _stop_server(target)
    if os.path.ismount(target):
        subprocess.run(["umount", target], check=True)
    for path in (target,) + _overlay_dirs(target):
        if os.path.lexists(path):
            shutil.rmtree(path)


def fresh_prefix(base, target, kept=False):
    """The base prefix for one scenario. As root, an overlay on the base: the scenario's
    changes go into a folder of its own and the base's 700 MB are never copied or touched.
    Otherwise, or for a prefix `kept` after the run, a copy."""
    drop_prefix(target)
    if os.geteuid() == 0 and not kept:
        changes, work = _overlay_dirs(target)
        for path in (target, changes, work):
            os.makedirs(path)
        options = "lowerdir=%s,upperdir=%s,workdir=%s" % (base, changes, work)
        if subprocess.run(["mount", "-t", "overlay", "overlay", "-o", options, target],
                          stderr=subprocess.DEVNULL).returncode == 0:
            return Prefix(target)
        drop_prefix(target)
    subprocess.run(["cp", "-a", base, target], check=True)
    return Prefix(target)


def make_base_prefix(build, tools):
    """The test prefix once per build: Wine's own, nothing of it replaced."""
    base = os.path.join(build, "e2e", "base-prefix")
    stamp = os.path.join(base, ".e2e-ready")
    recipe = "wine's own system tools"
    if os.path.exists(stamp) and open(stamp).read() == recipe:
        return base
    if os.path.exists(base):
        shutil.rmtree(base)
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh"), base], check=True)
    # Its server saves the registry as it ends: the base is whole only once it is gone.
    _stop_server(base)
    with open(stamp, "w") as f:
        f.write(recipe)
    return base


def _unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


class RegFile:
    def __init__(self, path):
        self.keys = {}
        current = None
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                m = re.match(r"^\[(.*)\](?: \d+)?$", line)
                if m:
                    current = self.keys.setdefault(_unescape(m.group(1)).lower(), {})
                    continue
                m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
                if m and current is not None:
                    name, value = _unescape(m.group(1)), m.group(2)
                    if value.startswith('"') and value.endswith('"'):
                        value = _unescape(value[1:-1])
                    current[name] = value

    def values(self, key):
        return self.keys.get(key.lower())


def write_reg(prefix, key, values, root="HKEY_LOCAL_MACHINE"):
    """Writes string values under `root` with regedit (64-bit regedit: give the view's path)."""
    lines = ["Windows Registry Editor Version 5.00", "", "[%s\\%s]" % (root, key)]
    for name, value in values.items():
        lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\")))
    path = os.path.join(prefix.path, "drive_c", "e2e-seed.reg")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    prefix.run("regedit", "/S", "C:\\e2e-seed.reg")
    prefix.settle()
