#include "core/SessionValues.h"

#include "base/AppError.h"
#include "core/AuLibrary.h"
#include "base/AuUtilities.h"
#include "core/CoQuillonSystemEngine.h"

QString g_sUserID;
QString g_sCompanyID;
QString g_sDatabase;
QString g_sServer;
BrandleDatabasePtr g_cn;

QString TrimBlanks(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && text.at(e - 1) == QLatin1Char(' '))
        --e;
    return text.mid(b, e - b);
}

QString GetCurrentUserID() { return g_sUserID; }

void OpenLookupConnection()
{
    BrandleDatabasePtr connection = CreateADOConnection();
    g_cn = std::move(connection);
}

BrandleDatabasePtr CreateADOConnection()
{
    // The pieces of the lookup connection: the application login with its password,
    // the company database and the server of the session.
    const CoEnvironmentSettings& settings = SessionEngine().EnvironmentSettings();
    auto connection = std::make_shared<BrandleDatabase>();
    OpenWithApplicationLogin(*connection, g_sServer, g_sDatabase, settings.SqlPassword(), settings.SqlReadPassword());
    return connection;
}

QString MakeColumnToken(const Variant& columnName)
{
    if (columnName.isNull())
        return QStringLiteral("{}");
    return QLatin1Char('{') + TrimBlanks(columnName.toString()) + QLatin1Char('}');
}

bool ExecuteSQL(const QString& sql)
{
    try {
        SessionEngine().DBI().Execute(sql);
        return true;
    } catch (const AppError& e) {
        SetCurrentError(e);
        return false;
    }
}

Variant GetSQLValue(const QString& sql)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    Variant value;
    if (dbi.OpenRecordset(sql, rs, 0, 1))
        value = rs->Item(0);
    dbi.CloseRecordset(rs);
    return value;
}

Variant GetRegValue(int32_t parentKeyId, const QString& subKey, const QString& valueName)
{
    BrandleCommand cmd;
    cmd.Init(QStringLiteral("Co_GetRegValue"), 5);
    cmd.AddParameter(QStringLiteral("@vi_ParentID"), adInteger, adParamInput, 0, EmptyToNull(Variant(parentKeyId)), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_SubKey"), adVarChar, adParamInput, 255, Variant(subKey), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_Name"), adVarChar, adParamInput, 50, Variant(valueName), -1, -1);
    cmd.AddParameter(QStringLiteral("@rs_Type"), adChar, adParamOutput, 2, Variant(), -1, -1);
    cmd.AddParameter(QStringLiteral("@rs_Value"), adVarChar, adParamOutput, 255, Variant(), -1, -1);
    try {
        if (!SessionEngine().DBI().ExecuteCommand(cmd))
            return Variant();
    } catch (const AppError& e) {
        SetCurrentError(e);
        return Variant();
    }
    // A NULL output reads as no text.
    const Variant typeValue = cmd.ParameterValue(QStringLiteral("@rs_Type"));
    const Variant valueValue = cmd.ParameterValue(QStringLiteral("@rs_Value"));
    const QString type = TrimBlanks(typeValue.isNull() ? QString() : typeValue.toString());
    const QString text = SpaceToEmpty(valueValue.isNull() ? QString() : valueValue.toString());
    if (type == QLatin1String("S"))
        return Variant(text);
    if (type == QLatin1String("I4"))
        return Variant(Variant(text).toInt32());
    if (type == QLatin1String("F8"))
        return Variant(Variant(text).toDouble());
    ReRaiseError(vberr::ProgramDefined,
                 QStringLiteral("Unable to load value of type '") + type + QStringLiteral("' from the registry."));
}

