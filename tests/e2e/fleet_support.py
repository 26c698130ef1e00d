"""Runs the real updater without any display, and places simulated devices on one random
loopback /24 so that parallel test runs keep apart."""

import json
import os
import random
import subprocess

UPDATER = os.environ.get("ZEDEZ_UPDATER", "")
RUN_TIMEOUT = 120.0


def headless_env():
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.pop("QT_QPA_PLATFORM", None)
    return env


def run_updater(*args, input=None, timeout=RUN_TIMEOUT):
    """Exit code, stdout, stderr of one run; bounded by timeout."""
    if not UPDATER:
        raise RuntimeError("ZEDEZ_UPDATER names no executable")
    # A session of its own: no controlling terminal, where a piped run would ask.
    result = subprocess.run([UPDATER, *args], input=input, capture_output=True, text=True,
                            timeout=timeout, env=headless_env(), start_new_session=True,
                            stdin=None if input is not None else subprocess.DEVNULL)
    return result.returncode, result.stdout, result.stderr


def json_lines(stdout):
    return [json.loads(line) for line in stdout.splitlines() if line.strip()]


def random_subnet():
    """"127.A.B" of a /24 that no other test is likely to use."""
    return f"127.{random.randint(100, 254)}.{random.randint(1, 254)}"


def firmware_count(fleet, address):
    return len([r for r in fleet.records(address) if r.get("kind") == "firmware"])
