"""What a release publishes (tools/pack-dist): reproducible zips with their checksums, and exes signed
with a throw-away certificate that verify against it and still run, while the built exe stays as it
was. tools/exe-compare, which says where two builds differ, names the place of a difference."""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

import qvharness as h

PACK_DIST = os.path.join(h.ROOT, "tools", "pack-dist")
EXE_COMPARE = os.path.join(h.ROOT, "tools", "exe-compare")
# 2023-11-14 22:13:20 UTC: an even second, which a zip stores exactly.
RELEASE_EPOCH = 1700000000
RELEASE_TIME_UTC = (2023, 11, 14, 22, 13, 20)
# Packed in a time zone eight hours from UTC, where a zip time taken in local time would show.
PACK_TZ = "Asia/Shanghai"
# The version set in CMakeLists.txt's project(), which the zips' names carry.
ZIP_NAME = "QuilVara-%s-x64.zip" % os.environ.get("QV_VERSION", "")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def sha256(path):
    return hashlib.sha256(read(path)).hexdigest()


def pack(out, **env):
    """Runs tools/pack-dist on the built x64 exe; returns its output."""
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(RELEASE_EPOCH), TZ=PACK_TZ, **env)
    done = subprocess.run([PACK_DIST, out, h.EXE], env=env, capture_output=True, text=True, timeout=120)
    if done.returncode:
        raise AssertionError("pack-dist failed: " + done.stdout + done.stderr)
    return done.stdout


def checked_sums(out):
    """SHA256SUMS as {name: digest}, each digest checked against the file it names."""
    with open(os.path.join(out, "SHA256SUMS")) as f:
        sums = dict(reversed(line.rstrip("\n").split("  ", 1)) for line in f)
    for name, digest in sums.items():
        if sha256(os.path.join(out, name)) != digest:
            raise AssertionError("SHA256SUMS is wrong for " + name)
    return sums


def make_certificate(folder, name):
    """A throw-away self-signed code-signing certificate: (PKCS#12 file, its password file, PEM)."""
    key, pem = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    p12, password = os.path.join(folder, name + ".p12"), os.path.join(folder, name + ".password")
    with open(password, "w") as f:
        f.write("throw-away %s\n" % name)
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", pem,
                    "-days", "2", "-subj", "/CN=" + name, "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", p12,
                    "-passout", "file:" + password], check=True, capture_output=True)
    return p12, password, pem


def scratch_folder(test):
    """A folder for the test, removed after it; the test is skipped when not run by CTest."""
    if not h.EXE:
        raise unittest.SkipTest("QV_EXE is set by CTest")
    folder = tempfile.mkdtemp(dir=h._ensure_work())
    test.addCleanup(shutil.rmtree, folder)
    return folder


def verify(exe, ca_file):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", ca_file, "-in", exe],
                          capture_output=True, text=True, timeout=60)


class ExeCompare(unittest.TestCase):
    def test_names_the_first_difference_and_the_regions(self):
        folder = scratch_folder(self)
        changed = bytearray(read(h.EXE))
        pe = struct.unpack_from("<I", changed, 0x3C)[0]
        changed[pe + 8] ^= 1  # the COFF header's TimeDateStamp
        changed[-1] ^= 1  # the last section's last byte
        copy = os.path.join(folder, "changed.exe")
        with open(copy, "wb") as f:
            f.write(changed)

        done = subprocess.run([EXE_COMPARE, h.EXE, copy], capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 1, done.stdout)
        self.assertIn("first difference at 0x%x: COFF header, TimeDateStamp" % (pe + 8), done.stdout)
        self.assertIn("2 differing bytes", done.stdout)
        self.assertRegex(done.stdout, r"\n +1  section \.reloc\n")
        same = subprocess.run([EXE_COMPARE, h.EXE, h.EXE], capture_output=True, text=True, timeout=60)
        self.assertEqual((same.returncode, same.stdout.split()[:1]), (0, ["identical:"]))


class UnsignedDist(unittest.TestCase):
    def test_zip_is_reproducible_and_summed(self):
        folder = scratch_folder(self)
        first, second = os.path.join(folder, "first"), os.path.join(folder, "second")
        output = pack(first)
        pack(second)

        name = ZIP_NAME
        local_time = "import time; print(tuple(time.localtime(%d)[:6]))" % RELEASE_EPOCH
        there = subprocess.run([sys.executable, "-c", local_time], env=dict(os.environ, TZ=PACK_TZ),
                               capture_output=True, text=True, timeout=60).stdout
        self.assertNotEqual(there.strip(), str(RELEASE_TIME_UTC), "the time zone of the packing is not UTC's")
        self.assertEqual(output.splitlines()[0], "Not signed: no certificate given (make dist SIGN_PKCS12=... "
                         "SIGN_PASSWORD_FILE=...).")
        self.assertEqual(output.splitlines()[-1], os.path.join(first, "SHA256SUMS"), "paths last")
        self.assertEqual(read(os.path.join(first, name)), read(os.path.join(second, name)),
                         "two packs of one exe are the same bytes")
        self.assertEqual(set(checked_sums(first)), {name, "x64/QuilVara.exe"})
        self.assertEqual(sha256(os.path.join(first, "x64", "QuilVara.exe")), sha256(h.EXE))

        with zipfile.ZipFile(os.path.join(first, name)) as archive:
            entries = archive.infolist()
            self.assertEqual([e.filename for e in entries], ["QuilVara.exe", "README.txt"])
            self.assertEqual({e.date_time for e in entries}, {RELEASE_TIME_UTC})
            self.assertEqual([e.external_attr >> 16 for e in entries], [0o100755, 0o100644])
            self.assertEqual(archive.read("QuilVara.exe"), read(h.EXE))
            readme = archive.read("README.txt")
        # Notepad on any Windows: a byte-order mark and CRLF line ends.
        self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))
        self.assertIn("QuilVara.exe", readme.decode("utf-8-sig"))


class SignedDist(h.SessionTestCase):
    start_tool = False

    @classmethod
    def prepare(cls):
        folder = cls.session.dir
        cls.built_before = sha256(h.EXE)
        cls.p12, password, cls.pem = make_certificate(folder, "QuilVara test signer")
        cls.stranger_pem = make_certificate(folder, "someone else")[2]
        cls.out = os.path.join(folder, "dist")
        cls.output = pack(cls.out, SIGN_PKCS12=cls.p12, SIGN_PASSWORD_FILE=password)
        cls.signed = os.path.join(cls.out, "x64", "QuilVara.exe")

    def test_signed_exe_verifies_against_its_certificate_only(self):
        ours = verify(self.signed, self.pem)
        self.assertEqual(ours.returncode, 0, ours.stdout + ours.stderr)
        self.assertIn("Signature verification: ok", ours.stdout)
        self.assertRegex(ours.stdout, r"Message digest algorithm\s*: SHA256")
        self.assertNotEqual(verify(self.signed, self.stranger_pem).returncode, 0)
        self.assertNotIn("Not signed", self.output)

    def test_signed_exe_is_the_unchanged_built_one_plus_a_signature_and_is_what_is_zipped(self):
        self.assertEqual(sha256(h.EXE), self.built_before)
        self.assertNotEqual(sha256(self.signed), self.built_before)
        # What lets anyone match a signed release with their own build of the commit.
        unsigned = os.path.join(self.session.dir, "signature-removed.exe")
        subprocess.run(["osslsigncode", "remove-signature", "-in", self.signed, "-out", unsigned],
                       check=True, capture_output=True, timeout=60)
        self.assertEqual(sha256(unsigned), self.built_before)
        sums = checked_sums(self.out)
        self.assertEqual(sums["x64/QuilVara.exe"], sha256(self.signed))
        with zipfile.ZipFile(os.path.join(self.out, ZIP_NAME)) as archive:
            self.assertEqual(archive.read("QuilVara.exe"), read(self.signed))

    def test_signed_exe_runs(self):
        s = self.session
        s.procs.append(subprocess.Popen(["wine", self.signed], env=s.env(), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        info = s.wait_painted()
        self.assertEqual(info["window"][2] - info["window"][0], 940)


if __name__ == "__main__":
    h.main()
