#!/usr/bin/env python3
"""The PostgreSQL server stops between the listing and the sending: the send
reports each failing step with the driver's message, creates nothing on the
other side, leaves the program usable, and works again once the server is back.
The server stops in the middle of a large table: every row left gives its own
report, and closing the window while one is open ends the program at once, as
it does while the input box of a rename is open."""

import os
import time

import e2elib
from e2elib import E2ETestCase, wait_for

DB2_DATABASE = "E2EDB"
ROWS = 25
BIG_TABLE = "MENGE"
BIG_ROWS = 20000
# A bound against a hang, not a measurement: a box that held the close back
# would keep the program running until every report was answered.
EXIT_BOUND = 5.0


class PostgresStopped(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # "Ausgang" sorts before every system table of pg_tables.
        cls.servers.psql("CREATE TABLE \"Ausgang\" (id integer, text text, day date);"
                         "INSERT INTO \"Ausgang\" SELECT i, 'row ' || i, date '2024-02-29' + i "
                         "FROM generate_series(1, %d) AS i;" % ROWS)
        cls.servers.db2_create_database(DB2_DATABASE)

    def setUp(self):
        super().setUp()
        self.servers.start_postgres_again()

    def pg_rows(self, table):
        if table not in self.servers.pg_tables():
            return 0
        return int(self.servers.psql('SELECT COUNT(*) FROM "%s";' % table)[0][0])

    def close_ends_the_program(self, app, window):
        closed = time.monotonic()
        app.close(window)
        self.assertEqual(app.wait_exit(timeout=EXIT_BOUND), 0)
        print("e2e: the program ended %.2f s after the close" % (time.monotonic() - closed))

    def test_server_stopped_in_the_middle_of_a_send(self):
        database = "E2EPGMID"
        self.servers.db2_create_database(database)
        values = ", ".join("(%d, 'Posten %d')" % (i, i) for i in range(1, BIG_ROWS + 1))
        self.servers.db2('CREATE TABLE "%s" ("ID" INTEGER, "NAME" VARCHAR(40));'
                         'INSERT INTO "%s" VALUES %s' % (BIG_TABLE, BIG_TABLE, values), database)
        app = self.start_logged_in(database)
        self.assertEqual(app.finish_operation(), [])
        app.click2("List2", dy_twips=150)  # MENGE
        app.click2("PushButton4")  # Send Table/s To PostgreSQL
        wait_for(lambda: self.pg_rows(BIG_TABLE) >= 1000, "the first thousand rows on PostgreSQL")
        self.servers.stop_postgres(mode="fast")
        # From here on every row fails and shows its own report.
        box = app.wait_dialog("Application Error")
        self.assertIn("Form2.PushButton4_Click at line ", app.dialog_text(box))
        self.close_ends_the_program(app, app.form2)

        # Each row was its own statement: those sent before the stop are there.
        self.servers.start_postgres_again()
        sent = self.pg_rows(BIG_TABLE)
        self.assertGreaterEqual(sent, 1000)
        self.assertLess(sent, BIG_ROWS)

    def test_closing_while_a_box_waits(self):
        # The input box of "Rename Table", over the tables window.
        app = self.start_logged_in(DB2_DATABASE)
        self.assertEqual(app.finish_operation(), [])
        app.click2("List1", dy_twips=150)  # Ausgang
        app.click2("PushButton6")  # Rename Table, PostgreSQL
        app.wait_dialog("Dovetab")
        self.close_ends_the_program(app, app.form2)
        self.assertIn("Ausgang", self.servers.pg_tables())

        # A message box over the login window, of a first start (no login values).
        app = self.start_dovetab(config_home=os.path.join(self.case_dir, "first-start"),
                                 wait="login")
        app.click1("PushButton3")  # Test Connection, IBM DB2: nothing typed
        app.wait_dialog("Dovetab")
        self.close_ends_the_program(app, app.form1)

    def test_server_stops_between_listing_and_sending(self):
        app = self.start_logged_in(DB2_DATABASE)
        self.assertEqual(app.finish_operation(), [])

        self.servers.stop_postgres()
        app.click2("List1", dy_twips=150)
        app.click2("PushButton3")  # Send Table/s To IBM DB2
        reports = app.finish_operation()

        self.assertTrue(reports, "no error report")
        # The first: the PostgreSQL connection (step 116) with the driver's own words.
        first = reports[0]
        self.assertIn("Form2.PushButton3_Click at line 116", first)
        self.assertRegex(first, r"(?i)connect")
        for report in reports:
            self.assertIn("Velmora2021/08/31.Form2.PushButton3_Click at line ", report)
            self.assertIn("sql: ", report)
        self.assertNotIn("Ausgang", self.servers.db2_tables(DB2_DATABASE))

        # The server is back: the same selection is sent.
        self.servers.start_postgres_again()
        app.click2("List1", dy_twips=150)
        app.click2("PushButton3")
        self.assertEqual(app.finish_operation(), [])
        self.assertEqual(self.servers.db2('SELECT COUNT(*) FROM "Ausgang"', DB2_DATABASE), [[str(ROWS)]])

        app.close(app.form2)
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    e2elib.main()
