"""The tool's commands as a user gives them: share and copy buttons, minimise to the notification
area and back, the icon's menu, close, keys, and the About box."""
import os
import subprocess
import time
import unittest

import qvharness as h

RECOMMENDATION = ("发现个Quil的#vara#好感度查询器，能轻松搜NPC好感所需物品，送NPC礼物方便多了，下载地址是："
                  + h.HOST_GAME + "/afq.html")
COPY_SUCCEEDED = "复制成功，粘帖（Ctrl+V）到QQ上发给你的好友们把！"
MESSAGE_TITLE = "QuilVara"  # message boxes carry the application's title
WS_EX_TOPMOST = 0x00000008
LOOKALIKE = os.environ.get("QV_LOOKALIKE", "")


def share_button(i):
    return 12 + 131 * i + 61, 560 + 15


def message_text(box):
    return [c["text"] for c in box["children"] if c["class"].lower() == "static" and c["text"]]


class WithTool(h.SessionTestCase):
    def message_box(self, timeout=20):
        """The message box once it is up with its text (the window exists a moment before its text)."""
        return self.session.wait_for(lambda: (lambda w: w if w.get("found") and w["visible"] and message_text(w)
                                              else None)(self.session.window(MESSAGE_TITLE)),
                                     timeout=timeout, what="message box")

    def dismiss_message_box(self):
        self.session.key("Return")
        self.session.wait_for(lambda: not self.session.window(MESSAGE_TITLE)["found"], what="box closed")


class CopyButton(WithTool):
    def x_clipboard(self):
        out = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.session.env(),
                             capture_output=True, timeout=20)
        return out.stdout.decode("utf-8", "replace")

    def test_1_busy_clipboard_is_reported_and_nothing_copied(self):
        s = self.session
        holder = subprocess.Popen(["wine", h.PROBE, "holdclipboard", "8"], env=s.env(),
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertIn(b"ok", holder.stdout.readline())
            self.session.click_client(*share_button(2))
            box = self.message_box()
            texts = message_text(box)
            self.assertNotIn(COPY_SUCCEEDED, texts)
            self.assertTrue(any("复制失败" in t for t in texts), texts)
            self.dismiss_message_box()
        finally:
            holder.wait(timeout=30)
            holder.stdout.close()
        self.assertNotEqual(self.x_clipboard(), RECOMMENDATION, "nothing was copied")

    def test_2_copy_puts_the_recommendation_on_the_clipboard(self):
        self.session.click_client(*share_button(2))
        box = self.message_box()
        self.assertIn(COPY_SUCCEEDED, message_text(box))
        self.assertEqual(self.x_clipboard(), RECOMMENDATION)
        self.dismiss_message_box()


class CopyButtonOnCodePage1252(CopyButton):
    lang = "C.UTF-8"


class ShareButtons(WithTool):
    @classmethod
    def setUpClass(cls):
        cls.launches = h.BrowserLaunches()
        super().setUpClass()

    def opened(self):
        return self.launches.opened()

    def test_each_press_opens_its_address_once(self):
        expected = [h.HOST_EVENT + "/afqwb?t=sina", h.HOST_EVENT + "/afqwb?t=sina",
                    h.HOST_EVENT + "/afqwb?t=qq", h.HOST_FORUM + "/forum-1107-1.html"]
        for count, i in enumerate((0, 0, 1, 3), start=1):
            pressed = time.monotonic()
            self.session.click_client(*share_button(i))
            # One press, one launch: the next press waits for it.
            self.session.wait_for(lambda: len(self.opened()) >= count, timeout=60, what="launch %d" % count)
            # And presses come a second apart, as a user's would: quicker ones on one button make a
            # double click, which a button does not take as a second press.
            time.sleep(max(0.0, 1.0 - (time.monotonic() - pressed)))
        self.assertEqual(self.opened(), expected)
        self.session.holds(lambda: self.opened() == expected, 2, what="no extra launches")


class WithTray(WithTool):
    def tray(self):
        return self.session.tray_icon()

    def minimise(self):
        self.session.click_client(886 + 10, 10 + 9)
        self.session.wait_for(lambda: self.session.window()["iconic"], what="minimised")
        return self.session.wait_for(self.tray, what="tray icon")


class TrayIcon(WithTray):
    def test_1_no_icon_until_minimised_by_the_button(self):
        self.assertIsNone(self.tray())

    def test_2_clicks_on_the_icon(self):
        s = self.session
        icon = self.minimise()
        s.click(*icon)
        s.holds(lambda: s.window()["iconic"], 1.5, what="a single click does nothing")
        s.click(*icon, repeat=2)
        s.wait_for(lambda: not s.window()["iconic"], what="restored by double click")
        self.assertIsNotNone(self.tray(), "the icon stays")

    def test_3_menu_show_restores_and_keeps_the_icon(self):
        s = self.session
        icon = self.minimise()
        s.click(*icon, button=3)
        menu = s.wait_for(lambda: (lambda m: m if m["found"] else None)(s.probe("menu")), what="menu")
        left, top, right, bottom = menu["rect"]
        self.assertTrue(20 <= bottom - top <= 70, "two items: %s" % menu["rect"])
        s.key("Down", "Return")
        s.wait_for(lambda: not s.window()["iconic"], what="restored by 显示")
        self.assertIsNotNone(self.tray())

    def test_4_menu_close_removes_the_icon_and_ends(self):
        s = self.session
        icon = self.minimise()
        s.click(*icon, button=3)
        s.wait_for(lambda: s.probe("menu")["found"], what="menu")
        s.key("Down", "Down", "Return")
        self.tool.wait(timeout=60)
        s.wait_for(lambda: not s.tool_pids(), what="process gone")
        s.wait_for(lambda: self.tray() is None, what="icon gone")


class TrayIconAcrossTheShell(WithTray):
    """The icon outlives a shell restart and does not outlive the Windows session."""

    def test_1_shell_restart_brings_the_icon_back(self):
        self.minimise()
        self.assertTrue(self.session.probe("shellrestart", h.TITLE)["ok"], "the shell forgot the icon")
        self.session.wait_for(self.tray, what="icon added again")

    def test_2_end_of_session_takes_the_icon_away(self):
        self.assertIsNotNone(self.tray())
        self.session.probe("endsession", h.TITLE)
        self.session.wait_for(lambda: self.tray() is None, what="icon gone")


class CloseButton(WithTool):
    def test_close_button_ends_the_tool(self):
        self.session.click_client(910 + 10, 10 + 9)
        self.assertEqual(self.tool.wait(timeout=60), 0)
        self.session.wait_for(lambda: not self.session.tool_pids(), what="process gone")


class Keys(WithTool):
    def test_1_enter_escape_space_do_nothing(self):
        s = self.session
        self.session.click_client(938, 300)  # focus the window by its border
        for key in ("Return", "Escape", "space"):
            s.key(key)
        # Keys are handled in order: once the system menu that follows is up, the three are known
        # to have been handled, and the tool must still be there.
        s.key("alt+space")
        s.wait_for(lambda: s.probe("menu")["found"], what="system menu")
        s.key("Escape")
        s.wait_for(lambda: not s.probe("menu")["found"], what="system menu closed")
        self.assertIsNone(self.tool.poll())
        self.assertTrue(s.window()["visible"])

    def test_2_about_box_from_the_system_menu(self):
        s = self.session
        self.session.click_client(938, 300)
        s.key("alt+space")
        s.wait_for(lambda: s.probe("menu")["found"], what="system menu")
        s.key("Up", "Return")  # the last item
        about = s.wait_for(lambda: (lambda w: w if w.get("found") and w["visible"] else None)(
            s.window("关于 QuilVara")), what="About box")
        self.assertTrue(any("QuilVara Version 1.0" == c["text"] for c in about["children"]))
        main = s.window()
        self.assertFalse(main["enabled"], "modal: the main window waits")
        centre = lambda r: ((r[0] + r[2]) / 2, (r[1] + r[3]) / 2)
        for got, want in zip(centre(about["window"]), centre(main["window"])):
            self.assertLessEqual(abs(got - want), 1, "centred over the main window: %s in %s"
                                 % (about["window"], main["window"]))

        # Another program comes in front; a second start brings back the box, which takes the
        # input, not the disabled main window.
        other = subprocess.Popen(["wine", LOOKALIKE, "Another program", "60"], env=s.env(), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        s.procs.append(other)
        self.assertIn(b"ok", other.stdout.readline())
        s.wait_for(lambda: s.window("Another program").get("foreground"), what="the other program in front")
        second = s.launch()
        self.assertEqual(second.wait(timeout=60), 0)
        s.wait_for(lambda: s.window("关于 QuilVara")["foreground"], what="the About box in front")
        self.assertFalse(s.window()["foreground"])
        other.kill()

        # With the main window minimised by Win+M, the box is restored with it, and again the box
        # takes the foreground: never the disabled main window.
        s.probe("iconify", h.TITLE)
        s.wait_for(lambda: s.window()["iconic"], what="minimised with the box open")
        second = s.launch()
        self.assertEqual(second.wait(timeout=60), 0)
        def about_in_front():
            box, main = s.window("关于 QuilVara"), s.window()
            return (box["foreground"] and box["visible"] and box["enabled"]
                    and not main["iconic"] and not main["foreground"])
        s.wait_for(about_in_front, what="the main window restored, the About box in front")
        s.holds(about_in_front, 1.5, what="the About box in front, not the disabled main window")
        s.key("Return")
        s.wait_for(lambda: not s.window("关于 QuilVara")["found"], what="About closed")
        self.assertTrue(s.window()["enabled"])

    def test_3_always_on_top_from_the_system_menu(self):
        s = self.session

        def system_menu():
            """Opens the system menu by keyboard; returns it as the screen shows it."""
            s.click_client(938, 300)
            s.key("alt+space")
            left, top, right, bottom = s.wait_for(lambda: (lambda m: m["found"] and m["rect"])(s.probe("menu")),
                                                  what="system menu")
            # Found is not painted: the picture counts once two in a row agree.
            shots = [None]

            def settled():
                shots.append(s.screenshot().crop(left, top, right - left, bottom - top).data)
                return shots[-1] == shots[-2]
            s.wait_for(settled, what="system menu painted")
            return (left, top, right, bottom), shots[-1]

        def choose_always_on_top():
            s.key("Up", "Up", "Return")  # from the bottom: the About item, then the one above its separator
            s.wait_for(lambda: not s.probe("menu")["found"], what="menu closed")

        def on_top():
            return bool(s.window()["exstyle"] & WS_EX_TOPMOST)

        rect, plain = system_menu()
        choose_always_on_top()
        s.wait_for(on_top, what="kept on top")
        _, checked = system_menu()
        left, top, right, bottom = rect
        width = right - left
        changed = [(i // 3 % width, i // 3 // width) for i in range(0, len(plain), 3)
                   if plain[i:i + 3] != checked[i:i + 3]]
        self.assertTrue(changed, "a check mark")
        # Only a mark at the item's start, in the lower half of the menu, where the item stands.
        self.assertLess(max(x for x, _ in changed), width // 4, changed[:5])
        self.assertGreater(min(y for _, y in changed), (bottom - top) // 2, changed[:5])
        choose_always_on_top()
        s.wait_for(lambda: not on_top(), what="no longer on top")
        self.assertEqual(system_menu()[1], plain, "the check mark gone")
        s.key("Escape")
        s.wait_for(lambda: not s.probe("menu")["found"], what="menu closed")

    def test_4_alt_f4_closes(self):
        self.session.click_client(938, 300)
        self.session.key("alt+F4")
        self.assertEqual(self.tool.wait(timeout=60), 0)


if __name__ == "__main__":
    h.main()
