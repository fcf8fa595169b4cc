#!/usr/bin/env bash
# qorn-cli as a user runs it: exit codes, messages, and what getlog and
# previous print. Usage: cli_test.sh QORN_CLI SAMPLE_LOG
set -u
cli=$1
sample=$2
source "$(dirname "$0")/../support/checks.sh"
home=$work

# expect CODE PATTERN -- ARGS...: the exit code, and a pattern that stdout+stderr must hold.
expect() {
  local code=$1 pattern=$2
  shift 3
  local out rc
  out=$("$cli" "$@" 2>&1)
  rc=$?
  if [ "$rc" -ne "$code" ] || ! grep -qE -- "$pattern" <<<"$out"; then
    echo "FAIL: qorn-cli $* -> exit $rc, wanted $code and /$pattern/"
    echo "$out" | head -5
    failed=$((failed + 1))
  else
    pass
  fi
}

expect 0 "getlog LOGFILE --name NAME" -- --help
expect 2 "no command given" --
expect 2 "unknown command frob" -- frob
expect 2 "needs --name NAME" -- parse "$sample"
expect 2 "exclude each other" -- parse "$sample" --name Qornek --casts --summary
expect 1 "Cannot open the log file $home/missing.txt: No such file" -- parse "$home/missing.txt" --name Qornek
expect 0 "^  Dot	[1-9]" -- parse "$sample" --name Qornek --summary
expect 0 "^When	Who	Mob	Dmg	Crit	DmgType	DmgSrc	Cpower	CoA	Inten	Reserved$" -- parse "$sample" --name Qornek
expect 0 "^When	CorR	Spell$" -- parse "$sample" --name Qornek --casts
# The window's name check: letters only, at least one; nothing is stored.
expect 2 "--name needs the character's name, letters a-z and A-Z only, not ''" -- --home "$home" getlog "$sample" --name ""
expect 2 "letters a-z and A-Z only, not 'Qor nek'" -- --home "$home" getlog "$sample" --name "Qor nek"
expect 2 "letters a-z and A-Z only, not 'Ab1'" -- parse "$sample" --name Ab1
if [ -e "$home/QornDB.mdb" ]; then fail "a refused name made a database"; fi
# A log the game named for another character is refused (exit 1) unless --other-name says so;
# the same name in another case, and a file named otherwise, are read as ever.
owned="$home/eqlog_Qornek_test.txt"
cp "$sample" "$owned"
ohome="$home/other-name"
for command in getlog follow; do
  expect 1 "^qorn-cli: The log $owned is Qornek's, not Zzyzx's: .* Give --name Qornek, or --other-name to read it under Zzyzx all the same.$" -- --home "$ohome" $command "$owned" --name Zzyzx
done
if [ -e "$ohome" ]; then fail "a refused log made a folder"; fi
expect 0 "^Vallon Zek	" -- --home "$ohome" getlog "$owned" --name qornek
# Read whole when asked, though the log is the one stored and unchanged: a new file.
inode=$(stat -c %i "$ohome/QornDB.mdb")
expect 0 "^Vallon Zek	" -- --home "$ohome" getlog "$owned" --name qornek
if [ "$(stat -c %i "$ohome/QornDB.mdb")" != "$inode" ]; then
  fail "getlog of an unchanged log made a new file"; fi
expect 0 "^Vallon Zek	" -- --home "$ohome" getlog "$owned" --name qornek --whole
if [ "$(stat -c %i "$ohome/QornDB.mdb")" = "$inode" ]; then
  fail "getlog --whole did not read the whole log"; fi
expect 0 "^Mob	Damage	DPS	Seconds	Start	End$" -- --home "$ohome" getlog "$owned" --name Zzyzx --other-name
expect 0 "^Mob	Damage	DPS	Seconds	Start	End$" -- --home "$ohome" getlog "$sample" --name Zzyzx
expect 2 "--timer needs a number" -- --home "$home" getlog "$sample" --name Qornek --timer abc
expect 2 "--timer needs a number" -- --home "$home" previous --timer 32000
expect 0 "^Mob	Damage	DPS	Seconds	Start	End$" -- --home "$home" getlog "$sample" --name Qornek
# A name typed in another case is the name the game writes: the same fights.
if [ "$("$cli" --home "$home" getlog "$sample" --name qORNEK 2>/dev/null)" = \
  "$("$cli" --home "$home" getlog "$sample" --name Qornek 2>/dev/null)" ]; then
  pass; else fail "getlog --name qORNEK found other fights"; fi
expect 0 "^Vallon Zek	[0-9]+	" -- --home "$home" previous --timer 20.5
# The graphs of a stored fight: text, a picture, and what is refused.
expect 0 "^	Dread Pyre\.	Chaos Venom\.	Corath Venom\.	Pets	DD's$" -- --home "$home" graph 4 all
expect 0 "^          a sarnak conscript$" -- --home "$home" graph 4 dot
expect 1 "There is no fight 99 in" -- --home "$home" graph 99 dot
expect 2 "EVENT must be a fight's number from 1, not '0'" -- --home "$home" graph 0 dot
expect 2 "graph needs EVENT and dot, all or uptime" -- --home "$home" graph 4 pie
expect 2 "--size needs WIDTHxHEIGHT" -- --home "$home" graph 4 dot --png "$home/g.png" --size 10x10
expect 2 "--size goes with --png" -- --home "$home" graph 4 dot --size 800x600
expect 1 "There is no parse database" -- --home "$home/nowhere" graph 1 dot
expect 0 "^15	" -- --home "$home" graph 4 all --png "$home/graph.png" --size 900x400
if [ "$(head -c 8 "$home/graph.png" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] &&
  [ ! -e "$home/nowhere/QornDB.mdb" ]; then pass; else
  fail "graph --png wrote no PNG, or graph made a database"; fi
# The DoT Uptime lanes: each spell's ticking spans as text, and the picture.
expect 0 "^Dread Pyre\.	0-82	$" -- --home "$home" graph 4 uptime --png "$home/lanes.png"
if [ "$(head -c 8 "$home/lanes.png" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ]; then pass; else
  fail "graph uptime --png wrote no PNG"; fi
expect 1 "There is no fight 99 in" -- --home "$home" graph 99 uptime

# The lists of a stored fight, cell for cell as the window shows them.
expect 0 "^Tick	Mob	DMG Type	DMG	Crit	CPow	CoABP	Inten$" -- --home "$home" show 4 breakdown
expect 0 "^2	A sarnak conscript	Dread Pyre\.	947	0	0	0	-1$" -- --home "$home" show 4 breakdown
expect 0 "^1	a sarnak conscript	332	0	0	-1$" -- --home "$home" show 4 ticks
expect 0 "^  Dread Pyre\.	14,939	177\.85	1912	861	1,067\.07	14	0	2 \(14\.29%\)	0	0	0	0$" -- --home "$home" show 4 detail
expect 0 "^Total Damage	48,674	579\.45										$" -- --home "$home" show 4 detail
expect 0 "^ TOTALS:	30,056	357\.81	1912	430	716\.00	42		3 \(07\.14%\)$" -- --home "$home" show 4 detail --no-spell-detail
if "$cli" --home "$home" show 4 detail --no-pet-detail | grep -q "^      -"; then
  fail "show --no-pet-detail printed pet lines"; else pass; fi
expect 1 "The stored parse has no fight 99" -- --home "$home" show 99 ticks
expect 2 "unknown view pie" -- --home "$home" show 4 pie
expect 2 "EVENT must be a fight's number from 1, not 'x'" -- --home "$home" show x ticks
expect 1 "is missing" -- --home "$home/nowhere" show 1 detail
if [ -e "$home/nowhere/QornDB.mdb" ]; then fail "show made a database"; fi

# Buff Value of a stored fight and of every fight.
expect 0 "^Buff	Source	Hits On	Crits On	Crit% On	Avg On	Hits Off	Crits Off	Crit% Off	Avg Off	Added$" -- --home "$home" show 4 buffs
expect 0 "^Intensity	All DoTs	42	3	07.14%	715.62	0	0	-	-	-$" -- --home "$home" show 4 buffs
expect 0 "^Anguish BP	Corath Venom\.	18	2	11.11%	649.06	59	3	05.08%	613.56	639$" -- --home "$home" show all buffs
expect 2 "EVENT all goes only with the views buffs and uptime" -- --home "$home" show all detail
expect 2 "the views are breakdown, ticks, detail, buffs, uptime, meter and summary" -- --home "$home" show 4 pie
expect 0 "^Qornek on a sarnak conscript: 48,674 in 1:24 = 579\.45 DPS \| Dread Pyre\. 14,939 \(31%\) \| " -- --home "$home" show 4 summary
expect 0 "^Dread Pyre\.	14,939	31%	[0-9]+%$" -- --home "$home" show 4 meter
expect 1 "has no fight 99" -- --home "$home" show 99 buffs
expect 1 "is missing" -- --home "$home/nowhere" show all buffs
if [ -e "$home/nowhere/QornDB.mdb" ]; then fail "show all buffs made a database"; fi

# DoT Uptime of a stored fight and of every fight.
expect 0 "^Spell	Hits	Uptime	First Hit	Drops	Longest Gap	Lost Ticks$" -- --home "$home" show 4 uptime
expect 0 "^All DoTs	42	97\.62%	4	0	6	0$" -- --home "$home" show 4 uptime
expect 0 "^Spell	Fights	Hits	Uptime	Drops per Fight	First Hit$" -- --home "$home" show all uptime
expect 0 "^Chaos Venom\.	5	92	98\.91%	0\.00	4\.80$" -- --home "$home" show all uptime
expect 1 "has no fight 99" -- --home "$home" show 99 uptime
expect 1 "is missing" -- --home "$home/nowhere" show all uptime

# Exports of a stored fight: the files, their messages, and what is refused.
expect 0 "^Your dot ticks have been exported:$" -- --home "$home" export 4 --list ticks --csv "$home/ticks.csv"
if [ "$(head -n 1 "$home/ticks.csv" | od -An -c | tr -s ' ' | tr -d '\n')" = " T i c k , M o b , D M G , C P o w , C o A B P , I n t e n \r \n" ]; then
  pass; else fail "export --list ticks header line"; fi
expect 0 "^$home/detail.csv$" -- --home "$home" export 4 --list detail --csv "$home/detail.csv" --no-pet-detail
expect 0 "^Your html graph data has been exported:$" -- --home "$home" export 4 --html "$home/graph.htm"
if [ "$(head -c 44 "$home/graph.htm")" = "<table cellspacing=0 cellpadding=0 border=0>" ] &&
  [ "$(ls "$home"/*.gif | wc -l)" -eq 12 ]; then pass; else
  fail "export --html wrote no page or not its twelve images"; fi
expect 1 "Cannot write $home/none/graph.htm: No such file or directory" -- --home "$home" export 4 --html "$home/none/graph.htm"
expect 1 "The stored parse has no fight 99" -- --home "$home" export 99 --list ticks --csv "$home/x.csv"
expect 1 "is missing" -- --home "$home/nowhere" export 1 --list overview --csv "$home/x.csv"
expect 0 "^Your buff value data has been exported:$" -- --home "$home" export 4 --list buffs --csv "$home/buffs.csv"
if grep -q $'^Intensity,Dread Pyre\\.,14,2,14\\.29%,"1,067\\.07",0,0,-,-,-\r$' "$home/buffs.csv"; then
  pass; else fail "export --list buffs quotes as RFC 4180"; fi
expect 0 "^$home/all-buffs.csv$" -- --home "$home" export all --list buffs --csv "$home/all-buffs.csv"
if [ "$(wc -l <"$home/all-buffs.csv")" -eq 28 ]; then pass; else
  fail "export all --list buffs wrote $(wc -l <"$home/all-buffs.csv") lines"; fi
expect 0 "^Your DoT uptime data has been exported:$" -- --home "$home" export 4 --list uptime --csv "$home/uptime.csv"
if [ "$(cat "$home/uptime.csv")" = $'Spell,Hits,Uptime,First Hit,Drops,Longest Gap,Lost Ticks\r\nChaos Venom.,14,97.62%,4,0,6,0\r\nCorath Venom.,14,97.62%,4,0,6,0\r\nDread Pyre.,14,97.62%,4,0,6,0\r\nAll DoTs,42,97.62%,4,0,6,0\r' ]; then
  pass; else fail "export --list uptime wrote other lines"; fi
expect 0 "^$home/all-uptime.csv$" -- --home "$home" export all --list uptime --csv "$home/all-uptime.csv"
if [ "$(head -n 1 "$home/all-uptime.csv")" = $'Spell,Fights,Hits,Uptime,Drops per Fight,First Hit\r' ] &&
  [ "$(wc -l <"$home/all-uptime.csv")" -eq 10 ]; then pass; else
  fail "export all --list uptime: header or line count"; fi
expect 2 "EVENT all goes only with --list buffs or --list uptime" -- --home "$home" export all --list ticks --csv "$home/x.csv"
expect 2 "unknown list pie" -- --home "$home" export 4 --list pie --csv "$home/x.csv"
expect 2 "exclude each other" -- --home "$home" export 4 --list ticks --csv "$home/x.csv" --html "$home/x.htm"
expect 2 "export needs --list LIST with --csv FILE, or --html FILE" -- --home "$home" export 4 --list ticks
if [ ! -e "$home/x.csv" ] && [ ! -e "$home/nowhere/QornDB.mdb" ]; then pass; else
  fail "a refused export wrote a file or made a database"; fi

# A log without damage or casts of the name keeps the stored fights, and says so.
printf '[Fri Dec 04 17:00:00 2026] Hello.\r\n' >"$home/quiet.txt"
before=$("$cli" --home "$home" previous 2>/dev/null)
expect 1 "Dude, you have no damage in the log file!" -- --home "$home" getlog "$home/quiet.txt" --name Qornek
expect 1 "^No damage or casts of Qornek were found in that log, so the stored fights are kept as they were.$" -- --home "$home" getlog "$home/quiet.txt" --name qornek
if [ -n "$before" ] && [ "$("$cli" --home "$home" previous 2>/dev/null)" = "$before" ]; then
  pass; else fail "a log without damage changed the stored fights"; fi

# A damaged database: Get Log moves it aside and goes on; Get Previous says so, with the
# engine's words only behind --verbose.
head -c 4096 /dev/zero | tr '\0' x >"$home/QornDB.mdb"
expect 0 "was damaged, so a new one was made for this log. The damaged file was moved to $home/QornDB.mdb.damaged-" -- --home "$home" getlog "$sample" --name Qornek
head -c 4096 /dev/zero | tr '\0' x >"$home/QornDB.mdb"
expect 1 "is damaged, so the fights cannot be built from it.*Use Get Log" -- --home "$home" previous
head -c 4096 /dev/zero | tr '\0' x >"$home/QornDB.mdb"
if "$cli" --home "$home" previous 2>&1 | grep -q "not a database"; then
  fail "the engine's words without --verbose"; else pass; fi
head -c 4096 /dev/zero | tr '\0' x >"$home/QornDB.mdb"
expect 1 "file is not a database" -- --home "$home" previous --verbose

# A longer timer joins fights: previous with 15 minutes gives fewer lines than with 18 s.
short=$("$cli" --home "$home" getlog "$sample" --name Qornek | wc -l)
long=$("$cli" --home "$home" previous --timer 900 | wc -l)
if [ "$long" -lt "$short" ]; then pass; else
  fail "previous --timer 900 gave $long lines, getlog $short"; fi

# follow: Get Log, then the line of each fight that appears or changes as the game appends;
# SIGTERM ends it with exit 0 and the stored parse whole.
flog="$home/follow.txt"
hit() { printf '[Fri Dec 04 17:%s 2026] %s has taken %s damage from your Splurt.\r\n' "$1" "$2" "$3"; }
# waits up to 5 s for a line of the follow output
seen() { for _ in $(seq 50); do grep -qE -- "$1" "$home/follow.out" && return 0; sleep 0.1; done; return 1; }
hit 00:00 "A gnoll" 100 >"$flog"
: >"$home/follow.out"
"$cli" --home "$home" follow "$flog" --name Soandso >>"$home/follow.out" 2>"$home/follow.err" &
fpid=$!
if seen "^A gnoll	100	"; then
  # One write: the gnoll's fight grows, a bat's begins, and its second line is still being written.
  chunk=$(hit 00:06 "A gnoll" 100; hit 10:00 "A bat" 70; printf '[Fri Dec 04 17:10:03 2026] A bat has ta')
  printf '%s' "$chunk" >>"$flog"
  printf 'ken 30 damage from your Splurt.\r\n' >>"$flog"
  seen "^A bat	100	"
fi
kill -TERM "$fpid"
wait "$fpid"
frc=$?
want=$'Mob\tDamage\tDPS\tSeconds\tStart\tEnd\nA gnoll\t100\t100\t1\t12/4/2026 5:00:00 PM\t12/4/2026 5:00:00 PM\nA bat\t100\t33.33\t3\t12/4/2026 5:10:00 PM\t12/4/2026 5:10:03 PM\nA gnoll\t200\t33.33\t6\t12/4/2026 5:00:00 PM\t12/4/2026 5:00:06 PM'
if [ "$frc" -eq 0 ] && [ "$(cat "$home/follow.out")" = "$want" ]; then pass; else
  echo "FAIL: follow exited $frc and printed:"; cat "$home/follow.out" "$home/follow.err"; failed=$((failed + 1)); fi
expect 0 "^A bat	100	33.33	3	" -- --home "$home" previous
# SIGTERM while the first Get Log runs: it stops there, exit 0, and the stored parse is as it
# was (or, had the Get Log already ended, the new one, with its fights printed).
for _ in $(seq 40); do cat "$sample"; done >"$home/long.txt"
cp "$home/QornDB.mdb" "$home/before.mdb"
"$cli" --home "$home" follow "$home/long.txt" --name Qornek --timer 18 >"$home/long.out" 2>&1 &
fpid=$!
sleep 0.3
kill -TERM "$fpid"
wait "$fpid"
frc=$?
if [ "$frc" -eq 0 ] && { cmp -s "$home/QornDB.mdb" "$home/before.mdb" && [ ! -s "$home/long.out" ] ||
  grep -q "^Mob" "$home/long.out"; } && [ ! -e "$home/Temp.mdb" ]; then pass; else
  echo "FAIL: follow stopped during Get Log exited $frc"; cat "$home/long.out"; failed=$((failed + 1)); fi
# A Get Log of that log takes about as long as the wait: the stored parse is one of the two.
if cmp -s "$home/QornDB.mdb" "$home/before.mdb"; then
  expect 0 "^A bat	100	33.33	3	" -- --home "$home" previous
else
  expect 0 "^a lizard	3597160	" -- --home "$home" previous
fi
# Fights merged by a line whose time is earlier than lines already read: the whole
# overview again under its header, so that the fight that is gone is not counted.
mhome="$home/merge"
mkdir -p "$mhome"
{ hit 00:00 "A gnoll" 100; hit 00:30 "A gnoll" 100; } >"$mhome/log.txt"
: >"$home/follow.out"
"$cli" --home "$mhome" follow "$mhome/log.txt" --name Soandso >>"$home/follow.out" 2>&1 &
fpid=$!
if seen "^A gnoll	100	100	1	12/4/2026 5:00:30 PM"; then
  hit 00:15 "A gnoll" 100 >>"$mhome/log.txt"
  seen "^A gnoll	300	"
fi
kill -TERM "$fpid"
wait "$fpid"
head=$'Mob\tDamage\tDPS\tSeconds\tStart\tEnd'
want="$head"$'\nA gnoll\t100\t100\t1\t12/4/2026 5:00:00 PM\t12/4/2026 5:00:00 PM\nA gnoll\t100\t100\t1\t12/4/2026 5:00:30 PM\t12/4/2026 5:00:30 PM\n'"$head"$'\nA gnoll\t300\t10\t30\t12/4/2026 5:00:00 PM\t12/4/2026 5:00:30 PM'
if [ "$(cat "$home/follow.out")" = "$want" ]; then pass; else
  echo "FAIL: follow of merged fights printed:"; cat "$home/follow.out"; failed=$((failed + 1)); fi
# The timer chosen last holds: previous and getlog without --timer cut with the stored
# fights' timer, and a follow takes a timer that another command cut with.
thome="$home/timer"
mkdir -p "$thome"
count() { "$cli" --home "$thome" "$@" 2>/dev/null | wc -l; }
short=$(count getlog "$sample" --name Qornek)
long=$(count previous --timer 900)
if [ "$long" -lt "$short" ] && [ "$(count previous)" -eq "$long" ] &&
  [ "$(count getlog "$sample" --name Qornek)" -eq "$long" ] &&
  [ "$(count previous --timer 18)" -eq "$short" ] && [ "$(count previous)" -eq "$short" ]; then
  pass; else echo "FAIL: getlog and previous without --timer left the stored timer"
  failed=$((failed + 1)); fi
{ hit 00:00 "A gnoll" 100; hit 01:00 "A gnoll" 100; } >"$thome/log.txt"
: >"$home/follow.out"
"$cli" --home "$thome" follow "$thome/log.txt" --name Soandso --timer 18 >>"$home/follow.out" 2>&1 &
fpid=$!
if seen "^A gnoll	100	100	1	12/4/2026 5:01:00 PM"; then
  "$cli" --home "$thome" previous --timer 900 >/dev/null
  hit 01:30 "A gnoll" 200 >>"$thome/log.txt"
  seen "^A gnoll	400	"
fi
kill -TERM "$fpid"
wait "$fpid"
if "$cli" --home "$thome" previous | grep -q "^A gnoll	400	4.44	90	12/4/2026 5:00:00 PM	12/4/2026 5:01:30 PM$"; then
  pass; else echo "FAIL: follow undid the timer of previous beside it:"
  cat "$home/follow.out"; failed=$((failed + 1)); fi
# Another command storing when a follow's Get Log runs: it says so once and tries again.
# A log deleted or a folder in its place is waited for, said once each; a log that cannot
# be read stops the follow with exit 1.
bhome="$home/beside"
mkdir -p "$bhome"
hit 00:00 "A gnoll" 100 >"$bhome/log.txt"
errseen() { for _ in $(seq 50); do grep -qE -- "$1" "$home/follow.err" && return 0; sleep 0.1; done; return 1; }
flock "$bhome/Temp.mdb" sleep 2.5 &
lpid=$!
sleep 0.3
: >"$home/follow.out"
: >"$home/follow.err"
"$cli" --home "$bhome" follow "$bhome/log.txt" --name Soandso >>"$home/follow.out" 2>"$home/follow.err" &
fpid=$!
if seen "^A gnoll	100	"; then
  rm "$bhome/log.txt"
  errseen "is gone; waiting" && sleep 1.5
  mkdir "$bhome/log.txt"
  errseen "is a folder now; waiting" && sleep 1.5
  rmdir "$bhome/log.txt"
  hit 10:00 "A bat" 70 >"$bhome/log.txt"
  seen "^A bat	70	"
  rm "$bhome/log.txt"
  ln -s "$bhome/log.txt" "$bhome/log.txt"
  errseen "Cannot read the log file"
fi
wait "$lpid"
wait "$fpid"
frc=$?
busy=$(grep -c "Another copy of the program is storing a parse in $bhome right now.*tries again" "$home/follow.err")
gone=$(grep -c "The log $bhome/log.txt is gone; waiting for the game to write it again.$" "$home/follow.err")
folder=$(grep -c "The log $bhome/log.txt is a folder now; waiting for the log to be a file again.$" "$home/follow.err")
if [ "$frc" -eq 1 ] && [ "$busy" -eq 1 ] && [ "$gone" -eq 1 ] && [ "$folder" -eq 1 ] &&
  grep -q "^qorn-cli: Cannot read the log file $bhome/log.txt: " "$home/follow.err" &&
  [ "$(grep -c '^Mob' "$home/follow.out")" -eq 2 ]; then pass; else
  echo "FAIL: follow beside a command storing, of a log gone, a folder, unreadable: exit $frc"
  cat "$home/follow.out" "$home/follow.err"; failed=$((failed + 1)); fi
expect 2 "follow needs --name NAME" -- --home "$home" follow "$flog"
expect 1 "Cannot open the log file" -- --home "$home" follow "$home/missing.txt" --name Soandso
# A 0-byte or damaged database: views, graphs, exports and Get Previous call it damaged,
# fail, and never write it.
for kind in empty pipe; do
  rm -rf "$home/QornDB.mdb"
  if [ "$kind" = empty ]; then : >"$home/QornDB.mdb"; words="the file is empty"; else
    mkfifo "$home/QornDB.mdb"; words="something that is not a file stands in its place"; fi
  expect 1 "is damaged \($words\); Get Log" -- --home "$home" show 1 breakdown
  expect 1 "is damaged \($words\); Get Log" -- --home "$home" show all buffs
  expect 1 "is damaged \($words\); Get Log" -- --home "$home" graph 1 dot
  expect 1 "is damaged \($words\); Get Log" -- --home "$home" export 1 --list overview --csv "$home/x.csv"
  if [ "$kind" = empty ] && [ -s "$home/QornDB.mdb" ]; then
    fail "a view wrote the empty database"; fi
done
rm -rf "$home/QornDB.mdb"
: >"$home/QornDB.mdb"
expect 1 "is damaged.*Use Get Log" -- --home "$home" previous
rm -rf "$home"/QornDB.mdb*

# A failed write of standard output fails the command, with a message on standard error.
if [ -w /dev/full ]; then
  "$cli" --home "$home" getlog "$sample" --name Qornek >/dev/null
  for args in "parse $sample --name Qornek" "--home $home show 4 ticks" "--home $home graph 4 all" \
    "--home $home getlog $sample --name Qornek" "--home $home previous" "--help"; do
    # shellcheck disable=SC2086
    err=$("$cli" $args 2>&1 >/dev/full)
    rc=$?
    if [ "$rc" -ne 1 ] || ! grep -q "^qorn-cli: Cannot write the output" <<<"$err"; then
      fail "qorn-cli $args >/dev/full -> exit $rc: $err"; else
      pass; fi
  done
fi

summary cli
