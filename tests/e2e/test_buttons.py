"""The six skin buttons as a user meets them: where they stand, and which frame of their strip the
screen shows at rest, under the real pointer, while pressed and after the pointer has left; the
two small buttons follow the window's collapse and expand."""
import os

import qvharness as h

# child id: (strip file, top-left corner in the client area at start)
BUTTONS = {
    204: ("share_sina.bmp", (12, 560)),
    205: ("share_qq.bmp", (143, 560)),
    206: ("copy_text.bmp", (274, 560)),
    207: ("forum.bmp", (405, 560)),
    202: ("btn_close.bmp", (910, 10)),
    203: ("btn_minimize.bmp", (886, 10)),
}
NORMAL, PRESSED, FOCUSED, HOVER, DISABLED = range(5)
BS_OWNERDRAW = 0xB
WS_CHILD, WS_VISIBLE, WS_TABSTOP = 0x40000000, 0x10000000, 0x00010000


def frames(child_id):
    """The five frames of a button's strip, left to right."""
    strip = h.read_bmp(os.path.join(h.ROOT, "res", BUTTONS[child_id][0]))
    width = strip.width // 5
    return [strip.crop(k * width, 0, width, strip.height) for k in range(5)]


class ButtonScreen(h.SessionTestCase):
    """Reads button faces off the screen and compares them with the strips' frames."""

    @classmethod
    def setUpClass(cls):
        cls.frames = {child_id: frames(child_id) for child_id in BUTTONS}
        super().setUpClass()

    def origin(self):
        # Nothing here moves the window (collapse keeps its left and top).
        return self.info["window"][:2]

    def child(self, child_id):
        children = [c for c in self.session.window()["children"] if c["id"] == child_id]
        self.assertEqual(len(children), 1, "one child with id %d" % child_id)
        return children[0]

    def shown_frame(self, child_id, at, shot=None):
        """Index of the strip frame the screen shows at client point at, or None. A frame counts
        with the focus mark over it too, which a button that has the focus wears while the window
        shows keyboard cues (under Wine, always)."""
        left, top = self.origin()
        shot = shot or self.session.screenshot()
        first = self.frames[child_id][0]
        region = shot.crop(left + at[0], top + at[1], first.width, first.height)
        matches = [k for k, frame in enumerate(self.frames[child_id])
                   if frame.data == region.data or h.shows_focus_mark(region, over=frame)]
        return matches[0] if matches else None

    def wait_frame(self, child_id, at, *wanted, timeout=10):
        """Waits until the screen shows one of the wanted frames of the button; returns it."""
        seen = []

        def shows():
            seen.append(self.shown_frame(child_id, at))
            return seen[-1] in wanted

        try:
            self.session.wait_for(shows, timeout=timeout, interval=0.1)
        except AssertionError:
            self.fail("button %d at %s shows frame %s, expected %s" % (child_id, at, seen[-1], wanted))
        return seen[-1]

    def point_at(self, at, child_id, dx=None, dy=None):
        """Moves the pointer onto the button at client point at (its middle unless told)."""
        left, top = self.origin()
        frame = self.frames[child_id][0]
        self.session.move(left + at[0] + (frame.width // 2 if dx is None else dx),
                          top + at[1] + (frame.height // 2 if dy is None else dy))

    def park_pointer(self):
        """Moves the pointer to the left pane, away from every button."""
        left, top = self.origin()
        self.session.move(left + 200, top + 300)


class ButtonsAtStart(ButtonScreen):
    def test_strips_tell_their_frames_apart(self):
        for child_id, strip in self.frames.items():
            for a in range(5):
                for b in range(a + 1, 5):
                    self.assertNotEqual(strip[a].data, strip[b].data, "%d: frames %d and %d" % (child_id, a, b))

    def test_each_button_sits_at_its_rectangle_sized_to_one_frame(self):
        for child_id, (_, (x, y)) in BUTTONS.items():
            with self.subTest(child=child_id):
                child = self.child(child_id)
                frame = self.frames[child_id][0]
                self.assertEqual(child["rect"], [x, y, x + frame.width, y + frame.height])
                self.assertEqual(child["class"].lower(), "button")
                self.assertTrue(child["visible"])
                self.assertEqual(child["style"] & 0xF, BS_OWNERDRAW)
                self.assertEqual(child["style"] & 0xFFFF0000, WS_CHILD | WS_VISIBLE | WS_TABSTOP)

    def test_buttons_at_rest_show_their_normal_or_focus_frame(self):
        self.park_pointer()
        seen = []

        def at_rest():
            shot = self.session.screenshot()
            seen.append({child_id: self.shown_frame(child_id, at, shot) for child_id, (_, at) in BUTTONS.items()})
            return all(k in (NORMAL, FOCUSED) for k in seen[-1].values())

        # No button is under the pointer, pressed or disabled; one may hold the keyboard focus.
        try:
            self.session.wait_for(at_rest, timeout=10)
        except AssertionError:
            self.fail("frames shown: %s" % seen[-1])
        self.assertLessEqual(list(seen[-1].values()).count(FOCUSED), 1, seen[-1])


class PointerOverButtons(ButtonScreen):
    def test_hover_shows_frame_3_and_leaving_brings_back_the_rest_frame(self):
        for child_id, (_, at) in BUTTONS.items():
            with self.subTest(child=child_id):
                self.park_pointer()
                rest = self.wait_frame(child_id, at, NORMAL, FOCUSED)
                self.point_at(at, child_id)
                self.wait_frame(child_id, at, HOVER)
                # Further moves inside keep the hover frame.
                self.point_at(at, child_id, dx=2, dy=2)
                self.session.holds(lambda: self.shown_frame(child_id, at) == HOVER, 0.3, what="hover frame")
                self.park_pointer()
                self.wait_frame(child_id, at, rest)

    def test_moving_straight_from_one_button_to_the_next(self):
        sina, qq = BUTTONS[204][1], BUTTONS[205][1]
        self.park_pointer()
        self.point_at(sina, 204)
        self.wait_frame(204, sina, HOVER)
        self.point_at(qq, 205)
        self.wait_frame(205, qq, HOVER)
        self.wait_frame(204, sina, NORMAL)
        self.park_pointer()
        self.wait_frame(205, qq, NORMAL)

    def test_press_shows_frame_1_until_the_pointer_leaves(self):
        # Released away from the button, so no command runs (no share page, no message box).
        for child_id in (204, 206):
            with self.subTest(child=child_id):
                at = BUTTONS[child_id][1]
                self.park_pointer()
                self.point_at(at, child_id)
                self.wait_frame(child_id, at, HOVER)
                self.session.xdotool("mousedown", 1)
                try:
                    self.wait_frame(child_id, at, PRESSED)
                    self.point_at(at, child_id, dx=5, dy=5)
                    self.session.holds(lambda: self.shown_frame(child_id, at) == PRESSED, 0.3,
                                       what="moves inside keep it pressed")
                    self.park_pointer()
                    self.wait_frame(child_id, at, NORMAL, HOVER, FOCUSED)
                finally:
                    self.session.xdotool("mouseup", 1)
                # Pressing gave it the keyboard focus, which is all it shows once the pointer is gone.
                self.wait_frame(child_id, at, FOCUSED)
                self.assertTrue(self.session.window()["enabled"], "no message box came up")


class SmallButtonsFollowTheWindow(ButtonScreen):
    def bar_click(self):
        left, top = self.origin()
        self.session.click(left + 540, top + 200)

    def wait_width(self, width):
        s = self.session
        s.wait_for(lambda: (lambda w: w["window"][2] - w["window"][0] == width)(s.window()), what="width %d" % width)

    def assert_small_buttons_at(self, minimize, close):
        self.assertEqual(self.child(203)["rect"], [minimize[0], minimize[1], minimize[0] + 21, minimize[1] + 19])
        self.assertEqual(self.child(202)["rect"], [close[0], close[1], close[0] + 21, close[1] + 19])
        self.park_pointer()
        # On screen where the windows say they are; either may hold the keyboard focus.
        for child_id, at in ((203, minimize), (202, close)):
            rest = self.wait_frame(child_id, at, NORMAL, FOCUSED)
            self.point_at(at, child_id)
            self.wait_frame(child_id, at, HOVER)
            self.park_pointer()
            self.wait_frame(child_id, at, rest)

    def test_collapse_and_expand_move_the_small_buttons(self):
        self.assert_small_buttons_at((886, 10), (910, 10))
        self.bar_click()
        self.wait_width(556)
        self.assert_small_buttons_at((479, 10), (503, 10))
        self.bar_click()
        self.wait_width(940)
        self.assert_small_buttons_at((886, 11), (910, 11))


if __name__ == "__main__":
    h.main()
