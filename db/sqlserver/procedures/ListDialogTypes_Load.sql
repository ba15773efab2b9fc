-- ListDialogTypes_Load @vs_DialogType: the type's query pieces and column string;
-- no row for a type that does not exist (the column's collation compares
-- without regard to case, as the embedded server does).
CREATE OR ALTER PROCEDURE dbo.ListDialogTypes_Load
    @vs_DialogType nvarchar(255)
AS
BEGIN
    SET NOCOUNT ON;
    IF @vs_DialogType IS NULL
    BEGIN
        RAISERROR(N'ListDialogTypes_Load: @vs_DialogType must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString, CAST(IsProcType AS bit) AS IsProcType
    FROM dbo.ListDialogTypes
    WHERE DialogType = @vs_DialogType;
END
