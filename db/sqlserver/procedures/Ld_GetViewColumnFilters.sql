-- Ld_GetViewColumnFilters @ViewID: the view's filter columns in filter order, with
-- the fields of Ld_GetViewColumns. A column stored twice for a view has two rows;
-- the lowest ViewColumnID counts. Display names order as the embedded server
-- orders them (ASCII lower case, code point by code point).
CREATE OR ALTER PROCEDURE dbo.Ld_GetViewColumnFilters
    @ViewID int
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetViewColumnFilters: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT vc.ViewColumnID AS ViewColumnID,
           CAST(vc.ColumnOrder AS int) AS ColumnOrder,
           CAST(vc.FilterOrder AS int) AS FilterOrder,
           bc.ColumnID AS ColumnID,
           bc.ColumnName AS ColumnName,
           bc.DisplayName AS DisplayName,
           bc.ColumnSQL AS ColumnSQL,
           bc.DataType AS DataType,
           CAST(bc.Type AS int) AS Type,
           bc.Required AS Required,
           vc.Viewable AS Viewable,
           vc.Filterable AS Filterable,
           bc.UseExtendedFrom AS UseExtendedFrom,
           bc.AllowFunctions AS AllowFunctions,
           bc.FilterDataType AS FilterDataType,
           bc.Imported AS Imported
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBaseColumns bc ON bc.BaseID = v.BaseID
    INNER JOIN dbo.LdViewColumns vc ON vc.ViewColumnID =
        (SELECT MIN(x.ViewColumnID) FROM dbo.LdViewColumns x WHERE x.ViewID = v.ViewID AND x.BaseColumnID = bc.ColumnID)
    WHERE v.ViewID = @ViewID
      AND vc.Filterable <> 0
    ORDER BY vc.FilterOrder, vc.ColumnOrder, LOWER(bc.DisplayName) COLLATE Latin1_General_BIN2, bc.ColumnID;
END
