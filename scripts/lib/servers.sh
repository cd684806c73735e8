# Shared by scripts/test and scripts/demo: a throw-away PostgreSQL cluster, a DB2
# stand-in server and a private odbcinst.ini. Source it; call stop_servers on exit.

PG_BIN="${PG_BIN:-/usr/lib/postgresql/15/bin}"
PG_USER="dovetab"
PG_PASSWORD="dovetab-secret"
PG_DATABASE="dovetab"
# The cluster's TimeZone: not UTC, and half an hour off a whole hour, as many
# users' servers are; what a test reads of a timestamptz depends on it.
PG_TIMEZONE="${PG_TIMEZONE:-Asia/Kolkata}"
_pg_data=""

# Runs a command as the postgres user when we are root (the server refuses root).
as_pg_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

# start_postgres DIR: initdb, start on a free loopback port, create the login role.
# Sets PG_PORT, PG_LOG, PG_SOCKET_DIR, PG_DATA.
start_postgres() {
  local dir="$1"
  mkdir -p "$dir/sock"
  PG_DATA="$dir/data"
  PG_LOG="$dir/server.log"
  PG_SOCKET_DIR="$dir/sock"
  PG_PORT="$(free_port)"
  printf '%s\n' "postgres-secret" > "$dir/pwfile"
  touch "$PG_LOG"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R postgres:postgres "$dir"
  fi
  as_pg_owner "$PG_BIN/initdb" -D "$PG_DATA" -U postgres --pwfile="$dir/pwfile" \
    -E UTF8 --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; return 1; }
  # The port is free when chosen but not held: another cluster started at the same
  # moment may take it first, so a clash is tried again on another port.
  local attempt
  for attempt in 1 2 3 4 5; do
    if as_pg_owner "$PG_BIN/pg_ctl" -D "$PG_DATA" -l "$PG_LOG" -w -t 60 \
      -o "-p $PG_PORT -k $PG_SOCKET_DIR -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c log_connections=on -c max_connections=200 -c timezone=$PG_TIMEZONE" \
      start >/dev/null; then
      break
    fi
    if [ "$attempt" = 5 ] || ! grep -q "could not bind\|could not create any TCP/IP sockets\|Address already in use" "$PG_LOG"; then
      cat "$PG_LOG" >&2
      return 1
    fi
    PG_PORT="$(free_port)"
  done
  _pg_data="$PG_DATA"
  as_pg_owner "$PG_BIN/psql" -X -q -h "$PG_SOCKET_DIR" -p "$PG_PORT" -U postgres -d postgres \
    -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE $PG_USER LOGIN SUPERUSER PASSWORD '$PG_PASSWORD'" \
    -c "CREATE DATABASE $PG_DATABASE OWNER $PG_USER" >/dev/null
  chmod 644 "$PG_LOG" 2>/dev/null || true
}

stop_postgres() {
  if [ -n "$_pg_data" ]; then
    as_pg_owner "$PG_BIN/pg_ctl" -D "$_pg_data" -m immediate -w stop >/dev/null 2>&1 || true
    _pg_data=""
  fi
}

# start_db2_standin DIR BUILD: a stand-in server folder with one host and port
# that listen and the login user. Sets DB2_HOST, DB2_PORT, DB2_USER, DB2_PASSWORD,
# DB2_SERVER_DIR, DB2_ADMIN, and exports DB2STANDIN_SERVER_DIR, where the driver
# finds its server folder (it falls back to the ServerDir key of odbcinst.ini).
start_db2_standin() {
  local dir="$1" build="$2"
  DB2_SERVER_DIR="$dir"
  DB2_ADMIN="$build/testing/db2-standin/db2standin-admin"
  DB2_HOST="db2.localtest"
  DB2_PORT="50069"
  DB2_USER="db2inst1"
  DB2_PASSWORD="db2-secret"
  mkdir -p "$dir"
  export DB2STANDIN_SERVER_DIR="$dir"
  if [ -x "$DB2_ADMIN" ]; then
    "$DB2_ADMIN" --server-dir "$dir" init --host "$DB2_HOST" --port "$DB2_PORT"
    "$DB2_ADMIN" --server-dir "$dir" add-user --user "$DB2_USER" --password "$DB2_PASSWORD"
  else
    # Builds narrowed with DOVETAB_BUILD_TARGETS may leave it out; DB2 tests then fail.
    echo "start_db2_standin: $DB2_ADMIN is not built; the DB2 stand-in has no server" >&2
  fi
}

# write_odbcinst DIR BUILD DB2DIR: registers psqlODBC and the stand-in by name.
write_odbcinst() {
  local dir="$1" build="$2" db2dir="$3"
  local psqlodbc
  psqlodbc="$(dpkg -L odbc-postgresql 2>/dev/null | grep '/psqlodbcw\.so$' | head -n 1)"
  [ -n "$psqlodbc" ] || psqlodbc="/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so"
  mkdir -p "$dir"
  cat >"$dir/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode)
Driver=$psqlodbc
CommLog=0
Debug=0

[IBM DB2 ODBC DRIVER]
Description=DB2 stand-in (test equipment)
Driver=$build/testing/db2-standin/libdb2standin.so
ServerDir=$db2dir
INI
  : >"$dir/odbc.ini"
}

stop_servers() {
  stop_postgres
}
