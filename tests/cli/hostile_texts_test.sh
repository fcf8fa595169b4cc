#!/usr/bin/env bash
# Names and chat that other players choose, through qorn-cli from the log to
# every output: no record from speech, tab-separated rows that keep their
# fields, CSV files that a CSV reader reads with no formula in them, and an
# HTML page whose only elements are the page's own.
# Usage: hostile_texts_test.sh QORN_CLI LOG
set -u
cli=$1
log=$2
source "$(dirname "$0")/../support/checks.sh"
home=$work

# Every line of a tab-separated output has as many fields as its first line,
# save the graph's footnote, its last line.
same_fields() {  # same_fields FILE [SKIP_LAST]
  awk -F'\t' -v skip="${2:-0}" '
    { line[NR] = NF }
    END {
      last = skip ? NR - 1 : NR
      for (i = 2; i <= last; ++i) if (line[i] != line[1]) { print "line " i ": " line[i] " fields, not " line[1]; exit 1 }
    }' "$1"
}

"$cli" --home "$home" getlog "$log" --name Qornek >"$home/overview.txt" 2>&1
check "getlog printed the overview" grep -q "^Mob	Damage" "$home/overview.txt"
check "the overview rows keep their fields" same_fields "$home/overview.txt"
check "a shouted damage message made no record" sh -c "! grep -q 99999 '$home/overview.txt'"
check "two fights" test "$(wc -l <"$home/overview.txt")" -eq 3

for view in breakdown ticks detail buffs uptime meter; do
  "$cli" --home "$home" show 2 $view >"$home/show.txt"
  check "show 2 $view keeps its fields" same_fields "$home/show.txt"
done
"$cli" --home "$home" show 2 ticks >"$home/show.txt"
check "show ticks: the tab in the mob is a blank" grep -q "^1	a gnoll with a tab	100	" "$home/show.txt"
"$cli" --home "$home" show 2 summary >"$home/show.txt"
check "show summary: one line" test "$(wc -l <"$home/show.txt")" -eq 1
check "show summary: no tab" sh -c "! grep -q '$(printf '\t')' '$home/show.txt'"
check "show summary: the tab in the mob is a blank" grep -q " on a gnoll with a tab: " "$home/show.txt"
"$cli" --home "$home" show all uptime >"$home/show.txt"
check "show all uptime keeps its fields" same_fields "$home/show.txt"
"$cli" --home "$home" graph 2 uptime >"$home/graph.txt"
check "graph 2 uptime keeps its fields" same_fields "$home/graph.txt"
for kind in dot all; do
  "$cli" --home "$home" graph 2 $kind >"$home/graph.txt"
  check "graph 2 $kind keeps its fields" same_fields "$home/graph.txt" 1
  check "graph 2 $kind: the footnote is one line" grep -q "^          a gnoll with a tab$" "$home/graph.txt"
done

# The CSV files as a spreadsheet reads them.
for list in overview breakdown ticks detail buffs uptime; do
  "$cli" --home "$home" export 1 --list $list --csv "$home/$list.csv" >/dev/null
done
check "the CSV files read as CSV, with no formula in them" python3 - "$home" <<'EOF'
import csv, re, sys
home = sys.argv[1]
columns = {"overview": 6, "breakdown": 8, "ticks": 6, "detail": 13, "buffs": 11, "uptime": 7}
number = re.compile(r"^-?[0-9][0-9,.]*%?$")
cells = []
ok = True
for name, n in columns.items():
    with open(f"{home}/{name}.csv", newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, strict=True))
    for row in rows:
        # The detail list's headings and short rows end early, as the list shows them.
        if len(row) != n and not (name == "detail" and len(row) < n):
            print(f"{name}: {len(row)} fields, not {n}: {row}")
            ok = False
        for cell in row:
            cells.append(cell)
            if cell[:1] in ("=", "+", "-", "@", "\t", "\r") and len(cell) > 1 and not number.match(cell):
                print(f"{name}: a formula: {cell!r}")
                ok = False
for want in ("'=HYPERLINK(\"http://x\",\"y\").", "'-2+3.", "Splurt \"the\" & <b>best</b>.",
             "<img src=x onerror=alert(1)>"):
    if want not in cells:
        print(f"no cell {want!r}")
        ok = False
sys.exit(0 if ok else 1)
EOF

# The page as a browser reads it: its own elements only, the names as text.
"$cli" --home "$home" export 1 --html "$home/graph.htm" >/dev/null
check "the HTML page holds the log's texts as text" python3 - "$home/graph.htm" <<'EOF'
import sys
from html.parser import HTMLParser

class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.sources, self.text = set(), set(), ""
    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        if tag == "img":
            self.sources.add(dict(attrs).get("src"))
    def handle_data(self, data):
        self.text += data

page = Page()
page.feed(open(sys.argv[1], encoding="ascii").read())
ok = page.tags <= {"table", "tr", "td", "img", "br"}
ok = ok and all(s and s.endswith(".gif") for s in page.sources)
for text in ("<img src=x onerror=alert(1)> on ", "=HYPERLINK(\"http://x\",\"y\").",
             "Splurt, \"the\" & <b>best</b>."):
    ok = ok and text in page.text
if not ok:
    print("elements:", sorted(page.tags), "images:", sorted(map(str, page.sources)))
sys.exit(0 if ok else 1)
EOF

summary hostile texts
