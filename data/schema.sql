-- The parse database. Text columns compare, group and order without regard
-- to case, as the program's SQL expects: "A gnoll" and "a gnoll" are one mob.
--
-- The damage rows are stored once, without their fight and tick numbers: a
-- fight holds runs of one mob's rows between two times (TickRuns), whose
-- ticks follow from the row's time, and the fights give the runs their
-- numbers (Fights). Cutting the fights again with another timer, or after
-- rows were appended, rewrites those two small tables only (a line or two per
-- fight). ParseData puts the rows and their numbers together.
CREATE TABLE DamageRows (
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
  Color INTEGER,
  MobKey INTEGER
);
-- The per-second sums. One row per mob (its texts without regard to case):
-- the key its rows and tick runs carry, and its spellings. SecondChunks holds
-- its rows summed per second, in time order and in pieces, for cutting the
-- fights again without reading the rows; rows appended change only the last
-- pieces.
CREATE TABLE MobSeconds (
  MobKey INTEGER PRIMARY KEY,
  Mob TEXT COLLATE NOCASE UNIQUE,
  Seconds BLOB
);
CREATE TABLE SecondChunks (
  MobKey INTEGER,
  Chunk INTEGER,
  Seconds BLOB,
  PRIMARY KEY (MobKey, Chunk)
);
-- One row per fight: its number, the key of its tick runs, and its overview.
CREATE TABLE Fights (
  EventNum INTEGER PRIMARY KEY,
  FightKey INTEGER UNIQUE,
  Mob TEXT,
  Total INTEGER,
  FirstTime REAL,
  LastTime REAL,
  Signature INTEGER
);
-- The rows of one mob from FromTime to ToTime are in one fight. Their ticks
-- are six-second slots from the second BaseSecond on (whole seconds since 30
-- Dec 1899), the first of them tick TickNum; where BaseSecond is null, every
-- row of the run is in tick TickNum.
CREATE TABLE TickRuns (
  FightKey INTEGER,
  TickNum INTEGER,
  MobKey INTEGER,
  FromTime REAL,
  ToTime REAL,
  BaseSecond INTEGER
);
-- What the stored parse was read from and how far, for reading only what the
-- game appended to the log since.
CREATE TABLE ParseState (
  Name TEXT PRIMARY KEY,
  Value
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
CREATE INDEX DamageRows_MobTime ON DamageRows (MobKey, DTime);
CREATE INDEX TickRuns_Fight ON TickRuns (FightKey, TickNum);
CREATE UNIQUE INDEX TickRuns_MobTime ON TickRuns (MobKey, FromTime);
CREATE INDEX SpellCastResist_Time ON SpellCastResist (DTime);
-- The detail report joins the casts of a fight's window to the spell table by name.
CREATE INDEX SpellDat_Spell ON SpellDat (Spell);
CREATE VIEW ParseData AS
  SELECT r.RecNum AS RecNum, r.DTime AS DTime, r.Who AS Who, r.Mob AS Mob, r.Dmg AS Dmg,
         r.Crit AS Crit, r.DmgSrc AS DmgSrc, r.DmgType AS DmgType, r.Cpower AS Cpower,
         r.Inten AS Inten, r.CoA AS CoA, r.Reserved AS Reserved, f.EventNum AS EventNum,
         -- The six-second slots from the run's base to the row's second
         -- (its time rounded to the nearest second).
         t.TickNum + coalesce(CAST((r.DTime * 86400 - t.BaseSecond + 0.5) / 6 AS INTEGER), 0)
           AS TickNum,
         r.Color AS Color
  FROM Fights f JOIN TickRuns t ON t.FightKey = f.FightKey
  JOIN DamageRows r ON r.MobKey = t.MobKey AND r.DTime BETWEEN t.FromTime AND t.ToTime
    -- The last run of the row's mob that starts by the row's time: a row finds
    -- its run by one lookup where every row is read (the whole log's hits).
    AND t.FromTime = (SELECT max(u.FromTime) FROM TickRuns u
                      WHERE u.MobKey = r.MobKey AND u.FromTime <= r.DTime);
-- Rows by mob, then time; RecNum keeps ties in the order they were parsed.
CREATE VIEW SortMobTime AS SELECT * FROM ParseData ORDER BY Mob, DTime, RecNum;
-- One row per event: its number, total damage, latest and earliest time.
CREATE VIEW DPS AS
  SELECT EventNum, Total AS SumOfDmg, LastTime AS MaxOfDTime, FirstTime AS MinOfDTime
  FROM Fights;
-- Rows stored or edited through ParseData go to DamageRows, as rows of no
-- fight yet (event and tick 0) until the fights are cut.
CREATE TRIGGER ParseData_Insert INSTEAD OF INSERT ON ParseData BEGIN
  INSERT OR IGNORE INTO MobSeconds (Mob) VALUES (NEW.Mob);
  INSERT INTO DamageRows (RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, Inten, CoA,
                          Reserved, Color, MobKey)
    VALUES (NEW.RecNum, NEW.DTime, NEW.Who, NEW.Mob, NEW.Dmg, NEW.Crit, NEW.DmgSrc, NEW.DmgType,
            NEW.Cpower, NEW.Inten, NEW.CoA, NEW.Reserved, NEW.Color,
            (SELECT MobKey FROM MobSeconds WHERE Mob = NEW.Mob));
  INSERT OR IGNORE INTO Fights (EventNum, FightKey, Total) VALUES (0, 0, 0);
  INSERT OR IGNORE INTO TickRuns (FightKey, TickNum, MobKey, FromTime, ToTime, BaseSecond)
    VALUES (0, 0, (SELECT MobKey FROM MobSeconds WHERE Mob = NEW.Mob), NEW.DTime, NEW.DTime, NULL);
END;
-- The event and tick numbers follow from the rows: edits of them are not kept.
CREATE TRIGGER ParseData_Update INSTEAD OF UPDATE ON ParseData BEGIN
  UPDATE DamageRows SET RecNum = NEW.RecNum, DTime = NEW.DTime, Who = NEW.Who, Mob = NEW.Mob,
    Dmg = NEW.Dmg, Crit = NEW.Crit, DmgSrc = NEW.DmgSrc, DmgType = NEW.DmgType,
    Cpower = NEW.Cpower, Inten = NEW.Inten, CoA = NEW.CoA, Reserved = NEW.Reserved,
    Color = NEW.Color
  WHERE RecNum = OLD.RecNum;
END;
CREATE TRIGGER ParseData_Delete INSTEAD OF DELETE ON ParseData BEGIN
  DELETE FROM DamageRows WHERE RecNum = OLD.RecNum;
END;
-- A change to the rows that decide the fights makes the summed seconds and
-- the fights cut from them stale: the next cut reads the rows again. An
-- update through ParseData sets every column: only a value that really
-- changes counts (a colour an export writes is no change of the damage).
CREATE TRIGGER DamageRows_Added AFTER INSERT ON DamageRows BEGIN
  DELETE FROM ParseState WHERE Name IN ('SecondsValid', 'CutTimer');
END;
CREATE TRIGGER DamageRows_Removed AFTER DELETE ON DamageRows BEGIN
  DELETE FROM ParseState WHERE Name IN ('SecondsValid', 'CutTimer');
END;
CREATE TRIGGER DamageRows_Changed AFTER UPDATE OF RecNum, DTime, Mob, Dmg, DmgType, MobKey
  ON DamageRows
  WHEN NEW.RecNum IS NOT OLD.RecNum OR NEW.DTime IS NOT OLD.DTime
    OR NEW.Mob IS NOT OLD.Mob COLLATE BINARY OR NEW.Dmg IS NOT OLD.Dmg
    OR NEW.DmgType IS NOT OLD.DmgType COLLATE BINARY OR NEW.MobKey IS NOT OLD.MobKey BEGIN
  DELETE FROM ParseState WHERE Name IN ('SecondsValid', 'CutTimer');
END;
