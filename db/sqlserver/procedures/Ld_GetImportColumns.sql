-- Ld_GetImportColumns @ViewID, @SourceID, @SourceType: the columns a source offers
-- to the view's base, less those already imported from it. Source type 0: a table
-- of LdBaseTables (the columns of its linked base; the table says how its rows meet
-- the base's, or a link between the bases through it does); 1: a custom-property group.
-- Runs in the company database. One result set, whatever the source:
-- ColumnID int, DisplayName, ColumnName, ordered by DisplayName.
CREATE OR ALTER PROCEDURE dbo.Ld_GetImportColumns
    @ViewID int,
    @SourceID int,
    @SourceType int
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @msg nvarchar(2047);
    DECLARE @blanks nvarchar(30) = CONCAT(N' ', NCHAR(9), NCHAR(10), NCHAR(11), NCHAR(12), NCHAR(13), NCHAR(133),
                                          NCHAR(160), NCHAR(5760), NCHAR(8192), NCHAR(8193), NCHAR(8194),
                                          NCHAR(8195), NCHAR(8196), NCHAR(8197), NCHAR(8198), NCHAR(8199),
                                          NCHAR(8200), NCHAR(8201), NCHAR(8202), NCHAR(8232), NCHAR(8233),
                                          NCHAR(8239), NCHAR(8287), NCHAR(12288));
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetImportColumns: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    -- The view's base; the view is checked before the other arguments, as on
    -- the embedded server.
    DECLARE @baseId int;
    DECLARE @base nvarchar(max);
    SELECT @baseId = v.BaseID, @base = TRIM(@blanks FROM b.Base)
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBases b ON b.BaseID = v.BaseID
    WHERE v.ViewID = @ViewID;
    IF @baseId IS NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_GetImportColumns: view ', @ViewID, N' does not exist or has no base.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF @SourceID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetImportColumns: @SourceID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @SourceType IS NULL
    BEGIN
        RAISERROR(N'Ld_GetImportColumns: @SourceType must not be NULL.', 16, 1);
        RETURN;
    END;

    IF @SourceType = 0
    BEGIN
        -- A table of the base: the columns of its linked base.
        DECLARE @linkedBaseId int;
        DECLARE @correlation nvarchar(max);
        SELECT @linkedBaseId = t.LinkedBaseID, @correlation = TRIM(@blanks FROM t.CorrelationSQL)
        FROM dbo.LdBaseTables t
        INNER JOIN dbo.LdBases b ON b.BaseID = t.LinkedBaseID
        WHERE t.TableID = @SourceID AND t.BaseID = @baseId;
        IF @linkedBaseId IS NULL
        BEGIN
            SET @msg = CONCAT(N'Ld_GetImportColumns: table ', @SourceID, N' is not a source of the base of view ',
                              @ViewID, N'.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        -- Without a correlation of its own, the rows meet through the relation
        -- columns of a link between the two bases that goes through the table.
        IF DATALENGTH(COALESCE(@correlation, N'')) = 0
           AND NOT EXISTS (SELECT 1
                           FROM dbo.LdBaseRelationships r
                           INNER JOIN dbo.LdBaseColumns c1 ON c1.ColumnID = r.ColumnID1 AND c1.BaseID = r.BaseID
                           INNER JOIN dbo.LdBaseColumns a1
                               ON a1.ColumnID = r.AssocColumnID1 AND a1.BaseID = r.RelatedBaseID
                           WHERE r.TableID = @SourceID AND r.BaseID = @baseId AND r.RelatedBaseID = @linkedBaseId)
        BEGIN
            SET @msg = CONCAT(N'Ld_GetImportColumns: table ', @SourceID,
                              N' does not say how its rows meet the base''s rows.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        SELECT c.ColumnID AS ColumnID, c.DisplayName AS DisplayName, c.ColumnName AS ColumnName
        FROM dbo.LdBaseColumns c
        WHERE c.BaseID = @linkedBaseId
          AND NOT EXISTS (SELECT 1
                          FROM dbo.LdBaseColumns x
                          WHERE x.BaseID = @baseId AND x.SourceKind = 1 AND x.SourceID = @SourceID
                            AND x.SourceColumnID = c.ColumnID)
        ORDER BY c.DisplayName COLLATE Latin1_General_100_CI_AS, c.ColumnID;
    END
    ELSE IF @SourceType = 1
    BEGIN
        -- A custom-property group of the base (TypeID 2 and the base's name).
        IF NOT EXISTS (SELECT 1
                       FROM dbo.ShTrackingGroups
                       WHERE TrackingGroupID = @SourceID AND TypeID = 2
                         AND TableName COLLATE Latin1_General_100_CI_AS = @base)
        BEGIN
            SET @msg = CONCAT(N'Ld_GetImportColumns: custom property group ', @SourceID,
                              N' does not belong to the base of view ', @ViewID, N'.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        -- The attributes under the names the program reads for either source.
        SELECT a.AttributeID AS ColumnID, a.DisplayName AS DisplayName, a.AttributeName AS ColumnName
        FROM dbo.ShTrackingAttributes a
        WHERE a.TrackingGroupID = @SourceID
          AND NOT EXISTS (SELECT 1
                          FROM dbo.LdBaseColumns x
                          WHERE x.BaseID = @baseId AND x.SourceKind = 2 AND x.SourceColumnID = a.AttributeID)
        ORDER BY a.DisplayName COLLATE Latin1_General_100_CI_AS, a.AttributeID;
    END
    ELSE
    BEGIN
        SET @msg = CONCAT(N'Ld_GetImportColumns: @SourceType must be 0 (linked views) or 1 (custom properties), not ',
                          @SourceType, N'.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
END
