-- Ld_IsColumnFilterable @ViewID, @ColumnID, @ColumnName: whether a column of the
-- view's base is a filter of the view, found by id or else by name. The name is
-- matched as the column tokens are: exactly (case and all, hence the binary
-- collation), blanks around it ignored. An unknown column gives no row.
CREATE OR ALTER PROCEDURE dbo.Ld_IsColumnFilterable
    @ViewID int,
    @ColumnID int,
    @ColumnName nvarchar(255) = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_IsColumnFilterable: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @ColumnID IS NULL AND @ColumnName IS NULL
    BEGIN
        RAISERROR(N'Ld_IsColumnFilterable: @ColumnID and @ColumnName must not both be NULL.', 16, 1);
        RETURN;
    END;
    SELECT TOP (1)
           CAST(COALESCE((SELECT TOP (1) vc.Filterable
                          FROM dbo.LdViewColumns vc
                          WHERE vc.ViewID = v.ViewID AND vc.BaseColumnID = bc.ColumnID
                          ORDER BY vc.ViewColumnID), 0) AS bit) AS Filterable,
           bc.DisplayName AS DisplayName
    FROM dbo.LdViews v
    INNER JOIN dbo.LdBaseColumns bc ON bc.BaseID = v.BaseID
    WHERE v.ViewID = @ViewID
      AND ((@ColumnID IS NOT NULL AND bc.ColumnID = @ColumnID)
           OR (@ColumnID IS NULL AND TRIM(bc.ColumnName) = TRIM(@ColumnName) COLLATE Latin1_General_BIN2))
    ORDER BY bc.ColumnID;
END
