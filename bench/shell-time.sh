# Sourced by the benchmark scripts: the best wall-clock time of RUNS runs of the
# sqlite3 shell on FILE for a statement (its rows go to /dev/null).
now() { date +%s.%N; }
shell_time() {
    local best=999999 s e
    for _ in $(seq "$RUNS"); do
        s=$(now)
        sqlite3 -readonly "$FILE" "$1" >/dev/null
        e=$(now)
        best=$(awk -v s="$s" -v e="$e" -v b="$best" 'BEGIN { d = e - s; print (d < b ? d : b) }')
    done
    echo "$best"
}
