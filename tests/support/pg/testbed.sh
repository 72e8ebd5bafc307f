#!/usr/bin/env bash
# A throwaway PostgreSQL server for the integration tests.
#
#   testbed.sh start DIR   start a cluster with its data and socket in DIR and
#                          write DIR/env (source it: TARVELIN_PG_* variables)
#   testbed.sh stop DIR    stop that cluster and remove DIR
#
# The server listens on a free loopback port with password (scram) log-in over
# TCP, which is how the program reaches it through psqlODBC; the unix socket in
# DIR admits the superuser without a password, for tests that need to act on
# the server from outside. Run as root the cluster belongs to the "postgres"
# user; run as anyone else it belongs to that user.
#
# Both commands are idempotent and print nothing on success.
set -euo pipefail

readonly ROLE=tarvelin
readonly DATABASE=tarvelin
readonly SCHEMA=tarvelin
# The password holds the characters a connection string must escape (";", "}",
# "=") so that the tests exercise the escaping, not only the log-in.
readonly PASSWORD='Tv;pg=p}w1'
readonly MARKER=.tarvelin-pg-testbed

die() {
    echo "testbed.sh: $*" >&2
    exit 1
}

usage() {
    echo "usage: testbed.sh start|stop DIR" >&2
    exit 2
}

find_pg_bin() {
    if [[ -n "${TARVELIN_PG_BIN:-}" ]]; then
        echo "$TARVELIN_PG_BIN"
        return
    fi
    local bin
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    if [[ -z "$bin" ]]; then
        local initdb
        initdb=$(command -v initdb || true)
        [[ -n "$initdb" ]] || die "PostgreSQL server binaries not found (install postgresql or set TARVELIN_PG_BIN)"
        bin=$(dirname "$initdb")
    fi
    echo "$bin"
}

# Runs a command as the owner of the cluster.
as_owner() {
    if [[ $EUID -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

# A loopback port nobody listens on now. Another process may take it before the
# server binds it; start() then tries another one.
free_port() {
    local python
    python=$(command -v python3 || true)
    if [[ -n "$python" ]]; then
        "$python" -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
        return
    fi
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return
        fi
    done
    die "no free loopback port found"
}

server_running() {
    local dir=$1
    [[ -f "$dir/data/PG_VERSION" ]] && as_owner "$PG_BIN/pg_ctl" status -D "$dir/data" >/dev/null 2>&1
}

start() {
    local dir=$1
    if server_running "$dir" && [[ -f "$dir/env" ]]; then
        return 0
    fi
    # Whatever a failed or interrupted start left behind is of no use.
    stop "$dir"

    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    touch "$dir/$MARKER"
    # The server refuses socket paths longer than the system allows (107 bytes).
    [[ ${#dir} -le 80 ]] || die "$dir is too long a path for the server's socket"
    mkdir -p "$dir/socket"
    # Anyone may read env and odbc.ini; only the owner (and root) reach the
    # socket, where the superuser needs no password.
    chmod 755 "$dir"
    chmod 700 "$dir/socket"
    if [[ $EUID -eq 0 ]]; then
        chown -R postgres: "$dir"
    fi
    as_owner test -w "$dir" || die "the cluster's owner cannot reach $dir (check its parent folders)"

    as_owner "$PG_BIN/initdb" -D "$dir/data" -U postgres -E UTF8 --no-locale --no-sync \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
        die "initdb failed, see $dir/initdb.log"

    local port attempt started=0
    for attempt in 1 2 3 4 5; do
        port=$(free_port)
        as_owner tee "$dir/data/postgresql.auto.conf" >/dev/null <<EOF
port = $port
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir/socket'
password_encryption = 'scram-sha-256'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 30
shared_buffers = 16MB
logging_collector = off
EOF
        if as_owner "$PG_BIN/pg_ctl" start -D "$dir/data" -l "$dir/server.log" -w -t 30 >/dev/null 2>&1; then
            started=1
            break
        fi
    done
    [[ $started -eq 1 ]] || die "the server did not start, see $dir/server.log"

    local psql=("$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir/socket" -p "$port" -U postgres)
    "${psql[@]}" -d postgres >"$dir/setup.log" 2>&1 <<EOF || die "setting up the database failed, see $dir/setup.log"
CREATE ROLE $ROLE LOGIN PASSWORD '${PASSWORD//\'/\'\'}';
CREATE DATABASE $DATABASE OWNER $ROLE;
EOF
    # Built as the login role so that everything belongs to it, as a schema's
    # objects belong to its user in Oracle.
    "${psql[@]}" -d "$DATABASE" >>"$dir/setup.log" 2>&1 <<EOF || die "setting up the schema failed, see $dir/setup.log"
SET ROLE $ROLE;
CREATE SCHEMA $SCHEMA AUTHORIZATION $ROLE;
ALTER ROLE $ROLE IN DATABASE $DATABASE SET search_path = $SCHEMA;
SET search_path = $SCHEMA;

CREATE TABLE customers (id integer CONSTRAINT customers_pk PRIMARY KEY, name text NOT NULL);
CREATE TABLE orders (
    id integer CONSTRAINT orders_pk PRIMARY KEY,
    customer_id integer NOT NULL REFERENCES customers,
    placed date NOT NULL
);
CREATE INDEX idx_orders_date ON orders (placed);
CREATE INDEX "Idx_MixedCase" ON orders (customer_id, placed);
CREATE INDEX "idx-lower" ON customers (lower(name));
-- Named as Oracle names the indexes it creates for constraints: the
-- dictionary query leaves them out.
CREATE UNIQUE INDEX sys_c0012345 ON customers (name);
-- Begins with "SYS" but not "SYS_": kept when the pattern escapes "_".
CREATE INDEX system_x_idx ON orders (customer_id);
INSERT INTO customers SELECT g, 'customer ' || g FROM generate_series(1, 100) g;
INSERT INTO orders SELECT g, 1 + g % 100, DATE '2024-01-01' + g % 365 FROM generate_series(1, 1000) g;

-- Partitioned tables with local indexes, each index partition named as
-- Oracle would: sales by range, moves by range and then by list (composite).
CREATE TABLE sales (id integer, sold date NOT NULL) PARTITION BY RANGE (sold);
CREATE TABLE sales_2024 PARTITION OF sales FOR VALUES FROM ('2024-01-01') TO ('2025-01-01');
CREATE TABLE sales_2025 PARTITION OF sales FOR VALUES FROM ('2025-01-01') TO ('2026-01-01');
CREATE INDEX sales_sold_ix ON ONLY sales (sold);
CREATE INDEX s2024 ON sales_2024 (sold);
CREATE INDEX s2025 ON sales_2025 (sold);
ALTER INDEX sales_sold_ix ATTACH PARTITION s2024;
ALTER INDEX sales_sold_ix ATTACH PARTITION s2025;
CREATE TABLE moves (id integer, moved date NOT NULL, zone text NOT NULL) PARTITION BY RANGE (moved);
CREATE TABLE moves_2025 PARTITION OF moves FOR VALUES FROM ('2025-01-01') TO ('2026-01-01') PARTITION BY LIST (zone);
CREATE TABLE moves_2025_n PARTITION OF moves_2025 FOR VALUES IN ('N');
CREATE TABLE moves_2025_s PARTITION OF moves_2025 FOR VALUES IN ('S');
CREATE INDEX moves_ix ON ONLY moves (moved);
CREATE INDEX m2025 ON ONLY moves_2025 (moved);
CREATE INDEX m2025_n ON moves_2025_n (moved);
CREATE INDEX m2025_s ON moves_2025_s (moved);
ALTER INDEX m2025 ATTACH PARTITION m2025_n;
ALTER INDEX m2025 ATTACH PARTITION m2025_s;
ALTER INDEX moves_ix ATTACH PARTITION m2025;

-- Oracle's dictionary views of the user's own indexes. Oracle keeps unquoted
-- names in upper case and quoted names as written; here the names that are
-- plain lower-case identifiers were created unquoted, the others quoted.
CREATE FUNCTION oracle_name(n name) RETURNS text LANGUAGE sql IMMUTABLE AS
\$\$ SELECT CASE WHEN n ~ '^[a-z_][a-z0-9_\$#]*\$' THEN upper(n) ELSE n::text END \$\$;
CREATE VIEW own_indexes AS
SELECT c.oid, c.relname, c.relkind, t.relname AS table_name,
       (SELECT h.inhparent FROM pg_inherits h WHERE h.inhrelid = c.oid) AS parent
FROM pg_class c JOIN pg_index x ON x.indexrelid = c.oid JOIN pg_class t ON t.oid = x.indrelid
WHERE c.relnamespace = current_schema()::regnamespace;
-- Index partitions are Oracle's partitions, not indexes of their own. Oracle
-- also lists what no ALTER INDEX can rebuild, which PostgreSQL does not have:
-- an index in the recycle bin, an IOT's primary index, one of a temporary
-- table, a LOB index.
CREATE VIEW user_indexes AS
SELECT oracle_name(relname) AS index_name, 'NORMAL' AS index_type, oracle_name(table_name) AS table_name,
       CASE WHEN relkind = 'I' THEN 'YES' ELSE 'NO' END AS partitioned, 'N' AS temporary, 'NO' AS dropped
FROM own_indexes WHERE parent IS NULL
UNION ALL VALUES ('BIN\$n3kL0DqzRMeGRm1E2nF0sA==\$0', 'NORMAL', 'BIN\$Y8Q2m1iNTm+Kc1cHcBXq5g==\$0', 'NO', 'N', 'YES'),
    ('PEDIDOS_IOT_PK', 'IOT - TOP', 'PEDIDOS_IOT', 'NO', 'N', 'NO'),
    ('TMP_CARGA_IX', 'NORMAL', 'TMP_CARGA', 'NO', 'Y', 'NO'),
    ('DOCUMENTOS_LOB_IX', 'LOB', 'DOCUMENTOS', 'NO', 'N', 'NO');
CREATE VIEW user_ind_partitions AS
SELECT oracle_name(i.relname) AS index_name, oracle_name(p.relname) AS partition_name,
       row_number() OVER (PARTITION BY i.oid ORDER BY p.relname) AS partition_position,
       CASE WHEN p.relkind = 'I' THEN 'YES' ELSE 'NO' END AS composite,
       (SELECT count(*) FROM own_indexes s WHERE s.parent = p.oid) AS subpartition_count
FROM own_indexes i JOIN own_indexes p ON p.parent = i.oid WHERE i.parent IS NULL;
CREATE VIEW user_ind_subpartitions AS
SELECT oracle_name(i.relname) AS index_name, oracle_name(p.relname) AS partition_name,
       oracle_name(s.relname) AS subpartition_name,
       row_number() OVER (PARTITION BY p.oid ORDER BY s.relname) AS subpartition_position
FROM own_indexes i JOIN own_indexes p ON p.parent = i.oid JOIN own_indexes s ON s.parent = p.oid
WHERE i.parent IS NULL;
EOF

    # A data source of its own, for tests that connect by DSN= (unixODBC reads
    # the file named by ODBCINI).
    cat >"$dir/odbc.ini" <<EOF
[tarvelin_pg]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $port
Database = $DATABASE
EOF

    local connection="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Database=$DATABASE;Uid=$ROLE"
    {
        printf 'export TARVELIN_PG_DIR=%q\n' "$dir"
        printf 'export TARVELIN_PG_PORT=%q\n' "$port"
        printf 'export TARVELIN_PG_CONNECTION=%q\n' "$connection"
        printf 'export TARVELIN_PG_USER=%q\n' "$ROLE"
        printf 'export TARVELIN_PG_PASSWORD=%q\n' "$PASSWORD"
        printf 'export TARVELIN_PG_DATABASE=%q\n' "$DATABASE"
        printf 'export TARVELIN_PG_ODBCINI=%q\n' "$dir/odbc.ini"
        printf 'export TARVELIN_PG_DSN=%q\n' tarvelin_pg
        printf 'export TARVELIN_PG_PSQL=%q\n' \
            "$PG_BIN/psql -X -q -v ON_ERROR_STOP=1 -h $dir/socket -p $port -U postgres -d $DATABASE"
    } >"$dir/env.tmp"
    mv "$dir/env.tmp" "$dir/env"
}

stop() {
    local dir=$1
    [[ -e "$dir" ]] || return 0
    # Only a folder this script made is removed, whatever was passed.
    if [[ ! -e "$dir/$MARKER" ]] && [[ -n "$(ls -A "$dir" 2>/dev/null)" ]]; then
        die "$dir is not a test bed folder; not touching it"
    fi
    if server_running "$dir"; then
        as_owner "$PG_BIN/pg_ctl" stop -D "$dir/data" -m fast -w -t 30 >/dev/null 2>&1 ||
            as_owner "$PG_BIN/pg_ctl" stop -D "$dir/data" -m immediate -w -t 30 >/dev/null 2>&1 ||
            die "the server in $dir did not stop"
    fi
    rm -rf "$dir"
}

[[ $# -eq 2 ]] || usage
[[ -n "$2" ]] || usage
PG_BIN=$(find_pg_bin)
readonly PG_BIN
if [[ $EUID -eq 0 ]] && ! id postgres >/dev/null 2>&1; then
    die "running as root needs a \"postgres\" user to own the cluster"
fi

case "$1" in
start) start "$2" ;;
stop) stop "$2" ;;
*) usage ;;
esac
