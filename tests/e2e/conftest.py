"""End-to-end runs of the real Kelvarion.exe under Wine.

scripts/test-e2e starts the display and the Wine prefix and runs pytest here;
every test gets its own copy of the program in a fresh folder, so its program
settings file, local directory and history are its own.
"""
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

TOP = Path(__file__).resolve().parents[2]
WIN64 = TOP / "build" / "win64"
SHOTS = TOP / "build" / "e2e"


def wait_for(condition, timeout=15.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def winepath(path):
    return subprocess.run(["winepath", "-w", str(path)], capture_output=True, text=True, check=True).stdout.strip()


class Program:
    """One private installation of Kelvarion.exe and the driver beside it."""

    def __init__(self, folder: Path):
        self.folder = folder
        folder.mkdir(parents=True, exist_ok=True)
        self.exe = folder / "Kelvarion.exe"
        shutil.copy2(WIN64 / "Kelvarion.exe", self.exe)
        self.processes = []

    def start(self, *args):
        proc = subprocess.Popen(["wine", str(self.exe), *args], cwd=self.folder, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(proc)
        return proc

    def run(self, *args, timeout=30):
        # The program is a GUI one: with its output on a pipe Wine keeps a
        # console for it that later console programs (the driver) hang on.
        return subprocess.run(["wine", str(self.exe), *args], cwd=self.folder, timeout=timeout,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def driver(self, *args, timeout=60):
        result = subprocess.run(["wine", str(WIN64 / "kdriver.exe"), *args], capture_output=True,
                                stdin=subprocess.DEVNULL, timeout=timeout)
        return result.returncode, result.stdout.decode("utf-8", "replace").strip()

    def screenshot(self, name):
        SHOTS.mkdir(parents=True, exist_ok=True)
        path = SHOTS / f"{name}.png"
        subprocess.run(["import", "-window", "root", str(path)], check=True)
        return path

    def stop(self):
        for proc in self.processes:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)


@pytest.fixture
def program(tmp_path):
    p = Program(tmp_path / "install")
    yield p
    p.stop()
