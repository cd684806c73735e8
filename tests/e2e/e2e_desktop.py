#!/usr/bin/env python3
"""The windows as a user meets them on a desktop: a window manager that frames,
places and focuses them, at 96 and at 144 DPI (a desktop set to 150 %).

The tables window keeps its outer height of 5965 twips at its first showing and
after "< Back" and "Next >"; "< Back" gives the login window the keyboard;
every message box is modal and opens centred over its window; straight after a
load nothing is chosen, so Send asks for a table; an error report whose statement
is longer than the screen stays on it and copies whole. Both windows are laid out in
twips (1440 to the logical inch), so at 144 DPI they are 1.5 times as large.

DOVETAB_E2E_SCREENSHOTS=<folder> keeps a screenshot of each window there."""

import os
import shutil

import e2elib
from e2elib import E2ETestCase, wait_for

DB2_DATABASE = "DESKDB"
# Longer than a DB2 LONG VARCHAR holds: its INSERT fails with the statement in the report.
LONG_VALUE = 40000


class Desktop(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers.psql('CREATE TABLE "kunden" (nr integer); CREATE TABLE "orte" (name text);'
                         'CREATE TABLE "langtext" (t text);'
                         "INSERT INTO \"langtext\" VALUES (repeat('x', %d));" % LONG_VALUE)
        cls.servers.db2_create_database(DB2_DATABASE)
        cls.servers.db2("CREATE TABLE LAGER (ARTIKEL INTEGER)", DB2_DATABASE)

    def px(self, twips):
        return twips * self.display_dpi / 1440.0

    def outer_height(self, wid):
        _, _, _, height = self.display.geometry(wid)
        _, _, top, bottom = self.display.frame_extents(wid)
        return height + top + bottom

    def assert_outer_height(self, wid, when):
        expected = self.px(5965)
        tolerance = 1.0 if self.display_dpi == 96 else 2.0
        try:
            wait_for(lambda: abs(self.outer_height(wid) - expected) <= tolerance, "the outer height", 20)
        except AssertionError:
            self.fail("%s: outer height %d px, wanted %.1f (frame %r)"
                      % (when, self.outer_height(wid), expected, self.display.frame_extents(wid)))

    def assert_size(self, wid, twips_width, twips_height):
        _, _, width, height = self.display.geometry(wid)
        self.assertLessEqual(abs(width - self.px(twips_width)), 1.0, (width, height))
        self.assertLessEqual(abs(height - self.px(twips_height)), 1.0, (width, height))

    def assert_centred_modal(self, box, window):
        # The box belongs to its window, which takes no input meanwhile (the
        # windows are left closable, so the box is not modal to the window manager).
        self.assertTrue(self.display.is_transient(box))

        # The box centres itself once it is shown at its final size, a turn of its
        # event loop after it appears: read it once it has settled.
        def centred():
            bx, by, bw, bh = self.display.geometry(box)
            wx, wy, ww, wh = self.display.geometry(window)
            return (abs((bx + bw / 2.0) - (wx + ww / 2.0)) <= 3
                    and abs((by + bh / 2.0) - (wy + wh / 2.0)) <= 3)
        try:
            wait_for(centred, "the box centred over its window", 5)
        except AssertionError:
            pass  # the assertions below say by how much
        bx, by, bw, bh = self.display.geometry(box)
        wx, wy, ww, wh = self.display.geometry(window)
        self.assertLessEqual(abs((bx + bw / 2.0) - (wx + ww / 2.0)), 3, (bx, by, bw, bh, wx, wy, ww, wh))
        self.assertLessEqual(abs((by + bh / 2.0) - (wy + wh / 2.0)), 3, (bx, by, bw, bh, wx, wy, ww, wh))

    def keep_screenshot(self, name):
        path = os.path.join(self.case_dir, name)
        self.display.screenshot(path)
        folder = os.environ.get("DOVETAB_E2E_SCREENSHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            shutil.copy(path, os.path.join(folder, name))

    def test_login_window_and_its_boxes(self):
        app = self.start_dovetab(wait="login")
        form1 = app.form1
        left, right, top, bottom = self.display.frame_extents(form1)
        self.assertGreater(top, 0, "no window manager frame")
        self.assert_size(form1, e2elib.FORM1_WIDTH, e2elib.FORM1_HEIGHT)
        for box, value in self.servers.login(DB2_DATABASE).items():
            app.set_box(box, value)
        app.hover1("PushButton5")
        self.keep_screenshot("login-window-%d.png" % self.display_dpi)

        app.click1("PushButton3")  # Test Connection, IBM DB2
        box, text = app.wait_message("Dovetab")
        self.assertEqual(text, "Connection successful.")
        self.assert_centred_modal(box, form1)
        app.answer(box, "Return")
        app.close(form1)
        self.assertEqual(app.wait_exit(), 0)

    def test_error_report_with_a_long_statement(self):
        app = self.start_logged_in(DB2_DATABASE)
        form2 = app.form2
        app.click2("List1", dy_twips=150)  # kunden, then langtext
        self.display.key("Down")
        app.click2("PushButton3")
        box = app.wait_dialog("Application Error")
        self.assert_centred_modal(box, form2)
        x, y, w, h = self.display.geometry(box)
        left, right, top, bottom = self.display.frame_extents(box)
        self.assertGreaterEqual(x - left, 0)
        self.assertGreaterEqual(y - top, 0)
        self.assertLessEqual(x + w + right, 1280)
        self.assertLessEqual(y + h + bottom, 1024)
        self.keep_screenshot("error-report-%d.png" % self.display_dpi)
        text = app.dialog_text(box)
        self.assertIn("\nin Velmora2021/08/31.Form2.PushButton3_Click at line ", text)
        self.assertIn("\n\nsql: INSERT INTO ", text)
        self.assertIn("x" * LONG_VALUE, text)
        app.answer(box, "Return")
        self.assertEqual(app.finish_operation(), [])
        app.close(form2)
        self.assertEqual(app.wait_exit(), 0)

    def test_tables_window_on_a_desktop(self):
        app = self.start_logged_in(DB2_DATABASE)
        form2 = app.form2
        _, _, top, _ = self.display.frame_extents(form2)
        self.assertGreater(top, 0, "no window manager frame")
        width = self.display.geometry(form2)[2]
        self.assertLessEqual(abs(width - self.px(e2elib.FORM2_WIDTH)), 1.0)
        self.assert_outer_height(form2, "first showing")

        # Straight after the load nothing is chosen: Send asks for a table, in a
        # modal box centred over the window, and a click on the window meanwhile
        # does nothing.
        app.click2("PushButton3")
        box, text = app.wait_message("Dovetab")
        self.assertEqual(text, "Please select a table")
        self.assert_centred_modal(box, form2)
        app.click2("PushButton12")
        self.assertEqual([wid for wid, _ in app.dialogs()], [box])
        app.answer(box, "Return")
        self.assertEqual(app.finish_operation(), [])

        app.click2("List1", dy_twips=150)
        self.keep_screenshot("tables-window-%d.png" % self.display_dpi)

        # "< Back": the login window has the keyboard; typing goes into its box.
        app.click2("PushButton2")
        form1 = app.wait_login_window()
        wait_for(lambda: self.display.active_window() == form1, "the login window to be active", 30)
        server = self.servers["DB2_HOST"]
        self.display.key("End")
        self.display.type("x")
        wait_for(lambda: e2elib.read_settings(app.config_home).get("Server") == server + "x",
                 "the typed letter in the IBM DB2 server box", 30)
        self.display.key("BackSpace")
        wait_for(lambda: e2elib.read_settings(app.config_home).get("Server") == server,
                 "the server box as it was", 30)

        # "Next >": the tables window again, at the same outer height.
        app.click1("PushButton2")
        form2 = app.wait_tables_window()
        self.assert_outer_height(form2, "after < Back and Next >")
        app.click2("PushButton7")  # Rename, IBM DB2, nothing chosen after the new load
        box, text = app.wait_message("Dovetab")
        self.assertEqual(text, "Please select a table to rename.")
        self.assert_centred_modal(box, form2)
        app.answer(box, "Return")
        self.assertEqual(app.finish_operation(), [])

        app.close(form2)
        self.assertEqual(app.wait_exit(), 0)


class HighResolutionDesktop(Desktop):
    """The same at 144 logical DPI."""
    display_dpi = 144


if __name__ == "__main__":
    e2elib.main()
