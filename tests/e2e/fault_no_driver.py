#!/usr/bin/env python3
"""ODBC drivers that are missing: no driver registered under "IBM DB2 ODBC
DRIVER", and "PostgreSQL Unicode" registered with a library that is not there.
Each attempt to connect ends in the program's own message, never a crash, and
"Next >" leaves the login window in place."""

import os

import e2elib
from e2elib import E2ETestCase

NOT_CONNECTED = "Could not connect. Please check with your administrator."


class NoDriver(E2ETestCase):

    def test_missing_drivers_give_clean_reports(self):
        odbc = os.path.join(self.case_dir, "odbc")
        os.makedirs(odbc)
        with open(os.path.join(odbc, "odbcinst.ini"), "w") as f:
            f.write("[PostgreSQL Unicode]\nDescription=library missing\n"
                    "Driver=%s\n" % os.path.join(self.case_dir, "missing", "psqlodbcw.so"))
        open(os.path.join(odbc, "odbc.ini"), "w").close()

        # Both connection tests fail quietly: the login window, no message.
        app = self.start_logged_in("E2EDB", wait="login", odbc_dir=odbc)
        self.assertEqual(app.dialogs(), [])

        for button in ("PushButton3", "PushButton1"):  # IBM DB2, PostgreSQL
            app.click1(button)
            wid, text = app.wait_message("Dovetab")
            self.assertEqual(text, NOT_CONNECTED, button)
            app.answer(wid, "Return")

        # "Next >" fails quietly; the test message that follows proves it ran.
        app.click1("PushButton2")
        app.click1("PushButton3")
        wid, text = app.wait_message("Dovetab")
        self.assertEqual(text, NOT_CONNECTED)
        app.answer(wid, "Return")
        self.assertEqual(app.wait_login_window(), app.form1)
        self.assertEqual(len(app._forms()), 1, "the tables window was shown")

        app.close(app.form1)
        self.assertEqual(app.wait_exit(), 0)
        # The values stay as they were.
        self.assertEqual(e2elib.read_settings(app.config_home)["Database"], "E2EDB")


if __name__ == "__main__":
    e2elib.main()
