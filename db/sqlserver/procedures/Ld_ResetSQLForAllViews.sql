-- Ld_ResetSQLForAllViews @ViewID, @BaseID: rebuilds the SQL of one view, of the
-- views of a base, or of every view (both NULL), with Ld_UpdateSQLStmts, all or
-- nothing. A view whose statement would be too long keeps its pieces.
CREATE OR ALTER PROCEDURE dbo.Ld_ResetSQLForAllViews
    @ViewID int = NULL,
    @BaseID int = NULL
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @Ids TABLE (ViewID int NOT NULL PRIMARY KEY);
    DECLARE @Current int, @Message nvarchar(2047);
    DECLARE @OuterTran int = @@TRANCOUNT;
    INSERT INTO @Ids (ViewID)
    SELECT ViewID
    FROM dbo.LdViews
    WHERE (@ViewID IS NULL OR ViewID = @ViewID) AND (@BaseID IS NULL OR BaseID = @BaseID);
    IF @ViewID IS NOT NULL AND NOT EXISTS (SELECT 1 FROM @Ids)
    BEGIN
        IF @BaseID IS NULL
            RAISERROR(N'Ld_ResetSQLForAllViews: view %d does not exist.', 16, 1, @ViewID);
        ELSE
            RAISERROR(N'Ld_ResetSQLForAllViews: view %d does not exist in base %d.', 16, 1, @ViewID, @BaseID);
        RETURN;
    END;
    BEGIN TRY
        -- Inside the caller's transaction a savepoint of our own, so that a failure
        -- undoes exactly this procedure's work.
        IF @OuterTran = 0
            BEGIN TRANSACTION;
        ELSE
            SAVE TRANSACTION Ld_ResetSQLForAllViews;
        WHILE 1 = 1
        BEGIN
            SELECT TOP (1) @Current = ViewID FROM @Ids WHERE @Current IS NULL OR ViewID > @Current ORDER BY ViewID;
            IF @@ROWCOUNT = 0
                BREAK;
            EXEC dbo.Ld_UpdateSQLStmts @v_iViewID = @Current;
        END;
        IF @OuterTran = 0
            COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF XACT_STATE() = -1 OR (XACT_STATE() = 1 AND @OuterTran = 0)
            ROLLBACK TRANSACTION;
        ELSE IF XACT_STATE() = 1
            ROLLBACK TRANSACTION Ld_ResetSQLForAllViews;
        -- The builder's own errors are this procedure's, as on the embedded server.
        SET @Message = ERROR_MESSAGE();
        IF ERROR_NUMBER() = 50000 AND LEFT(@Message, 19) = N'Ld_UpdateSQLStmts: '
        BEGIN
            SET @Message = N'Ld_ResetSQLForAllViews: ' + SUBSTRING(@Message, 20, 2047);
            RAISERROR(N'%s', 16, 1, @Message);
            RETURN;
        END;
        THROW;
    END CATCH;
END
