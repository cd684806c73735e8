#!/usr/bin/env python3
"""A settings folder that cannot be written: the program starts, works with the
values typed into its boxes, and ends cleanly; nothing is stored.

Root ignores file modes, so the folder is made unwritable the way no user can
override: XDG_CONFIG_HOME points below a regular file."""

import os

import e2elib
from e2elib import E2ETestCase


class SettingsUnwritable(E2ETestCase):

    def test_program_works_without_a_writable_store(self):
        blocker = os.path.join(self.case_dir, "not-a-folder")
        with open(blocker, "w") as f:
            f.write("a regular file where the config folder would be\n")
        config_home = os.path.join(blocker, "config")

        # The defaults cannot be stored and no server is named: the login window.
        app = self.start_dovetab(config_home=config_home, wait="login")
        self.assertEqual(app.dialogs(), [], "a message at start-up")

        for box, value in self.servers.pg_profile().items():
            app.set_box(box, value)
        # The boxes are the working copy: the connection uses what was typed.
        app.click1("PushButton1")
        _, text = app.wait_message("Dovetab")
        self.assertEqual(text, "Connection successful.")
        app.answer(app.wait_dialog("Dovetab"), "Return")

        app.close(app.form1)
        self.assertEqual(app.wait_exit(), 0)
        self.assertTrue(os.path.isfile(blocker))
        self.assertFalse(os.path.exists(config_home))


if __name__ == "__main__":
    e2elib.main()
