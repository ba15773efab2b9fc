-- Ld_GetViewColumnFunctions @ViewID: the view's column functions in their order,
-- with the function's caption and SQL made from its templates. Both names of the
-- function's column are given (each program reads one of them).
-- The template markers are replaced exactly (in their case only), as the
-- embedded server replaces them.
CREATE OR ALTER PROCEDURE dbo.Ld_GetViewColumnFunctions
    @ViewID int
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetViewColumnFunctions: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT REPLACE(cf.DisplayTemplate COLLATE Latin1_General_BIN2, N'%NAME%', bc.DisplayName) AS DisplayName,
           REPLACE(cf.FunctionTemplate COLLATE Latin1_General_BIN2, N'%COL%', bc.ColumnSQL) AS FunctionSQL,
           COALESCE(cf.ResultDataType, bc.DataType) AS DataType,
           CAST(f.FunctionOrder AS int) AS FunctionOrder,
           bc.ColumnID AS ColumnID,
           bc.DisplayName AS FunctionColumnDisplayName,
           bc.ColumnName AS ColumnName,
           cf.ColumnFunction AS ColumnFunction,
           cf.ColumnFunctionID AS ColumnFunctionID
    FROM dbo.LdViewColumnFunctions f
    INNER JOIN dbo.LdColumnFunctions cf ON cf.ColumnFunctionID = f.ColumnFunctionID
    INNER JOIN dbo.LdBaseColumns bc ON bc.ColumnID = f.BaseColumnID
    WHERE f.ViewID = @ViewID
    ORDER BY f.FunctionOrder, f.ViewColumnFunctionID;
END
