#!/usr/bin/env python3
"""A working session with the real program, as a user has it: a first start on
an empty settings store, the login values typed in, both connections tested,
"Next >", a table sent each way, one renamed, one dropped, the window closed.
Every outcome is checked on the servers themselves and in the settings store."""

import e2elib
from e2elib import E2ETestCase, wait_for

DB2_DATABASE = "E2EDB"
PG_TABLE = "Kunden Übersicht"
DB2_TABLE = "LAGER"
PG_ROWS = 60
DB2_ROWS = 40

PG_SEED = """
CREATE TABLE "Kunden Übersicht" (
  nr integer, name text, ort varchar(30), betrag numeric(10,2),
  geboren date, seit timestamp, aktiv boolean, notiz text);
INSERT INTO "Kunden Übersicht"
SELECT i,
       (ARRAY['Müller', 'O''Brien', 'Zoë "Z" Núñez', '東京 Trading', 'Łukasz', 'a;b{c}'])[1 + i % 6] || ' ' || i,
       CASE WHEN i % 7 = 0 THEN NULL ELSE (ARRAY['Zürich', 'København', 'Kraków'])[1 + i % 3] END,
       CASE WHEN i % 9 = 0 THEN NULL ELSE round(i * 12.5 - 100, 2) END,
       date '1960-02-29' + i * 400,
       timestamp '2023-01-01 08:00:00' + i * interval '1 day 37 minutes 13.25 seconds',
       i % 2 = 0,
       CASE i % 5 WHEN 0 THEN '' WHEN 1 THEN NULL ELSE 'it''s line ' || i END
FROM generate_series(1, {rows}) AS i;
""".replace("{rows}", str(PG_ROWS))


def db2_seed():
    statements = ["CREATE TABLE LAGER (ARTIKEL INTEGER, BEZEICHNUNG VARCHAR(40), MENGE DECIMAL(9,2), "
                  "ZUGANG DATE, GEPRUEFT TIMESTAMP, BEMERKUNG VARCHAR(60))"]
    names = ["Schraube M6", "Dübel 8 mm", "Ölkanne", "Kühlmittel", "Mutter ''M8''"]
    for i in range(1, DB2_ROWS + 1):
        remark = "NULL" if i % 4 == 0 else ("''" if i % 4 == 1 else "'Lager Süd %d'" % i)
        statements.append(
            "INSERT INTO LAGER VALUES (%d, '%s %d', %s, '%04d-%02d-%02d', '2024-%02d-%02d-10.%02d.00.000000', %s)"
            % (i, names[i % 5], i, "NULL" if i % 6 == 0 else "%d.%02d" % (i, i % 100),
               2000 + i % 25, 1 + i % 12, 1 + i % 28, 1 + i % 12, 1 + i % 28, i % 60, remark))
    return ";\n".join(statements) + ";\n"


class Session(E2ETestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers.psql(PG_SEED)
        cls.servers.db2_create_database(DB2_DATABASE)
        cls.servers.db2(db2_seed(), DB2_DATABASE)

    def test_session(self):
        servers = self.servers
        # First start: the defaults are stored, nothing reaches a server.
        app = self.start_dovetab(wait="login")
        self.assertEqual(e2elib.read_settings(app.config_home),
                         {e2elib.LOGIN_KEYS["Text2"]: "50069", e2elib.LOGIN_KEYS["Text6"]: "localhost",
                          e2elib.LOGIN_KEYS["Text7"]: "5432"})

        # The login values, typed; each box is stored as it is typed.
        login = servers.login(DB2_DATABASE)
        for box, value in login.items():
            app.set_box(box, value)
        # The last keys typed may still be on their way to the program.
        wanted = {e2elib.LOGIN_KEYS[box]: value for box, value in login.items()}
        try:
            wait_for(lambda: e2elib.read_settings(app.config_home) == wanted, "the typed values stored", 30)
        except AssertionError:
            pass
        stored = e2elib.read_settings(app.config_home)
        self.assertEqual(stored, wanted)

        for button in ("PushButton3", "PushButton1"):  # Test Connection: IBM DB2, PostgreSQL
            app.click1(button)
            wid, text = app.wait_message("Dovetab")
            self.assertEqual(text, "Connection successful.", button)
            app.answer(wid, "Return")

        app.click1("PushButton2")  # Next >
        app.wait_tables_window()
        self.assertEqual(app.finish_operation(), [])

        # PostgreSQL -> IBM DB2. "Kunden Übersicht" is the first entry of List1
        # (the system tables all start with "pg_" or "sql_").
        app.click2("List1", dy_twips=150)
        app.click2("PushButton3")
        self.assertEqual(app.finish_operation(), [])
        self.assertIn(PG_TABLE, servers.db2_tables(DB2_DATABASE))
        self.assertEqual(self.db2_columns(PG_TABLE),
                         [("nr", "LONG VARCHAR"), ("name", "LONG VARCHAR"), ("ort", "LONG VARCHAR"),
                          ("betrag", "LONG VARCHAR"), ("geboren", "DATE"), ("seit", "LONG VARCHAR"),
                          ("aktiv", "LONG VARCHAR"), ("notiz", "LONG VARCHAR")])
        expected = servers.psql(
            'SELECT nr::text, name, ort, betrag::text, geboren::text, seit::text, '
            "CASE WHEN aktiv THEN '1' ELSE '0' END, notiz FROM \"Kunden Übersicht\";")
        sent = servers.db2('SELECT "nr", "name", "ort", "betrag", "geboren", "seit", "aktiv", "notiz" '
                           'FROM "Kunden Übersicht"', DB2_DATABASE)
        self.assertEqual(len(sent), PG_ROWS)
        self.assertEqual(sorted(sent, key=repr), sorted(expected, key=repr))

        # IBM DB2 -> PostgreSQL. List2 holds "Kunden Übersicht" and LAGER, in
        # that order: the second entry.
        app.click2("List2", dy_twips=150)
        self.display.key("Down")
        app.click2("PushButton4")
        self.assertEqual(app.finish_operation(), [])
        self.assertIn(DB2_TABLE, servers.pg_tables())
        self.assertEqual(servers.psql(
            "SELECT column_name, data_type FROM information_schema.columns "
            "WHERE table_name = 'LAGER' ORDER BY ordinal_position;"),
            [["ARTIKEL", "numeric"], ["BEZEICHNUNG", "text"], ["MENGE", "text"], ["ZUGANG", "date"],
             ["GEPRUEFT", "text"], ["BEMERKUNG", "text"]])
        expected = servers.db2('SELECT ARTIKEL, BEZEICHNUNG, MENGE, ZUGANG, GEPRUEFT, BEMERKUNG FROM LAGER',
                               DB2_DATABASE)
        received = servers.psql('SELECT "ARTIKEL"::text, "BEZEICHNUNG", "MENGE", "ZUGANG"::text, '
                                '"GEPRUEFT", "BEMERKUNG" FROM "LAGER";')
        self.assertEqual(len(received), DB2_ROWS)
        self.assertEqual(sorted(received, key=repr), sorted(expected, key=repr))

        # Rename on IBM DB2: the first entry of List2, "Kunden Übersicht".
        app.click2("List2", dy_twips=150)
        app.click2("PushButton7")
        box = app.wait_dialog("Dovetab")
        app.focus_dialog(box)
        self.display.key("ctrl+a")
        self.display.type("KUNDEN_NEU")
        app.answer(box, "Return")
        self.assertEqual(app.finish_operation(), [])
        db2_tables = servers.db2_tables(DB2_DATABASE)
        self.assertIn("KUNDEN_NEU", db2_tables)
        self.assertNotIn(PG_TABLE, db2_tables)
        self.assertEqual(servers.db2("SELECT COUNT(*) FROM KUNDEN_NEU", DB2_DATABASE), [[str(PG_ROWS)]])

        # Drop on PostgreSQL: List1 starts "Kunden Übersicht", LAGER.
        app.click2("List1", dy_twips=150)
        self.display.key("Down")
        app.click2("PushButton1")
        self.assertEqual(app.finish_operation(), [])
        self.assertEqual(servers.pg_tables(), {PG_TABLE})

        # Closing the tables window ends the program, the login window hidden.
        app.close(app.form2)
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(e2elib.read_settings(app.config_home), stored)

    def db2_columns(self, table):
        rows = self.servers.db2("SELECT COLNAME, TYPENAME FROM SYSCAT.COLUMNS WHERE TABNAME = '%s' "
                                "ORDER BY COLNO" % table.replace("'", "''"), DB2_DATABASE)
        return [(name, kind) for name, kind in rows]


if __name__ == "__main__":
    e2elib.main()
