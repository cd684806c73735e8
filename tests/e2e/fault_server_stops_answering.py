#!/usr/bin/env python3
"""A server that stops answering while the program waits for it: the
PostgreSQL server stopped (SIGSTOP) in the middle of a send, and the DB2
stand-in leaving an INSERT of a send or a RENAME unanswered. Meanwhile the
tables window still repaints, its pointer stays the hourglass (also over a
button), and closing it ends the program at once; what the server had done
before it stopped answering stays done."""

import ctypes
import os
import signal
import subprocess
import time

import e2elib
from e2elib import E2ETestCase, wait_for

PG_TABLE = "Ablage"  # sorts before every system table of pg_tables
PG_ROWS = 20000
DB2_TABLE = "VORRAT"
DB2_ROWS = 20000
# A bound against a hang, not a measurement: the program ends at once, while a
# program that waits inside the driver would never end.
EXIT_BOUND = 10.0


class _XSetWindowAttributes(ctypes.Structure):
    _fields_ = [("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
                ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("cursor", ctypes.c_ulong)]


def cover_for_a_moment(display, x, y, width, height):
    """Maps a black window over the area and takes it away again: whatever
    was under it must paint itself anew."""
    xlib = e2elib._xlib()
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XCreateWindow.restype = ctypes.c_ulong
    xlib.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                   ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_int,
                                   ctypes.c_uint, ctypes.c_void_p, ctypes.c_ulong,
                                   ctypes.POINTER(_XSetWindowAttributes)]
    xlib.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    dpy = xlib.XOpenDisplay(display.name.encode())
    if not dpy:
        raise AssertionError("cannot open display " + display.name)
    try:
        attributes = _XSetWindowAttributes()
        attributes.background_pixel = 0
        attributes.override_redirect = 1
        cw_back_pixel, cw_override_redirect = 1 << 1, 1 << 9
        cover = xlib.XCreateWindow(dpy, xlib.XDefaultRootWindow(dpy), x, y, width, height, 0, 0, 1,
                                   None, cw_back_pixel | cw_override_redirect,
                                   ctypes.byref(attributes))
        xlib.XMapRaised(dpy, cover)
        xlib.XSync(dpy, 0)
        time.sleep(0.5)
        xlib.XDestroyWindow(dpy, cover)
        xlib.XSync(dpy, 0)
    finally:
        xlib.XCloseDisplay(dpy)


def signal_if_there(pid, signum):
    """Sends the signal; a server process that ended since it was listed (a session
    that closed) is no longer there to stop or continue."""
    try:
        os.kill(pid, signum)
    except ProcessLookupError:
        pass


def pixel(display, x, y):
    """The colour shown at a screen position, as "#RRGGBB"."""
    out = display.run("import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8",
                      "txt:-")
    for word in out.split():
        if word.startswith("#") and len(word) >= 7:
            return word[:7].upper()
    raise AssertionError("no colour in: " + out)


def postgres_processes(pg_data):
    """The postmaster of the cluster and every process it started."""
    with open(os.path.join(pg_data, "postmaster.pid")) as f:
        postmaster = int(f.readline())
    pids = [postmaster]
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == postmaster:
            pids.append(int(entry))
    return pids


class ServerStopsAnswering(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers.psql('CREATE TABLE "%s" (id integer, text text);'
                         'INSERT INTO "%s" SELECT i, \'Zeile \' || i FROM generate_series(1, %d) AS i;'
                         % (PG_TABLE, PG_TABLE, PG_ROWS))

    def start(self, db2_database):
        app = self.start_logged_in(db2_database)
        self.assertEqual(app.finish_operation(), [])
        # The pointer images of the idle window: the arrow, and the hand over a button.
        app.display.move(*self.plain_spot(app))
        arrow = self.display.settled_cursor_image()
        app.display.move(*app.control_centre(app.form2, e2elib.FORM2, "PushButton12"))
        wait_for(lambda: self.display.cursor_image()[:4] != arrow, "the hand pointer over a button", 30)
        hand = self.display.settled_cursor_image()
        self.idle_pointers = (arrow, hand)
        return app

    def plain_spot(self, app):
        """A point of the tables window's own background, left of the frames."""
        x, y, _, h = self.display.geometry(app.form2)
        return x + 3, y + h // 2

    def db2_count(self, database, table):
        if table not in self.servers.db2_tables(database):
            return 0
        return int(self.servers.db2('SELECT COUNT(*) FROM "%s"' % table, database)[0][0])

    def assert_alive_while_waiting(self, app):
        """The window repaints, the pointer stays the hourglass, closing ends the
        program at once."""
        # The pointer: the same image over the background and over a button
        # (mouse moves are not taken meanwhile), and neither idle image.
        app.display.move(*self.plain_spot(app))
        over_background = self.display.cursor_image()[:4]
        app.display.move(*app.control_centre(app.form2, e2elib.FORM2, "PushButton12"))
        time.sleep(0.3)
        over_button = self.display.cursor_image()[:4]
        self.assertEqual(over_button, over_background)
        self.assertNotIn(over_background, self.idle_pointers)

        # Repainting: the background point shows black while a black window
        # covers it, and the window's own colour again once it is gone.
        x, y, w, h = self.display.geometry(app.form2)
        spot = self.plain_spot(app)
        before = pixel(self.display, *spot)
        self.assertNotEqual(before, "#000000")
        cover_for_a_moment(self.display, x, y, w, h)
        wait_for(lambda: pixel(self.display, *spot) == before, "the window to repaint itself", 30)

        closed = time.monotonic()
        app.close(app.form2)
        self.assertEqual(app.wait_exit(timeout=EXIT_BOUND), 0)
        print("e2e: the program ended %.2f s after the close" % (time.monotonic() - closed))

    def test_postgres_stopped_in_the_middle_of_a_send(self):
        # DB2 to PostgreSQL: the rows go into the stopped server.
        database = "E2EPGSTP"
        self.servers.db2_create_database(database)
        values = ", ".join("(%d, 'Posten %d')" % (i, i) for i in range(1, DB2_ROWS + 1))
        self.servers.db2('CREATE TABLE "%s" ("ID" INTEGER, "NAME" VARCHAR(40));'
                         'INSERT INTO "%s" VALUES %s' % (DB2_TABLE, DB2_TABLE, values), database)
        app = self.start(database)

        def pg_rows():
            tables = self.servers.pg_tables()
            return int(self.servers.psql('SELECT COUNT(*) FROM "%s";' % DB2_TABLE)[0][0]) \
                if DB2_TABLE in tables else 0

        app.click2("List2", dy_twips=150)  # VORRAT
        app.click2("PushButton4")  # Send Table/s To PostgreSQL
        seen = wait_for(lambda: (lambda n: n if n >= 200 else 0)(pg_rows()), "the first rows on PostgreSQL")
        stopped = postgres_processes(self.servers["PG_DATA"])
        for pid in stopped:
            signal_if_there(pid, signal.SIGSTOP)
        try:
            # The program is inside the driver now, waiting for the next answer.
            time.sleep(1.0)
            # Control: a program that does not run its events shows the black
            # cover until it runs again, which is what this test tells apart.
            os.kill(app.pid, signal.SIGSTOP)
            try:
                x, y, w, h = self.display.geometry(app.form2)
                cover_for_a_moment(self.display, x, y, w, h)
                self.assertEqual(pixel(self.display, *self.plain_spot(app)), "#000000")
            finally:
                os.kill(app.pid, signal.SIGCONT)
            self.assert_alive_while_waiting(app)
        finally:
            for pid in stopped:
                signal_if_there(pid, signal.SIGCONT)
        # Each row was its own statement: those sent before the stop are there.
        final = wait_for(lambda: (lambda n: n if n >= seen else 0)(pg_rows()), "the rows sent")
        self.assertLess(final, DB2_ROWS)

    def test_db2_insert_unanswered_during_a_send(self):
        database = "E2EHSEND"
        self.servers.db2_create_database(database)
        app = self.start(database)
        # Slow enough that the send is still running when the switch comes.
        self.servers.db2_set("statement_delay_ms", 5, database)
        app.click2("List1", dy_twips=150)  # Ablage
        app.click2("PushButton3")  # Send Table/s To IBM DB2
        wait_for(lambda: self.db2_count(database, PG_TABLE) >= 20, "the first rows on IBM DB2")
        self.servers.db2_admin("hang-statement", "--database", database, "--match", "INSERT")
        # The statement that passed the switch before it was set may still land.
        time.sleep(1.0)
        held = self.db2_count(database, PG_TABLE)
        self.assert_alive_while_waiting(app)
        self.servers.db2_admin("hang-statement", "--database", database, "--off")
        self.assertEqual(self.db2_count(database, PG_TABLE), held)
        self.assertLess(held, PG_ROWS)

    def test_db2_rename_unanswered(self):
        database = "E2EHREN"
        self.servers.db2_create_database(database)
        self.servers.db2('CREATE TABLE "ALT" ("A" INTEGER)', database)
        app = self.start(database)
        self.servers.db2_admin("hang-statement", "--database", database, "--match", "RENAME")
        app.click2("List2", dy_twips=150)  # ALT
        app.click2("PushButton7")  # Rename, IBM DB2
        box = app.wait_dialog("Dovetab")
        app.focus_dialog(box)
        self.display.key("ctrl+a")
        self.display.type("NEU")
        app.answer(box, "Return")
        time.sleep(1.0)
        self.assert_alive_while_waiting(app)
        self.servers.db2_admin("hang-statement", "--database", database, "--off")
        self.assertEqual(self.servers.db2_tables(database), {"ALT"})


if __name__ == "__main__":
    e2elib.main()
