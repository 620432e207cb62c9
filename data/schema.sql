-- Tables and views of the survey database. The record tables dt_data and
-- dt_data_dt_data and the record views are made from fieldlist.csv by
-- tools/mkdatafile, so their columns always match the field metadata.

-- Field metadata: one row per survey field, read in the order of "sequence".
CREATE TABLE DT_FieldList (
    ID          INTEGER PRIMARY KEY,
    FieldName   TEXT NOT NULL UNIQUE COLLATE NOCASE,
    ShowName    TEXT NOT NULL,
    Hint        TEXT NOT NULL,
    FieldWidth  INTEGER NOT NULL DEFAULT 80,
    FieldType   TEXT,
    Visible     BOOLEAN NOT NULL DEFAULT 0,
    QueryShow   BOOLEAN NOT NULL DEFAULT 1,
    QueryType   INTEGER NOT NULL DEFAULT 0,
    PageID      INTEGER NOT NULL,
    sequence    INTEGER NOT NULL,
    printPageID INTEGER,
    printplace  TEXT,
    Rule        TEXT
);
CREATE INDEX sequence ON DT_FieldList(sequence);

-- Logic rules: "expression" is true when a record breaks the rule.
CREATE TABLE dt_logic (
    ID         INTEGER PRIMARY KEY,
    page_id    INTEGER NOT NULL,
    expression TEXT NOT NULL,
    rule       TEXT NOT NULL,
    explain    TEXT NOT NULL,
    focus      TEXT NOT NULL
);
CREATE INDEX dt_logic_page ON dt_logic(page_id, ID);

-- The label of this database file.
CREATE TABLE ct_label (
    db_name TEXT
);

-- Code tables. Row 0 of the level and state tables is never offered.
CREATE TABLE CT_LevelCode (
    ID       INTEGER PRIMARY KEY,
    Name     TEXT NOT NULL,
    Sequence INTEGER NOT NULL
);

CREATE TABLE CT_state (
    ID       INTEGER PRIMARY KEY,
    Name     TEXT NOT NULL,
    Sequence INTEGER NOT NULL
);

CREATE TABLE CT_CityName (
    ID       INTEGER PRIMARY KEY,
    Code1    INTEGER NOT NULL,
    Code2    INTEGER NOT NULL,
    Code3    INTEGER NOT NULL,
    Name     TEXT NOT NULL,
    CombName TEXT NOT NULL
);

CREATE TABLE ct_sheetName (
    CodeID   INTEGER PRIMARY KEY,
    CodeName TEXT NOT NULL
);

-- Custom groupings of unit codes.
CREATE TABLE CT_Group (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    Name        TEXT,
    orderstr    TEXT,
    GroupList   BOOLEAN NOT NULL DEFAULT 0,
    AutoLowest  BOOLEAN NOT NULL DEFAULT 0,
    AutoHighest BOOLEAN NOT NULL DEFAULT 0
);

-- Boundaries are NUMERIC so that whole 12-digit codes stay whole numbers.
CREATE TABLE DT_GroupItem (
    id           INTEGER PRIMARY KEY AUTOINCREMENT,
    GroupID      INTEGER NOT NULL,
    Title        TEXT,
    LowBoundary  NUMERIC,
    HighBoundary NUMERIC,
    LowSymbol    TEXT,
    HighSymbol   TEXT
);
CREATE INDEX DT_GroupItem_group ON DT_GroupItem(GroupID);

-- Field metadata with the sheet name; the visibility is written through it.
CREATE VIEW view_FieldList AS
    SELECT f.ID AS id, f.FieldName, f.Hint, f.PageID, f.sequence, f.Visible AS visible, s.CodeName AS SheetName
    FROM DT_FieldList f LEFT JOIN ct_sheetName s ON s.CodeID = f.PageID;

CREATE TRIGGER view_FieldList_update INSTEAD OF UPDATE ON view_FieldList
BEGIN
    UPDATE DT_FieldList SET Visible = NEW.visible WHERE ID = OLD.id;
END;

-- The indicators that can be searched, per sheet.
CREATE VIEW view_datasearch AS
    SELECT PageID, sequence, FieldName AS codename
    FROM DT_FieldList
    WHERE PageID >= 1;

-- Groups with their comparisons written out; groups are added, changed and
-- deleted through this view.
CREATE VIEW view_group_item AS
    SELECT id, GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol,
           LowSymbol || LowBoundary AS LowValue, HighSymbol || HighBoundary AS HighValue
    FROM DT_GroupItem;

CREATE TRIGGER view_group_item_insert INSTEAD OF INSERT ON view_group_item
BEGIN
    INSERT INTO DT_GroupItem(id, GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol)
    VALUES (NEW.id, NEW.GroupID, NEW.Title, NEW.LowBoundary, NEW.HighBoundary, NEW.LowSymbol, NEW.HighSymbol);
END;

CREATE TRIGGER view_group_item_update INSTEAD OF UPDATE ON view_group_item
BEGIN
    UPDATE DT_GroupItem
    SET GroupID = NEW.GroupID, Title = NEW.Title, LowBoundary = NEW.LowBoundary, HighBoundary = NEW.HighBoundary,
        LowSymbol = NEW.LowSymbol, HighSymbol = NEW.HighSymbol
    WHERE id = OLD.id;
END;

CREATE TRIGGER view_group_item_delete INSTEAD OF DELETE ON view_group_item
BEGIN
    DELETE FROM DT_GroupItem WHERE id = OLD.id;
END;

INSERT INTO ct_label(db_name) VALUES ('默认数据库');
