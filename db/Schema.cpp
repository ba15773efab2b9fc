#include "db/Schema.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

namespace erpdb {

namespace {

const char* const kSystemSchema = R"SQL(
CREATE TABLE CoCompanies (
    CompanyID   TEXT(15) NOT NULL COLLATE NOCASE PRIMARY KEY,
    CompanyName TEXT     NOT NULL COLLATE NOCASE,
    DBName      TEXT     NOT NULL COLLATE NOCASE
);
CREATE UNIQUE INDEX CoCompanies_DBName ON CoCompanies (DBName);
)SQL";

const char* const kCompanySchema = R"SQL(
-- ---- Logon, security, registry -------------------------------------------
CREATE TABLE CoUsers (
    UserID   TEXT(8) NOT NULL COLLATE NOCASE PRIMARY KEY,
    UserName TEXT    NOT NULL COLLATE NOCASE,
    -- CryptText(1, password, key, True), the key the trimmed UserID upper-cased one
    -- character for one within Windows-1252; compared exactly.
    Password TEXT    NOT NULL DEFAULT ''
);

CREATE TABLE CoUserGroups (
    GroupID TEXT    NOT NULL COLLATE NOCASE,
    UserID  TEXT(8) NOT NULL COLLATE NOCASE,
    PRIMARY KEY (GroupID, UserID)
);

CREATE TABLE CoSecuredObjects (
    SecuredObjectID TEXT(30) NOT NULL COLLATE NOCASE PRIMARY KEY,
    Description     TEXT     NOT NULL
);

-- Rights (View 1, Create 2, Edit 4, Delete 8) of a user (IsGroup 0) or a group
-- (IsGroup 1) on a secured object, for one company or (CompanyID NULL) for all.
CREATE TABLE CoSecuredObjectRights (
    SecuredObjectID TEXT(30) NOT NULL COLLATE NOCASE,
    CompanyID       TEXT(15) NULL COLLATE NOCASE,
    PrincipalID     TEXT     NOT NULL COLLATE NOCASE,
    IsGroup         BIT      NOT NULL DEFAULT 0,
    Rights          INTEGER  NOT NULL DEFAULT 0,
    PRIMARY KEY (SecuredObjectID, CompanyID, PrincipalID, IsGroup)
);

CREATE TABLE CoRegKeys (
    KeyID    INTEGER NOT NULL PRIMARY KEY,
    ParentID INTEGER NULL,           -- NULL: a top-level key
    Name     TEXT    NOT NULL COLLATE NOCASE
);
CREATE UNIQUE INDEX CoRegKeys_ParentName ON CoRegKeys (IFNULL(ParentID, 0), Name);

CREATE TABLE CoRegValues (
    KeyID INTEGER   NOT NULL,
    Name  TEXT(50)  NOT NULL COLLATE NOCASE,
    Type  TEXT(2)   NOT NULL,        -- 'S' text, 'I4' 32-bit integer, 'F8' double
    Value TEXT(255) NOT NULL,
    PRIMARY KEY (KeyID, Name)
);

CREATE TABLE GLBranches (
    BranchID   INTEGER NOT NULL PRIMARY KEY,
    BranchName TEXT    NOT NULL COLLATE NOCASE
);

-- Custom properties: groups (TypeID 2) of attributes attached to rows of a base.
CREATE TABLE ShTrackingGroups (
    TrackingGroupID INTEGER PRIMARY KEY AUTOINCREMENT,
    TableName       TEXT    NOT NULL COLLATE NOCASE,
    TypeID          INTEGER NOT NULL,
    DisplayName     TEXT    NOT NULL COLLATE NOCASE
);
CREATE INDEX ShTrackingGroups_TypeID ON ShTrackingGroups (TypeID);

CREATE TABLE ShTrackingAttributes (
    AttributeID     INTEGER PRIMARY KEY AUTOINCREMENT,
    TrackingGroupID INTEGER NOT NULL,
    AttributeName   TEXT    NOT NULL COLLATE NOCASE,
    DisplayName     TEXT    NOT NULL COLLATE NOCASE,
    DataType        TEXT    NOT NULL DEFAULT 'varchar' COLLATE NOCASE
);
CREATE INDEX ShTrackingAttributes_Group ON ShTrackingAttributes (TrackingGroupID);

CREATE TABLE ShTrackingValues (
    AttributeID INTEGER NOT NULL,
    RecordID    INTEGER NOT NULL,        -- the key of the base's row
    Value       TEXT    NULL COLLATE NOCASE,
    PRIMARY KEY (AttributeID, RecordID)
);

-- ---- What views are built on ----------------------------------------------
CREATE TABLE LdBases (
    BaseID      INTEGER NOT NULL PRIMARY KEY CHECK (BaseID BETWEEN -2147483648 AND 2147483647),
    Base        TEXT    NOT NULL COLLATE NOCASE,
    DisplayName TEXT    NOT NULL COLLATE NOCASE,
    KeySQL      TEXT    NOT NULL,        -- the row id expression (no comma in it)
    FromSQL     TEXT    NOT NULL,        -- tables and joins, without FROM and WHERE
    FromExSQL   TEXT    NULL             -- joins only filter columns need
);

CREATE TABLE LdBaseColumns (
    ColumnID        INTEGER PRIMARY KEY AUTOINCREMENT,
    BaseID          INTEGER  NOT NULL,
    ColumnName      TEXT(64) NOT NULL COLLATE NOCASE,
    DisplayName     TEXT(64) NOT NULL COLLATE NOCASE,
    ColumnSQL       TEXT     NOT NULL,
    DataType        TEXT     NOT NULL COLLATE NOCASE,
    Type            SMALLINT NOT NULL CHECK (Type BETWEEN -32768 AND 32767),
    Required        BIT      NOT NULL DEFAULT 0,
    AllowFunctions  BIT      NOT NULL DEFAULT 0,
    FilterDataType  TEXT     NOT NULL COLLATE NOCASE,
    UseExtendedFrom BIT      NOT NULL DEFAULT 0,
    Imported        BIT      NOT NULL DEFAULT 0,
    SourceKind      INTEGER  NULL,       -- imported from: 1 a linked view's table, 2 a custom property
    SourceID        INTEGER  NULL,
    SourceColumnID  INTEGER  NULL
);
CREATE UNIQUE INDEX LdBaseColumns_ColumnName ON LdBaseColumns (BaseID, ColumnName);
CREATE UNIQUE INDEX LdBaseColumns_DisplayName ON LdBaseColumns (BaseID, DisplayName);

-- Sources of imported columns: a base whose views may take columns of a linked base.
CREATE TABLE LdBaseTables (
    TableID        INTEGER NOT NULL PRIMARY KEY,
    DisplayName    TEXT    NOT NULL COLLATE NOCASE,
    BaseID         INTEGER NULL,         -- the importing base
    LinkedBaseID   INTEGER NULL,         -- the base whose columns are offered
    CorrelationSQL TEXT    NULL          -- ties a row of the linked base to the current row
);

CREATE TABLE LdBaseSecurity (
    BaseID          INTEGER  NOT NULL,
    SecuredObjectID TEXT(30) NOT NULL COLLATE NOCASE,
    PRIMARY KEY (BaseID, SecuredObjectID)
);

CREATE TABLE LdBaseRelationships (
    BaseRelationshipID  INTEGER NOT NULL PRIMARY KEY,
    BaseID              INTEGER NOT NULL,    -- the source base
    RelatedBaseID       INTEGER NOT NULL,    -- the base of the linked views
    ColumnID1           INTEGER NOT NULL,
    AssocColumnID1      INTEGER NOT NULL,
    ColumnID2           INTEGER NULL,
    AssocColumnID2      INTEGER NULL,
    Column1Filter       TEXT    NULL,
    Column1FilterTypeID SMALLINT NULL CHECK (Column1FilterTypeID BETWEEN -32768 AND 32767),
    Column2Filter       TEXT    NULL,
    Column2FilterTypeID SMALLINT NULL CHECK (Column2FilterTypeID BETWEEN -32768 AND 32767),
    MiscFilter          TEXT    NULL,
    MiscFilterTypeID    SMALLINT NULL CHECK (MiscFilterTypeID BETWEEN -32768 AND 32767),
    MiscFilter2         TEXT    NULL,
    MiscFilter2TypeID   SMALLINT NULL CHECK (MiscFilter2TypeID BETWEEN -32768 AND 32767),
    TableID             INTEGER NULL         -- the LdBaseTables entry for importing through it
);
CREATE INDEX LdBaseRelationships_BaseID ON LdBaseRelationships (BaseID);
CREATE INDEX LdBaseRelationships_RelatedBaseID ON LdBaseRelationships (RelatedBaseID);

CREATE TABLE LdColumnFunctions (
    ColumnFunctionID INTEGER NOT NULL PRIMARY KEY,
    ColumnFunction   TEXT    NOT NULL COLLATE NOCASE UNIQUE CHECK (instr(ColumnFunction, '''') = 0),
    FunctionTemplate TEXT    NOT NULL,       -- %COL% stands for the column's SQL
    ResultDataType   TEXT    NULL,           -- NULL: the column's own data type
    DisplayTemplate  TEXT    NOT NULL        -- %NAME% stands for the column's display name
);

CREATE TABLE LdSQLViewApplications (
    SQLViewApplicationID INTEGER NOT NULL PRIMARY KEY,
    ApplicationName      TEXT    NOT NULL COLLATE NOCASE
);

-- ---- Views (list definitions) ---------------------------------------------
CREATE TABLE LdViews (
    ViewID               INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewName             TEXT(50)  NOT NULL COLLATE NOCASE,
    DisplayName          TEXT(128) NOT NULL COLLATE NOCASE,
    Description          TEXT(128) NOT NULL DEFAULT '' COLLATE NOCASE,
    BaseID               INTEGER   NOT NULL CHECK (BaseID BETWEEN -2147483648 AND 2147483647),
    Custom               BIT       NOT NULL DEFAULT 0,
    Shared               BIT       NOT NULL DEFAULT 0,
    SQLViewApplicationID INTEGER   NULL,
    CreateSQLView        BIT       NOT NULL DEFAULT 0,
    CreatorID            TEXT(8)   NULL COLLATE NOCASE,   -- NULL for the system's views
    UpdatorID            TEXT(8)   NULL COLLATE NOCASE,
    CreateDate           DATETIME  NULL,
    LastUpdate           DATETIME  NULL,
    LastUsedFilter       INTEGER   NULL,
    BaseViewID           INTEGER   NULL,
    -- The runnable pieces, built by the database (Ld_UpdateSQLStmts).
    SQLSelect            TEXT      NULL,
    SQLFrom              TEXT      NULL,
    SQLFromEx            TEXT      NULL,
    ColumnString         TEXT      NULL,
    SQLViewName          TEXT      NULL COLLATE NOCASE
);
CREATE INDEX LdViews_BaseID ON LdViews (BaseID);

-- A column stored twice for a view gets two rows, as the program expects; readers
-- take the lowest ViewColumnID.
CREATE TABLE LdViewColumns (
    ViewColumnID INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewID       INTEGER  NOT NULL,
    BaseColumnID INTEGER  NOT NULL,
    ColumnOrder  SMALLINT NOT NULL DEFAULT 0 CHECK (ColumnOrder BETWEEN -32768 AND 32767),
    FilterOrder  SMALLINT NOT NULL DEFAULT 0 CHECK (FilterOrder BETWEEN -32768 AND 32767),
    Filterable   BIT      NOT NULL DEFAULT 0,
    Viewable     BIT      NOT NULL DEFAULT 0
);
CREATE INDEX LdViewColumns_ViewID ON LdViewColumns (ViewID, BaseColumnID);
CREATE INDEX LdViewColumns_BaseColumnID ON LdViewColumns (BaseColumnID);

CREATE TABLE LdViewColumnFunctions (
    ViewColumnFunctionID INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewID               INTEGER  NOT NULL,
    BaseColumnID         INTEGER  NOT NULL,
    ColumnFunctionID     INTEGER  NOT NULL,
    FunctionOrder        SMALLINT NOT NULL DEFAULT 0 CHECK (FunctionOrder BETWEEN -32768 AND 32767)
);
CREATE INDEX LdViewColumnFunctions_ViewID ON LdViewColumnFunctions (ViewID);

CREATE TABLE LdViewRelationships (
    ViewRelationshipID INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewID             INTEGER NOT NULL,     -- the source view
    BaseRelationshipID INTEGER NOT NULL,
    LinkViewID         INTEGER NOT NULL,     -- the linked view
    UseMe              BIT     NOT NULL DEFAULT 0
);
CREATE INDEX LdViewRelationships_ViewID ON LdViewRelationships (ViewID);
CREATE INDEX LdViewRelationships_LinkViewID ON LdViewRelationships (LinkViewID);

-- Saved searches. FilterString begins with WHERE and holds column tokens {Name};
-- a complex search is free SQL.
CREATE TABLE LdViewFilters (
    ViewFilterID INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewID       INTEGER  NOT NULL,
    FilterName   TEXT(50) NOT NULL COLLATE NOCASE,
    FilterString TEXT     NOT NULL,
    Shared       BIT      NOT NULL DEFAULT 0,
    Complex      BIT      NOT NULL DEFAULT 0,
    CreatorID    TEXT(8)  NOT NULL COLLATE NOCASE,
    UpdatorID    TEXT(8)  NULL COLLATE NOCASE,
    CreateDate   DATETIME NULL,
    LastUpdate   DATETIME NULL,
    UseMe        BIT      NOT NULL DEFAULT 1
);
CREATE INDEX LdViewFilters_ViewID ON LdViewFilters (ViewID);

CREATE TABLE LdViewFilterColumns (
    ViewFilterID INTEGER NOT NULL,
    BaseColumnID INTEGER NOT NULL,
    PRIMARY KEY (ViewFilterID, BaseColumnID)
);
CREATE INDEX LdViewFilterColumns_BaseColumnID ON LdViewFilterColumns (BaseColumnID);

-- ---- Per-user settings ----------------------------------------------------
CREATE TABLE LdMyViews (
    MyViewID     INTEGER PRIMARY KEY AUTOINCREMENT,
    ViewID       INTEGER NOT NULL,
    UserID       TEXT(8) NOT NULL COLLATE NOCASE,
    IsMyView     BIT     NOT NULL DEFAULT 0,
    AutoPopulate BIT     NOT NULL DEFAULT 0
);
CREATE INDEX LdMyViews_ViewID ON LdMyViews (ViewID);

CREATE TABLE LdMaster (
    MasterID    INTEGER NOT NULL PRIMARY KEY,
    MasterName  TEXT    NOT NULL COLLATE NOCASE UNIQUE,
    MasterValue TEXT    NOT NULL
);

CREATE TABLE LdMasterUsers (
    MasterID    INTEGER NOT NULL,
    MasterUser  TEXT(8) NOT NULL COLLATE NOCASE,
    MasterValue TEXT    NOT NULL,
    PRIMARY KEY (MasterID, MasterUser)
);

CREATE TABLE ListDialogTypes (
    DialogType   TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    SQLSelect    TEXT NULL,
    SQLFrom      TEXT NULL,
    SQLFromEx    TEXT NOT NULL DEFAULT '',
    ColumnString TEXT NOT NULL,
    IsProcType   BIT  NOT NULL DEFAULT 0
);

-- ---- The catalogues: FROM clauses of the views LdViews and LdMyViews -------
-- They expose v_Shared, v_CreatorID, ViewUser and IsMyView unqualified, for the
-- restrictions the list window adds.
CREATE VIEW LdCatalogViews AS
SELECT v.ViewID AS v_ViewID, v.ViewName AS v_ViewName, v.DisplayName AS v_DisplayName,
       v.Description AS v_Description, v.BaseID AS v_BaseID, b.DisplayName AS v_BaseName,
       v.Custom AS v_Custom, v.Shared AS v_Shared, v.CreatorID AS v_CreatorID,
       v.CreateDate AS v_CreateDate, v.LastUpdate AS v_LastUpdate
FROM LdViews v INNER JOIN LdBases b ON b.BaseID = v.BaseID
WHERE v.ViewName NOT IN ('LdViews', 'LdMyViews');

CREATE VIEW LdCatalogMyViews AS
SELECT c.*, mv.UserID AS ViewUser, mv.IsMyView AS IsMyView, mv.AutoPopulate AS v_AutoPopulate
FROM LdCatalogViews c INNER JOIN LdMyViews mv ON mv.ViewID = c.v_ViewID;

-- ---- Lookup sources: ID, DisplayText and the columns their filters name -----
CREATE VIEW Ld_Views AS
SELECT ViewID AS ID, DisplayName AS DisplayText, ViewName FROM LdViews;

CREATE VIEW Ld_SQLViewApplications AS
SELECT SQLViewApplicationID AS ID, ApplicationName AS DisplayText FROM LdSQLViewApplications;

-- One entry per link (two links through the same table are two entries), with the
-- table the link's columns come from.
CREATE VIEW Ld_LinkedViews AS
SELECT vr.ViewRelationshipID AS ID, lv.DisplayName AS DisplayText, v.ViewID AS ViewID, lv.ViewID AS FKViewID,
       t.TableID AS TableID
FROM LdViews v
INNER JOIN LdViewRelationships vr ON vr.ViewID = v.ViewID AND vr.UseMe = 1
INNER JOIN LdBaseRelationships br ON br.BaseRelationshipID = vr.BaseRelationshipID
INNER JOIN LdBaseTables t ON t.TableID = br.TableID
INNER JOIN LdViews lv ON lv.ViewID = vr.LinkViewID;

CREATE VIEW LdLinkedCustomPropAttr AS
SELECT TrackingGroupID AS ID, DisplayName AS DisplayText, TableName
FROM ShTrackingGroups WHERE TypeID = 2;
)SQL";

// The bit columns of each table, kept to 0 and 1 by the triggers below.
const std::vector<std::pair<const char*, std::vector<const char*>>>& BitColumns()
{
    static const std::vector<std::pair<const char*, std::vector<const char*>>> columns = {
        {"CoSecuredObjectRights", {"IsGroup"}},
        {"LdBaseColumns", {"Required", "AllowFunctions", "UseExtendedFrom", "Imported"}},
        {"LdViews", {"Custom", "Shared", "CreateSQLView"}},
        {"LdViewColumns", {"Filterable", "Viewable"}},
        {"LdViewRelationships", {"UseMe"}},
        {"LdViewFilters", {"Shared", "Complex", "UseMe"}},
        {"LdMyViews", {"IsMyView", "AutoPopulate"}},
        {"ListDialogTypes", {"IsProcType"}},
    };
    return columns;
}

// AFTER INSERT and AFTER UPDATE triggers that store (value <> 0) in each bit column
// that received anything but 0 or 1. They change no row count and no insert id.
QString BitTriggersSql()
{
    QString sql;
    for (const auto& [table, columns] : BitColumns()) {
        QStringList when;
        QStringList set;
        QStringList names;
        for (const char* c : columns) {
            const QString col = QLatin1String(c);
            when << QStringLiteral("NEW.%1 NOT IN (0, 1)").arg(col);
            set << QStringLiteral("%1 = (%1 <> 0)").arg(col);
            names << col;
        }
        const QString t = QLatin1String(table);
        const QString body = QStringLiteral("WHEN %1\nBEGIN\n    UPDATE %2 SET %3 WHERE rowid = NEW.rowid;\nEND;\n")
                                 .arg(when.join(QStringLiteral(" OR ")), t, set.join(QStringLiteral(", ")));
        sql += QStringLiteral("CREATE TRIGGER %1_bits_insert AFTER INSERT ON %1\n").arg(t) + body;
        sql += QStringLiteral("CREATE TRIGGER %1_bits_update AFTER UPDATE OF %2 ON %1\n")
                   .arg(t, names.join(QStringLiteral(", "))) +
               body;
    }
    return sql;
}

[[noreturn]] void Fail(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message, QStringLiteral("erpdb"));
}

void CreateSchema(sqlite3* db, const QString& schema, const QString& what)
{
    ExecScript(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        ExecScript(db, schema);
        ExecScript(db, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        ExecScript(db, QStringLiteral("COMMIT"));
    } catch (const AppError& e) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        Fail(QStringLiteral("The %1 schema could not be created: %2").arg(what, e.description()));
    }
}

}  // namespace

QString SystemSchemaSql()
{
    return QString::fromUtf8(kSystemSchema);
}

QString CompanySchemaSql()
{
    return QString::fromUtf8(kCompanySchema) + BitTriggersSql();
}

void ExecScript(sqlite3* db, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = utf8.constData();
    while (tail && *tail) {
        sqlite3_stmt* stmt = nullptr;
        const char* start = tail;
        int rc = sqlite3_prepare_v2(db, tail, -1, &stmt, &tail);
        if (rc != SQLITE_OK)
            Fail(QStringLiteral("%1 (in: %2)")
                     .arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(start).trimmed().left(120)));
        if (!stmt)
            continue;  // only blanks or comments were left
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(stmt);
            Fail(QStringLiteral("%1 (in: %2)").arg(message, QString::fromUtf8(start).trimmed().left(120)));
        }
        sqlite3_finalize(stmt);
    }
}

void CreateSystemDatabase(sqlite3* db)
{
    CreateSchema(db, SystemSchemaSql(), QStringLiteral("system database"));
}

void CreateCompanyDatabase(sqlite3* db)
{
    CreateSchema(db, CompanySchemaSql(), QStringLiteral("company database"));
}

}  // namespace erpdb
