-- Ld_ImportCustomProperty @ViewID, @TrackingGroupID, @ColumnName, @DisplayName,
-- @AttributeID: a custom property of the base's rows becomes a column of the base.
-- Runs in the company database. Its SQL is a correlated subquery on the stored
-- values (ShTrackingValues, kept as text): numbers and dates are read as such so
-- that they sort, compare and sum as the column's type says; a value that does not
-- read as its type gives NULL, not a failing list. Stored only after its SQL
-- proved to compile over the base.
CREATE OR ALTER PROCEDURE dbo.Ld_ImportCustomProperty
    @ViewID int,
    @TrackingGroupID int,
    @ColumnName nvarchar(max),
    @DisplayName nvarchar(max),
    @AttributeID int
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
        RAISERROR(N'Ld_ImportCustomProperty: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    -- The importing view's base, checked before the other arguments.
    DECLARE @baseId int;
    DECLARE @base nvarchar(max);
    DECLARE @keySql nvarchar(max);
    DECLARE @fromSql nvarchar(max);
    SELECT @baseId = v.BaseID, @base = TRIM(@blanks FROM b.Base), @keySql = TRIM(@blanks FROM b.KeySQL),
           @fromSql = TRIM(@blanks FROM b.FromSQL)
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBases b ON b.BaseID = v.BaseID
    WHERE v.ViewID = @ViewID;
    IF @baseId IS NULL
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: view ', @ViewID, N' does not exist or has no base.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF @TrackingGroupID IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: @TrackingGroupID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @ColumnName IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: @ColumnName must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @DisplayName IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: @DisplayName must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @AttributeID IS NULL
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: @AttributeID must not be NULL.', 16, 1);
        RETURN;
    END;

    -- A custom-property group of the view's base (TypeID 2 and the base's name).
    IF NOT EXISTS (SELECT 1
                   FROM dbo.ShTrackingGroups
                   WHERE TrackingGroupID = @TrackingGroupID AND TypeID = 2
                     AND TableName COLLATE Latin1_General_100_CI_AS = @base)
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: custom property group ', @TrackingGroupID,
                          N' does not belong to the base of view ', @ViewID, N'.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    DECLARE @found bit = 0;
    DECLARE @dataType nvarchar(max);
    SELECT @found = 1, @dataType = LOWER(TRIM(DataType))
    FROM dbo.ShTrackingAttributes
    WHERE AttributeID = @AttributeID AND TrackingGroupID = @TrackingGroupID;
    IF @found = 0
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: attribute ', @AttributeID, N' is not in custom property group ',
                          @TrackingGroupID, N'.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;

    -- The value as the attribute's type reads it. TRY_CAST: a stray text gives
    -- NULL where CAST would fail the whole list. Dates through datetime2, which
    -- reads ISO texts whatever the session's date format.
    DECLARE @value nvarchar(200);
    DECLARE @type smallint;
    DECLARE @allowFunctions bit = 0;
    DECLARE @filterDataType nvarchar(10);
    IF @dataType IN (N'int', N'money', N'decimal', N'float')
    BEGIN
        SET @value = CASE WHEN @dataType = N'money' THEN N'TRY_CAST(p.Value AS money)'
                          ELSE N'TRY_CAST(p.Value AS float)' END;
        SET @type = 1;
        SET @allowFunctions = 1;
        SET @filterDataType = CASE WHEN @dataType = N'money' THEN N'money' ELSE N'number' END;
    END
    ELSE IF @dataType IN (N'datetime', N'date')
    BEGIN
        SET @value = N'TRY_CAST(TRY_CAST(p.Value AS datetime2(3)) AS datetime)';
        SET @type = 3;
        SET @filterDataType = N'date';
    END
    ELSE
    BEGIN
        SET @value = N'p.Value';
        SET @dataType = N'varchar';
        SET @type = 2;
        SET @filterDataType = N'text';
    END;
    DECLARE @columnSql nvarchar(max) = CONCAT(N'(SELECT ', @value, N' FROM dbo.ShTrackingValues p WHERE p.AttributeID = ',
                                              @AttributeID, N' AND p.RecordID = ', @keySql, N')');

    -- The names as the columns of a base need them: present, an identifier for the
    -- SQL view, no comma in the caption (the list's column string is
    -- comma-separated), and neither used by another column of the base.
    SET @ColumnName = TRIM(@blanks FROM @ColumnName);
    SET @DisplayName = TRIM(@blanks FROM @DisplayName);
    IF DATALENGTH(@ColumnName) = 0 OR DATALENGTH(@DisplayName) = 0
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: the column needs a name and an SQL name.', 16, 1);
        RETURN;
    END;
    IF LEN(@ColumnName) > 64 OR LEN(@DisplayName) > 64
    BEGIN
        RAISERROR(N'Ld_ImportCustomProperty: a column name may have at most 64 characters.', 16, 1);
        RETURN;
    END;
    IF LEFT(@ColumnName, 1) COLLATE Latin1_General_100_BIN2 LIKE N'[0-9]'
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the SQL name ''', @ColumnName, N''' must not begin with a digit.');
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
            SET @msg = CONCAT(N'Ld_ImportCustomProperty: the SQL name ''', @ColumnName,
                              N''' may hold only letters, digits and ''_''.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        SET @i += 1;
    END;
    -- The SQL view has its row id as [ID].
    IF @ColumnName COLLATE Latin1_General_100_CI_AS = N'ID'
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the SQL name ''', @ColumnName, N''' is the SQL view''s row id.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF CHARINDEX(N',', @DisplayName) > 0
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the name ''', @DisplayName, N''' must not contain a comma.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF EXISTS (SELECT 1 FROM dbo.LdBaseColumns
               WHERE BaseID = @baseId AND ColumnName COLLATE Latin1_General_100_CI_AS = @ColumnName)
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the base already has a column with the SQL name ''', @ColumnName, N'''.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    IF EXISTS (SELECT 1 FROM dbo.LdBaseColumns
               WHERE BaseID = @baseId AND DisplayName COLLATE Latin1_General_100_CI_AS = @DisplayName)
    BEGIN
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the base already has a column named ''', @DisplayName, N'''.');
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
        SET @msg = CONCAT(N'Ld_ImportCustomProperty: the imported column ''', @DisplayName, N''' does not run over its base: ',
                          @error);
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;

    -- One row: imported (1) from a custom property (SourceKind 2).
    INSERT INTO dbo.LdBaseColumns (BaseID, ColumnName, DisplayName, ColumnSQL, DataType, [Type], Required,
                                   AllowFunctions, FilterDataType, UseExtendedFrom, Imported, SourceKind,
                                   SourceID, SourceColumnID)
    VALUES (@baseId, @ColumnName, @DisplayName, @columnSql, @dataType, @type, 0,
            @allowFunctions, @filterDataType, 0, 1, 2,
            @TrackingGroupID, @AttributeID);
END
