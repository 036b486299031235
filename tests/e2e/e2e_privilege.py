"""End-to-end scenarios for the installer's privilege boundary: no command interpreter is
ever started, links open the unelevated way, the uninstall command is quoted for its
blanks and read back without the quotes, and a second name planted as the log is left
alone. Also the one step every install now passes under Wine: the question about the
target's parent folders.

Wine keeps no security descriptors: every folder of a prefix reads back as owned by the
Wine user with full control, so the question is asked on every install there, and folder
rights can only be read back as the Unix mode Wine maps them onto."""
import os
import re
import shutil
import stat
import time

from common import BOX_OK_TWO, UNINSTALL_KEY, ScenarioFailed, check
from screen import Run, answer_box, click, default_dir, message_box, wait_for

PARENT_LOG = "上级文件夹可被其他用户修改["
# What an install worker writes once it runs: the server it chose or found none, its end.
WORKER_LOG = re.compile("接口服务器：|无可访问的服务器|安装已取消|安装错误：|安装线程异常结束")
LINK_LOG = "打开网页["
AGREEMENT_PATH = "/content/6/39.html"
CMD_RECORD = "C:\\e2e-cmd.txt"


def command_path(path):
    """The uninstall command as the installer registers it: quoted when it holds a blank."""
    return '"%s"' % path if (" " in path or "\t" in path) else path


def parent_questions(run):
    """Where the log stands, taken before an install click: the questions about the parent
    folders asked so far, and the lines that install workers have written."""
    log = run.prefix.log_text()
    return log.count(PARENT_LOG), len(WORKER_LOG.findall(log))


def pass_parent_question(run, before, timeout=20):
    """Answers 确定 to the question about the target's parents once its log line is there.
    Another box may follow at once (the one about files in the folder): only this box's own
    window is waited for, so that one is left to the scenario. The worker starts only after
    the question, so a worker's line in the log, with no new question, means none comes."""
    asked_before, worked_before = before
    end = time.time() + timeout
    box = None
    while box is None and time.time() < end:
        asked, worked = parent_questions(run)
        if asked > asked_before:
            box = message_box()
        elif worked > worked_before:
            return False
        time.sleep(0.3)
    if box is None:
        return False
    for _ in range(4):
        click(box, BOX_OK_TWO)
        gone = time.time() + 3
        while time.time() < gone:
            now = message_box()
            if now is None or now[0] != box[0]:
                return True
            time.sleep(0.2)
    raise ScenarioFailed("the question about the parent folders did not take the click")


def replace_cmd(prefix, tool):
    """The command interpreter of this prefix only becomes a recorder."""
    for folder in ("syswow64", "system32"):
        dest = os.path.join(prefix.path, "drive_c", "windows", folder, "cmd.exe")
        if os.path.exists(dest):
            os.remove(dest)
        shutil.copy(tool, dest)


def write_quoted_reg(prefix, root, key, name, value):
    """One string value, quotes in it kept (regedit reads them escaped)."""
    text = value.replace("\\", "\\\\").replace('"', '\\"')
    lines = ["Windows Registry Editor Version 5.00", "", "[%s\\%s]" % (root, key),
             '"%s"="%s"' % (name, text)]
    path = os.path.join(prefix.path, "drive_c", "e2e-seed.reg")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    prefix.run("regedit", "/S", "C:\\e2e-seed.reg")
    prefix.settle()


def scenarios(start_install, finish, check_installed):
    def privilege_defaults(ctx, prefix, sim, entries):
        replace_cmd(prefix, ctx.tools["cmd"])
        # A second name for someone else's file, planted as the log before the run.
        work = os.path.join(prefix.temp_dir(), "varloSetup")
        os.makedirs(work, exist_ok=True)
        victim = prefix.host("C:\\victim.txt")
        with open(victim, "wb") as f:
            f.write(b"not the installer's")
        victim_mode = os.stat(victim).st_mode
        os.link(victim, os.path.join(work, "VarloSetup.log"))
        # Wine's own last resort for a link would start a browser on the test display.
        write_quoted_reg(prefix, "HKEY_CURRENT_USER", "Software\\Wine\\WineBrowser", "Browsers", "e2e-no-browser")

        run = Run(ctx, prefix)
        run.window()
        run.click("show_policy_btn")
        wait_for(lambda: LINK_LOG in prefix.log_text(), 20, "the agreement link's log line")
        start_install(run)
        finish(run)
        run.click("close_btn")
        check(run.wait_exit() == 0, "setup exits 0")
        prefix.settle()

        log = prefix.log_text()
        route = [l for l in log.splitlines() if LINK_LOG in l and AGREEMENT_PATH in l]
        check(route, "the agreement page went out as a link")
        print("  route taken: " + route[0].split("]:")[-1])
        check(PARENT_LOG in log, "the parents question was asked (every folder is the Wine user's)")
        check(not os.path.exists(prefix.host(CMD_RECORD)), "no command interpreter was started")
        target = default_dir()
        check_installed(prefix, target, entries)
        reg = prefix.registry().values(UNINSTALL_KEY)
        check(reg.get("UninstallString") == '"%s\\unins000.exe"' % target, "UninstallString is quoted")

        check(open(victim, "rb").read() == b"not the installer's", "the planted second name's file is untouched")
        check(os.stat(victim).st_mode == victim_mode, "and keeps its rights")
        log_path = os.path.join(work, "VarloSetup.log")
        check(os.stat(log_path).st_nlink == 1 and not os.path.samefile(log_path, victim),
              "the log is a file of its own")
        aside = [d for d in os.listdir(prefix.temp_dir()) if d.startswith("varloSetup-")]
        check(any(os.path.samefile(os.path.join(prefix.temp_dir(), d, "VarloSetup.log"), victim) for d in aside),
              "the folder holding it was moved aside whole")
        mode = os.stat(work).st_mode
        print("  work folder mode as Wine keeps it: %o" % stat.S_IMODE(mode))
        check(not mode & stat.S_IWOTH, "others may not write into the work folder")
        return run

    def privilege_quoted_earlier(ctx, prefix, sim, entries):
        target = "C:\\My Games\\varlo"
        os.makedirs(prefix.host(target), exist_ok=True)
        with open(os.path.join(prefix.host(target), "vljiasu.exe"), "wb") as f:
            f.write(b"old client")
        write_quoted_reg(prefix, "HKEY_LOCAL_MACHINE", UNINSTALL_KEY, "UninstallString",
                         command_path(target + "\\unins000.exe"))
        run = Run(ctx, prefix)
        start_install(run)
        box = run.box(10)
        check(box is not None, "the question about files in the folder is asked")
        answer_box(box, BOX_OK_TWO)
        finish(run)
        run.click("close_btn")
        check(run.wait_exit() == 0, "setup exits 0")
        prefix.settle()
        check_installed(prefix, target, entries)
        check(not os.path.exists(prefix.host(target + "\\varlo")), "the quoted earlier folder itself was proposed")
        return run

    return {
        "privilege-defaults": privilege_defaults,
        "privilege-quoted-earlier": privilege_quoted_earlier,
    }
