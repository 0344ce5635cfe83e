"""The About box under common controls 6, which the manifest asks for: its button comes from the
side-by-side common controls 6.0 and is drawn in the system's theme, unlike the same dialog
template made by a program without the manifest. Both dialogs are drawn alike where common
controls play no part (the icon), so the difference on the button is theirs."""
import ntpath
import re
import subprocess

import qvharness as h

ABOUT = "关于 QuilVara"
CLASSIC = "classic About box"
IDD_ABOUTBOX, IDOK = 100, 1
SIDE_BY_SIDE_6 = re.compile(r"\\winsxs\\[^\\]*microsoft\.windows\.common-controls_[0-9a-f]+_6\.0\.", re.I)


def child_region(shot, dialog, predicate):
    """The screen pixels of the dialog's first child that predicate accepts."""
    child = next(c for c in dialog["children"] if predicate(c))
    l, t, r, b = child["rect"]
    return shot.crop(dialog["client"][0] + l, dialog["client"][1] + t, r - l, b - t)


def is_button(child):
    return child["id"] == IDOK


def is_icon(child):
    return child["class"] == "Static" and child["style"] & 0x1F == 0x3  # SS_ICON


class AboutBox(h.SessionTestCase):
    def test_button_is_common_controls_6_and_drawn_unlike_the_classic_one(self):
        s = self.session
        left, top = self.info["window"][:2]
        s.click(left + 938, top + 300)
        s.key("alt+space")
        s.wait_for(lambda: s.probe("menu")["found"], what="system menu")
        s.key("Up", "Return")
        about = s.wait_window(ABOUT)
        s.procs.append(subprocess.Popen(["wine", h.PROBE, "classicdialog", h.EXE, str(IDD_ABOUTBOX), CLASSIC, "300"],
                                        env=s.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL))
        classic = s.wait_window(CLASSIC)

        ours, theirs = s.probe("commoncontrols", ABOUT, str(IDOK)), s.probe("commoncontrols", CLASSIC, str(IDOK))
        self.assertTrue(ours["comctl32"], "common controls loaded in the tool")
        self.assertTrue(all(SIDE_BY_SIDE_6.search(path) for path in ours["comctl32"]), ours["comctl32"])
        self.assertEqual(ntpath.basename(theirs["class_module"]).lower(), "user32.dll", "the classic button")
        self.assertNotEqual(ntpath.basename(ours["class_module"]).lower(), "user32.dll",
                            "the About box's button class is registered by common controls 6")

        def both_painted():
            shot = s.screenshot()
            icons = [child_region(shot, d, is_icon).data for d in (about, classic)]
            return shot if icons[0] == icons[1] and len(set(icons[0])) > 1 else None

        shot = s.wait_for(both_painted, what="both dialogs painted, their icons alike")
        ours_drawn = child_region(shot, about, is_button)
        classic_drawn = child_region(shot, classic, is_button)
        self.assertEqual((ours_drawn.width, ours_drawn.height), (classic_drawn.width, classic_drawn.height))
        pixels = ours_drawn.width * ours_drawn.height
        differing = sum(ours_drawn.pixel(x, y) != classic_drawn.pixel(x, y)
                        for y in range(ours_drawn.height) for x in range(ours_drawn.width))
        self.assertGreater(differing, pixels // 2, "the themed button is drawn unlike the classic one")


if __name__ == "__main__":
    h.main()
