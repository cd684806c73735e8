#!/usr/bin/env python3
"""A DB2 server that accepts the connection and never answers: every attempt
gives up after the login time-out (30 s, shortened here by the stand-in's
test-only scale, not by the program) with the program's usual message or
report, and the program stays usable meanwhile and after."""

import e2elib
from e2elib import E2ETestCase

DB2_DATABASE = "E2EDB"
SILENT_HOST, SILENT_PORT = "silent.localtest", "50070"
NOT_CONNECTED = "Could not connect. Please check with your administrator."


class HangingServer(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers.db2_create_database(DB2_DATABASE)
        cls.servers.psql("CREATE TABLE \"Anfang\" (id integer); INSERT INTO \"Anfang\" VALUES (1), (2);")
        cls.servers.db2_hang(SILENT_HOST, SILENT_PORT)
        cls.servers.db2_set("login_timeout_scale", 0.05)  # 30 s become 1.5 s

    def test_silent_server_at_start_up(self):
        # The start-up test gives up: the login window, no message.
        app = self.start_logged_in(DB2_DATABASE, wait="login",
                                   boxes={"Text1": SILENT_HOST, "Text2": SILENT_PORT})
        self.assertEqual(app.dialogs(), [])

        app.click1("PushButton3")  # Test Connection, IBM DB2
        wid, text = app.wait_message("Dovetab")
        self.assertEqual(text, NOT_CONNECTED)
        app.answer(wid, "Return")
        app.click1("PushButton1")  # the other server is reached as before
        wid, text = app.wait_message("Dovetab")
        self.assertEqual(text, "Connection successful.")
        app.answer(wid, "Return")

        # The listening port of the same server: "Next >" goes on to the tables.
        app.set_box("Text1", self.servers["DB2_HOST"])
        app.set_box("Text2", self.servers["DB2_PORT"])
        app.click1("PushButton2")
        app.wait_tables_window()
        self.assertEqual(app.finish_operation(), [])
        app.close(app.form2)
        self.assertEqual(app.wait_exit(), 0)

    def test_server_falls_silent_during_work(self):
        host, port = self.servers["DB2_HOST"], self.servers["DB2_PORT"]
        app = self.start_logged_in(DB2_DATABASE)
        self.assertEqual(app.finish_operation(), [])

        self.servers.db2_hang(host, port)
        try:
            app.click2("List1", dy_twips=150)  # "Anfang"
            app.click2("PushButton3")  # Send Table/s To IBM DB2
            reports = app.finish_operation()
        finally:
            self.servers.db2_admin("hang", "--host", host, "--port", port, "--off")
        # The IBM DB2 open (step 112) gave up on its time-out: the driver's
        # message names the receive that timed out.
        self.assertTrue(reports)
        self.assertIn("Form2.PushButton3_Click at line 112", reports[0])
        self.assertIn("selectForRecvTimeout", reports[0])
        self.assertNotIn("Anfang", self.servers.db2_tables(DB2_DATABASE))

        # Answering again: the same send goes through.
        app.click2("List1", dy_twips=150)
        app.click2("PushButton3")
        self.assertEqual(app.finish_operation(), [])
        self.assertEqual(self.servers.db2('SELECT COUNT(*) FROM "Anfang"', DB2_DATABASE), [["2"]])
        app.close(app.form2)
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    e2elib.main()
