"""The logon task as Wine's scheduler stores it: one XML file per task in the prefix."""
import os
from xml.etree import ElementTree

TASK_NAME = "vljsqRun"
# What a registered logon task must say, as the scheduler stored it. Wine's scheduler keeps
# a task's settings when it stores one, and drops its triggers, principal and command.
TASK_SETTINGS = {"DisallowStartIfOnBatteries": "false", "StopIfGoingOnBatteries": "false",
                 "ExecutionTimeLimit": "PT0S", "StartWhenAvailable": "true", "Enabled": "true"}


def stored_task(prefix):
    """The logon task's definition from the scheduler's store (XML), or None."""
    path = prefix.host("C:\\windows\\system32\\tasks\\" + TASK_NAME)
    if not os.path.exists(path):
        return None
    raw = open(path, "rb").read()
    return raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8-sig")


def task_table(text):
    """Element -> text for the settings the install cares about, read from the XML."""
    ns = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
    root = ElementTree.fromstring(text)
    table = {}
    for name in TASK_SETTINGS:
        node = root.find("t:Settings/t:" + name, ns)
        table[name] = node.text if node is not None else None
    return table


def seed_stale_task(prefix):
    """A logon task left by an earlier install, in the scheduler's store."""
    folder = prefix.host("C:\\windows\\system32\\tasks")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, TASK_NAME), "w", encoding="utf-8-sig") as f:
        f.write('<?xml version="1.0"?>\n<Task version="1.2" '
                'xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">'
                '<Actions><Exec><Command>C:\\old\\vljiasu.exe</Command></Exec></Actions></Task>\n')
