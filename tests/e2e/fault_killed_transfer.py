#!/usr/bin/env python3
"""The program killed in the middle of a transfer, then started again: the
settings store is intact, the program opens on the tables window, and sending
the table once more replaces the half-filled copy (after the overwrite
question) with the whole table."""

import os
import stat

import e2elib
from e2elib import E2ETestCase, wait_for

DB2_DATABASE = "E2EDB"
TABLE = "Bestand"
ROWS = 400


class KilledTransfer(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers.psql("CREATE TABLE \"Bestand\" (id integer, name text, amount numeric(8,2));"
                         "INSERT INTO \"Bestand\" SELECT i, 'Teil ' || i, i * 1.5 "
                         "FROM generate_series(1, %d) AS i;" % ROWS)
        cls.servers.db2_create_database(DB2_DATABASE)

    def db2_rows(self):
        if TABLE not in self.servers.db2_tables(DB2_DATABASE):
            return 0
        return int(self.servers.db2('SELECT COUNT(*) FROM "%s"' % TABLE, DB2_DATABASE)[0][0])

    def test_killed_during_transfer_then_started_again(self):
        config_home = os.path.join(self.case_dir, "config")
        settings_file = e2elib.write_settings(config_home, self.servers.login(DB2_DATABASE))
        stored = e2elib.read_settings(config_home)

        # Every statement on the DB2 side waits a little, so the transfer is
        # still running when the program is killed.
        self.servers.db2_set("statement_delay_ms", 20, DB2_DATABASE)
        app = self.start_dovetab(config_home=config_home, wait="tables")
        self.assertEqual(app.finish_operation(), [])
        app.click2("List1", dy_twips=150)  # "Bestand"
        app.click2("PushButton3")
        wait_for(lambda: self.db2_rows() >= 20, "the first rows on the DB2 side")
        app.kill()
        partial = self.db2_rows()
        self.assertLess(partial, ROWS)

        self.assertEqual(e2elib.read_settings(config_home), stored)
        self.assertEqual(stat.S_IMODE(os.stat(settings_file).st_mode), 0o600)

        self.servers.db2_set("statement_delay_ms", 0, DB2_DATABASE)
        again = self.start_dovetab(config_home=config_home, wait="tables")
        self.assertEqual(again.finish_operation(), [])
        again.click2("List1", dy_twips=150)
        again.click2("PushButton3")
        wid, text = again.wait_message("Overwrite?")
        self.assertEqual(text, "Would you like to overwrite %s?" % TABLE)
        again.answer(wid, "Return")  # Yes, the default button
        self.assertEqual(again.finish_operation(), [])
        self.assertEqual(self.db2_rows(), ROWS)
        self.assertEqual(
            sorted(self.servers.db2('SELECT "id", "name", "amount" FROM "%s"' % TABLE, DB2_DATABASE), key=repr),
            sorted(self.servers.psql('SELECT id::text, name, amount::text FROM "Bestand";'), key=repr))

        again.close(again.form2)
        self.assertEqual(again.wait_exit(), 0)
        self.assertEqual(e2elib.read_settings(config_home), stored)


if __name__ == "__main__":
    e2elib.main()
