-- Ld_GetViewColumns @ViewID, @AllBaseColumns: the view's columns in column order, or
-- (@AllBaseColumns non-zero) every column of its base, the view's own first, with
-- zeros where the view has no row for a column.
-- A column stored twice for a view has two rows; the lowest ViewColumnID counts.
-- Display names order by their ASCII lower case, code point by code point, as the
-- embedded server orders them, whatever the database's collation.
CREATE OR ALTER PROCEDURE dbo.Ld_GetViewColumns
    @ViewID int,
    @AllBaseColumns int = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetViewColumns: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT COALESCE(vc.ViewColumnID, 0) AS ViewColumnID,
           CAST(COALESCE(vc.ColumnOrder, 0) AS int) AS ColumnOrder,
           CAST(COALESCE(vc.FilterOrder, 0) AS int) AS FilterOrder,
           bc.ColumnID AS ColumnID,
           bc.ColumnName AS ColumnName,
           bc.DisplayName AS DisplayName,
           bc.ColumnSQL AS ColumnSQL,
           bc.DataType AS DataType,
           CAST(bc.Type AS int) AS Type,
           bc.Required AS Required,
           CAST(COALESCE(vc.Viewable, 0) AS bit) AS Viewable,
           CAST(COALESCE(vc.Filterable, 0) AS bit) AS Filterable,
           bc.UseExtendedFrom AS UseExtendedFrom,
           bc.AllowFunctions AS AllowFunctions,
           bc.FilterDataType AS FilterDataType,
           bc.Imported AS Imported
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBaseColumns bc ON bc.BaseID = v.BaseID
    LEFT JOIN dbo.LdViewColumns vc ON vc.ViewColumnID =
        (SELECT MIN(x.ViewColumnID) FROM dbo.LdViewColumns x WHERE x.ViewID = v.ViewID AND x.BaseColumnID = bc.ColumnID)
    WHERE v.ViewID = @ViewID
      AND (vc.ViewColumnID IS NOT NULL OR COALESCE(@AllBaseColumns, 0) <> 0)
    ORDER BY CASE WHEN vc.ViewColumnID IS NULL THEN 1 ELSE 0 END, COALESCE(vc.ColumnOrder, 0),
             LOWER(bc.DisplayName) COLLATE Latin1_General_BIN2, bc.ColumnID;
END
