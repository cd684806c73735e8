# Sample tables for the demo: customers, orders and products in both databases,
# with numbers, dates, timestamps, NULLs, quotes and non-ASCII names and values.
# Source after scripts/lib/servers.sh, once the servers run.

seed_postgres_samples() {
  as_pg_owner "$PG_BIN/psql" -X -q -h "$PG_SOCKET_DIR" -p "$PG_PORT" -U "$PG_USER" -d "$PG_DATABASE" \
    -v ON_ERROR_STOP=1 >/dev/null <<'SQL'
CREATE TABLE customers (
  id integer PRIMARY KEY,
  name text NOT NULL,
  city varchar(40),
  email text,
  credit_limit numeric(12,2),
  vip boolean,
  joined date
);
INSERT INTO customers
SELECT i,
       (ARRAY['Müller GmbH','O''Brien & Sons','Åsa Lindqvist','Café "Le Coin"','Nakamura 中村','José Núñez','Zoë Baker','Łukasz Kowalski'])[1 + i % 8] || ' #' || i,
       (ARRAY['Zürich','København','São Paulo','Kraków','Dublin',NULL,'Москва','東京'])[1 + i % 8],
       CASE WHEN i % 5 = 0 THEN NULL ELSE 'customer' || i || '@example.org' END,
       round((i * 37.5) % 10000, 2),
       i % 3 = 0,
       date '2015-01-01' + (i * 3)
FROM generate_series(1, 1200) AS i;

CREATE TABLE products (
  sku varchar(20) PRIMARY KEY,
  title text,
  unit_price numeric(10,2),
  weight_kg double precision,
  in_stock integer,
  note text
);
INSERT INTO products
SELECT 'SKU-' || lpad(i::text, 5, '0'),
       (ARRAY['Widget','Gadget','Sprocket','Flange','Gizmo'])[1 + i % 5] || ' ' || i || CASE WHEN i % 7 = 0 THEN ' (½" bolt)' ELSE '' END,
       round(((i * 13) % 500 + 0.99)::numeric, 2),
       (i % 40) / 4.0,
       CASE WHEN i % 9 = 0 THEN NULL ELSE i % 120 END,
       CASE WHEN i % 4 = 0 THEN 'it''s fragile' WHEN i % 4 = 1 THEN '' ELSE NULL END
FROM generate_series(1, 800) AS i;

CREATE TABLE orders (
  order_no bigint PRIMARY KEY,
  customer_id integer,
  sku varchar(20),
  quantity smallint,
  ordered_at timestamp,
  shipped date,
  comment text
);
INSERT INTO orders
SELECT 100000 + i,
       1 + (i * 7) % 1200,
       'SKU-' || lpad((1 + (i * 11) % 800)::text, 5, '0'),
       (1 + i % 12)::smallint,
       timestamp '2023-01-01 08:00:00' + (i * interval '37 minutes 13.25 seconds'),
       CASE WHEN i % 6 = 0 THEN NULL ELSE date '2023-01-03' + (i / 20) END,
       CASE WHEN i % 10 = 0 THEN 'Bitte "vorsichtig" liefern – danke!' ELSE NULL END
FROM generate_series(1, 3000) AS i;

CREATE TABLE "städte" (
  name text,
  land text,
  einwohner integer,
  gegründet date
);
INSERT INTO "städte" VALUES
  ('München', 'Deutschland', 1512491, '1158-06-14'),
  ('Göteborg', 'Sverige', 604616, '1621-06-04'),
  ('Łódź', 'Polska', 658444, '1423-07-29'),
  ('Reykjavík', 'Ísland', 139875, NULL),
  ('Zürich', 'Schweiz', 443037, NULL);

CREATE VIEW big_orders AS SELECT * FROM orders WHERE quantity > 10;
SQL
}

# seed_db2_samples DATABASE: a stand-in database with the login user and sample tables.
seed_db2_samples() {
  local db="$1"
  "$DB2_ADMIN" --server-dir "$DB2_SERVER_DIR" create-database "$db" --replace
  "$DB2_ADMIN" --server-dir "$DB2_SERVER_DIR" add-user --user "$DB2_USER" --password "$DB2_PASSWORD"
  python3 - <<'PY' | "$DB2_ADMIN" --server-dir "$DB2_SERVER_DIR" exec --database "$db" --user "$DB2_USER" --file -
import sys
out = []
out.append('CREATE TABLE INVENTORY (ITEM_NO INTEGER, DESCRIPTION VARCHAR(80), QTY SMALLINT, '
           'UNIT_COST DECIMAL(9,2), LAST_COUNTED DATE, UPDATED TIMESTAMP, REMARK LONG VARCHAR)')
words = ["Schraube M6", "Mutter M8", "Unterlegscheibe", "Kabelbinder", "Dübel 8 mm", "Café-Filter",
         "Ölkanne", "Kühlmittel"]
for i in range(1, 1501):
    desc = words[i % len(words)] + " #" + str(i)
    remark = "NULL" if i % 4 == 0 else "'" + ("Lager ''Nord''" if i % 4 == 1 else "Lager Süd") + "'"
    out.append("INSERT INTO INVENTORY VALUES(%d, '%s', %d, %d.%02d, '%04d-%02d-%02d', '2024-%02d-%02d-%02d.%02d.%02d.%06d', %s)" % (
        i, desc, i % 300, i % 97, i % 100, 2020 + i % 5, 1 + i % 12, 1 + i % 28,
        1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 60, (i * 7919) % 1000000, remark))
out.append('CREATE TABLE "Suppliers" ("Id" INTEGER, "Name" VARCHAR(60), "Country" CHAR(2), '
           '"Rating" DOUBLE, "Active" BOOLEAN, "Since" DATE)')
names = ["Nordhafen AG", "Søren's Supplies", "Hernández y Hijos", "Żywiec Trading", "Ōsaka Parts",
         "Smith \"Quality\" Tools"]
for i in range(1, 301):
    nm = names[i % len(names)].replace("'", "''") + " " + str(i)
    country = ["DE", "DK", "ES", "PL", "JP", "US"][i % 6]
    rating = "NULL" if i % 7 == 0 else str((i % 50) / 10.0)
    out.append("INSERT INTO \"Suppliers\" VALUES(%d, '%s', '%s', %s, %s, '%04d-%02d-%02d')" % (
        i, nm, country, rating, "TRUE" if i % 2 else "FALSE", 1995 + i % 30, 1 + i % 12, 1 + i % 28))
out.append('CREATE TABLE SHIPMENTS (SHIPMENT_ID BIGINT, ORDER_NO BIGINT, CARRIER VARCHAR(30), '
           'SHIPPED_ON DATE, WEIGHT REAL, TRACKING CHAR(12))')
for i in range(1, 2001):
    carrier = ["DHL", "UPS", "La Poste", "Österreichische Post", "Correos"][i % 5]
    out.append("INSERT INTO SHIPMENTS VALUES(%d, %d, '%s', '%04d-%02d-%02d', %s, %s)" % (
        500000 + i, 100000 + i, carrier, 2023 + i % 2, 1 + i % 12, 1 + i % 28,
        str((i % 200) / 8.0), "NULL" if i % 9 == 0 else "'TRK%09d'" % i))
out.append("CREATE VIEW BIG_SHIPMENTS AS SELECT * FROM SHIPMENTS WHERE WEIGHT > 20")
print(";\n".join(out) + ";")
PY
}

# write_demo_settings CONFIG_HOME DB2_DATABASE BUILD: the login values of both demo
# databases, in the file where Dovetab keeps its settings when XDG_CONFIG_HOME is
# CONFIG_HOME (application "Harrowick", section "Dovetab"), under the keys that the
# build lists in BUILD/settings-keys.tsv. Readable by the owner only, like the file
# Dovetab makes itself: the passwords stand in it as plain text.
write_demo_settings() {
  local config="$1" db2db="$2" build="$3"
  local file="$config/Harrowick.conf"
  # The value of each login box, Text1 to Text10.
  local -A value=(
    [Text1]="$DB2_HOST" [Text2]="$DB2_PORT" [Text3]="$DB2_USER" [Text4]="$DB2_PASSWORD"
    [Text5]="$db2db" [Text6]="127.0.0.1" [Text7]="$PG_PORT" [Text8]="$PG_USER"
    [Text9]="$PG_PASSWORD" [Text10]="$PG_DATABASE"
  )
  mkdir -p "$config"
  rm -f "$file"
  (
    umask 077
    {
      echo "[Dovetab]"
      local box key default
      while IFS=$'\t' read -r box key default; do
        echo "$key=${value[$box]}"
      done <"$build/settings-keys.tsv"
    } >"$file"
  )
}
