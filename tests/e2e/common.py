"""What every part of the end-to-end driver shares: where things are, the installer's
own names, and how a scenario fails."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIM = os.path.join(ROOT, "tools", "simulator", "varlo_sim.py")
TITLE = "安装向导-Varlo加速器"
PRODUCT = "Varlo加速器"
UNINSTALL_KEY = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + PRODUCT
BOX_SIZE = (444, 266)
# The message box is built in code: its buttons' centres for one and for two buttons.
BOX_OK_TWO = (157, 208)
BOX_CANCEL_TWO = (287, 208)
BOX_OK_ONE = (212, 208)
PACKAGE_NAME = "VarloClient_2.3.1.zip"


class ScenarioFailed(Exception):
    pass


def port_base(build):
    """The simulator's first port as the build compiled it into setup_e2e.exe (chosen by
    the build's suffix in core/CMakeLists.txt)."""
    path = os.path.join(build, "e2e-port-base")
    try:
        with open(path) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        raise ScenarioFailed("%s names no port: configure the build again" % path)


def check(condition, message):
    if not condition:
        raise ScenarioFailed(message)
    print("  ok: " + message)
