"""The user's proxy, through the real exe: the Internet Options are written into the prefix's
registry the way Windows stores them ("DefaultConnectionSettings"), Wine's WinHTTP reads them
for the installer, and the simulator's own proxy records every tunnel it makes. Each vendor
request the simulator receives names the port it came from, so "through the proxy" is checked
request by request, not inferred. The simulator is on 127.0.0.1, which a static proxy skips
unless the bypass list says "<-loopback>"; a script decides for loopback like any host."""
import os
import struct
import time

from common import BOX_OK_TWO, check
from screen import answer_box, default_dir, screenshot
from silent import INSTALLED, SHARED, outcome_logged, run_silent

CONNECTIONS = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections"
# Flags of the value, as the Internet Options dialog writes them.
DIRECT, USE_PROXY, USE_SCRIPT = 1, 2, 4


def connection_settings(flags, proxy="", bypass="", script=""):
    """Version, change counter and flags, the three lists with their lengths, then what
    detection last found (nothing)."""
    blob = struct.pack("<III", 0x46, 1, flags)
    for text in (proxy, bypass, script):
        blob += struct.pack("<I", len(text)) + text.encode("ascii")
    return blob + bytes(32)


def write_internet_options(prefix, blob):
    lines = ["Windows Registry Editor Version 5.00", "", "[%s]" % CONNECTIONS,
             '"DefaultConnectionSettings"=hex:' + ",".join("%02x" % b for b in blob)]
    path = os.path.join(prefix.path, "drive_c", "e2e-proxy.reg")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    prefix.run("regedit", "/S", "C:\\e2e-proxy.reg")
    prefix.settle()


def sim_state(sim):
    return sim.ctl("state")


def tunnels(sim):
    return [r for r in sim.requests() if r.get("role") == "proxy"]


def check_all_through_proxy(sim):
    records = sim.requests()
    through = {r.get("upstream_port") for r in records if r.get("role") == "proxy" and r.get("status") == 200}
    vendor = [r for r in records if r.get("role") != "proxy"]
    around = ["%s %s" % (r.get("role"), r.get("request_line")) for r in vendor
              if r.get("peer_port") not in through and r.get("target") != "/proxy.pac"]
    roles = sorted({r.get("role") for r in vendor if r.get("target") != "/proxy.pac"})
    print("  through the proxy: %d requests to %s" % (len(vendor), ", ".join(roles)))
    check(not around, "every probe, API and download request came through the proxy (around it: %s)" % around)
    check(any(r.get("method") == "POST" for r in vendor), "the API request was among them")
    check(any("/files/" in r.get("target", "") for r in vendor if r.get("role") == "download"),
          "the download was among them")


def scenarios(e2e):
    check_installed = e2e.check_installed

    def install_silently(ctx, prefix, entries):
        check(run_silent(ctx, prefix, "/S " + SHARED) == INSTALLED, "installed: exit 0")
        prefix.settle()
        check_installed(prefix, default_dir(), entries)
        outcome_logged(prefix, INSTALLED)

    def static_proxy(ctx, prefix, sim, entries):
        proxy = sim_state(sim)["proxy"]
        write_internet_options(prefix, connection_settings(DIRECT | USE_PROXY, proxy, "<local>;<-loopback>"))
        install_silently(ctx, prefix, entries)
        check_all_through_proxy(sim)
        log = prefix.log_text()
        check("代理设置（当前用户）：自动检测 否，配置脚本 无，代理服务器 %s，例外 <local>;<-loopback>" % proxy in log,
              "the log says what the settings hold")
        check("经代理 %s（系统代理设置）" % proxy in log, "the log names the proxy taken")

    def script(ctx, prefix, sim, entries):
        state = sim_state(sim)
        url = "http://127.0.0.1:%d/proxy.pac" % state["roles"]["plain"]
        # A static proxy is set too, and switched off: the script alone decides.
        write_internet_options(prefix, connection_settings(DIRECT | USE_SCRIPT, state["dead_proxy"], "", url))
        install_silently(ctx, prefix, entries)
        check(any(r.get("target") == "/proxy.pac" for r in sim.requests()), "the script was fetched")
        check_all_through_proxy(sim)
        check("经代理 %s（代理脚本指定）" % state["proxy"] in prefix.log_text(), "the log names the script's proxy")

    def dead_proxy(ctx, prefix, sim, entries):
        dead = sim_state(sim)["dead_proxy"]
        write_internet_options(prefix, connection_settings(DIRECT | USE_PROXY, dead, "<-loopback>"))
        install_silently(ctx, prefix, entries)
        check(not tunnels(sim), "nothing went through a proxy")
        log = prefix.log_text()
        check(log.count("代理 %s 无法连接（" % dead) == 1, "the dead proxy is logged once, with the reason")
        check("代理不通，直接连接 https://127.0.0.1:" in log, "the request was made again directly")

    def refusing_proxy(ctx, prefix, sim, entries):
        """A proxy that keeps answering 407: the user sees the network error box, and the
        log names the proxy and its status."""
        proxy = sim_state(sim)["proxy"]
        sim.mode({"roles": {"proxy": {"auth": "refuse"}}})
        write_internet_options(prefix, connection_settings(DIRECT | USE_PROXY, proxy, "<-loopback>"))
        run = e2e.Run(ctx, prefix)
        e2e.start_install(run)
        box = run.box(120)
        check(box is not None, "the error box shows")
        time.sleep(1.0)
        run.shots.append(os.path.join(ctx.work, "error-box.png"))
        screenshot(box, run.shots[-1])
        answer_box(box, BOX_OK_TWO)
        check(run.wait_exit(30) == 0, "setup exits 0 after the box")
        prefix.settle()
        log = prefix.log_text()
        check("安装错误：请求安装配置失败" in log, "the install failed as without a network")
        check("代理 %s 拒绝了到 https://127.0.0.1:" % proxy in log and "的连接：HTTP 407" in log,
              "the log names the proxy and its 407")
        check(all(r.get("role") == "proxy" for r in sim.requests()), "no vendor server was reached")
        offered = [h for r in tunnels(sim) for h in r.get("headers", []) if h.lower().startswith("proxy-authorization")]
        print("  credentials offered after the 407: %s" % (", ".join(h[:40] for h in offered) or "none"))
        return run

    return {
        "proxy-static": static_proxy,
        "proxy-script": script,
        "proxy-dead": dead_proxy,
        "proxy-refused": refusing_proxy,
    }
