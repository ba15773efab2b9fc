-- Ld_DeleteView @ViewID: deletes a custom view with everything that belongs to it
-- (searches, columns, functions, links from and to it, My Views rows, its SQL
-- view), all or nothing. A standard view cannot be deleted. Runs as its caller:
-- the SQL view is dropped by Ld_ChangeSQLView, which runs as its owner, and only
-- when quillon_views owns it (it was made for a list view); a view of that name
-- that was not is refused, whatever LdViews says.
CREATE OR ALTER PROCEDURE dbo.Ld_DeleteView
    @ViewID int
AS
BEGIN
    SET NOCOUNT ON;
    -- Blanks as the embedded server trims a stored name (tabs and line ends too).
    DECLARE @Blanks nvarchar(10) = N' ' + NCHAR(9) + NCHAR(10) + NCHAR(11) + NCHAR(12) + NCHAR(13) + NCHAR(133) + NCHAR(160);
    DECLARE @Custom bit, @DisplayName nvarchar(128), @SQLViewName nvarchar(max);
    DECLARE @Existing sysname, @Ours bit, @Message nvarchar(2047);
    DECLARE @OuterTran int = @@TRANCOUNT;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_DeleteView: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT @Custom = Custom, @DisplayName = DisplayName, @SQLViewName = TRIM(@Blanks FROM COALESCE(SQLViewName, N''))
    FROM dbo.LdViews
    WHERE ViewID = @ViewID;
    IF @@ROWCOUNT = 0
    BEGIN
        RAISERROR(N'Ld_DeleteView: view %d does not exist.', 16, 1, @ViewID);
        RETURN;
    END;
    IF @Custom = 0
    BEGIN
        -- The name goes in as an argument, so that a '%' in it is not read as a format.
        RAISERROR(N'Ld_DeleteView: view ''%s'' is a standard view and cannot be deleted.', 16, 1, @DisplayName);
        RETURN;
    END;
    BEGIN TRY
        -- Inside the caller's transaction a savepoint of our own, so that a failure
        -- undoes exactly this procedure's work.
        IF @OuterTran = 0
            BEGIN TRANSACTION;
        ELSE
            SAVE TRANSACTION Ld_DeleteView;
        DELETE FROM dbo.LdViewFilterColumns
        WHERE ViewFilterID IN (SELECT ViewFilterID FROM dbo.LdViewFilters WHERE ViewID = @ViewID);
        DELETE FROM dbo.LdViewFilters WHERE ViewID = @ViewID;
        DELETE FROM dbo.LdViewColumnFunctions WHERE ViewID = @ViewID;
        DELETE FROM dbo.LdViewColumns WHERE ViewID = @ViewID;
        DELETE FROM dbo.LdViewRelationships WHERE ViewID = @ViewID OR LinkViewID = @ViewID;
        DELETE FROM dbo.LdMyViews WHERE ViewID = @ViewID;
        UPDATE dbo.LdViews SET BaseViewID = NULL WHERE BaseViewID = @ViewID;
        DELETE FROM dbo.LdViews WHERE ViewID = @ViewID;
        -- Its SQL view, found without regard to case as object names are; ours only
        -- when quillon_views owns it.
        IF DATALENGTH(@SQLViewName) > 0
        BEGIN
            SELECT @Existing = v.name,
                   @Ours = CASE WHEN COALESCE(v.principal_id, s.principal_id) = DATABASE_PRINCIPAL_ID(N'quillon_views')
                                THEN 1 ELSE 0 END
            FROM sys.views v
            INNER JOIN sys.schemas s ON s.schema_id = v.schema_id
            WHERE v.schema_id = SCHEMA_ID(N'dbo') AND v.name = @SQLViewName COLLATE Latin1_General_CI_AS;
            IF @Existing IS NOT NULL AND @Ours = 0
            BEGIN
                SET @Message = CONCAT(N'Ld_DeleteView: the SQL view ''', @Existing,
                                      N''' cannot be dropped: it was not made for a list view.');
                RAISERROR(N'%s', 16, 1, @Message);
            END;
            IF @Existing IS NOT NULL
                EXEC dbo.Ld_ChangeSQLView @Name = @Existing;
        END;
        IF @OuterTran = 0
            COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF XACT_STATE() = -1 OR (XACT_STATE() = 1 AND @OuterTran = 0)
            ROLLBACK TRANSACTION;
        ELSE IF XACT_STATE() = 1
            ROLLBACK TRANSACTION Ld_DeleteView;
        THROW;
    END CATCH;
END
