#include "platform/settings/RegistryStoreJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstring>

namespace registrystore {

namespace {

constexpr int kFormatVersion = 1;

}  // namespace

const std::map<HKEY, QString>& roots()
{
    static const std::map<HKEY, QString> r = {
        {HKEY_CURRENT_USER, QStringLiteral("HKEY_CURRENT_USER")},
        {HKEY_LOCAL_MACHINE, QStringLiteral("HKEY_LOCAL_MACHINE")},
    };
    return r;
}

bool isRootName(const QString& name)
{
    return std::any_of(roots().begin(), roots().end(), [&](const auto& r) { return r.second == name; });
}

namespace {

QString hexOf(const QByteArray& b) { return QString::fromLatin1(b.toHex(' ')); }

QJsonObject valueToJson(const StoredValue& v)
{
    QJsonObject o;
    o[QStringLiteral("name")] = v.name;
    o[QStringLiteral("type")] = static_cast<qint64>(v.type);
    if (v.isText)
        o[QStringLiteral("text")] = v.text;
    else if (v.type == REG_DWORD && v.bytes.size() == 4) {
        int32_t n = 0;
        memcpy(&n, v.bytes.constData(), 4);  // little-endian, as written
        o[QStringLiteral("dword")] = n;
    } else if (!v.bytes.isEmpty() || v.type != REG_NONE)
        o[QStringLiteral("bytes")] = hexOf(v.bytes);
    return o;
}

}  // namespace

QByteArray serialise(const Store& s)
{
    std::vector<const StoredKey*> keys;
    for (const auto& k : s.keys)
        keys.push_back(&k);
    std::stable_sort(keys.begin(), keys.end(), [](const StoredKey* a, const StoredKey* b) {
        return a->path.join(QLatin1Char('\\')).toUpper() < b->path.join(QLatin1Char('\\')).toUpper();
    });
    QJsonArray jkeys;
    for (const auto* k : keys) {
        QJsonArray jvalues;
        for (const auto& v : k->values)
            jvalues.append(valueToJson(v));
        QJsonObject jk;
        jk[QStringLiteral("path")] = k->path.join(QLatin1Char('\\'));
        jk[QStringLiteral("values")] = jvalues;
        jkeys.append(jk);
    }
    QJsonObject root;
    root[QStringLiteral("store")] = QStringLiteral("Quillon settings registry");
    root[QStringLiteral("version")] = kFormatVersion;
    root[QStringLiteral("keys")] = jkeys;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool parse(const QByteArray& data, Store* out, QString* reason)
{
    if (data.trimmed().isEmpty()) {
        *reason = QStringLiteral("the file is empty");
        return false;
    }
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &err);
    if (err.error != QJsonParseError::NoError) {
        *reason = QStringLiteral("it is not valid JSON (%1 at byte %2)").arg(err.errorString()).arg(err.offset);
        return false;
    }
    if (!doc.isObject()) {
        *reason = QStringLiteral("its top level is not an object");
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("version")).toInt(-1) != kFormatVersion) {
        *reason = QStringLiteral("its \"version\" is not %1").arg(kFormatVersion);
        return false;
    }
    if (!root.value(QStringLiteral("keys")).isArray()) {
        *reason = QStringLiteral("it has no \"keys\" list");
        return false;
    }
    Store s;
    const QJsonArray jkeys = root.value(QStringLiteral("keys")).toArray();
    for (qsizetype i = 0; i < jkeys.size(); ++i) {
        const QJsonObject jk = jkeys[i].toObject();
        const QString where = QStringLiteral("key %1").arg(i + 1);
        const QJsonValue jpath = jk.value(QStringLiteral("path"));
        const QStringList path = jpath.toString().split(QLatin1Char('\\'));
        if (!jkeys[i].isObject() || !jpath.isString() || path.size() < 2 || !isRootName(path.first())
            || path.contains(QString())) {
            *reason = QStringLiteral("%1 has no valid \"path\"").arg(where);
            return false;
        }
        if (!jk.value(QStringLiteral("values")).isArray()) {
            *reason = QStringLiteral("%1 (%2) has no \"values\" list").arg(where, jpath.toString());
            return false;
        }
        StoredKey key{path, {}};
        const QJsonArray jvalues = jk.value(QStringLiteral("values")).toArray();
        for (qsizetype j = 0; j < jvalues.size(); ++j) {
            const QJsonObject jv = jvalues[j].toObject();
            const QString vwhere = QStringLiteral("value %1 of %2 (%3)").arg(j + 1).arg(where, jpath.toString());
            const double type = jv.value(QStringLiteral("type")).toDouble(-1);
            if (!jvalues[j].isObject() || !jv.value(QStringLiteral("name")).isString() || type < 0
                || type > 4294967295.0 || type != static_cast<double>(static_cast<uint32_t>(type))) {
                *reason = QStringLiteral("%1 has no valid \"name\" and \"type\"").arg(vwhere);
                return false;
            }
            StoredValue v;
            v.name = jv.value(QStringLiteral("name")).toString();
            v.type = static_cast<uint32_t>(type);
            const QJsonValue text = jv.value(QStringLiteral("text"));
            const QJsonValue dword = jv.value(QStringLiteral("dword"));
            const QJsonValue bytes = jv.value(QStringLiteral("bytes"));
            if (!text.isUndefined()) {
                if (v.type != REG_SZ || !text.isString()) {
                    *reason = QStringLiteral("%1 has a \"text\" that is not a REG_SZ text").arg(vwhere);
                    return false;
                }
                v.isText = true;
                v.text = text.toString();
            } else if (!dword.isUndefined()) {
                const double d = dword.toDouble(0.5);
                if (v.type != REG_DWORD || d < -2147483648.0 || d > 4294967295.0 || d != static_cast<double>(static_cast<int64_t>(d))) {
                    *reason = QStringLiteral("%1 has a \"dword\" that is not a 32-bit REG_DWORD number").arg(vwhere);
                    return false;
                }
                const auto n = static_cast<uint32_t>(static_cast<int64_t>(d));
                v.bytes = QByteArray(reinterpret_cast<const char*>(&n), 4);
            } else if (!bytes.isUndefined()) {
                const QString hex = bytes.toString();
                const QByteArray raw = QByteArray::fromHex(hex.toLatin1());
                QString compact = hex;
                compact.remove(QLatin1Char(' '));
                if (!bytes.isString() || compact.size() != raw.size() * 2
                    || QString::fromLatin1(raw.toHex()) != compact.toLower()) {
                    *reason = QStringLiteral("%1 has \"bytes\" that are not hexadecimal").arg(vwhere);
                    return false;
                }
                v.bytes = raw;
            }
            key.values.push_back(std::move(v));
        }
        s.keys.push_back(std::move(key));
    }
    *out = std::move(s);
    return true;
}

}  // namespace registrystore
