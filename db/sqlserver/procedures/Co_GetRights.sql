-- Co_GetRights @vs_UserID, @vs_CompanyID, @vs_SecuredObjectID, @ri_Rights OUTPUT.
-- Runs in the company database (CoSecuredObjectRights, CoUserGroups).
-- The user's rights mask (View 1, Create 2, Edit 4, Delete 8) on the object: the
-- rights granted to the user and to the user's groups, for every company
-- (CompanyID NULL) or for this one. The user "admin" holds all of them; no grant
-- gives 0. Names compare without regard to case or surrounding blanks, whatever
-- the server's default collation.
CREATE OR ALTER PROCEDURE dbo.Co_GetRights
    @vs_UserID nvarchar(4000),
    @vs_CompanyID nvarchar(4000),
    @vs_SecuredObjectID nvarchar(4000),
    @ri_Rights int = NULL OUTPUT
AS
BEGIN
    SET NOCOUNT ON;
    IF @vs_UserID IS NULL
    BEGIN
        RAISERROR(N'Co_GetRights: @vs_UserID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @vs_SecuredObjectID IS NULL
    BEGIN
        RAISERROR(N'Co_GetRights: @vs_SecuredObjectID must not be NULL.', 16, 1);
        RETURN;
    END;
    -- The user id loses the blanks the embedded server trims (Unicode white space).
    DECLARE @blanks nvarchar(30) = CONCAT(N' ', NCHAR(9), NCHAR(10), NCHAR(11), NCHAR(12), NCHAR(13), NCHAR(133),
                                          NCHAR(160), NCHAR(5760), NCHAR(8192), NCHAR(8193), NCHAR(8194),
                                          NCHAR(8195), NCHAR(8196), NCHAR(8197), NCHAR(8198), NCHAR(8199),
                                          NCHAR(8200), NCHAR(8201), NCHAR(8202), NCHAR(8232), NCHAR(8233),
                                          NCHAR(8239), NCHAR(8287), NCHAR(12288));
    DECLARE @user nvarchar(4000) = TRIM(@blanks FROM @vs_UserID);
    -- Binary: an accent-insensitive collation must not make "ädmin" the admin.
    IF LOWER(@user) COLLATE Latin1_General_100_BIN2 = N'admin'
    BEGIN
        SET @ri_Rights = 15;
        RETURN;
    END;
    -- No OR aggregate in T-SQL: one MAX per right, or-ed together.
    SELECT @ri_Rights = COALESCE(MAX(r.Rights & 1), 0) | COALESCE(MAX(r.Rights & 2), 0)
                        | COALESCE(MAX(r.Rights & 4), 0) | COALESCE(MAX(r.Rights & 8), 0)
    FROM dbo.CoSecuredObjectRights r
    WHERE TRIM(r.SecuredObjectID) COLLATE Latin1_General_100_CI_AS = TRIM(@vs_SecuredObjectID)
      AND (r.CompanyID IS NULL OR TRIM(r.CompanyID) COLLATE Latin1_General_100_CI_AS = TRIM(@vs_CompanyID))
      AND ((r.IsGroup = 0 AND TRIM(r.PrincipalID) COLLATE Latin1_General_100_CI_AS = @user)
           OR (r.IsGroup <> 0 AND EXISTS (SELECT 1
                                          FROM dbo.CoUserGroups g
                                          WHERE TRIM(g.GroupID) COLLATE Latin1_General_100_CI_AS = TRIM(r.PrincipalID)
                                            AND TRIM(g.UserID) COLLATE Latin1_General_100_CI_AS = @user)));
END
