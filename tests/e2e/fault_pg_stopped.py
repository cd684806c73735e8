#!/usr/bin/env python3
"""The PostgreSQL server stops between the listing and the sending: the send
reports each failing step with the driver's message, creates nothing on the
other side, leaves the program usable, and works again once the server is back."""

import e2elib
from e2elib import E2ETestCase

DB2_DATABASE = "E2EDB"
ROWS = 25


class PostgresStopped(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # "Ausgang" sorts before every system table of pg_tables.
        cls.servers.psql("CREATE TABLE \"Ausgang\" (id integer, text text, day date);"
                         "INSERT INTO \"Ausgang\" SELECT i, 'row ' || i, date '2024-02-29' + i "
                         "FROM generate_series(1, %d) AS i;" % ROWS)
        cls.servers.db2_create_database(DB2_DATABASE)

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
