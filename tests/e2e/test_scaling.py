"""The window on a display scaled to 150 % and to 200 % (the prefix's LogPixels at 144 and 192):
every length scaled from the 100 % layout, the skin drawn from the art made at twice the size,
the bar's text whole, and the window working as it does at 100 %."""
import operator
import os
import sys
import time

import qvharness as h

sys.path.insert(0, os.path.join(h.ROOT, "tools"))
import make_skin_bitmaps as artwork  # noqa: E402

# The 100 % layout, as the user sees it.
WINDOW, COLLAPSED = (940, 600), (556, 600)
SEARCH_PANE, NEWS_PANE, SEARCH_CUT = (3, 41, 531, 554), (554, 41, 937, 598), (-5, -65)
BAR_IMAGE, BAR_STATIC, BAR_TEXT = (531, 41, 554, 599), (531, 41, 554, 565), (536, 330, 551, 400)
TEXT_COLOUR = (146, 111, 42)
TITLE_BAND_BOTTOM = 41
SHARE_SIZE, SMALL_SIZE = (122, 31), (21, 19)
# child id: (strip, top-left corner at start)
BUTTONS = {204: ("share_sina", (12, 560)), 205: ("share_qq", (143, 560)), 206: ("copy_text", (274, 560)),
           207: ("forum", (405, 560)), 202: ("btn_close", (910, 10)), 203: ("btn_minimize", (886, 10))}
SMALL_BUTTONS_AFTER_EXPAND = {202: (910, 11), 203: (886, 11)}
SHARE_SINA_URL = h.HOST_EVENT + "/afqwb?t=sina"
# How far a pixel may stand from the generator's own resampling of the 2x art: the two round
# differently. Drawn from the 1x bitmaps or with a plainer filter, pixels are off by tens.
TOLERANCE = 2


class ScaledWindow:
    """The tests of one scale; each class below runs them in a session at its DPI. They run in
    name order and share the tool, which the last one minimises."""

    @classmethod
    def setUpClass(cls):
        cls.launches = h.BrowserLaunches()
        super().setUpClass()

    def s(self, *values):
        scaled = tuple(h.scaled(v, self.dpi) for v in values)
        return scaled if len(scaled) > 1 else scaled[0]

    def origin(self):
        return self.session.window()["window"][:2]

    def centre(self, corner, size):
        return self.s(corner[0]) + self.s(size[0]) // 2, self.s(corner[1]) + self.s(size[1]) // 2

    def test_1_size_panes_and_the_whole_bar_text(self):
        left, top, right, bottom = self.info["window"]
        self.assertAlmostEqual(right - left, self.s(WINDOW[0]), delta=1)
        self.assertAlmostEqual(bottom - top, self.s(WINDOW[1]), delta=1)
        panes = {c["id"]: c for c in self.info["children"]}
        self.assertEqual(panes[200]["rect"], list(self.s(*SEARCH_PANE)))
        self.assertEqual(panes[201]["rect"], list(self.s(*NEWS_PANE)))
        self.assertEqual(panes[200]["children"][0]["rect"][:2], list(self.s(*SEARCH_CUT)), "the page's cut")
        self.assertEqual(panes[212]["rect"], list(self.s(*BAR_STATIC)))
        # The panel an unreachable page gives way to is drawn in the skin font at this scale, its
        # button sized by it (78 x 26 at 100 %).
        retry = self.session.wait_for(lambda: next((c for c in next(
            p for p in self.session.window()["children"] if p["id"] == 201)["children"]
            if c["class"] == "Button" and c["visible"]), None), timeout=60, what="the panel's button")
        l, t, r, b = retry["rect"]
        self.assertAlmostEqual(r - l, self.s(78), delta=self.s(78) // 10)
        self.assertAlmostEqual(b - t, self.s(26), delta=self.s(26) // 10)
        # Three lines with ink ("收", "起", "<<") between two empty ones, none cut off: the
        # characters a character's height, the last ending inside the text's rectangle.
        l, t, r, b = self.s(*BAR_TEXT)
        region = self.session.screenshot().crop(left + l, top + t, r - l, b - t).data
        bands = h.ink_bands(region, r - l, TEXT_COLOUR)
        self.assertEqual(len(bands), 3, bands)
        for start, end in bands[:2]:
            self.assertGreaterEqual(end - start, self.s(9), bands)
        self.assertLess(bands[-1][1], b - t, "the last line ends inside the rectangle")

    def test_2_skin_is_the_2x_art_resampled(self):
        s = self.session
        left, top = self.origin()
        s.move(left + self.s(200), top + self.s(300))  # on the left pane, away from every button
        shot = s.screenshot()
        # The window's surface: the background with the bar's image, where no child covers it.
        width, height = self.s(*WINDOW)
        expected = bytearray(artwork.resampled(os.path.join(h.ROOT, "res"), "bg_expanded", (width, height))[2])
        bl, bt, br, bb = self.s(*BAR_IMAGE)
        bar = artwork.resampled(os.path.join(h.ROOT, "res"), "collapse_bar", (br - bl, bb - bt))[2]
        for y in range(bb - bt):
            expected[((bt + y) * width + bl) * 3:((bt + y) * width + br) * 3] = bar[y * (br - bl) * 3:(y + 1) * (br - bl) * 3]
        covered = [self.s(*SEARCH_PANE), self.s(*NEWS_PANE), self.s(*BAR_TEXT)]
        for _, corner in BUTTONS.values():
            size = SMALL_SIZE if corner[1] < 41 else SHARE_SIZE
            covered.append(self.s(corner[0], corner[1]) + tuple(map(operator.add, self.s(*corner), self.s(*size))))
        self.assertLessEqual(self.worst(shot.crop(left, top, width, height).data, bytes(expected), width, covered),
                             TOLERANCE, "the surface")
        # The buttons at rest, each showing its normal or its focus frame.
        for child_id, (strip, corner) in BUTTONS.items():
            with self.subTest(child=child_id):
                fw, fh = self.s(*(SMALL_SIZE if corner[1] < 41 else SHARE_SIZE))
                frames = artwork.resampled(os.path.join(h.ROOT, "res"), strip, (fw, fh))[2]
                x, y = self.s(*corner)
                face = shot.crop(left + x, top + y, fw, fh).data
                worst = [self.worst(face, b"".join(frames[(row * 5 * fw + k * fw) * 3:(row * 5 * fw + (k + 1) * fw) * 3]
                                                   for row in range(fh)), fw, [])
                         for k in (0, 2)]
                self.assertLessEqual(min(worst), TOLERANCE)

    @staticmethod
    def worst(shown, expected, width, covered):
        """The largest channel difference between two pictures width wide, outside covered
        rectangles."""
        worst = 0
        for y in range(len(expected) // (width * 3)):
            spans, x = [], 0
            for l, t, r, b in sorted(c for c in covered if c[1] <= y < c[3]):
                if l > x:
                    spans.append((x, l))
                x = max(x, r)
            spans.append((x, width))
            for x0, x1 in spans:
                a = shown[(y * width + x0) * 3:(y * width + x1) * 3]
                b = expected[(y * width + x0) * 3:(y * width + x1) * 3]
                if a != b:
                    worst = max(worst, max(map(abs, map(operator.sub, a, b))))
        return worst

    def test_3_the_scaled_title_band_drags_and_the_row_below_it_does_not(self):
        s = self.session

        def drag(x, y):
            before = s.window()["window"]
            s.drag(before[0] + x, before[1] + y, 60, 40)
            return before

        def moved(before, by):
            return s.wait_for(lambda: [a - b for a, b in zip(s.window()["window"], before)] == [by[0], by[1]] * 2,
                              timeout=10, what="moved by %s" % (by,))

        # On the frame left of the search pane, which starts in the band's last row.
        before = drag(1, self.s(TITLE_BAND_BOTTOM) + 1)
        # Input is handled in order: once a drag by the band that follows has moved the window by
        # exactly its own offset, the press below the band is known to have moved nothing.
        moved(drag(1, self.s(TITLE_BAND_BOTTOM)), (60, 40))
        self.assertEqual(s.window()["window"][:2], [before[0] + 60, before[1] + 40])

    def test_4_a_share_button_opens_its_page_once(self):
        self.session.click_client(*self.centre(BUTTONS[204][1], SHARE_SIZE))
        self.session.wait_for(lambda: self.launches.opened(), timeout=60, what="a browser launch")
        self.session.holds(lambda: self.launches.opened() == [SHARE_SINA_URL], 2, what="one launch")

    def test_5_the_bar_collapses_and_expands(self):
        s = self.session
        for width in (COLLAPSED[0], WINDOW[0]):
            self.session.click_client(*self.centre(BAR_STATIC[:2], (23, 300)))
            s.wait_for(lambda: (lambda w: w[2] - w[0] == self.s(width))(s.window()["window"]),
                       what="width %d" % self.s(width))
        self.assertEqual(s.window()["window"][3] - s.window()["window"][1], self.s(WINDOW[1]))

    def test_6_the_minimise_button_puts_the_icon_into_the_notification_area(self):
        s = self.session
        self.assertIsNone(s.tray_icon())
        self.session.click_client(*self.centre(SMALL_BUTTONS_AFTER_EXPAND[203], SMALL_SIZE))
        s.wait_for(lambda: s.window()["iconic"], what="minimised")
        s.wait_for(s.tray_icon, what="tray icon")


class At150Percent(ScaledWindow, h.SessionTestCase):
    dpi = 144


class At200Percent(ScaledWindow, h.SessionTestCase):
    dpi = 192


if __name__ == "__main__":
    h.main()
