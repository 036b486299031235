"""What every part of the end-to-end driver shares: where things are, the installer's
own names, and how a scenario fails."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIM = os.path.join(ROOT, "tools", "simulator", "varlo_sim.py")
PORT_BASE = int(os.environ.get("VARLO_E2E_PORT_BASE", "18640"))
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


def check(condition, message):
    if not condition:
        raise ScenarioFailed(message)
    print("  ok: " + message)
