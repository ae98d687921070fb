#!/usr/bin/env python3
"""Lumoset end to end, as a user works it: the real program on a virtual
display against the real virtual camera showing a known picture, clicked with
xdotool at the skin's key places. Photos are read back with ImageMagick.

    e2e_lumoset.py BUILD_DIR SCRIPTS_DIR"""

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

# Client points inside each key's outline (video album panel closed).
TAKE_PICTURE = (356, 345)
COLOUR = (273, 320)
ZOOM = (168, 321)
OPEN_VIDEO_ALBUM = (11, 28)     # 1111; 1110 (close) sits at the same place
OPEN_PHOTO_ALBUM = (431, 28)    # 1112, shifted 84 with the video album open
CLOSE_PHOTO_ALBUM = (514, 28)   # 1113
EXIT = (68, 332)
RECORD = (296, 356)
FIRST_PHOTO_ITEM = (449 + 35, 74 + 40)
STOP = (242, 359)


def magick(*args):
    return desk.run(["convert", *args]).stdout


def mean_error(photo, reference, size, crop=None):
    """Normalised mean absolute error of `photo` against `reference` (cropped
    first when asked) at `size`, in 0..1."""
    ref = Path(tempfile.gettempdir()) / f"lumoset-e2e-ref-{os.getpid()}.png"
    args = [str(reference)]
    if crop:
        args += ["-crop", crop, "+repage"]
    desk.run(["convert", *args, "-resize", f"{size}!", str(ref)])
    result = desk.run(["compare", "-metric", "MAE", str(photo), str(ref), "null:"], check=False)
    ref.unlink()
    # compare prints "absolute (normalised)" on stderr.
    return float(result.stderr.split("(")[1].split(")")[0])


class LumosetEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="lumoset-e2e."))
        cls.known = cls.tmp / "known.png"
        # Colours that say where each pixel is: a flipped, mirrored or
        # wrongly zoomed photo cannot match.
        desk.run(["convert", "-size", "640x480", "xc:", "-sparse-color", "bilinear",
                  "0,0 rgb(30,30,110) 639,0 rgb(220,30,170) 0,479 rgb(30,220,170) 639,479 rgb(220,220,110)",
                  "-depth", "8", str(cls.known)])
        cls.display = desk.VirtualDisplay()
        cls.env = dict(os.environ, DISPLAY=cls.display.name, QT_QPA_PLATFORM="xcb",
                       WINDIR=str(cls.tmp / "windows"), OUSBDRV_ROOT=str(cls.tmp / "cams"),
                       XDG_RUNTIME_DIR=str(cls.tmp / "runtime"))
        (cls.tmp / "windows").mkdir()
        (cls.tmp / "runtime").mkdir(mode=0o700)
        desk.run([str(BUILD / "bin" / "modify")], env=cls.env)  # registers the capture driver
        cls.camera = desk.Camera(BUILD / "bin" / "ousbdrvd", cls.env["OUSBDRV_ROOT"],
                                 ["--image", str(cls.known)])
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

    def photo(self, n):
        path = self.data / "PIC" / f"PIC{n}.bmp"
        self.assertTrue(desk.wait_until(lambda: path.exists() and path.stat().st_size > 0, 20),
                        f"{path.name} did not appear")
        time.sleep(0.2)  # the picture is renamed into place whole; give the album its read
        return path

    def width(self):
        return self.program.geometry()[2]

    def test_a_user_session(self):
        p = self.program
        self.assertEqual(self.width(), 442)
        time.sleep(1.0)  # the live picture runs

        # Take Picture: PIC1.bmp is the known picture at 320 x 240.
        p.click(*TAKE_PICTURE)
        pic1 = self.photo(1)
        self.assertEqual(desk.run(["identify", "-format", "%wx%h", str(pic1)]).stdout, "320x240")
        self.assertLess(mean_error(pic1, self.known, "320x240"), 0.03)

        # Black and white: the next photo is grey.
        p.click(*COLOUR)
        p.click(*TAKE_PICTURE)
        pic2 = self.photo(2)
        self.assertEqual(desk.run(["identify", "-format", "%[type]", str(pic2)]).stdout, "Grayscale")
        p.click(*COLOUR)

        # Zoom: the next photo shows the centre of the scene at twice the size.
        p.click(*ZOOM)
        p.click(*TAKE_PICTURE)
        pic3 = self.photo(3)
        self.assertLess(mean_error(pic3, self.known, "320x240", crop="320x240+160+120"), 0.04)
        self.assertGreater(mean_error(pic3, self.known, "320x240"), 0.04)
        p.click(*ZOOM)

        # Album panels: 526 with one, 610 with both, back to 442.
        p.click(*OPEN_VIDEO_ALBUM)
        self.assertTrue(desk.wait_until(lambda: self.width() == 526, 5), self.width())
        p.click(OPEN_PHOTO_ALBUM[0] + 84, OPEN_PHOTO_ALBUM[1])
        self.assertTrue(desk.wait_until(lambda: self.width() == 610, 5), self.width())
        p.click(CLOSE_PHOTO_ALBUM[0] + 84, CLOSE_PHOTO_ALBUM[1])
        self.assertTrue(desk.wait_until(lambda: self.width() == 526, 5), self.width())
        p.click(*OPEN_VIDEO_ALBUM)  # the close key stands where the open key was
        self.assertTrue(desk.wait_until(lambda: self.width() == 442, 5), self.width())

        # Record, Stop three seconds later: a clip that plays, and its still.
        p.click(*RECORD)
        avi = self.data / "AVI" / "CAP1.avi"
        self.assertTrue(desk.wait_until(avi.exists, 10), "the recording did not start")
        time.sleep(3)
        p.click(*STOP)
        still = self.data / "AVI" / "CAP1.bmp"
        self.assertTrue(desk.wait_until(still.exists, 20), "no still after the recording")
        probe = desk.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                          "-show_entries", "stream=codec_name,width,height,nb_read_frames",
                          "-of", "default=noprint_wrappers=1", str(avi)]).stdout
        fields = dict(line.split("=", 1) for line in probe.split())
        self.assertEqual((fields["width"], fields["height"]), ("160", "120"))
        self.assertGreater(int(fields["nb_read_frames"]), 0)
        self.assertTrue(desk.wait_until(lambda: p.proc.poll() is None, 1))

        # The video album shows the clip's still: its panel is no longer plain black.
        p.click(*OPEN_VIDEO_ALBUM)
        self.assertTrue(desk.wait_until(lambda: self.width() == 526, 5), self.width())
        time.sleep(0.3)
        shot = self.tmp / "albums.png"
        p.screenshot(shot)
        spread = desk.run(["convert", str(shot), "-crop", "60x45+12+92", "+repage",
                           "-format", "%[fx:standard_deviation]", "info:"]).stdout
        self.assertGreater(float(spread), 0.05, "no thumbnail in the video album")
        p.click(*OPEN_VIDEO_ALBUM)
        self.assertTrue(desk.wait_until(lambda: self.width() == 442, 5), self.width())

        # Save the first photo elsewhere as PNG from the album's menu: the file
        # leaves the album's folder.
        p.click(*OPEN_PHOTO_ALBUM)
        self.assertTrue(desk.wait_until(lambda: self.width() == 526, 5), self.width())
        saved = self.tmp / "kept" / "first.png"
        saved.parent.mkdir()
        p.click(*FIRST_PHOTO_ITEM, button=3)
        time.sleep(0.5)
        for key in ("Down", "Down", "Return"):  # Open, Save
            p.key(key)
        time.sleep(1.5)  # the file dialog comes up
        desk.run(["xdotool", "type", "--delay", "10", str(saved)], env=self.env)
        p.key("Return")
        self.assertTrue(desk.wait_until(saved.exists, 10), "the PNG was not saved")
        self.assertEqual(desk.run(["identify", "-format", "%m %wx%h", str(saved)]).stdout, "PNG 320x240")
        self.assertTrue(desk.wait_until(lambda: not pic1.exists(), 5), "PIC1.bmp is still there")
        p.click(*CLOSE_PHOTO_ALBUM)
        self.assertTrue(desk.wait_until(lambda: self.width() == 442, 5), self.width())

        # A second start brings the first forward and ends at once.
        second = desk.Program(BUILD / "bin" / "Lumoset", self.tmp / "elsewhere", self.env)
        self.assertEqual(second.proc.wait(30), 0)
        self.assertIsNone(p.proc.poll())

        # EXIT: the photos of the run are in the album, so the program asks; Yes.
        p.click(*EXIT)
        if not desk.wait_until(lambda: p.proc.poll() is not None, 3):
            p.key("Return")
        self.assertTrue(desk.wait_until(lambda: p.proc.poll() is not None, 20), "the program did not end")
        self.assertEqual(p.proc.returncode, 0)
        ini = (self.tmp / "windows" / "O_VCAM.ini").read_text()
        self.assertIn("[Orvane.USB_VCAM]", ini)
        self.assertIn("Quality=1", ini)
        self.assertFalse((self.data / "PIC").exists(), list((self.data / "PIC").glob("*")) if (self.data / "PIC").exists() else "")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
