-- The parse database. Text columns compare, group and order without regard
-- to case, as the program's SQL expects: "A gnoll" and "a gnoll" are one mob.
CREATE TABLE ParseData (
  RecNum INTEGER PRIMARY KEY,
  DTime REAL,
  Who TEXT COLLATE NOCASE,
  Mob TEXT COLLATE NOCASE,
  Dmg INTEGER,
  Crit INTEGER,
  DmgSrc TEXT COLLATE NOCASE,
  DmgType TEXT COLLATE NOCASE,
  Cpower INTEGER,
  Inten INTEGER,
  CoA INTEGER,
  Reserved INTEGER,
  EventNum INTEGER,
  TickNum INTEGER,
  Color INTEGER
);
CREATE TABLE SpellCastResist (
  RecNum INTEGER PRIMARY KEY,
  DTime REAL,
  CorR INTEGER,
  Spell TEXT COLLATE NOCASE
);
CREATE TABLE SpellDat (
  Spell TEXT COLLATE NOCASE,
  Dmg INTEGER,
  Mana INTEGER
);
CREATE INDEX ParseData_Event ON ParseData (EventNum, TickNum);
CREATE INDEX SpellCastResist_Time ON SpellCastResist (DTime);
-- The detail report joins the casts of a fight's window to the spell table by name.
CREATE INDEX SpellDat_Spell ON SpellDat (Spell);
-- Rows by mob, then time; RecNum keeps ties in the order they were parsed.
CREATE VIEW SortMobTime AS SELECT * FROM ParseData ORDER BY Mob, DTime, RecNum;
-- One row per event: its number, total damage, latest and earliest time.
CREATE VIEW DPS AS
  SELECT EventNum, Sum(Dmg) AS SumOfDmg, Max(DTime) AS MaxOfDTime, Min(DTime) AS MinOfDTime
  FROM ParseData GROUP BY EventNum;
