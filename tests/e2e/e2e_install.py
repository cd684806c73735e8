#!/usr/bin/env python3
"""`cmake --install` as a user or a packager runs it: the program in a folder of
its own with the hand pointer beside it, a bin/ link, the .desktop file and the
icon in its hicolor sizes; the installed program, started through the link,
finds its hand pointer beside itself and ends cleanly. The Debian package made
by `cpack -G DEB` holds the same files with Depends from dpkg-shlibdeps, passes
lintian without an error, and the program unpacked from it starts."""

import glob
import os
import re
import shutil
import struct
import subprocess

import e2elib
from e2elib import E2ETestCase, SOURCE_DIR, BUILD_DIR, wait_for

ICON_SIZES = (32, 48, 128, 256)


def install(prefix, destdir=None):
    env = dict(os.environ)
    if destdir:
        env["DESTDIR"] = destdir
    done = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        raise AssertionError("cmake --install failed:\n" + done.stdout)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError(path + " is not a PNG file")
    return struct.unpack(">II", head[16:24])


def cursor_file_image(path):
    """(width, height, x hot spot, y hot spot) of the first image of a .cur file."""
    with open(path, "rb") as f:
        data = f.read(22)
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 2 or count < 1:
        raise AssertionError(path + " is not a cursor file")
    width, height, _, _, xhot, yhot, _, _ = struct.unpack("<BBBBHHII", data[6:22])
    return (width or 256, height or 256, xhot, yhot)


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    assert lines[0] == "[Desktop Entry]", lines[0]
    for line in lines[1:]:
        if line and not line.startswith("#"):
            key, _, value = line.partition("=")
            entry[key] = value
    return entry


class Install(E2ETestCase):
    postgres_wanted = False

    def test_installed_layout(self):
        prefix = os.path.join(self.case_dir, "prefix")
        install(prefix)
        program = os.path.join(prefix, "lib", "dovetab", "dovetab")
        self.assertTrue(os.access(program, os.X_OK))
        link = os.path.join(prefix, "bin", "dovetab")
        self.assertTrue(os.path.islink(link))
        # Relative, so that the installed tree can be moved as a whole.
        self.assertEqual(os.readlink(link), "../lib/dovetab/dovetab")
        with open(os.path.join(SOURCE_DIR, "resources", "HAND-M.CUR"), "rb") as f:
            cursor = f.read()
        with open(os.path.join(prefix, "lib", "dovetab", "HAND-M.CUR"), "rb") as f:
            self.assertEqual(f.read(), cursor)
        self.assertFalse(os.path.exists(os.path.join(prefix, "bin", "HAND-M.CUR")))

        entry = desktop_entry(os.path.join(prefix, "share", "applications", "dovetab.desktop"))
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(entry["Name"], "Dovetab")
        self.assertEqual(entry["Exec"], "dovetab")
        self.assertEqual(entry["Icon"], "dovetab")
        for size in ICON_SIZES:
            icon = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                "dovetab.png")
            self.assertEqual(png_size(icon), (size, size), icon)

    def test_destdir_staging(self):
        stage = os.path.join(self.case_dir, "stage")
        install("/usr", destdir=stage)
        link = os.path.join(stage, "usr", "bin", "dovetab")
        self.assertEqual(os.readlink(link), "../lib/dovetab/dovetab")
        self.assertTrue(os.access(os.path.join(stage, "usr", "lib", "dovetab", "dovetab"), os.X_OK))

    def test_installed_program_finds_its_pointer(self):
        prefix = os.path.join(self.case_dir, "prefix")
        install(prefix)
        # Started through the bin/ link, from another folder.
        app = self.start_dovetab(binary=os.path.join(prefix, "bin", "dovetab"), wait="login")
        hand = cursor_file_image(os.path.join(prefix, "lib", "dovetab", "HAND-M.CUR"))

        def pointer_is(expected):
            image = self.display.cursor_image()
            return image[:4] == expected
        app.hover1("PushButton2")
        wait_for(lambda: pointer_is(hand), "the hand pointer over a button", 30)
        app.hover1("Text1")
        wait_for(lambda: not pointer_is(hand), "the text pointer over a text box", 30)

        app.close(app.form1)
        self.assertEqual(app.wait_exit(), 0)
        # A first start stores the three defaults.
        self.assertEqual(e2elib.read_settings(app.config_home),
                         {e2elib.LOGIN_KEYS["Text2"]: "50069", e2elib.LOGIN_KEYS["Text6"]: "localhost",
                          e2elib.LOGIN_KEYS["Text7"]: "5432"})

    def test_debian_package(self):
        out = os.path.join(self.case_dir, "package")
        done = subprocess.run(["cpack", "-G", "DEB", "-B", out, "--config",
                               os.path.join(BUILD_DIR, "CPackConfig.cmake")],
                              cwd=BUILD_DIR, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(done.returncode, 0, done.stdout)
        debs = glob.glob(os.path.join(out, "dovetab_*.deb"))
        self.assertEqual(len(debs), 1, os.listdir(out))
        deb = debs[0]

        def field(name):
            return subprocess.run(["dpkg-deb", "-f", deb, name], stdout=subprocess.PIPE, text=True,
                                  check=True).stdout.strip()
        self.assertEqual(field("Package"), "dovetab")
        depends = [d.strip().split(" ")[0] for d in field("Depends").split(",")]
        for needed in ("libodbc2", "libqt6widgets6", "libqt6gui6", "libqt6core6", "libc6", "unixodbc"):
            self.assertIn(needed, depends)
        self.assertEqual(field("Recommends"), "odbc-postgresql")

        listing = subprocess.run(["dpkg-deb", "-c", deb], stdout=subprocess.PIPE, text=True,
                                 check=True).stdout
        for path in ["./usr/lib/dovetab/dovetab", "./usr/lib/dovetab/HAND-M.CUR", "./usr/bin/dovetab",
                     "./usr/share/applications/dovetab.desktop", "./usr/share/doc/dovetab/copyright",
                     "./usr/share/doc/dovetab/changelog.gz", "./usr/share/man/man1/dovetab.1.gz"] + [
                "./usr/share/icons/hicolor/%dx%d/apps/dovetab.png" % (n, n) for n in ICON_SIZES]:
            self.assertRegex(listing, r"(?m) %s( ->|$)" % re.escape(path))
        self.assertNotIn("db2standin", listing)
        self.assertNotIn("tst_", listing)

        # lintian: no error. Warnings and notes are allowed.
        self.assertTrue(shutil.which("lintian"), "lintian is not installed (scripts/bootstrap)")
        lint = subprocess.run(["lintian", "--tag-display-limit", "0", deb], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
        errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lint.stdout)

        # Unpacked into a folder of its own, the program starts from there with its
        # hand pointer and ends cleanly.
        root = os.path.join(self.case_dir, "root")
        subprocess.run(["dpkg", "-x", deb, root], check=True)
        app = self.start_dovetab(binary=os.path.join(root, "usr", "bin", "dovetab"), wait="login")
        hand = cursor_file_image(os.path.join(root, "usr", "lib", "dovetab", "HAND-M.CUR"))
        app.hover1("PushButton2")
        wait_for(lambda: self.display.cursor_image()[:4] == hand, "the hand pointer over a button", 30)
        app.close(app.form1)
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    e2elib.main()
