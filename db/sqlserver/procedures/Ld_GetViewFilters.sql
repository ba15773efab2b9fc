-- Ld_GetViewFilters @ViewID, @EditorMode: every saved search of the view, by name.
-- Both modes list every search; @EditorMode is taken for the callers that send it.
-- Names order as the embedded server orders them (ASCII lower case, code point by
-- code point).
CREATE OR ALTER PROCEDURE dbo.Ld_GetViewFilters
    @ViewID int,
    @EditorMode int = NULL
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
    ORDER BY LOWER(FilterName) COLLATE Latin1_General_BIN2, ViewFilterID;
END
