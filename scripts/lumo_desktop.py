"""Running the camera program on a desktop: a virtual display when there is
none, the virtual camera daemon, the program, and clicks at window points.

Used by `make run` (scripts/run-lumoset) and by the end-to-end tests. Every
program is started with an argument list, never through a shell."""

import os
import shutil
import subprocess
import time
from pathlib import Path


def wait_until(condition, timeout, step=0.05):
    """Polls `condition` until it is true or `timeout` seconds passed."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            return value
        time.sleep(step)


def run(args, env=None, check=True, timeout=30):
    return subprocess.run(args, env=env, check=check, timeout=timeout,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


class VirtualDisplay:
    """An Xvfb display of its own (the first free number from 90 on)."""

    def __init__(self, width=1024, height=768):
        self.proc = None
        for number in range(90, 140):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            proc = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", f"{width}x{height}x24",
                                     "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if wait_until(lambda: Path(f"/tmp/.X11-unix/X{number}").exists() or proc.poll() is not None, 10) \
                    and proc.poll() is None:
                self.proc = proc
                self.name = f":{number}"
                return
            proc.kill()
        raise RuntimeError("no virtual display could be started (is Xvfb installed?)")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Camera:
    """The virtual camera daemon on a root of its own."""

    def __init__(self, daemon, root, source_args=()):
        self.daemon = str(daemon)
        self.root = Path(root)
        self.root.mkdir(parents=True, exist_ok=True)
        # A daemon left running on this root from an earlier run is stopped first.
        subprocess.run([self.daemon, "--root", str(self.root), "--stop"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)
        self.proc = subprocess.Popen([self.daemon, "--root", str(self.root), "--device", "0",
                                      *source_args],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        node = self.root / "ousbdrv000" / "DEVICE"
        if not wait_until(lambda: node.exists() or self.proc.poll() is not None, 30) or self.proc.poll() is not None:
            err = self.proc.stderr.read() if self.proc.poll() is not None else ""
            raise RuntimeError(f"the virtual camera did not start: {err.strip()}")

    def command(self, *args):
        return run([self.daemon, "--root", str(self.root), *args], check=False)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Program:
    """Lumoset started in `data_folder` with the environment given."""

    def __init__(self, executable, data_folder, env, args=()):
        self.env = env
        Path(data_folder).mkdir(parents=True, exist_ok=True)
        self.proc = subprocess.Popen([str(executable), *args], cwd=str(data_folder), env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.window = None

    def find_window(self, timeout=60):
        def search():
            if self.proc.poll() is not None:
                return None
            out = run(["xdotool", "search", "--onlyvisible", "--name", "^Lumoset$"],
                      env=self.env, check=False).stdout.split()
            return out[0] if out else None
        self.window = wait_until(search, timeout, step=0.2)
        return self.window

    def geometry(self):
        """(x, y, width, height) of the program window."""
        out = run(["xdotool", "getwindowgeometry", "--shell", self.window], env=self.env).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, x, y, button=1):
        """A click at (x, y) of the window's client area."""
        run(["xdotool", "mousemove", "--window", self.window, str(x), str(y)], env=self.env)
        time.sleep(0.05)  # let the pointer's arrival reach the window before the press
        run(["xdotool", "click", str(button)], env=self.env)

    def key(self, name):
        run(["xdotool", "key", name], env=self.env)

    def screenshot(self, path):
        run(["import", "-window", self.window, str(path)], env=self.env)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        return self.proc.returncode


def camera_source_args(camera):
    """The daemon's picture source for a CAMERA setting: a V4L2 device, a video
    file, or any other input the ffmpeg program reads."""
    if not camera:
        return []
    if camera.startswith("/dev/video"):
        return ["--v4l2", camera]
    if Path(camera).is_file():
        return ["--video", camera]
    return ["--source", camera]


def have(program):
    return shutil.which(program) is not None
