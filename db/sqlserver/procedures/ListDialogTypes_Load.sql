-- ListDialogTypes_Load @vs_DialogType: the type's query pieces and column string;
-- no row for a type that does not exist. Runs in the company database
-- (ListDialogTypes). The name compares without regard to case whatever the
-- server's default collation, as the embedded server's NOCASE column does; the
-- parameter is wide so that a long name is not cut to an existing one.
CREATE OR ALTER PROCEDURE dbo.ListDialogTypes_Load
    @vs_DialogType nvarchar(4000)
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
    WHERE DialogType COLLATE Latin1_General_100_CI_AS = @vs_DialogType;
END
