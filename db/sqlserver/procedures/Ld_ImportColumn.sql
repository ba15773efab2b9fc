-- Ld_ImportColumn @ViewID, @TableID, @ColumnName, @DisplayName, @ColumnID: a column
-- of the table's linked base becomes a column of the view's base. Runs in the
-- company database. Its SQL is a correlated subquery on the linked base, so every
-- statement built from the base's pieces reads it without a change to the base's
-- FROM clause. Stored only after its SQL proved to compile over the base. A table
-- without a correlation of its own ties the rows through the relation columns of
-- the first link between the bases that goes through it; when that leads to many
-- rows, the column takes the first of them by the linked base's row id.
CREATE OR ALTER PROCEDURE dbo.Ld_ImportColumn
    @ViewID int,
    @TableID int,
    @ColumnName nvarchar(max),
    @DisplayName nvarchar(max),
    @ColumnID int
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
        RAISERROR(N'Ld_ImportColumn: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    -- The importing view's base, checked before the other arguments.
    DECLARE @baseId int;
    DECLARE @fromSql nvarchar(max);
    SELECT @baseId = v.BaseID, @fromSql = TRIM(@blanks FROM b.FromSQL)
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBases b ON b.BaseID = v.BaseID
    WHERE v.ViewID = @ViewID;
    IF @baseId IS NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: view ', @ViewID, N' does not exist or has no base.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF @TableID IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportColumn: @TableID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @ColumnName IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportColumn: @ColumnName must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @DisplayName IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportColumn: @DisplayName must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @ColumnID IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportColumn: @ColumnID must not be NULL.', 16, 1);
        RETURN;
    END;

    -- The table: a source of this base, with the condition that ties its rows to the base's.
    DECLARE @linkedBaseId int;
    DECLARE @linkedFrom nvarchar(max);
    DECLARE @linkedFromEx nvarchar(max);
    DECLARE @linkedKey nvarchar(max);
    DECLARE @correlation nvarchar(max);
    SELECT @linkedBaseId = t.LinkedBaseID, @linkedFrom = TRIM(@blanks FROM b.FromSQL),
           @linkedFromEx = TRIM(@blanks FROM COALESCE(b.FromExSQL, N'')), @linkedKey = TRIM(@blanks FROM b.KeySQL),
           @correlation = TRIM(@blanks FROM COALESCE(t.CorrelationSQL, N''))
    FROM dbo.LdBaseTables t
    INNER JOIN dbo.LdBases b ON b.BaseID = t.LinkedBaseID
    WHERE t.TableID = @TableID AND t.BaseID = @baseId;
    IF @linkedBaseId IS NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: table ', @TableID, N' is not a source of the base of view ', @ViewID, N'.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    -- The relation columns, when the table has no correlation: the linked base's
    -- and this base's, a second pair only when both of its columns are there.
    DECLARE @relation1 nvarchar(max);
    DECLARE @column1 nvarchar(max);
    DECLARE @relation2 nvarchar(max);
    DECLARE @column2 nvarchar(max);
    DECLARE @relationExtended bit = 0;
    IF DATALENGTH(@correlation) = 0
    BEGIN
        SELECT TOP (1) @column1 = TRIM(@blanks FROM c1.ColumnSQL), @relation1 = TRIM(@blanks FROM a1.ColumnSQL),
               @column2 = TRIM(@blanks FROM c2.ColumnSQL), @relation2 = TRIM(@blanks FROM a2.ColumnSQL),
               @relationExtended = CASE WHEN a1.UseExtendedFrom = 1
                                             OR (c2.ColumnID IS NOT NULL AND a2.UseExtendedFrom = 1)
                                        THEN 1 ELSE 0 END
        FROM dbo.LdBaseRelationships r
        INNER JOIN dbo.LdBaseColumns c1 ON c1.ColumnID = r.ColumnID1 AND c1.BaseID = r.BaseID
        INNER JOIN dbo.LdBaseColumns a1 ON a1.ColumnID = r.AssocColumnID1 AND a1.BaseID = r.RelatedBaseID
        LEFT JOIN dbo.LdBaseColumns c2 ON c2.ColumnID = r.ColumnID2 AND c2.BaseID = r.BaseID
        LEFT JOIN dbo.LdBaseColumns a2 ON a2.ColumnID = r.AssocColumnID2 AND a2.BaseID = r.RelatedBaseID
        WHERE r.TableID = @TableID AND r.BaseID = @baseId AND r.RelatedBaseID = @linkedBaseId
        ORDER BY r.BaseRelationshipID;
        IF @column2 IS NULL OR @relation2 IS NULL
        BEGIN
            SET @column2 = NULL;
            SET @relation2 = NULL;
        END;
    END;
    IF DATALENGTH(@correlation) = 0 AND @relation1 IS NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: table ', @TableID, N' does not say how its rows meet the base''s rows.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;

    -- The source column and what the new column inherits from it.
    DECLARE @found bit = 0;
    DECLARE @sourceSql nvarchar(max);
    DECLARE @dataType nvarchar(max);
    DECLARE @type smallint;
    DECLARE @allowFunctions bit;
    DECLARE @filterDataType nvarchar(max);
    DECLARE @useExtendedFrom bit;
    SELECT @found = 1, @sourceSql = TRIM(@blanks FROM ColumnSQL), @dataType = DataType, @type = [Type],
           @allowFunctions = AllowFunctions, @filterDataType = FilterDataType, @useExtendedFrom = UseExtendedFrom
    FROM dbo.LdBaseColumns
    WHERE ColumnID = @ColumnID AND BaseID = @linkedBaseId;
    IF @found = 0
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: column ', @ColumnID, N' is not a column of the linked base of table ',
                          @TableID, N'.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    -- The linked base's extended joins only when the source column needs them.
    DECLARE @columnSql nvarchar(max);
    IF DATALENGTH(@correlation) > 0
        SET @columnSql = CONCAT(N'(SELECT ', @sourceSql, N' FROM ', @linkedFrom,
                                CASE WHEN @useExtendedFrom = 1 AND DATALENGTH(@linkedFromEx) > 0
                                     THEN N' ' + @linkedFromEx ELSE N'' END,
                                N' WHERE ', @correlation, N')');
    ELSE
    BEGIN
        -- The linked base's FROM clause in derived tables of its own, whose aliases
        -- may be this base's too; the first linked row by its row id.
        DECLARE @from nvarchar(max) = CONCAT(@linkedFrom,
                                             CASE WHEN (@useExtendedFrom = 1 OR @relationExtended = 1)
                                                       AND DATALENGTH(@linkedFromEx) > 0
                                                  THEN N' ' + @linkedFromEx ELSE N'' END);
        SET @columnSql = CONCAT(N'(SELECT ld_link.v FROM (SELECT ', @sourceSql, N' AS v, ', @linkedKey, N' AS k FROM ',
                                @from, N') ld_link WHERE ld_link.k = (SELECT MIN(ld_first.k) FROM (SELECT ',
                                @linkedKey, N' AS k, ', @relation1, N' AS k1',
                                CASE WHEN @relation2 IS NULL THEN N'' ELSE N', ' + @relation2 + N' AS k2' END,
                                N' FROM ', @from, N') ld_first WHERE ld_first.k1 = ', @column1,
                                CASE WHEN @column2 IS NULL THEN N'' ELSE N' AND ld_first.k2 = ' + @column2 END,
                                N'))');
    END;

    -- The names as the columns of a base need them: present, an identifier for the
    -- SQL view, no comma in the caption (the list's column string is
    -- comma-separated), and neither used by another column of the base.
    SET @ColumnName = TRIM(@blanks FROM @ColumnName);
    SET @DisplayName = TRIM(@blanks FROM @DisplayName);
    IF DATALENGTH(@ColumnName) = 0 OR DATALENGTH(@DisplayName) = 0
    BEGIN
        RAISERROR(N'Ld_ImportColumn: the column needs a name and an SQL name.', 16, 1);
        RETURN;
    END;
    IF LEN(@ColumnName) > 64 OR LEN(@DisplayName) > 64
    BEGIN
        RAISERROR(N'Ld_ImportColumn: a column name may have at most 64 characters.', 16, 1);
        RETURN;
    END;
    IF LEFT(@ColumnName, 1) COLLATE Latin1_General_100_BIN2 LIKE N'[0-9]'
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the SQL name ''', @ColumnName, N''' must not begin with a digit.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    -- Letters are the ASCII ones and the cased letters of other scripts (their
    -- upper and lower case differ); T-SQL has no Unicode letter class.
    DECLARE @i int = 1;
    DECLARE @ch nchar(1);
    WHILE @i <= LEN(@ColumnName)
    BEGIN
        SET @ch = SUBSTRING(@ColumnName, @i, 1);
        IF NOT (@ch COLLATE Latin1_General_100_BIN2 LIKE N'[A-Za-z0-9_]'
                OR (UNICODE(@ch) > 127 AND UPPER(@ch) COLLATE Latin1_General_100_BIN2 <> LOWER(@ch)))
        BEGIN
            SET @msg = CONCAT(N'Ld_ImportColumn: the SQL name ''', @ColumnName,
                              N''' may hold only letters, digits and ''_''.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        SET @i += 1;
    END;
    -- The SQL view has its row id as [ID].
    IF @ColumnName COLLATE Latin1_General_100_CI_AS = N'ID'
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the SQL name ''', @ColumnName, N''' is the SQL view''s row id.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF CHARINDEX(N',', @DisplayName) > 0
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the name ''', @DisplayName, N''' must not contain a comma.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF EXISTS (SELECT 1 FROM dbo.LdBaseColumns
               WHERE BaseID = @baseId AND ColumnName COLLATE Latin1_General_100_CI_AS = @ColumnName)
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the base already has a column with the SQL name ''', @ColumnName, N'''.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF EXISTS (SELECT 1 FROM dbo.LdBaseColumns
               WHERE BaseID = @baseId AND DisplayName COLLATE Latin1_General_100_CI_AS = @DisplayName)
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the base already has a column named ''', @DisplayName, N'''.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;

    -- The column's SQL must compile over the base. The server describes the probe
    -- without running it; a compile error comes back as a row.
    DECLARE @probe nvarchar(max) = CONCAT(N'SELECT ', @columnSql, N' FROM ', @fromSql, N' WHERE 1 = 0');
    DECLARE @error nvarchar(2047);
    SELECT TOP (1) @error = error_message
    FROM sys.dm_exec_describe_first_result_set(@probe, NULL, 0)
    WHERE error_message IS NOT NULL;
    IF @error IS NOT NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportColumn: the imported column ''', @DisplayName, N''' does not run over its base: ',
                          @error);
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;

    -- One row: imported (1) from a linked view's table (SourceKind 1).
    INSERT INTO dbo.LdBaseColumns (BaseID, ColumnName, DisplayName, ColumnSQL, DataType, [Type], Required,
                                   AllowFunctions, FilterDataType, UseExtendedFrom, Imported, SourceKind,
                                   SourceID, SourceColumnID)
    VALUES (@baseId, @ColumnName, @DisplayName, @columnSql, @dataType, @type, 0,
            @allowFunctions, @filterDataType, 0, 1, 1,
            @TableID, @ColumnID);
END
