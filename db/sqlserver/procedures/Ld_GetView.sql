-- Ld_GetView @ViewID, @UserID: the view's row (none for an unknown id), with the
-- user's own auto-populate flag. A view whose SQL pieces were never built has them
-- built first; one that cannot be built still loads (with empty pieces), so that
-- the editor can open it and mend it.
CREATE OR ALTER PROCEDURE dbo.Ld_GetView
    @ViewID int,
    @UserID nvarchar(255) = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetView: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    -- DATALENGTH rather than = N'': SQL Server would take a text of blanks for empty.
    IF EXISTS (SELECT 1 FROM dbo.LdViews
               WHERE ViewID = @ViewID
                 AND (COALESCE(DATALENGTH(SQLSelect), 0) = 0 OR COALESCE(DATALENGTH(SQLFrom), 0) = 0
                      OR ColumnString IS NULL))
    BEGIN
        BEGIN TRY
            EXEC dbo.Ld_UpdateSQLStmts @v_iViewID = @ViewID;
        END TRY
        BEGIN CATCH
            -- The builder has undone its own writes; only a doomed transaction
            -- cannot go on, and then the caller must hear of it.
            IF XACT_STATE() = -1
                THROW;
        END CATCH;
    END;
    -- User ids compare without regard to case or surrounding blanks.
    SELECT v.ViewID AS ViewID,
           v.BaseID AS BaseID,
           v.ViewName AS ViewName,
           v.DisplayName AS DisplayName,
           COALESCE(v.Description, N'') AS Description,
           COALESCE(v.SQLSelect, N'') AS SQLSelect,
           COALESCE(v.SQLFrom, N'') AS SQLFrom,
           v.SQLFromEx AS SQLFromEx,
           COALESCE(v.ColumnString, N'') AS ColumnString,
           v.Custom AS Custom,
           v.Shared AS Shared,
           v.BaseViewID AS BaseViewID,
           COALESCE(v.CreatorID, N'') AS CreatorID,
           v.LastUsedFilter AS LastUsedFilter,
           (SELECT TOP (1) mv.AutoPopulate
            FROM dbo.LdMyViews mv
            WHERE mv.ViewID = v.ViewID
              AND TRIM(mv.UserID) = TRIM(@UserID) COLLATE Latin1_General_CI_AS
            ORDER BY mv.MyViewID) AS AutoPopulate,
           v.SQLViewName AS SQLViewName,
           v.CreateSQLView AS CreateSQLView,
           v.SQLViewApplicationID AS SQLViewApplicationID
    FROM dbo.LdViews v
    WHERE v.ViewID = @ViewID;
END
