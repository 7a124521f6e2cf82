#!/usr/bin/env bash
# Throw-away PostgreSQL cluster for the store tests.
#   eval "$(tools/pg-test-cluster.sh start)"   creates and starts it, prints export lines
#   tools/pg-test-cluster.sh stop              stops it and removes its directory
# The cluster listens on 127.0.0.1 only, on a free port, with trust
# authentication; it runs as the "postgres" user when started by root.
set -euo pipefail

PGBIN=${PGBIN:-}
if [ -z "$PGBIN" ]; then
  for d in /usr/lib/postgresql/*/bin; do
    [ -x "$d/initdb" ] && PGBIN=$d
  done
fi

as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  local p
  for p in $(seq 54330 54429); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p"
      return 0
    fi
  done
  return 1
}

start() {
  if [ -z "$PGBIN" ] || [ ! -x "$PGBIN/initdb" ]; then
    echo "pg-test-cluster: PostgreSQL-Programme nicht gefunden" >&2
    exit 1
  fi
  local dir port
  dir=$(mktemp -d /tmp/gt-pg.XXXXXX)
  chmod 755 "$dir"
  [ "$(id -u)" = 0 ] && chown postgres: "$dir"
  as_owner "$PGBIN/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || {
    cat "$dir/initdb.log" >&2
    exit 1
  }
  port=$(free_port)
  as_owner "$PGBIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c fsync=off" \
    start >/dev/null || {
    cat "$dir/server.log" >&2
    exit 1
  }
  echo "export GT_PG_HOST=127.0.0.1 GT_PG_PORT=$port GT_PG_USER=postgres GT_PG_DIR=$dir"
}

stop() {
  local dir=${1:-${GT_PG_DIR:-}}
  if [ -z "$dir" ] || [ ! -d "$dir/data" ]; then
    echo "pg-test-cluster: kein Cluster angegeben (GT_PG_DIR)" >&2
    exit 1
  fi
  as_owner "$PGBIN/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *)
    echo "Aufruf: $0 start | stop [VERZEICHNIS]" >&2
    exit 2
    ;;
esac
