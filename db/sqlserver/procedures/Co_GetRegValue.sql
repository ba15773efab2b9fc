-- Co_GetRegValue @vi_ParentID, @vs_SubKey, @vs_Name, @rs_Type OUTPUT, @rs_Value OUTPUT.
-- Runs in the company database (CoRegKeys, CoRegValues).
-- The sub key may be a path ("A\B") below the parent key (NULL or 0: the top level);
-- names compare without regard to case or surrounding blanks, whatever the
-- server's default collation. A missing key or value is an error, which the
-- program reads as "no value".
CREATE OR ALTER PROCEDURE dbo.Co_GetRegValue
    @vi_ParentID int,
    @vs_SubKey nvarchar(4000),
    @vs_Name nvarchar(4000),
    @rs_Type char(2) = NULL OUTPUT,
    @rs_Value nvarchar(255) = NULL OUTPUT
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @msg nvarchar(2047);
    IF @vs_SubKey IS NULL
    BEGIN
        RAISERROR(N'Co_GetRegValue: @vs_SubKey must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @vs_Name IS NULL
    BEGIN
        RAISERROR(N'Co_GetRegValue: @vs_Name must not be NULL.', 16, 1);
        RETURN;
    END;
    -- Empty parts are skipped ("A\\B" is "A\B"); DATALENGTH, because "=" would
    -- take a part of blanks for an empty one.
    IF DATALENGTH(REPLACE(@vs_SubKey, N'\', N'')) = 0
    BEGIN
        RAISERROR(N'Co_GetRegValue: @vs_SubKey must name a key.', 16, 1);
        RETURN;
    END;

    -- Walk the path one key at a time.
    DECLARE @key int = NULLIF(@vi_ParentID, 0);
    DECLARE @next int;
    DECLARE @part nvarchar(4000);
    DECLARE @pos int = 1;
    DECLARE @cut int;
    DECLARE @len int = DATALENGTH(@vs_SubKey) / 2;
    WHILE @pos <= @len
    BEGIN
        SET @cut = CHARINDEX(N'\', @vs_SubKey, @pos);
        IF @cut = 0
            SET @cut = @len + 1;
        SET @part = SUBSTRING(@vs_SubKey, @pos, @cut - @pos);
        SET @pos = @cut + 1;
        IF DATALENGTH(@part) = 0
            CONTINUE;
        SET @next = NULL;
        SELECT TOP (1) @next = KeyID
        FROM dbo.CoRegKeys
        WHERE ((@key IS NULL AND ParentID IS NULL) OR ParentID = @key)
          AND TRIM(Name) COLLATE Latin1_General_100_CI_AS = TRIM(@part)
        ORDER BY KeyID;
        IF @next IS NULL
        BEGIN
            SET @msg = CONCAT(N'Co_GetRegValue: the registry key ''', @vs_SubKey, N''' does not exist.');
            RAISERROR(N'%s', 16, 1, @msg);
            RETURN;
        END;
        SET @key = @next;
    END;

    DECLARE @found bit = 0;
    DECLARE @type nvarchar(255);
    DECLARE @value nvarchar(255);
    SELECT TOP (1) @found = 1, @type = [Type], @value = [Value]
    FROM dbo.CoRegValues
    WHERE KeyID = @key
      AND TRIM(Name) COLLATE Latin1_General_100_CI_AS = TRIM(@vs_Name);
    IF @found = 0
    BEGIN
        SET @msg = CONCAT(N'Co_GetRegValue: the registry value ''', @vs_Name, N''' does not exist under the key ''',
                          @vs_SubKey, N'''.');
        RAISERROR(N'%s', 16, 1, @msg);
        RETURN;
    END;
    -- The type comes back as the char(2) it is declared as: "S" is "S ".
    SET @rs_Type = TRIM(@type);
    SET @rs_Value = @value;
END
