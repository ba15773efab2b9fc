-- Ld_ChangeSQLView @Name, @Select: the one part of Ld_UpdateSQLStmts and
-- Ld_DeleteView that changes the schema. With @Select it makes the SQL view
-- dbo.<@Name> as that query (replacing one of that name), hands it to
-- quillon_views and names it in no other way; without it, it drops the view.
-- Runs as its owner, since the application login may not change the schema; the
-- logins script denies that login EXECUTE on it, so that only the two procedures
-- (owned by dbo as this one is, so that no right is checked on the call) reach it.
-- It touches only a view that quillon_views owns, which nothing but this procedure
-- can give it: what the application login writes in LdViews never decides which
-- view of the database is dropped or replaced. Everything else it refuses.
CREATE OR ALTER PROCEDURE dbo.Ld_ChangeSQLView
    @Name nvarchar(128),
    @Select nvarchar(max) = NULL
WITH EXECUTE AS OWNER
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @Type char(2), @OwnerID int, @Existing sysname, @Sql nvarchar(max), @Message nvarchar(2047);
    -- NULL where the user is missing: then no view is taken for one of ours.
    DECLARE @Views int = DATABASE_PRINCIPAL_ID(N'quillon_views');
    IF @Name IS NULL OR DATALENGTH(@Name) = 0
    BEGIN
        RAISERROR(N'Ld_ChangeSQLView: @Name must not be empty.', 16, 1);
        RETURN;
    END;
    -- Object names compare without regard to case, as the server's catalogue does.
    SELECT @Type = o.type, @Existing = o.name,
           @OwnerID = COALESCE(o.principal_id, s.principal_id)
    FROM sys.objects o
    INNER JOIN sys.schemas s ON s.schema_id = o.schema_id
    WHERE o.schema_id = SCHEMA_ID(N'dbo') AND o.name = @Name COLLATE Latin1_General_CI_AS;
    IF @Existing IS NOT NULL
       AND (@Type <> 'V' OR @OwnerID IS NULL OR @Views IS NULL OR @OwnerID <> @Views)
    BEGIN
        SET @Message = CONCAT(N'Ld_ChangeSQLView: dbo.', QUOTENAME(@Existing),
                              N' was not made for a list view (it is not owned by quillon_views) and is left as it is.');
        RAISERROR(N'%s', 16, 1, @Message);
        RETURN;
    END;
    IF @Existing IS NOT NULL
    BEGIN
        SET @Sql = N'DROP VIEW dbo.' + QUOTENAME(@Existing) + N';';
        EXEC sys.sp_executesql @Sql;
    END;
    IF @Select IS NULL
        RETURN;
    -- CREATE VIEW must be alone in its batch: a batch of its own.
    SET @Sql = N'CREATE VIEW dbo.' + QUOTENAME(@Name) + N' AS ' + @Select;
    EXEC sys.sp_executesql @Sql;
    -- Owned by dbo, as its tables are, the view would read them past the reader's
    -- denials (ownership chaining): the users' passwords to the read-only login.
    -- Under an owner of no rights each reader's own apply.
    SET @Sql = N'ALTER AUTHORIZATION ON OBJECT::dbo.' + QUOTENAME(@Name) + N' TO [quillon_views];';
    EXEC sys.sp_executesql @Sql;
END
