"""The tool in a folder beside DLLs planted under system names (msimg32, comctl32, gdiplus), with
the loader told to prefer DLLs found beside the exe, as Windows does for DLLs that are not its known
DLLs: the window comes up, works, and none of the planted DLLs runs in it. A program that imports
msimg32 by name, as the tool once did, shows that in this setting a planted DLL does run."""
import os
import shutil
import subprocess

import qvharness as h

PLANTED = os.path.join(os.path.dirname(h.PROBE), "planted")
NAMES = ("msimg32", "comctl32", "gdiplus")
PREFER_BESIDE_EXE = ",".join(NAMES) + "=n,b"
CONTROL = "qv_planted_control.exe"


class PlantedDlls(h.SessionTestCase):
    start_tool = False
    extra_env = {"WINEDLLOVERRIDES": PREFER_BESIDE_EXE}

    @classmethod
    def prepare(cls):
        cls.folder = os.path.join(cls.session.dir, "Downloads")
        os.makedirs(cls.folder)
        for name in [n + ".dll" for n in NAMES] + [CONTROL]:
            shutil.copy(os.path.join(PLANTED, name), cls.folder)
        shutil.copy(h.EXE, cls.folder)

    def loaded_into(self, program):
        """The planted DLLs that ran in a process of the named program."""
        # A mark is named after the DLL as the loader spelt it (MSIMG32.dll.ran, say).
        marks = {f.lower(): f for f in os.listdir(self.folder) if f.lower().endswith(".dll.ran")}
        ran = []
        for name in NAMES:
            if name + ".dll.ran" not in marks:
                continue
            with open(os.path.join(self.folder, marks[name + ".dll.ran"]), encoding="utf-8") as mark:
                programs = [line.strip().rsplit("\\", 1)[-1].lower() for line in mark]
            if program.lower() in programs:
                ran.append(name)
        return ran

    def test_planted_dlls_run_in_a_program_importing_them_but_not_in_the_tool(self):
        s = self.session
        control = subprocess.run(["wine", os.path.join(self.folder, CONTROL)], env=s.env(), cwd=self.folder,
                                 stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        self.assertEqual(control.returncode, 0, control.stderr.decode(errors="replace")[-2000:])
        self.assertEqual(self.loaded_into(CONTROL), ["msimg32"],
                         "the control program takes the planted msimg32.dll beside it")

        tool = subprocess.Popen(["wine", os.path.join(self.folder, "QuilVara.exe")], env=s.env(), cwd=self.folder,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        s.procs.append(tool)
        info = s.wait_window()
        left, top = info["window"][:2]
        # Paint with keyed copies (a skin button under the pointer) and open the About box: the
        # paths that once used msimg32 and common controls.
        s.move(left + 12 + 60, top + 560 + 15)
        s.click(left + 938, top + 300)
        s.key("alt+space")
        s.wait_for(lambda: s.probe("menu")["found"], what="system menu")
        s.key("Up", "Return")
        about = s.wait_window("关于 QuilVara")
        l, t, r, b = next(c for c in about["children"] if c["id"] == 1)["rect"]
        x, y = about["client"][0] + l, about["client"][1] + t

        def button_drawn():
            button = s.screenshot().crop(x, y, r - l, b - t)
            return len({button.pixel(i, j) for j in range(button.height) for i in range(button.width)}) > 2

        s.wait_for(button_drawn, what="the About box's button drawn")
        s.key("Return")
        s.wait_for(lambda: not s.window("关于 QuilVara")["found"], what="About closed")
        self.assertIsNone(tool.poll(), "the tool still runs")
        self.assertEqual(self.loaded_into("QuilVara.exe"), [])


if __name__ == "__main__":
    h.main()
