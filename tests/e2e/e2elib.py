"""End-to-end test equipment: the real dovetab binary on an X server of its own,
driven with real input events, against servers of its own.

Every test file builds on three pieces:

  Servers  a PostgreSQL cluster and a DB2 stand-in folder started with
           scripts/lib/servers.sh, a private odbcinst.ini, and ways to read and
           write both databases without going through Dovetab;
  Display  an Xvfb server with xdotool for mouse and keys, xclip for the
           clipboard and a little Xlib through ctypes (closing a window the way a
           window manager does, reading the pointer image);
  Dovetab  one run of the program with a settings store of its own, its windows
           found by process id and the controls found by their layout in twips
           (window-layouts.tsv, written by the build).

Only Debian's python3 and its standard library are used. ctest passes
DOVETAB_SOURCE_DIR and DOVETAB_BUILD_DIR.
"""

import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

SOURCE_DIR = os.environ.get("DOVETAB_SOURCE_DIR", "")
BUILD_DIR = os.environ.get("DOVETAB_BUILD_DIR", "")
SERVERS_SH = os.path.join(SOURCE_DIR, "scripts", "lib", "servers.sh")

# Waits are bounds against a hang, never measurements: they are generous on purpose.
WAIT = 90.0

# The window layouts in twips (1440 to the inch), as the build writes them from
# src/ui/WindowLayouts.h: per window its client size, and per control the offset
# of its container inside the window and its rectangle inside that container.
def _layouts():
    rows = {}
    with open(os.path.join(BUILD_DIR, "window-layouts.tsv"), encoding="utf-8") as f:
        columns = f.readline().rstrip("\n").split("\t")
        for line in f:
            row = dict(zip(columns, line.rstrip("\n").split("\t")))
            rows[(row["window"], row["control"])] = row

    def offset(window, name):
        row = rows[(window, name)]
        if not row["container"]:
            return 0, 0
        cx, cy = offset(window, row["container"])
        container = rows[(window, row["container"])]
        return cx + int(container["left"]), cy + int(container["top"])

    layouts, sizes = {}, {}
    for (window, name), row in rows.items():
        if row["kind"] == "window":
            sizes[window] = (int(row["width"]), int(row["height"]))
        else:
            layouts.setdefault(window, {})[name] = (
                offset(window, name), int(row["left"]), int(row["top"]), int(row["width"]),
                int(row["height"]))
    return layouts, sizes


_LAYOUTS, _SIZES = _layouts()
FORM1, FORM2 = _LAYOUTS["Form1"], _LAYOUTS["Form2"]
FORM1_WIDTH, FORM1_HEIGHT = _SIZES["Form1"]
FORM2_WIDTH = _SIZES["Form2"][0]

# The text boxes of the login window and the settings keys they are kept under,
# as the build writes them from src/core/LoginKeys.h.
def _login_keys():
    keys = {}
    with open(os.path.join(BUILD_DIR, "settings-keys.tsv"), encoding="utf-8") as f:
        for line in f:
            box, key, _default = line.rstrip("\n").split("\t")
            keys[box] = key
    return keys


LOGIN_KEYS = _login_keys()


def wait_for(predicate, what, timeout=WAIT, interval=0.1):
    """Polls until predicate() gives a true value and returns it; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(interval)


def make_work_dir(prefix):
    """A fresh folder that the postgres user can reach when we are root."""
    work = tempfile.mkdtemp(prefix=prefix, dir=os.environ.get("TMPDIR", "/tmp"))
    os.chmod(work, 0o755)
    return work


def _bash(script, *args, check=True):
    """Runs a bash snippet with servers.sh sourced; returns its standard output."""
    full = 'set -euo pipefail\nsource "$SERVERS_SH"\n' + script
    env = dict(os.environ, SERVERS_SH=SERVERS_SH)
    done = subprocess.run(["bash", "-c", full, "bash"] + list(args), env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if check and done.returncode != 0:
        raise AssertionError("bash snippet failed (%d):\n%s\n%s" % (done.returncode, script, done.stderr))
    return done.stdout


class Servers:
    """A PostgreSQL cluster and a DB2 stand-in folder of one test file."""

    _EXPORTS = ("PG_BIN PG_PORT PG_USER PG_PASSWORD PG_DATABASE PG_SOCKET_DIR PG_DATA PG_LOG "
                "DB2_HOST DB2_PORT DB2_USER DB2_PASSWORD DB2_SERVER_DIR DB2_ADMIN").split()

    def __init__(self, work, postgres=True):
        self.work = work
        self.odbc_dir = os.path.join(work, "odbc")
        self.values = {}
        self._pg_running = False
        lines = []
        if postgres:
            lines.append('start_postgres "$1/pg"')
        lines.append('start_db2_standin "$1/db2" "$2"')
        lines.append('write_odbcinst "$1/odbc" "$2" "$1/db2"')
        lines.append('for v in %s; do printf "%%s=%%s\\n" "$v" "${!v:-}"; done' % " ".join(self._EXPORTS))
        try:
            out = _bash("\n".join(lines), work, BUILD_DIR)
        except AssertionError:
            self._stop_leftover_postgres()
            raise
        for line in out.splitlines():
            key, _, value = line.partition("=")
            self.values[key] = value
        self._pg_running = postgres

    def __getitem__(self, key):
        return self.values[key]

    # --- PostgreSQL -----------------------------------------------------------

    def pg_profile(self, database=None):
        return {"Text6": "127.0.0.1", "Text7": self["PG_PORT"], "Text8": self["PG_USER"],
                "Text9": self["PG_PASSWORD"], "Text10": database or self["PG_DATABASE"]}

    def psql(self, sql, database=None):
        """Runs SQL as the test login; returns the rows of the last statement as
        lists of texts, None for NULL."""
        command = [os.path.join(self["PG_BIN"], "psql"), "-X", "-q", "-A", "-t",
                   "-v", "ON_ERROR_STOP=1", "-F", "\x1f", "-R", "\x1e", "-P", "null=\x02",
                   "-h", self["PG_SOCKET_DIR"], "-p", self["PG_PORT"], "-U", self["PG_USER"],
                   "-d", database or self["PG_DATABASE"]]
        if os.getuid() == 0:
            command = ["runuser", "-u", "postgres", "--"] + command
        done = subprocess.run(command, input=sql, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, encoding="utf-8")
        if done.returncode != 0:
            raise AssertionError("psql failed: %s\n%s" % (sql, done.stderr))
        rows = []
        for record in done.stdout.split("\x1e"):
            record = record.strip("\n")
            if record:
                rows.append([None if f == "\x02" else f for f in record.split("\x1f")])
        return rows

    def pg_tables(self):
        return {r[0] for r in self.psql("SELECT tablename FROM pg_tables WHERE schemaname = 'public';")}

    def stop_postgres(self, mode="immediate"):
        """Stops the PostgreSQL server at once, as a crash or a power cut would
        (mode "fast": as an administrator's shutdown, which ends every session)."""
        if self._pg_running:
            _bash('as_pg_owner "$PG_BIN/pg_ctl" -D "$1" -m "$2" -w stop >/dev/null', self["PG_DATA"],
                  mode)
            self._pg_running = False

    def start_postgres_again(self):
        """Starts the stopped server again on the same folder and port."""
        if not self._pg_running:
            _bash('as_pg_owner "$PG_BIN/pg_ctl" -D "$1" -l "$2" -w -t 60 '
                  '-o "-p $3 -k $4 -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null',
                  self["PG_DATA"], self["PG_LOG"], self["PG_PORT"], self["PG_SOCKET_DIR"])
            self._pg_running = True

    def _stop_leftover_postgres(self):
        data = os.path.join(self.work, "pg", "data")
        if os.path.exists(os.path.join(data, "postmaster.pid")):
            _bash('as_pg_owner "$PG_BIN/pg_ctl" -D "$1" -m immediate -w stop >/dev/null || true', data,
                  check=False)

    # --- DB2 stand-in ---------------------------------------------------------

    def db2_admin(self, *args, input_text=None):
        done = subprocess.run([self["DB2_ADMIN"], "--server-dir", self["DB2_SERVER_DIR"]] + list(args),
                              input=input_text, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, encoding="utf-8")
        if done.returncode != 0:
            raise AssertionError("db2standin-admin %s failed: %s" % (" ".join(args), done.stderr))
        return done.stdout

    def db2_create_database(self, name):
        """A fresh stand-in database that the test login reaches."""
        self.db2_admin("create-database", name, "--replace")
        self.db2_admin("add-user", "--user", self["DB2_USER"], "--password", self["DB2_PASSWORD"])

    def db2_hang(self, host, port):
        """Test-only switch: an endpoint that accepts and never answers."""
        self.db2_admin("hang", "--host", host, "--port", str(port))

    def db2_set(self, key, value, database=None):
        """Server settings: statement_delay_ms (also per database), login_timeout_scale."""
        self.db2_admin("set", *(["--database", database] if database else []), key, str(value))

    def db2_profile(self, database):
        return {"Text1": self["DB2_HOST"], "Text2": self["DB2_PORT"], "Text3": self["DB2_USER"],
                "Text4": self["DB2_PASSWORD"], "Text5": database}

    def login(self, db2_database, **boxes):
        """The ten login boxes: the DB2 stand-in's database db2_database and the
        PostgreSQL cluster; boxes replaces some of them (Text1="other.host")."""
        values = dict(self.db2_profile(db2_database))
        values.update(self.pg_profile())
        values.update(boxes)
        return values

    def db2(self, sql, database):
        """Runs DB2 SQL as the test user; returns the rows of the last statement
        as lists of texts, None for NULL."""
        return _parse_admin_rows(self.db2_admin("exec", "--database", database, "--user", self["DB2_USER"],
                                                "--file", "-", input_text=sql))

    def db2_tables(self, database):
        return {r[0] for r in self.db2(
            "SELECT TABNAME FROM SYSCAT.TABLES WHERE TYPE = 'T' AND TABSCHEMA = '%s'"
            % self["DB2_USER"].upper(), database)}

    def stop(self):
        self.stop_postgres()


def _parse_admin_rows(text):
    """Rows as db2standin-admin exec writes them: one a line, tab-separated,
    NULL as \\N, and backslash, tab, CR and LF escaped."""
    escapes = {"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}

    def field(raw):
        if raw == "\\N":
            return None
        out, i = [], 0
        while i < len(raw):
            if raw[i] == "\\" and i + 1 < len(raw) and raw[i + 1] in escapes:
                out.append(escapes[raw[i + 1]])
                i += 2
            else:
                out.append(raw[i])
                i += 1
        return "".join(out)

    if not text:
        return []
    lines = (text[:-1] if text.endswith("\n") else text).split("\n")
    return [[field(f) for f in line.split("\t")] for line in lines]


# --- X ---------------------------------------------------------------------------

class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class _XFixesCursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def _xlib():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    return xlib


class Display:
    """An Xvfb server of its own (1280x1024, 96 DPI unless told), a window manager
    from Debian on it (openbox: title bars, focus and modal boxes as on a desktop)
    and the tools that drive it. With another dpi the desktop asks programs for it
    through the Xft.dpi resource, as a desktop set to 150 % does with 144."""

    def __init__(self, work, dpi=96):
        self.work = work
        self.dpi = dpi
        self._wm = None
        read_fd, write_fd = os.pipe()
        self._log = open(os.path.join(work, "xvfb.log"), "w")
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-dpi", str(dpi),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=self._log, stderr=subprocess.STDOUT)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise AssertionError("Xvfb did not start; see " + self._log.name)
                number += chunk
        self.name = ":" + number.decode().strip()
        self.env = {"DISPLAY": self.name}
        if dpi != 96:
            subprocess.run(["xrdb", "-merge"], input="Xft.dpi: %d\n" % dpi, text=True, check=True,
                           env=dict(os.environ, DISPLAY=self.name))
        self._start_window_manager()

    def _start_window_manager(self):
        # Its own (empty) configuration folder: openbox then takes Debian's defaults.
        config = os.path.join(self.work, "wm-config")
        os.makedirs(config, exist_ok=True)
        env = dict(os.environ, DISPLAY=self.name, XDG_CONFIG_HOME=config,
                   XDG_CACHE_HOME=os.path.join(self.work, "wm-cache"))
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=self._log,
                                    stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        wait_for(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                 "the window manager", 30)

    def frame_extents(self, wid):
        """(left, right, top, bottom) that the window manager's frame adds around the window."""
        out = self.run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS", check=False)
        found = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
        return tuple(int(v) for v in found.groups()) if found else (0, 0, 0, 0)

    def is_modal(self, wid):
        return "_NET_WM_STATE_MODAL" in self.run("xprop", "-id", str(wid), "_NET_WM_STATE", check=False)

    def active_window(self):
        out = self.xdotool("getactivewindow", check=False).strip()
        return int(out) if out.isdigit() else None

    def stop(self):
        if self._wm and self._wm.poll() is None:
            self._wm.terminate()
            try:
                self._wm.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._wm.kill()
                self._wm.wait()
        if self._xvfb.poll() is None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
        self._log.close()

    def run(self, *command, check=True):
        done = subprocess.run(list(command), env=dict(os.environ, DISPLAY=self.name),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if check and done.returncode != 0:
            raise AssertionError("%s failed: %s" % (" ".join(command), done.stderr))
        return done.stdout

    def xdotool(self, *args, check=True):
        return self.run("xdotool", *args, check=check)

    def visible_windows(self, pid):
        out = self.xdotool("search", "--onlyvisible", "--pid", str(pid), check=False)
        return [int(w) for w in out.split()]

    def window_name(self, wid):
        return self.xdotool("getwindowname", str(wid), check=False).rstrip("\n")

    def geometry(self, wid):
        """The window's inner area on the screen: (x, y, width, height). Read with
        xwininfo: under a window manager that frames windows, xdotool adds the
        frame's offset to the position twice."""
        out = self.run("xwininfo", "-id", str(wid))
        values = {}
        for key, name in (("Absolute upper-left X", "x"), ("Absolute upper-left Y", "y"),
                          ("Width", "w"), ("Height", "h")):
            found = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(key), out, re.M)
            if not found:
                raise AssertionError("xwininfo gave no %s for %d:\n%s" % (key, wid, out))
            values[name] = int(found.group(1))
        return values["x"], values["y"], values["w"], values["h"]

    def is_transient(self, wid):
        out = self.run("xprop", "-id", str(wid), "WM_TRANSIENT_FOR", check=False)
        return "window id" in out

    def click(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", str(button))

    def move(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y))

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "15", "--", text)

    def clipboard(self):
        return self.run("xclip", "-o", "-selection", "clipboard", check=False)

    def clear_clipboard(self):
        # xclip stays in the background as the owner of the empty selection
        # until someone else (Dovetab) takes it over.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input="", text=True,
                       env=dict(os.environ, DISPLAY=self.name), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close_window(self, wid):
        """Asks the window to close, as a window manager's close button does."""
        xlib = _xlib()
        dpy = xlib.XOpenDisplay(self.name.encode())
        if not dpy:
            raise AssertionError("cannot open display " + self.name)
        try:
            event = _XEvent()
            event.xclient.type = 33  # ClientMessage
            event.xclient.window = wid
            event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
            event.xclient.format = 32
            event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
            event.xclient.data[1] = 0  # CurrentTime
            xlib.XSendEvent(dpy, wid, 0, 0, ctypes.byref(event))
            xlib.XFlush(dpy)
        finally:
            xlib.XCloseDisplay(dpy)

    def cursor_image(self):
        """The pointer image shown now: (width, height, xhot, yhot, name)."""
        xlib = _xlib()
        path = ctypes.util.find_library("Xfixes") or "libXfixes.so.3"
        xfixes = ctypes.CDLL(path)
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                ctypes.POINTER(ctypes.c_int)]
        dpy = xlib.XOpenDisplay(self.name.encode())
        try:
            event_base, error_base = ctypes.c_int(), ctypes.c_int()
            if not xfixes.XFixesQueryExtension(dpy, ctypes.byref(event_base), ctypes.byref(error_base)):
                raise AssertionError("the X server has no XFIXES extension")
            image = xfixes.XFixesGetCursorImage(dpy)
            if not image:
                raise AssertionError("XFixesGetCursorImage failed")
            c = image.contents
            result = (c.width, c.height, c.xhot, c.yhot, (c.name or b"").decode(errors="replace"))
            xlib.XFree(image)
            return result
        finally:
            xlib.XCloseDisplay(dpy)

    def settled_cursor_image(self, quiet=1.0, timeout=WAIT):
        """The pointer image (without its name) once it has stayed the same for
        quiet seconds: a move of the pointer takes effect only when the program
        has handled it, which under load is later than the move."""
        deadline = time.monotonic() + timeout
        last, since = None, time.monotonic()
        while True:
            now = time.monotonic()
            image = self.cursor_image()[:4]
            if image != last:
                last, since = image, now
            elif now - since >= quiet:
                return image
            if now > deadline:
                raise AssertionError("gave up waiting for the pointer to settle")
            time.sleep(0.1)

    def screenshot(self, path):
        self.run("import", "-window", "root", path)


def write_settings(config_home, values):
    """Writes a settings store as Dovetab keeps it: <config>/Harrowick.conf,
    section [Dovetab]. values maps box names (Text1...) or keys to texts."""
    os.makedirs(config_home, exist_ok=True)
    path = os.path.join(config_home, "Harrowick.conf")
    lines = ["[Dovetab]"]
    for name, value in values.items():
        key = LOGIN_KEYS.get(name, name)
        if re.search(r'[",;=\\#\n]|^\s|\s$', value):
            raise ValueError("write_settings keeps to plain values: %r" % value)
        lines.append("%s=%s" % (key, value))
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return path


def read_settings(config_home):
    """The [Dovetab] section of the settings store as a dict (plain values only)."""
    path = os.path.join(config_home, "Harrowick.conf")
    values, section = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
            elif section == "Dovetab" and "=" in line:
                key, _, value = line.partition("=")
                values[key] = value
    return values


class Dovetab:
    """One run of the real program on a display, with its own settings store and
    its own odbcinst.ini."""

    def __init__(self, display, work, odbc_dir, config_home=None, binary=None, extra_env=None):
        self.display = display
        self.work = work
        self.config_home = config_home or os.path.join(work, "config")
        self.binary = binary or os.path.join(BUILD_DIR, "dovetab")
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(os.environ)
        # Nothing of the test run's own servers and display leaks in: the stand-in
        # driver finds its server folder through the odbcinst.ini given here.
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                     "DB2STANDIN_SERVER_DIR"):
            env.pop(name, None)
        env.update({"DISPLAY": display.name, "QT_QPA_PLATFORM": "xcb", "XDG_CONFIG_HOME": self.config_home,
                    "XDG_RUNTIME_DIR": runtime, "ODBCSYSINI": odbc_dir,
                    "ODBCINI": os.path.join(odbc_dir, "odbc.ini"),
                    # A comma-decimal desktop, as many users have; messages in
                    # English, which is what the tests read of the drivers' texts.
                    "LANG": os.environ.get("DOVETAB_TEST_LOCALE", "de_DE.UTF-8"),
                    "LC_MESSAGES": "C.UTF-8"})
        env.pop("LC_ALL", None)
        env.update(extra_env or {})
        self.log_path = os.path.join(work, "dovetab-%d.log" % int(time.time() * 1000))
        self._log = open(self.log_path, "w")
        # Message box texts are made selectable with a style sheet, which Qt
        # reads from its standard -stylesheet option, so the tests can copy them.
        sheet = os.path.join(work, "e2e.qss")
        with open(sheet, "w") as f:
            f.write("QMessageBox { messagebox-text-interaction-flags: 5; }\n")
        self.process = subprocess.Popen([self.binary, "-stylesheet", sheet], env=env, stdout=self._log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, cwd=work)
        self.form1 = None
        self.form2 = None

    # --- process --------------------------------------------------------------

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def log(self):
        if not self._log.closed:
            self._log.flush()
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def wait_exit(self, timeout=WAIT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("dovetab did not end")

    def kill(self):
        if self.running():
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()

    def stop(self):
        self.kill()
        self._log.close()

    # --- windows --------------------------------------------------------------

    def _forms(self):
        forms = []
        for wid in self.display.visible_windows(self.pid):
            if self.display.is_transient(wid):
                continue
            forms.append((wid, self.display.geometry(wid)))
        return forms

    def _check_alive(self):
        if not self.running():
            raise AssertionError("dovetab ended (status %s):\n%s" % (self.process.returncode, self.log()))

    def wait_login_window(self, timeout=WAIT):
        """Waits until the login window is the one shown; returns its id."""
        def shown():
            self._check_alive()
            for wid, (_, _, w, h) in self._forms():
                if h * FORM1_WIDTH > w * FORM1_HEIGHT * 0.97:
                    return wid
            return None
        self.form1 = wait_for(shown, "the login window", timeout)
        return self.form1

    def wait_tables_window(self, timeout=WAIT):
        """Waits until the tables window is the one shown and the login window is
        hidden; returns its id."""
        def shown():
            self._check_alive()
            forms = self._forms()
            if len(forms) != 1:
                return None
            wid, (_, _, w, h) = forms[0]
            return wid if h * FORM1_WIDTH < w * FORM1_HEIGHT * 0.97 else None
        self.form2 = wait_for(shown, "the tables window", timeout)
        return self.form2

    def dialogs(self):
        """The message boxes and input boxes shown now: [(id, title)]."""
        return [(wid, self.display.window_name(wid)) for wid in self.display.visible_windows(self.pid)
                if self.display.is_transient(wid)]

    def wait_dialog(self, title=None, timeout=WAIT):
        def found():
            self._check_alive()
            for wid, name in self.dialogs():
                if title is None or name == title:
                    return wid
            return None
        return wait_for(found, "a dialog titled %r" % title, timeout)

    def dialog_text(self, wid):
        """The text of a message box, as a user copies it: a click on the text
        (selectable through the style sheet), Ctrl+A, Ctrl+C."""
        x, y, w, _ = self.display.geometry(wid)
        for dy in (17, 24, 12, 30):
            self.display.clear_clipboard()
            self.display.click(x + w // 2, y + dy)
            self.display.key("ctrl+a", "ctrl+c")
            text = self.display.clipboard()
            if text:
                return text
        raise AssertionError("could not copy the text of the message box")

    def focus_dialog(self, wid):
        x, y, w, h = self.display.geometry(wid)
        self.display.move(x + w // 2, y + 5)
        self.display.xdotool("windowfocus", "--sync", str(wid), check=False)

    def answer(self, wid, *keys):
        """Answers a dialog with keys (Return: the default button) and waits until it is gone."""
        self.focus_dialog(wid)
        self.display.key(*keys)
        wait_for(lambda: wid not in self.display.visible_windows(self.pid) or not self.running(),
                 "the dialog to close", 30)

    def wait_message(self, title, timeout=WAIT):
        """Waits for a message box with that title; returns (id, copied text)."""
        wid = self.wait_dialog(title, timeout)
        return wid, self.dialog_text(wid)

    HELP_TEXT = "Questions? Please contact Team Harrowick at "

    def finish_operation(self, timeout=WAIT):
        """Lets the operation running in the tables window end: answers each error
        report it shows and returns their texts in order. The window takes a
        "Help" click only once it is idle again, so the help message is the sign
        that the operation is over."""
        reports = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self._check_alive()
            shown = self.dialogs()
            if not shown:
                self.click2("PushButton12")
                try:
                    self.wait_dialog(None, timeout=3)
                except AssertionError:
                    continue
                shown = self.dialogs()
            wid, title = shown[0]
            text = self.dialog_text(wid)
            self.answer(wid, "Return")
            if title == "Application Error":
                reports.append(text)
            elif title == "Dovetab" and text.startswith(self.HELP_TEXT):
                return reports
            else:
                raise AssertionError("unexpected dialog %r: %r" % (title, text))
        raise AssertionError("the tables window did not become idle; reports so far: %r" % reports)

    # --- controls -------------------------------------------------------------

    def control_centre(self, window, layout, name, dy_twips=None):
        """Screen position of a control's centre (or of a point dy twips below
        its top), scaled from twips by the window's real width."""
        wx, wy, ww, _ = self.display.geometry(window)
        scale = ww / float(FORM1_WIDTH)
        (cx, cy), left, top, width, height = layout[name]
        y = top + (height / 2.0 if dy_twips is None else dy_twips)
        return int(round(wx + (cx + left + width / 2.0) * scale)), int(round(wy + (cy + y) * scale))

    def click1(self, name):
        self.display.click(*self.control_centre(self.form1, FORM1, name))

    def click2(self, name, dy_twips=None):
        self.display.click(*self.control_centre(self.form2, FORM2, name, dy_twips))

    def hover1(self, name):
        self.display.move(*self.control_centre(self.form1, FORM1, name))

    def set_box(self, name, text):
        """Replaces the text of a login box as a user does: click, select all, type."""
        self.click1(name)
        self.display.key("ctrl+a", "BackSpace")
        if text:
            self.display.type(text)

    def close(self, window):
        self.display.close_window(window)


class E2ETestCase(unittest.TestCase):
    """A test case with a work folder, a display and (unless postgres_wanted is
    False) servers of its own per test file. A failing test keeps the work folder
    (screenshots, program and server logs) and prints the program's output."""

    postgres_wanted = True
    display_dpi = 96
    failed = False

    @classmethod
    def setUpClass(cls):
        if not SOURCE_DIR or not BUILD_DIR:
            raise AssertionError("DOVETAB_SOURCE_DIR and DOVETAB_BUILD_DIR are not set: run through ctest")
        cls.work = make_work_dir("dovetab-e2e.")
        cls.display = None
        cls.servers = None
        try:
            cls.display = Display(cls.work, dpi=cls.display_dpi)
            cls.servers = Servers(cls.work, postgres=cls.postgres_wanted)
        except BaseException:
            cls.failed = True
            cls._tear_down_shared()
            raise

    @classmethod
    def _tear_down_shared(cls):
        if cls.servers:
            cls.servers.stop()
        if cls.display:
            cls.display.stop()
        if cls.failed or os.environ.get("DOVETAB_E2E_KEEP"):
            print("e2e: work folder kept in", cls.work)
        else:
            shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def tearDownClass(cls):
        cls._tear_down_shared()

    def setUp(self):
        self.apps = []
        self.case_dir = make_work_dir(os.path.join(self.work, self._testMethodName + "."))

    def tearDown(self):
        for app in self.apps:
            if app.running():
                try:
                    self.display.screenshot(os.path.join(self.case_dir, "at-end-%d.png" % app.pid))
                except AssertionError:
                    pass
            app.stop()

    def run(self, result=None):
        problems = (lambda r: len(r.failures) + len(r.errors)) if result else (lambda r: 0)
        before = problems(result)
        outcome = super().run(result)
        if result is not None and problems(result) > before:
            type(self).failed = True
            for app in getattr(self, "apps", []):
                print("---- dovetab (pid %d) output:\n%s" % (app.pid, app.log()))
        return outcome

    def start_dovetab(self, settings=None, odbc_dir=None, config_home=None, wait=None, **kwargs):
        """Starts the program (settings, when given, written to its store first) and,
        with wait "login" or "tables", waits until that window is the one shown."""
        config_home = config_home or os.path.join(self.case_dir, "config")
        if settings is not None:
            write_settings(config_home, settings)
        app = Dovetab(self.display, self.case_dir, odbc_dir or self.servers.odbc_dir,
                      config_home=config_home, **kwargs)
        self.apps.append(app)
        if wait == "login":
            app.wait_login_window()
        elif wait == "tables":
            app.wait_tables_window()
        elif wait is not None:
            raise ValueError("wait is login, tables or None: %r" % wait)
        return app

    def start_logged_in(self, db2_database, wait="tables", boxes=None, **kwargs):
        """Starts the program with both servers' login values stored (Servers.login)
        and waits for the window it opens on: the tables window when both servers
        answer, the login window when one does not (wait="login")."""
        return self.start_dovetab(settings=self.servers.login(db2_database, **(boxes or {})),
                                  wait=wait, **kwargs)


def main():
    unittest.main(verbosity=2)
