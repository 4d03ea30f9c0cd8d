#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, on a Unix socket in a folder of its own.
#   scripts/pg.sh start [DIR]   makes a cluster in DIR (a new temporary folder if none), starts
#                               it and prints shell assignments of TAVRELIS_PG_DIR and
#                               TAVRELIS_PG_URI, for eval
#   scripts/pg.sh stop DIR      stops its server, keeping the cluster
#   scripts/pg.sh resume DIR    starts the server again
#   scripts/pg.sh destroy DIR   stops the server and removes DIR
# The server refuses to run as root, so under root it runs as the system user tavrelis-pg.
set -euo pipefail
cmd=${1:-}
dir=${2:-}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "pg.sh: no PostgreSQL server installed (Debian package postgresql)" >&2
    exit 1
fi

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u tavrelis-pg -- "$@"
    else
        "$@"
    fi
}

server() { as_owner "$bin/pg_ctl" -D "$dir/cluster" -l "$dir/server.log" -w -t 60 "$@" >/dev/null; }

case "$cmd" in
start)
    if [ "$(id -u)" -eq 0 ] && ! id tavrelis-pg >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin tavrelis-pg
    fi
    [ -n "$dir" ] || dir=$(mktemp -d "${TMPDIR:-/tmp}/tavrelis-pg.XXXXXX")
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown tavrelis-pg "$dir"
    chmod 0755 "$dir"
    as_owner "$bin/initdb" -D "$dir/cluster" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
        --no-sync >/dev/null
    # Nothing of it outlives the run: durability is not worth the disk waits.
    printf '%s\n' "unix_socket_directories = '$dir'" "listen_addresses = ''" "fsync = off" \
        "synchronous_commit = off" "full_page_writes = off" "max_connections = 200" |
        as_owner tee -a "$dir/cluster/postgresql.conf" >/dev/null
    server start
    "$bin/createdb" -h "$dir" -U postgres tavrelis
    echo "TAVRELIS_PG_DIR=$dir"
    echo "TAVRELIS_PG_URI=postgresql://postgres@/tavrelis?host=$dir"
    ;;
stop)
    server -m fast stop
    ;;
resume)
    server start
    ;;
destroy)
    [ -n "$dir" ] && [ -d "$dir/cluster" ] || exit 0
    server -m immediate stop 2>/dev/null || true
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start [DIR] | stop DIR | resume DIR | destroy DIR" >&2
    exit 2
    ;;
esac
