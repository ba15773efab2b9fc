#!/usr/bin/env bash
# The T-SQL grammar check: the scripts quillon-db prints and the read statements
# the SQL Server tests record, parsed by sqlparser-rs (npm @guanmingchiu/sqlparser-ts,
# installed here by scripts/setup-deps.sh).
#   run.sh QUILLON_DB QUILLON_TESTS
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ ! -d "$here/node_modules/@guanmingchiu/sqlparser-ts" ]; then
  echo "The T-SQL grammar is not installed: run scripts/setup-deps.sh" >&2
  exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$1" print-sqlserver-script system > "$work/system.sql"
"$1" print-sqlserver-script company DEMO > "$work/company.sql"
"$1" print-sqlserver-script logins DEMO > "$work/logins.sql"
"$1" print-sqlserver-script demo DEMO > "$work/demo.sql"
QUILLON_TSQL_RECORD="$work/reads.sql" QT_QPA_PLATFORM=offscreen \
  "$2" --gtest_filter='SqlServerSession.OrdinaryQueries*:SqlServerSession.TheDemosViews*:SqlServerSession.TheSitesSql*:OdbcSqlServerDates.*' > "$work/tests.log" 2>&1 || { cat "$work/tests.log"; exit 1; }
cd "$here"
node check.mjs --script "$work/system.sql" --script "$work/company.sql" --script "$work/logins.sql" \
  --script "$work/demo.sql" --reads "$work/reads.sql"
