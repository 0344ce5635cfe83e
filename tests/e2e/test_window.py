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


class Dragging(h.SessionTestCase):
    def drag(self, cx, cy):
        """Drags from client point (cx, cy); returns how far the window moved."""
        before = self.session.window()["window"]
        sx, sy = before[0] + cx, before[1] + cy
        # Towards the middle of the screen, so the pointer is never stopped by its edge.
        dx, dy = (60 if sx < 640 else -60), (40 if sy < 400 else -40)
        self.session.press(sx, sy)
        time.sleep(0.3)
        for step in range(1, 6):
            self.session.move(sx + dx * step // 5, sy + dy * step // 5)
            time.sleep(0.05)
        self.session.release()
        time.sleep(0.5)
        after = self.session.window()["window"]
        return after[0] - before[0], after[1] - before[1]

    def test_title_band_drags_down_to_row_41(self):
        for x in (0, 1, 938):
            with self.subTest(x=x):
                self.assertEqual([abs(d) for d in self.drag(x, 41)], [60, 40])
        self.assertEqual([abs(d) for d in self.drag(470, 0)], [60, 40])

    def test_row_42_does_not_drag(self):
        for x in (1, 938):
            with self.subTest(x=x):
                self.assertEqual(self.drag(x, 42), (0, 0))


class CollapseBar(h.SessionTestCase):
    def test_collapse_and_expand(self):
        s = self.session
        left, top = self.info["window"][:2]
        initial_text = text_region(s.screenshot(), left, top)

        s.click(left + 540, top + 200)
        collapsed = s.wait_for(lambda: (lambda w: w if w["window"][2] - w["window"][0] == 556 else None)(s.window()),
                               what="collapse")
        self.assertEqual(collapsed["window"], [left, top, left + 556, top + HEIGHT])
        time.sleep(0.5)
        collapsed_text = text_region(s.screenshot(), left, top)
        self.assertNotEqual(collapsed_text, initial_text, "the bar shows the expand text")

        s.click(left + 540, top + 200)
        expanded = s.wait_for(lambda: (lambda w: w if w["window"][2] - w["window"][0] == WIDTH else None)(s.window()),
                              what="expand")
        self.assertEqual(expanded["window"], [left, top, left + WIDTH, top + HEIGHT])
        time.sleep(0.5)
        self.assertEqual(text_region(s.screenshot(), left, top), initial_text, "the collapse text is back")

    def test_lower_end_of_bar_does_not_react(self):
        s = self.session
        left, top = s.window()["window"][:2]
        s.click(left + 540, top + 580)
        time.sleep(0.8)
        w = s.window()["window"]
        self.assertEqual(w[2] - w[0], WIDTH)


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
        s = h.Session()
        try:
            expected = expected_surface().pixel(200, 20)
            start = time.monotonic()
            s.launch()

            def painted():
                w = s.window()
                if not (w.get("found") and w["visible"]):
                    return None
                return s.screenshot().pixel(w["window"][0] + 200, w["window"][1] + 20) == expected

            s.wait_for(painted, interval=0.05, what="painted window")
            print("start to first painted window: %.2f s (Wine, including wine loader start)"
                  % (time.monotonic() - start))
        finally:
            s.close()


if __name__ == "__main__":
    h.main()
