-- Ld_GetAssocViews @ViewID, @UserID, @AllLinks: the view's links to views the user
-- may see (shared, the system's, or the user's own), with the columns they relate;
-- only the links switched on unless @AllLinks is non-zero.
-- User ids compare without regard to case or surrounding blanks; view names order
-- as the embedded server orders them (ASCII lower case, code point by code point).
CREATE OR ALTER PROCEDURE dbo.Ld_GetAssocViews
    @ViewID int,
    @UserID nvarchar(255),
    @AllLinks int = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @ViewID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetAssocViews: @ViewID must not be NULL.', 16, 1);
        RETURN;
    END;
    IF @UserID IS NULL
    BEGIN
        RAISERROR(N'Ld_GetAssocViews: @UserID must not be NULL.', 16, 1);
        RETURN;
    END;
    SELECT vr.ViewRelationshipID AS ViewRelationshipID,
           vr.BaseRelationshipID AS RelationshipID,
           lv.DisplayName AS ViewName,
           vr.UseMe AS UseMe,
           vr.LinkViewID AS fkViewID,
           br.ColumnID1 AS ColumnID1,
           br.Column1Filter AS Column1Filter,
           CAST(br.Column1FilterTypeID AS int) AS Column1FilterTypeID,
           br.AssocColumnID1 AS AssocColumnID1,
           a1.ColumnName AS AssocColumnName1,
           a1.ColumnSQL AS AssocColumnSQL1,
           br.ColumnID2 AS ColumnID2,
           br.Column2Filter AS Column2Filter,
           CAST(br.Column2FilterTypeID AS int) AS Column2FilterTypeID,
           br.AssocColumnID2 AS AssocColumnID2,
           a2.ColumnName AS AssocColumnName2,
           a2.ColumnSQL AS AssocColumnSQL2,
           br.MiscFilter AS MiscFilter,
           CAST(br.MiscFilterTypeID AS int) AS MiscFilterTypeID,
           br.MiscFilter2 AS MiscFilter2,
           CAST(br.MiscFilter2TypeID AS int) AS MiscFilter2TypeID
    FROM dbo.LdViewRelationships vr
    INNER JOIN dbo.LdBaseRelationships br ON br.BaseRelationshipID = vr.BaseRelationshipID
    INNER JOIN dbo.LdViews lv ON lv.ViewID = vr.LinkViewID
    INNER JOIN dbo.LdBaseColumns a1 ON a1.ColumnID = br.AssocColumnID1
    LEFT JOIN dbo.LdBaseColumns a2 ON a2.ColumnID = br.AssocColumnID2
    WHERE vr.ViewID = @ViewID
      AND (COALESCE(@AllLinks, 0) <> 0 OR vr.UseMe <> 0)
      AND (lv.Shared <> 0 OR lv.CreatorID IS NULL
           OR TRIM(lv.CreatorID) = TRIM(@UserID) COLLATE Latin1_General_CI_AS)
    ORDER BY LOWER(lv.DisplayName) COLLATE Latin1_General_BIN2, vr.ViewRelationshipID;
END
