"""The main window as a user meets it: geometry, title, skin, dragging, collapse, single instance."""
import os
import time
import unittest

import qvharness as h

WIDTH, HEIGHT = 940, 600
BAR_TEXT = (536, 330, 551, 400)
TEXT_COLOUR = (146, 111, 42)
# What children cover (panes, bar text aside, buttons): the skin is compared everywhere else.
CHILD_RECTS = [(3, 41, 531, 554), (554, 41, 937, 598), (886, 10, 907, 29), (910, 10, 931, 29),
               (886, 11, 907, 30), (910, 11, 931, 30)] + [(12 + 131 * i, 560, 134 + 131 * i, 591) for i in range(4)]


def covered(x, y, extra=()):
    return any(l <= x < r and t <= y < b for l, t, r, b in CHILD_RECTS + list(extra))


def expected_surface():
    """The buffer the window paints: expanded background with the bar drawn at (531, 41)."""
    bg = h.read_bmp(os.path.join(h.ROOT, "res", "bg_expanded.bmp"))
    bar = h.read_bmp(os.path.join(h.ROOT, "res", "collapse_bar.bmp"))
    data = bytearray(bg.data)
    for y in range(bar.height):
        for x in range(bar.width):
            i = ((41 + y) * bg.width + 531 + x) * 3
            data[i:i + 3] = bytes(bar.pixel(x, y))
    return h.Image(bg.width, bg.height, bytes(data))


def text_region(shot, left, top):
    l, t, r, b = BAR_TEXT
    return shot.crop(left + l, top + t, r - l, b - t).data


class WindowAtStart(h.SessionTestCase):
    def test_geometry_title_and_style(self):
        info = self.info
        left, top, right, bottom = info["window"]
        self.assertEqual((right - left, bottom - top), (WIDTH, HEIGHT))
        self.assertEqual(info["client"], info["window"], "no caption and no border")
        self.assertEqual(info["title"], h.TITLE)
        self.assertFalse(info["style"] & 0x00C00000, "WS_CAPTION")
        self.assertTrue(info["exstyle"] & 0x00040000, "WS_EX_APPWINDOW gives a taskbar button")
        # Centred in the 1280 x 800 screen (Wine without a window manager: no taskbar).
        self.assertEqual((left, top), ((1280 - WIDTH) // 2, (800 - HEIGHT) // 2))
        self.assertTrue(self.session.x_windows(h.TITLE), "X window carries the title")

    def test_surface_is_the_skin_pixel_for_pixel(self):
        shot = self.session.screenshot()
        left, top = self.info["window"][:2]
        expected = expected_surface()
        mismatches = [(x, y) for y in range(HEIGHT) for x in range(WIDTH)
                      if not covered(x, y, [BAR_TEXT]) and shot.pixel(left + x, top + y) != expected.pixel(x, y)]
        self.assertEqual(mismatches[:10], [], "%d pixels differ from the skin" % len(mismatches))
        # The collapse text is drawn in its colour over the bar.
        text = text_region(shot, left, top)
        colours = {tuple(text[i:i + 3]) for i in range(0, len(text), 3)}
        self.assertTrue(any(max(abs(a - b) for a, b in zip(c, TEXT_COLOUR)) < 40 for c in colours),
                        "bar text colour present")


class BarText(h.SessionTestCase):
    def test_all_five_lines_of_the_bar_text_fit(self):
        # Three lines with ink ("收", "起", "<<") between two empty ones; the last must not be cut
        # off by the bottom of the text's rectangle.
        left, top = self.info["window"][:2]
        region = text_region(self.session.screenshot(), left, top)
        bands = h.ink_bands(region, BAR_TEXT[2] - BAR_TEXT[0], TEXT_COLOUR)
        self.assertEqual(len(bands), 3, bands)
        self.assertLess(bands[-1][1], BAR_TEXT[3] - BAR_TEXT[1], "the last line ends inside the rectangle")


class Dragging(h.SessionTestCase):
    def drag(self, cx, cy):
        """Drags from client point (cx, cy), towards the middle of the screen so that the pointer is
        never stopped by its edge; returns the window's rectangle before and the drag's offset."""
        before = self.session.window()["window"]
        sx, sy = before[0] + cx, before[1] + cy
        dx, dy = (60 if sx < 640 else -60), (40 if sy < 400 else -40)
        self.session.drag(sx, sy, dx, dy)
        return before, (dx, dy)

    def wait_moved(self, before, offset):
        """Waits until the window stands at before + offset; fails with where it stands instead."""
        s = self.session
        where = []

        def moved():
            where.append(s.window()["window"])
            return [a - b for a, b in zip(where[-1], before)] == [offset[0], offset[1]] * 2

        try:
            s.wait_for(moved, timeout=10)
        except AssertionError:
            self.fail("window at %s, expected %s moved by %s" % (where[-1], before, offset))

    def test_title_band_drags_down_to_row_41(self):
        for x, y in ((0, 41), (1, 41), (938, 41), (470, 0)):
            with self.subTest(x=x, y=y):
                self.wait_moved(*self.drag(x, y))

    def test_row_42_does_not_drag(self):
        for x in (1, 938):
            with self.subTest(x=x):
                before, _ = self.drag(x, 42)
                # Input is handled in order: once a drag by the title band that follows has moved the
                # window by exactly its own offset, the press on row 42 is known to have moved nothing.
                after_42, offset = self.drag(470, 0)
                self.assertEqual(after_42[:2], before[:2])
                self.wait_moved(before, offset)


class CollapseBar(h.SessionTestCase):
    def bar_width_after_click(self, cy, width):
        s = self.session
        left, top = s.window()["window"][:2]
        s.click(left + 540, top + cy)
        return s.wait_for(lambda: (lambda w: w if w["window"][2] - w["window"][0] == width else None)(s.window()),
                          what="window width %d" % width)

    def wait_text(self, predicate, what):
        s = self.session
        left, top = self.info["window"][:2]
        return s.wait_for(lambda: predicate(text_region(s.screenshot(), left, top)), what=what)

    def test_collapse_and_expand(self):
        s = self.session
        left, top = self.info["window"][:2]
        initial_text = text_region(s.screenshot(), left, top)

        collapsed = self.bar_width_after_click(200, 556)
        self.assertEqual(collapsed["window"], [left, top, left + 556, top + HEIGHT])
        self.wait_text(lambda text: text != initial_text, "the bar shows the expand text")

        expanded = self.bar_width_after_click(200, WIDTH)
        self.assertEqual(expanded["window"], [left, top, left + WIDTH, top + HEIGHT])
        self.wait_text(lambda text: text == initial_text, "the collapse text is back")

    def test_lower_end_of_bar_does_not_react(self):
        s = self.session
        left, top = s.window()["window"][:2]
        s.click(left + 540, top + 580)
        # Clicks are handled in order: had the lower click toggled, this one would expand and the
        # window would never be 556 wide.
        self.bar_width_after_click(200, 556)
        self.bar_width_after_click(200, WIDTH)


class SingleInstance(h.SessionTestCase):
    # The cases run in name order: the second ends the first instance.

    def test_1_second_start_restores_the_first_and_ends(self):
        s = self.session
        first_pid = self.info["pid"]
        s.probe("minimize", h.TITLE)
        s.wait_for(lambda: s.window()["iconic"], what="minimised")

        second = s.launch()
        self.assertEqual(second.wait(timeout=60), 0)
        info = s.wait_for(lambda: (lambda w: w if not w["iconic"] else None)(s.window()), what="restored")
        self.assertEqual(info["pid"], first_pid)
        self.assertEqual(info["window"][2] - info["window"][0], WIDTH)
        self.assertEqual(len(s.x_windows(h.TITLE)), 1)
        self.assertEqual(len(s.tool_pids()), 1)
        self.assertTrue(s.wait_for(lambda: s.window()["foreground"], what="foreground"))

    def test_2_start_after_exit_is_a_first_instance(self):
        s = self.session
        s.key("alt+F4")
        self.tool.wait(timeout=60)
        s.wait_for(lambda: not s.tool_pids(), what="first instance gone")
        self.assertFalse(s.window()["found"])
        again = s.launch()
        info = s.wait_window()
        self.assertIsNone(again.poll(), "a first instance keeps running")
        self.assertEqual(info["window"][2] - info["window"][0], WIDTH)


class WesternCodePage(h.SessionTestCase):
    """A Windows whose system code page is 1252 still shows every text right."""
    lang = "C.UTF-8"

    def test_title_survives_code_page_1252(self):
        self.assertEqual(self.info["title"], h.TITLE)
        self.assertTrue(self.session.x_windows(h.TITLE))


class StartUpTime(unittest.TestCase):
    def test_time_to_first_painted_window(self):
        # At 100 %, and at 200 %, where the skin is drawn from its 2x art.
        for dpi in (96, 192):
            s = h.Session(dpi=dpi)
            try:
                start = time.monotonic()
                s.launch()
                s.wait_painted()
                print("FIGURE start to first painted window at %d DPI: %.2f s (Wine, including wine loader start)"
                      % (dpi, time.monotonic() - start), flush=True)
            finally:
                s.close()


if __name__ == "__main__":
    h.main()
