#!/usr/bin/env python3
"""The real Lumoset (sanitizer build) on a virtual display while the virtual
camera is unplugged and plugged in again, in the live picture and in the
middle of recordings. Every cut recording must play, the program must still
be running after each cycle, and at the end it must exit cleanly: under
LeakSanitizer a leak turns the exit status non-zero.

    e2e_unplug_soak.py BUILD_DIR SCRIPTS_DIR

Cycles: 3 of each kind; LUMO_SOAK_CYCLES=N sets another count."""

import os
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

BUILD = Path(sys.argv[1]).resolve()
sys.path.insert(0, sys.argv[2])
import lumo_desktop as desk  # noqa: E402

RECORD = (296, 356)
EXIT = (68, 332)
CYCLES = int(os.environ.get("LUMO_SOAK_CYCLES", "3"))


def frames_read(avi):
    probe = desk.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                      "-show_entries", "stream=nb_read_frames", "-of", "default=noprint_wrappers=1",
                      str(avi)], check=False).stdout
    fields = dict(line.split("=", 1) for line in probe.split() if "=" in line)
    return int(fields.get("nb_read_frames", "0"))


class LumosetUnplugSoak(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="lumoset-soak."))
        cls.display = desk.VirtualDisplay()
        cls.env = dict(os.environ, DISPLAY=cls.display.name, QT_QPA_PLATFORM="xcb",
                       WINDIR=str(cls.tmp / "windows"), OUSBDRV_ROOT=str(cls.tmp / "cams"),
                       XDG_RUNTIME_DIR=str(cls.tmp / "runtime"))
        (cls.tmp / "windows").mkdir()
        (cls.tmp / "runtime").mkdir(mode=0o700)
        # The capture driver, registered as the first video driver.
        (cls.tmp / "windows" / "system.ini").write_text("[drivers]\nMSVideo=O_vdocap.drv\n")
        cls.camera = desk.Camera(BUILD / "bin" / "ousbdrvd", cls.env["OUSBDRV_ROOT"])
        cls.data = cls.tmp / "data"
        cls.program = desk.Program(BUILD / "bin" / "Lumoset", cls.data, cls.env)
        if not cls.program.find_window():
            raise RuntimeError("the Lumoset window did not appear: " + cls.program.proc.stdout.read())

    @classmethod
    def tearDownClass(cls):
        cls.program.stop()
        cls.camera.stop()
        cls.display.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def replug(self, away=0.6):
        self.assertEqual(self.camera.command("--unplug", "0").returncode, 0)
        time.sleep(away)
        self.assertEqual(self.camera.command("--plug", "0").returncode, 0)
        time.sleep(1.0)  # the reconnect attempts run every 300 ms
        self.assertIsNone(self.program.proc.poll(), "the program ended")

    def test_unplugs_in_the_live_picture_and_in_recordings(self):
        p = self.program
        time.sleep(1.0)
        for _ in range(CYCLES):
            self.replug()
        for n in range(1, CYCLES + 1):
            avi = self.data / "AVI" / f"CAP{n}.avi"
            p.click(*RECORD)
            self.assertTrue(desk.wait_until(lambda: avi.exists() and avi.stat().st_size > 64 * 1024, 15),
                            f"recording {n} did not start")
            self.replug()
            p.key("Return")  # "The recording ended early..."
            self.assertGreater(frames_read(avi), 0, f"{avi.name} does not play")

        p.click(*EXIT)
        if not desk.wait_until(lambda: p.proc.poll() is not None, 3):
            p.key("Return")  # the question about the run's files: Yes
        self.assertTrue(desk.wait_until(lambda: p.proc.poll() is not None, 30), "the program did not end")
        output = p.proc.stdout.read()
        self.assertNotIn("LeakSanitizer", output, output[-4000:])
        self.assertEqual(p.proc.returncode, 0, output[-4000:])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
