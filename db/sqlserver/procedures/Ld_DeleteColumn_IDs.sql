-- Ld_DeleteColumn_IDs @ColumnIDs: deletes imported columns (one id, or ids separated
-- by commas) from their base and from every view, search and column function that
-- uses them, and rebuilds the SQL of the views of their bases. Runs in the company
-- database. Refused, changing nothing, for a column that was not imported, one a
-- link between bases is built on, and one that is the only column a view shows.
-- The ids are taken in their order, each checked after the ones before it are
-- gone (so two columns that are all a view shows are refused together).
CREATE OR ALTER PROCEDURE dbo.Ld_DeleteColumn_IDs
    @ColumnIDs nvarchar(max)
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @msg nvarchar(2047);
    DECLARE @blanks nvarchar(30) = CONCAT(N' ', NCHAR(9), NCHAR(10), NCHAR(11), NCHAR(12), NCHAR(13), NCHAR(133),
                                          NCHAR(160), NCHAR(5760), NCHAR(8192), NCHAR(8193), NCHAR(8194),
                                          NCHAR(8195), NCHAR(8196), NCHAR(8197), NCHAR(8198), NCHAR(8199),
                                          NCHAR(8200), NCHAR(8201), NCHAR(8202), NCHAR(8232), NCHAR(8233),
                                          NCHAR(8239), NCHAR(8287), NCHAR(12288));
    IF @ColumnIDs IS NULL
    BEGIN
        RAISERROR(N'Ld_DeleteColumn_IDs: @ColumnIDs must name a column.', 16, 1);
        RETURN;
    END;

    -- The ids in their order. Only empty parts are skipped ("5,,6"); a part of
    -- blanks or anything but a whole number is refused.
    DECLARE @ids TABLE (Seq int IDENTITY(1, 1) PRIMARY KEY, ColumnID int NOT NULL);
    DECLARE @len int = DATALENGTH(@ColumnIDs) / 2;
    DECLARE @pos int = 1;
    DECLARE @cut int;
    DECLARE @part nvarchar(max);
    WHILE @pos <= @len
    BEGIN
        SET @cut = CHARINDEX(N',', @ColumnIDs, @pos);
        IF @cut = 0
            SET @cut = @len + 1;
        IF @cut > @pos
        BEGIN
            SET @part = TRIM(@blanks FROM SUBSTRING(@ColumnIDs, @pos, @cut - @pos));
            IF DATALENGTH(@part) = 0 OR @part COLLATE Latin1_General_100_BIN2 LIKE N'%[^0-9+-]%'
               OR TRY_CAST(@part AS int) IS NULL
            BEGIN
                SET @msg = CONCAT(N'Ld_DeleteColumn_IDs: @ColumnIDs must be column ids separated by commas, not ''',
                                  @ColumnIDs, N'''.');
                RAISERROR(N'%s', 16, 1, @msg);
                RETURN;
            END;
            INSERT INTO @ids (ColumnID) VALUES (TRY_CAST(@part AS int));
        END;
        SET @pos = @cut + 1;
    END;
    IF NOT EXISTS (SELECT 1 FROM @ids)
    BEGIN
        RAISERROR(N'Ld_DeleteColumn_IDs: @ColumnIDs must name a column.', 16, 1);
        RETURN;
    END;

    -- All or nothing: a transaction of its own, or a savepoint inside the caller's
    -- so that a refusal undoes exactly this procedure's work.
    DECLARE @outer int = @@TRANCOUNT;
    IF @outer = 0
        BEGIN TRANSACTION;
    ELSE
        SAVE TRANSACTION Ld_DeleteColumn_IDs;
    BEGIN TRY
        DECLARE @bases TABLE (BaseID int PRIMARY KEY);
        DECLARE @n int = 1;
        DECLARE @count int = (SELECT COUNT(*) FROM @ids);
        DECLARE @id int;
        DECLARE @baseId int;
        DECLARE @name nvarchar(max);
        DECLARE @imported bit;
        DECLARE @viewName nvarchar(max);
        DECLARE @columnName nvarchar(max);
        DECLARE @copies TABLE (ViewFilterID int PRIMARY KEY);
        WHILE @n <= @count
        BEGIN
            SELECT @id = ColumnID FROM @ids WHERE Seq = @n;
            SET @baseId = NULL;
            SELECT @baseId = BaseID, @name = DisplayName, @imported = Imported,
                   @columnName = LTRIM(RTRIM(ColumnName))
            FROM dbo.LdBaseColumns
            WHERE ColumnID = @id;
            IF @baseId IS NULL
            BEGIN
                SET @msg = CONCAT(N'Ld_DeleteColumn_IDs: column ', @id, N' does not exist.');
                RAISERROR(N'%s', 16, 1, @msg);
            END;
            IF @imported = 0
            BEGIN
                SET @msg = CONCAT(N'Ld_DeleteColumn_IDs: the column ''', @name,
                                  N''' was not imported; only imported columns can be deleted.');
                RAISERROR(N'%s', 16, 1, @msg);
            END;
            IF EXISTS (SELECT 1
                       FROM dbo.LdBaseRelationships
                       WHERE @id IN (ColumnID1, AssocColumnID1, COALESCE(ColumnID2, 0), COALESCE(AssocColumnID2, 0)))
            BEGIN
                SET @msg = CONCAT(N'Ld_DeleteColumn_IDs: the column ''', @name,
                                  N''' links views to other views and cannot be deleted.');
                RAISERROR(N'%s', 16, 1, @msg);
            END;
            -- A view that shows this column and no other.
            SET @viewName = NULL;
            SELECT TOP (1) @viewName = v.DisplayName
            FROM dbo.LdViews v
            WHERE EXISTS (SELECT 1 FROM dbo.LdViewColumns vc
                          WHERE vc.ViewID = v.ViewID AND vc.BaseColumnID = @id AND vc.Viewable <> 0)
              AND NOT EXISTS (SELECT 1 FROM dbo.LdViewColumns vc
                              WHERE vc.ViewID = v.ViewID AND vc.BaseColumnID <> @id AND vc.Viewable <> 0)
            ORDER BY v.ViewID;
            IF @viewName IS NOT NULL
            BEGIN
                SET @msg = CONCAT(N'Ld_DeleteColumn_IDs: the column ''', @name, N''' is the only column the view ''',
                                  @viewName, N''' shows.');
                RAISERROR(N'%s', 16, 1, @msg);
            END;

            -- Searches on the column cannot run without it. Copies made by Save as new
            -- have no filter-column rows: they are found by the column's token in their text.
            DELETE FROM @copies;
            INSERT INTO @copies (ViewFilterID)
            SELECT f.ViewFilterID
            FROM dbo.LdViewFilters f INNER JOIN dbo.LdViews v ON v.ViewID = f.ViewID
            WHERE v.BaseID = @baseId
              AND CHARINDEX(N'{' + @columnName + N'}', f.FilterString COLLATE Latin1_General_100_BIN2) > 0;
            UPDATE dbo.LdViews SET LastUsedFilter = NULL
            WHERE LastUsedFilter IN (SELECT ViewFilterID FROM @copies);
            DELETE FROM dbo.LdViewFilterColumns WHERE ViewFilterID IN (SELECT ViewFilterID FROM @copies);
            DELETE FROM dbo.LdViewFilters WHERE ViewFilterID IN (SELECT ViewFilterID FROM @copies);
            UPDATE dbo.LdViews SET LastUsedFilter = NULL
            WHERE LastUsedFilter IN (SELECT ViewFilterID FROM dbo.LdViewFilterColumns WHERE BaseColumnID = @id);
            DELETE FROM dbo.LdViewFilters
            WHERE ViewFilterID IN (SELECT ViewFilterID FROM dbo.LdViewFilterColumns WHERE BaseColumnID = @id);
            DELETE FROM dbo.LdViewFilterColumns
            WHERE ViewFilterID IN (SELECT ViewFilterID FROM dbo.LdViewFilterColumns WHERE BaseColumnID = @id);
            DELETE FROM dbo.LdViewColumnFunctions WHERE BaseColumnID = @id;
            DELETE FROM dbo.LdViewColumns WHERE BaseColumnID = @id;
            DELETE FROM dbo.LdBaseColumns WHERE ColumnID = @id;
            IF NOT EXISTS (SELECT 1 FROM @bases WHERE BaseID = @baseId)
                INSERT INTO @bases (BaseID) VALUES (@baseId);
            SET @n += 1;
        END;

        -- The views of each base get their SQL again, without the deleted columns.
        DECLARE @rebuild int = (SELECT MIN(BaseID) FROM @bases);
        WHILE @rebuild IS NOT NULL
        BEGIN
            EXEC dbo.Ld_ResetSQLForAllViews @ViewID = NULL, @BaseID = @rebuild;
            SET @rebuild = (SELECT MIN(BaseID) FROM @bases WHERE BaseID > @rebuild);
        END;

        IF @outer = 0
            COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        -- A doomed transaction can only be rolled back whole.
        IF XACT_STATE() = -1 OR (@outer = 0 AND XACT_STATE() = 1)
            ROLLBACK TRANSACTION;
        ELSE IF XACT_STATE() = 1
            ROLLBACK TRANSACTION Ld_DeleteColumn_IDs;
        THROW;
    END CATCH;
END
