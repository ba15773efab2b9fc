-- Ld_GetViewFilters @ViewID, @EditorMode, @UserID: the view's saved searches that the
-- user may see, by name: those shared with all users and the user's own. Without a
-- user (the callers that send only the first two), every search of the view.
-- Both modes list the same searches; @EditorMode is taken for the callers that send it.
-- User ids compare without regard to case or surrounding blanks; names order as the
-- embedded server orders them (ASCII lower case, code point by code point).
CREATE OR ALTER PROCEDURE dbo.Ld_GetViewFilters
    @ViewID int,
    @EditorMode int = NULL,
    @UserID nvarchar(255) = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetViewFilters: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT ViewFilterID AS ViewFilterID,
           FilterName AS FilterName,
           FilterString AS FilterString,
           CAST(COALESCE(UseMe, 1) AS bit) AS UseMe,
           Shared AS Shared,
           CreatorID AS CreatorID,
           Complex AS Complex
    FROM dbo.LdViewFilters
    WHERE ViewID = @ViewID
      AND (@UserID IS NULL OR Shared <> 0
           OR TRIM(CreatorID) = TRIM(@UserID) COLLATE Latin1_General_CI_AS)
    ORDER BY LOWER(FilterName) COLLATE Latin1_General_BIN2, ViewFilterID;
END
