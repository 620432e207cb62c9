#!/bin/bash
# Times `varnel-survey-cli import` of many exchange files into an empty
# database, as an office above merges the files of the season.
#   bench/cli-import.sh [BUILD_FOLDER] [FILES] [RECORDS_PER_FILE]
# Defaults: build, 100 files, 500 records each.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
files=${2:-100}
records=${3:-500}
data_file=2019NB_qv_201908291730.mdb

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
program="$work/program"
mkdir -p "$program" "$work/files" "$work/temp"
cp "$build/bin/varnel-survey-cli" "$build/bin/view.dll" "$build/bin/$data_file" "$program/"
export TEMP="$work/temp" HOME="$work/home"

# The files: generated returns, given codes of their own and verified, then
# written by the companion's own export as every county office would.
"$build/bin/survey-bench" --generate "$work/source.mdb" "$records"
for i in $(seq 1 "$files"); do
    county="$work/files/county$i.mdb"
    cp "$work/source.mdb" "$county"
    sqlite3 "$county" "UPDATE dt_data SET c901 = (100000 + $i) * 1000000 + rowid, RecordState = 1;"
    "$program/varnel-survey-cli" --db "$county" export --label "县总工会$i" "$work/files/county$i.dat" > /dev/null 2>&1
done

target="$work/target.mdb"
cp "$program/$data_file" "$target"
start=$(date +%s.%N)
status=0
"$program/varnel-survey-cli" --db "$target" import --yes "$work/files/"county*.dat > /dev/null 2> "$work/import.log" || status=$?
end=$(date +%s.%N)
tail -n 1 "$work/import.log"
echo "exit status $status, $(sqlite3 "$target" 'SELECT count(*) FROM dt_data') records in the target"
awk -v s="$start" -v e="$end" -v n="$files" 'BEGIN { printf "import of %d files: %.2f s (%.1f ms per file)\n", n, e - s, (e - s) * 1000 / n }'
