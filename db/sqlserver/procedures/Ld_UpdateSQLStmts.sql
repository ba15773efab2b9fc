-- Ld_UpdateSQLStmts @v_iViewID, @r_sSQLStmt OUTPUT, @r_bStmtTooLong OUTPUT: builds
-- the view's runnable SQL from its columns and stores it in its LdViews row: the
-- select list (row id first), the FROM clause, the extended FROM clause and the
-- column string the list control shows. It renumbers the viewable columns, makes
-- or drops the view's SQL view, and adds switched-off rows for the links the view
-- could have. The texts are built character for character as the embedded server
-- builds them, since the program reads them back by position.
-- A statement longer than 8000 characters is reported (@r_bStmtTooLong = 1, the
-- first 8000 characters in @r_sSQLStmt) and nothing is written.
-- Needs SQL Server 2017 or later: STRING_AGG ... WITHIN GROUP and TRIM.
-- Runs as its caller, so that the checks compile the statements with the caller's
-- rights (a base may read another database the login reaches). The application
-- login may not change the schema: the SQL view is made and dropped by
-- Ld_ChangeSQLView, which runs as its owner and touches only a view that
-- quillon_views owns (one that it made itself), never one LdViews merely names.
CREATE OR ALTER PROCEDURE dbo.Ld_UpdateSQLStmts
    @v_iViewID int,
    @r_sSQLStmt nvarchar(max) = NULL OUTPUT,
    @r_bStmtTooLong int = NULL OUTPUT
AS
BEGIN
    SET NOCOUNT ON;
    -- Blanks as the embedded server trims stored pieces (tabs and line ends too).
    DECLARE @Blanks nvarchar(10) = N' ' + NCHAR(9) + NCHAR(10) + NCHAR(11) + NCHAR(12) + NCHAR(13) + NCHAR(133) + NCHAR(160);
    DECLARE @Message nvarchar(2047);
    DECLARE @ViewName nvarchar(50), @DisplayName nvarchar(128), @BaseID int, @CreateSQLView bit;
    DECLARE @OldSQLViewName nvarchar(max), @SQLViewName nvarchar(max), @IsCatalogue bit;
    DECLARE @KeySQL nvarchar(max), @FromSQL nvarchar(max), @FromExSQL nvarchar(max);
    DECLARE @Select nvarchar(max), @From nvarchar(max), @ColumnString nvarchar(max), @Statement nvarchar(max);
    DECLARE @FirstItem nvarchar(max), @ViewSelect nvarchar(max), @Caption nvarchar(64);
    DECLARE @CheckSeq int = 0, @What nvarchar(max), @Sql nvarchar(max), @Error nvarchar(max);
    DECLARE @ObjectType nvarchar(128), @OwnerID int, @Existing sysname, @Ours bit;
    DECLARE @ViewsOwner int = DATABASE_PRINCIPAL_ID(N'quillon_views');
    DECLARE @OuterTran int = @@TRANCOUNT;

    IF @v_iViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_UpdateSQLStmts: @v_iViewID must not be NULL.', 16, 1);
        RETURN;
    END;

    -- ---- The view, its base and its columns ----------------------------------
    SELECT @ViewName = ViewName, @DisplayName = DisplayName, @BaseID = BaseID, @CreateSQLView = CreateSQLView,
           @OldSQLViewName = TRIM(@Blanks FROM COALESCE(SQLViewName, N''))
    FROM dbo.LdViews
    WHERE ViewID = @v_iViewID;
    IF @@ROWCOUNT = 0
    BEGIN
        RAISERROR(N'Ld_UpdateSQLStmts: view %d does not exist.', 16, 1, @v_iViewID);
        RETURN;
    END;
    IF @BaseID IS NULL
    BEGIN
        RAISERROR(N'Ld_UpdateSQLStmts: view %d has no base.', 16, 1, @v_iViewID);
        RETURN;
    END;
    -- The header fits its columns, and the name is no other view's as the server
    -- compares names (the catalogues find and leave out views so).
    DECLARE @OtherView nvarchar(max), @Description nvarchar(max);
    DECLARE @Field nvarchar(16), @Length int, @Max int;
    SELECT @Description = COALESCE(Description, N'') FROM dbo.LdViews WHERE ViewID = @v_iViewID;
    SELECT TOP (1) @Field = f.Field, @Length = f.Length, @Max = f.MaxLength
    FROM (VALUES (1, N'name', LEN(@ViewName + N'x') - 1, 50),
                 (2, N'display name', LEN(@DisplayName + N'x') - 1, 128),
                 (3, N'description', LEN(@Description + N'x') - 1, 128)) f (Seq, Field, Length, MaxLength)
    WHERE f.Length > f.MaxLength
    ORDER BY f.Seq;
    IF @Field IS NOT NULL
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the ', @Field, N' of view ', @v_iViewID, N' has ', @Length,
                              N' characters; at most ', @Max, N' fit.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;
    SELECT TOP (1) @OtherView = DisplayName FROM dbo.LdViews
    WHERE ViewID <> @v_iViewID AND ViewName COLLATE Latin1_General_CI_AS = @ViewName
    ORDER BY ViewID;
    IF @OtherView IS NOT NULL
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the name ''', @ViewName, N''' of view ', @v_iViewID,
                              N' is the name of the view ''', @OtherView, N'''; a view''s name must be unique.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;
    -- The catalogue views are named exactly so (bytes compared: no case, no padding).
    SET @IsCatalogue = CASE WHEN CAST(@ViewName AS varbinary(100)) IN (CAST(N'LdViews' AS varbinary(100)),
                                                                      CAST(N'LdMyViews' AS varbinary(100)))
                            THEN 1 ELSE 0 END;

    SELECT @KeySQL = TRIM(@Blanks FROM COALESCE(KeySQL, N'')),
           @FromSQL = TRIM(@Blanks FROM COALESCE(FromSQL, N'')),
           @FromExSQL = TRIM(@Blanks FROM COALESCE(FromExSQL, N''))
    FROM dbo.LdBases
    WHERE BaseID = @BaseID;
    IF @@ROWCOUNT = 0
    BEGIN
        RAISERROR(N'Ld_UpdateSQLStmts: the base %d of view %d does not exist.', 16, 1, @BaseID, @v_iViewID);
        RETURN;
    END;
    IF DATALENGTH(@KeySQL) = 0 OR DATALENGTH(@FromSQL) = 0
    BEGIN
        RAISERROR(N'Ld_UpdateSQLStmts: the base %d has no row id or no FROM clause.', 16, 1, @BaseID);
        RETURN;
    END;
    -- The row id is cut off at the first comma by the search editor's test.
    IF CHARINDEX(N',', @KeySQL) > 0
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the row id of base ', @BaseID, N' (', @KeySQL,
                              N') must not contain a comma.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;

    -- The pieces are joined on one line with what follows: a line comment at the end
    -- of one would swallow the search, a ";" would start a second statement.
    DECLARE @Pieces TABLE (Seq int PRIMARY KEY, What nvarchar(64) NOT NULL, Piece nvarchar(max) NOT NULL);
    INSERT INTO @Pieces (Seq, What, Piece)
    VALUES (1, N'the row id', @KeySQL), (2, N'the FROM clause', @FromSQL), (3, N'the extended FROM clause', @FromExSQL);
    SELECT TOP (1) @What = What, @Sql = Piece,
           @Error = CASE WHEN CHARINDEX(N';', Piece) > 0 THEN N'holds a ";", which would start a second statement'
                         ELSE N'ends in a line comment, which would swallow the search that follows it' END
    FROM @Pieces
    WHERE CHARINDEX(N';', Piece) > 0
       OR CHARINDEX(N'--', RIGHT(Piece, CHARINDEX(NCHAR(10), REVERSE(Piece) + NCHAR(10)) - 1)) > 0
    ORDER BY Seq;
    IF @@ROWCOUNT > 0
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: ', @What, N' of base ', @BaseID, N' (', @Sql, N') ', @Error, N'.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;

    -- One row per base column of the view's base that has a row in LdViewColumns (the
    -- lowest row id when it has several), numbered in column order; display names
    -- order as the embedded server orders them (ASCII lower case, code point by code
    -- point). Names and SQL are trimmed; the identifiers are quoted as the embedded
    -- server quotes them (in double quotes when the name holds a ']').
    DECLARE @Columns TABLE (
        Seq int NOT NULL PRIMARY KEY,
        ColumnID int NOT NULL,
        DisplayName nvarchar(64) NOT NULL,
        ColumnSQL nvarchar(max) NOT NULL,
        QuotedDisplayName nvarchar(max) NOT NULL,
        QuotedColumnName nvarchar(max) NOT NULL,
        Type int NOT NULL,
        Viewable bit NOT NULL,
        Filterable bit NOT NULL,
        UseExtendedFrom bit NOT NULL,
        ViewableSeq int NULL);
    INSERT INTO @Columns (Seq, ColumnID, DisplayName, ColumnSQL, QuotedDisplayName, QuotedColumnName, Type, Viewable,
                          Filterable, UseExtendedFrom)
    SELECT ROW_NUMBER() OVER (ORDER BY vc.ColumnOrder, LOWER(bc.DisplayName) COLLATE Latin1_General_BIN2, bc.ColumnID),
           bc.ColumnID, t.DisplayName, t.ColumnSQL,
           CASE WHEN CHARINDEX(N']', t.DisplayName) = 0 THEN N'[' + t.DisplayName + N']'
                ELSE N'"' + REPLACE(t.DisplayName, N'"', N'""') + N'"' END,
           CASE WHEN CHARINDEX(N']', t.ColumnName) = 0 THEN N'[' + t.ColumnName + N']'
                ELSE N'"' + REPLACE(t.ColumnName, N'"', N'""') + N'"' END,
           bc.Type, vc.Viewable, vc.Filterable, bc.UseExtendedFrom
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBaseColumns bc ON bc.BaseID = v.BaseID
    INNER JOIN dbo.LdViewColumns vc ON vc.ViewColumnID =
        (SELECT MIN(x.ViewColumnID) FROM dbo.LdViewColumns x WHERE x.ViewID = v.ViewID AND x.BaseColumnID = bc.ColumnID)
    CROSS APPLY (SELECT TRIM(@Blanks FROM bc.ColumnName) AS ColumnName,
                        TRIM(@Blanks FROM bc.DisplayName) AS DisplayName,
                        TRIM(@Blanks FROM bc.ColumnSQL) AS ColumnSQL) t
    WHERE v.ViewID = @v_iViewID;
    -- The list reads column n of a row at the position of the viewable column whose order is n.
    UPDATE c
    SET ViewableSeq = n.ViewableSeq
    FROM @Columns c
    INNER JOIN (SELECT Seq, ROW_NUMBER() OVER (ORDER BY Seq) AS ViewableSeq FROM @Columns WHERE Viewable = 1) n
        ON n.Seq = c.Seq;

    IF NOT EXISTS (SELECT 1 FROM @Columns WHERE Viewable = 1)
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: view ''', @DisplayName,
                              N''' has no viewable column; a view must show at least one.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;
    -- The column string separates captions by commas.
    SELECT TOP (1) @Caption = DisplayName
    FROM @Columns
    WHERE Viewable = 1 AND CHARINDEX(N',', DisplayName) > 0
    ORDER BY Seq;
    IF @Caption IS NOT NULL
    BEGIN
        SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the caption ''', @Caption, N''' of a column of view ''', @DisplayName,
                              N''' must not contain a comma.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;

    -- ---- The pieces ----------------------------------------------------------
    -- The aggregated texts are nvarchar(max), so that no width limits them.
    SELECT @Select = N'SELECT ' + @KeySQL + N' AS [ID]'
                     + STRING_AGG(CAST(N', ' AS nvarchar(max)) + ColumnSQL + N' AS ' + QuotedDisplayName, N'')
                           WITHIN GROUP (ORDER BY Seq)
                     + NCHAR(13) + NCHAR(10),
           -- Numbers are right-aligned (1), everything else left-aligned (0).
           @ColumnString = STRING_AGG(CAST(DisplayName AS nvarchar(max)) + N','
                                      + CASE WHEN Type = 1 THEN N'1' ELSE N'0' END + N',', N'')
                               WITHIN GROUP (ORDER BY Seq),
           @ViewSelect = N'SELECT ' + @KeySQL + N' AS [ID]'
                         + STRING_AGG(CAST(N', ' AS nvarchar(max)) + ColumnSQL + N' AS ' + QuotedColumnName, N'')
                               WITHIN GROUP (ORDER BY Seq)
    FROM @Columns
    WHERE Viewable = 1;
    -- The list adds the extended FROM clause only for a search that needs it: a shown
    -- column that needs it has it in the FROM clause itself.
    IF DATALENGTH(@FromExSQL) > 0 AND EXISTS (SELECT 1 FROM @Columns WHERE Viewable = 1 AND UseExtendedFrom = 1)
    BEGIN
        SET @FromSQL = @FromSQL + N' ' + @FromExSQL;
        SET @FromExSQL = N'';
    END;
    SET @From = N'FROM ' + @FromSQL;
    SET @Statement = @Select + N' ' + @From + CASE WHEN DATALENGTH(@FromExSQL) = 0 THEN N'' ELSE N' ' + @FromExSQL END;
    -- Lengths in UTF-16 units (DATALENGTH / 2): LEN would not count trailing blanks.
    SET @r_bStmtTooLong = CASE WHEN DATALENGTH(@Statement) / 2 > 8000 THEN 1 ELSE 0 END;
    SET @r_sSQLStmt = LEFT(@Statement, 8000);
    IF @r_bStmtTooLong = 1
        RETURN;

    -- ---- The statements the program builds from the pieces must compile ------
    -- The list, the export, the search editor's test, the statistics and the filter;
    -- each is compiled (never run), the first that fails is named.
    DECLARE @Checks TABLE (Seq int IDENTITY(1,1) PRIMARY KEY, What nvarchar(max) NOT NULL, Stmt nvarchar(max) NOT NULL);
    SET @FirstItem = LEFT(@Select, CHARINDEX(N',', @Select) - 1);
    SET @What = N'the SQL of view ''' + @DisplayName + N'''';
    INSERT INTO @Checks (What, Stmt) VALUES (@What, @Select + N' ' + @From + N' WHERE 1 = 0 ORDER BY 2');
    IF DATALENGTH(@FromExSQL) > 0
        INSERT INTO @Checks (What, Stmt)
        VALUES (N'the extended FROM clause of view ''' + @DisplayName + N'''',
                @Select + N' ' + @From + N' ' + @FromExSQL + N' WHERE 1 = 0 ORDER BY 2');
    INSERT INTO @Checks (What, Stmt) VALUES (@What, @FirstItem + N' ' + @From + N' ' + @FromExSQL + N' WHERE 1 = 0');
    -- The list's own form: the search's conditions in brackets, the closing one on a new line.
    INSERT INTO @Checks (What, Stmt)
    VALUES (@What, @Select + N' ' + @From + N' ' + @FromExSQL + N' WHERE (1 = 0' + NCHAR(13) + NCHAR(10) + N')');
    INSERT INTO @Checks (What, Stmt)
    SELECT N'the filter column ''' + DisplayName + N''' of view ''' + @DisplayName + N'''',
           @FirstItem + N' ' + @From + N' ' + @FromExSQL + N' WHERE (' + ColumnSQL + N') IS NULL'
    FROM @Columns
    WHERE Filterable = 1
    ORDER BY Seq;
    INSERT INTO @Checks (What, Stmt)
    SELECT N'the column function ''' + REPLACE(cf.DisplayTemplate COLLATE Latin1_General_BIN2, N'%NAME%', bc.DisplayName)
               + N''' of view ''' + @DisplayName + N'''',
           N'SELECT ' + REPLACE(cf.FunctionTemplate COLLATE Latin1_General_BIN2, N'%COL%', bc.ColumnSQL) + N' ' + @From
               + N' WHERE 1 = 0'
    FROM dbo.LdViewColumnFunctions f
    INNER JOIN dbo.LdColumnFunctions cf ON cf.ColumnFunctionID = f.ColumnFunctionID
    INNER JOIN dbo.LdBaseColumns bc ON bc.ColumnID = f.BaseColumnID
    WHERE f.ViewID = @v_iViewID
    ORDER BY f.FunctionOrder, f.ViewColumnFunctionID;
    -- The catalogues' lists add their own restriction.
    IF CAST(@ViewName AS varbinary(100)) = CAST(N'LdViews' AS varbinary(100))
        INSERT INTO @Checks (What, Stmt)
        VALUES (N'the catalogue restriction of view ''' + @DisplayName + N'''',
                @FirstItem + N' ' + @From + N' WHERE  (v_Shared = 1 OR (v_CreatorID = '''' OR v_CreatorID IS NULL)) ');
    IF CAST(@ViewName AS varbinary(100)) = CAST(N'LdMyViews' AS varbinary(100))
        INSERT INTO @Checks (What, Stmt)
        VALUES (N'the catalogue restriction of view ''' + @DisplayName + N'''',
                @FirstItem + N' ' + @From + N' WHERE  (ViewUser = '''' AND IsMyView = 1)');
    WHILE 1 = 1
    BEGIN
        SELECT TOP (1) @CheckSeq = Seq, @What = What, @Sql = Stmt FROM @Checks WHERE Seq > @CheckSeq ORDER BY Seq;
        IF @@ROWCOUNT = 0
            BREAK;
        SET @Error = NULL;
        SELECT TOP (1) @Error = error_message
        FROM sys.dm_exec_describe_first_result_set(@Sql, NULL, 0)
        WHERE error_number IS NOT NULL;
        IF @Error IS NOT NULL
        BEGIN
            SET @Message = CONCAT(N'Ld_UpdateSQLStmts: ', @What, N' does not run: ', @Error);
            RAISERROR(N'%s', 16, 1, @Message);
            RETURN;
        END;
    END;

    -- ---- The writes, all or nothing ------------------------------------------
    BEGIN TRY
        -- Inside the caller's transaction a savepoint of our own, so that a failure
        -- undoes exactly this procedure's work.
        IF @OuterTran = 0
            BEGIN TRANSACTION;
        ELSE
            SAVE TRANSACTION Ld_UpdateSQLStmts;

        -- Every row of a viewable column takes its place among the viewable ones.
        UPDATE vc
        SET ColumnOrder = c.ViewableSeq
        FROM dbo.LdViewColumns vc
        INNER JOIN @Columns c ON c.ColumnID = vc.BaseColumnID
        WHERE vc.ViewID = @v_iViewID AND c.ViewableSeq IS NOT NULL AND vc.ColumnOrder <> c.ViewableSeq;

        UPDATE dbo.LdViews
        SET SQLSelect = @Select,
            SQLFrom = @From,
            SQLFromEx = CASE WHEN DATALENGTH(@FromExSQL) = 0 THEN NULL ELSE @FromExSQL END,
            ColumnString = @ColumnString
        WHERE ViewID = @v_iViewID;

        -- The SQL view that other applications read: the row id and the viewable
        -- columns by their SQL names, in the dbo schema. Object names compare
        -- without regard to case, as the server's catalogue does. A view is ours
        -- when quillon_views owns it: only Ld_ChangeSQLView hands a view to it.
        IF DATALENGTH(@OldSQLViewName) > 0
        BEGIN
            SELECT @Existing = v.name,
                   @Ours = CASE WHEN COALESCE(v.principal_id, s.principal_id) = @ViewsOwner THEN 1 ELSE 0 END
            FROM sys.views v
            INNER JOIN sys.schemas s ON s.schema_id = v.schema_id
            WHERE v.schema_id = SCHEMA_ID(N'dbo') AND v.name = @OldSQLViewName COLLATE Latin1_General_CI_AS;
            -- A view of the old name that was not made for a list view stays, and so does this one's name.
            IF @Existing IS NOT NULL AND @Ours = 0
               AND (@CreateSQLView = 0 OR @OldSQLViewName <> TRIM(@Blanks FROM @ViewName) COLLATE Latin1_General_CI_AS)
            BEGIN
                SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the SQL view ''', @Existing,
                                      N''' cannot be dropped: it was not made for a list view.');
                RAISERROR(N'%s', 16, 1, @Message);
            END;
        END;
        IF @CreateSQLView = 0
        BEGIN
            IF DATALENGTH(@OldSQLViewName) > 0
            BEGIN
                IF @Existing IS NOT NULL
                    EXEC dbo.Ld_ChangeSQLView @Name = @Existing;
                UPDATE dbo.LdViews SET SQLViewName = NULL WHERE ViewID = @v_iViewID;
            END;
        END
        ELSE
        BEGIN
            SET @SQLViewName = TRIM(@Blanks FROM @ViewName);
            IF DATALENGTH(@SQLViewName) = 0
                RAISERROR(N'Ld_UpdateSQLStmts: view %d has no SQL name for its SQL view.', 16, 1, @v_iViewID);
            -- Any object of the schema blocks the name (tables, views, procedures, constraints ...).
            SELECT @ObjectType = CASE o.type WHEN 'U' THEN N'table' WHEN 'V' THEN N'view' WHEN 'TR' THEN N'trigger'
                                             ELSE LOWER(REPLACE(o.type_desc, N'_', N' ')) END,
                   @Ours = CASE WHEN o.type = 'V' AND COALESCE(o.principal_id, s.principal_id) = @ViewsOwner
                                THEN 1 ELSE 0 END
            FROM sys.objects o
            INNER JOIN sys.schemas s ON s.schema_id = o.schema_id
            WHERE o.schema_id = SCHEMA_ID(N'dbo') AND o.name = @SQLViewName COLLATE Latin1_General_CI_AS;
            IF @ObjectType IS NOT NULL
            BEGIN
                IF @ObjectType <> N'view'
                BEGIN
                    SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the SQL view ''', @SQLViewName,
                                          N''' cannot be made: a ', @ObjectType, N' of that name exists.');
                    RAISERROR(N'%s', 16, 1, @Message);
                END;
                IF @Ours = 0
                BEGIN
                    SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the SQL view ''', @SQLViewName,
                                          N''' cannot be made: a view of that name exists that was not made for a list view.');
                    RAISERROR(N'%s', 16, 1, @Message);
                END;
                -- One made for a list view is replaced only for that view.
                SELECT TOP (1) @OwnerID = ViewID
                FROM dbo.LdViews
                WHERE TRIM(SQLViewName) = @SQLViewName COLLATE Latin1_General_CI_AS AND ViewID <> @v_iViewID
                ORDER BY ViewID;
                IF @OwnerID IS NOT NULL
                BEGIN
                    SET @Message = CONCAT(N'Ld_UpdateSQLStmts: the SQL view ''', @SQLViewName,
                                          N''' cannot be made: it belongs to view ', @OwnerID, N'.');
                    RAISERROR(N'%s', 16, 1, @Message);
                END;
            END;
            -- A renamed view leaves no SQL view under its old name.
            IF @Existing IS NOT NULL AND @OldSQLViewName <> @SQLViewName COLLATE Latin1_General_CI_AS
                EXEC dbo.Ld_ChangeSQLView @Name = @Existing;
            SET @Sql = @ViewSelect + N' FROM ' + @FromSQL;
            EXEC dbo.Ld_ChangeSQLView @Name = @SQLViewName, @Select = @Sql;
            UPDATE dbo.LdViews SET SQLViewName = @SQLViewName WHERE ViewID = @v_iViewID;
        END;

        -- Rows for the links the view could have (switched off), so that the editor can
        -- switch them on: this view to every view on a related base, then every view of
        -- a relating base to this view. The catalogues take part in no link.
        IF @IsCatalogue = 0
        BEGIN
            INSERT INTO dbo.LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe)
            SELECT v.ViewID, br.BaseRelationshipID, lv.ViewID, 0
            FROM dbo.LdBaseRelationships br
            INNER JOIN dbo.LdViews v ON v.BaseID = br.BaseID
            INNER JOIN dbo.LdViews lv ON lv.BaseID = br.RelatedBaseID
            WHERE v.ViewID = @v_iViewID
              AND CAST(v.ViewName AS varbinary(100)) NOT IN (CAST(N'LdViews' AS varbinary(100)), CAST(N'LdMyViews' AS varbinary(100)))
              AND CAST(lv.ViewName AS varbinary(100)) NOT IN (CAST(N'LdViews' AS varbinary(100)), CAST(N'LdMyViews' AS varbinary(100)))
              AND NOT EXISTS (SELECT 1 FROM dbo.LdViewRelationships x
                              WHERE x.ViewID = v.ViewID AND x.BaseRelationshipID = br.BaseRelationshipID
                                AND x.LinkViewID = lv.ViewID)
            ORDER BY v.ViewID, br.BaseRelationshipID, lv.ViewID;
            INSERT INTO dbo.LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe)
            SELECT v.ViewID, br.BaseRelationshipID, lv.ViewID, 0
            FROM dbo.LdBaseRelationships br
            INNER JOIN dbo.LdViews v ON v.BaseID = br.BaseID
            INNER JOIN dbo.LdViews lv ON lv.BaseID = br.RelatedBaseID
            WHERE lv.ViewID = @v_iViewID
              AND CAST(v.ViewName AS varbinary(100)) NOT IN (CAST(N'LdViews' AS varbinary(100)), CAST(N'LdMyViews' AS varbinary(100)))
              AND CAST(lv.ViewName AS varbinary(100)) NOT IN (CAST(N'LdViews' AS varbinary(100)), CAST(N'LdMyViews' AS varbinary(100)))
              AND NOT EXISTS (SELECT 1 FROM dbo.LdViewRelationships x
                              WHERE x.ViewID = v.ViewID AND x.BaseRelationshipID = br.BaseRelationshipID
                                AND x.LinkViewID = lv.ViewID)
            ORDER BY v.ViewID, br.BaseRelationshipID, lv.ViewID;
        END;

        IF @OuterTran = 0
            COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF XACT_STATE() = -1 OR (XACT_STATE() = 1 AND @OuterTran = 0)
            ROLLBACK TRANSACTION;
        ELSE IF XACT_STATE() = 1
            ROLLBACK TRANSACTION Ld_UpdateSQLStmts;
        THROW;
    END CATCH;
END
