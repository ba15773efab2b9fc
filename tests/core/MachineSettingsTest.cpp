#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "core/Windows.h"
#include "CoreTestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Thing : public VObject {};

class MachineSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        RegistryStore::SetDirectory(m_dir.path());
    }
    void TearDown() override { RegistryStore::SetDirectory(QString()); }

    // The values the store file holds under a key, by the file's own text: name -> value object.
    QJsonObject storedValues(const QString& path) const
    {
        QFile f(RegistryStore::FilePath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QJsonObject out;
        for (const auto& k : QJsonDocument::fromJson(f.readAll()).object().value("keys").toArray())
            if (k.toObject().value("path").toString() == path)
                for (const auto& v : k.toObject().value("values").toArray())
                    out[v.toObject().value("name").toString()] = v.toObject();
        return out;
    }
    // Writes a raw value under the key, as another program could.
    void writeRaw(const QString& subKey, const QString& name, uint32_t type, const QByteArray& bytes)
    {
        HKEY h = 0;
        ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, MachineSettingsKeyPath(subKey), &h), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(h, name, type, bytes, static_cast<uint32_t>(bytes.size())), ERROR_SUCCESS);
        RegCloseKey(h);
    }

    QTemporaryDir m_dir;
};

const QString kUserKey = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Harbrook Inc\\Pelmora\\");

TEST_F(MachineSettingsTest, SaveWritesEachKindAsItsRegistryType)
{
    AuProperties bag;
    bag.Add("Text", QString("Hello"));
    bag.Add("UserID", QString::fromUtf8("Łukasz"));
    bag.Add("EmptyText", QString(""));
    bag.Add("Small", int16_t(-3));
    bag.Add("Large", int32_t(1234567));
    bag.Add("Flag", true);
    bag.Add("Nothing", Variant());
    bag.Add("Absent", Variant(Null));
    bag.Add("Ratio", 2.5);
    bag.Add("Money", Currency::fromDouble(1.25));
    bag.Add("When", QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
    bag.Add("Object", std::make_shared<Thing>());
    ASSERT_TRUE(SaveMachineSettings("Quillon\\MDIFrame", bag));

    const QJsonObject values = storedValues(kUserKey + "Quillon\\MDIFrame");
    ASSERT_EQ(values.size(), 12);
    EXPECT_EQ(values["Text"].toObject(), QJsonObject({{"name", "Text"}, {"type", 1}, {"text", "Hello"}}));
    EXPECT_EQ(values["UserID"].toObject()["text"].toString(), QString::fromUtf8("Łukasz"));
    EXPECT_EQ(values["Small"].toObject(), QJsonObject({{"name", "Small"}, {"type", 4}, {"dword", -3}}));
    EXPECT_EQ(values["Large"].toObject()["dword"].toInt(), 1234567);
    for (const char* none : {"Flag", "Nothing", "Absent", "Ratio", "Money", "When", "Object"})
        EXPECT_EQ(values[none].toObject(), QJsonObject({{"name", none}, {"type", 0}})) << none;

    // The sizes the registry reports: text characters plus one NUL, 4 for a DWORD, 0 for no data.
    HKEY h = 0;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, MachineSettingsKeyPath("Quillon\\MDIFrame"), &h), ERROR_SUCCESS);
    struct Size { const char* name; uint32_t type; uint32_t count; };
    for (const Size s : {Size{"Text", REG_SZ, 6}, {"UserID", REG_SZ, 7}, {"EmptyText", REG_SZ, 1}, {"Small", REG_DWORD, 4},
                         {"Flag", REG_NONE, 0}, {"Absent", REG_NONE, 0}}) {
        uint32_t type = 99, count = 99;
        ASSERT_EQ(RegQueryValueEx(h, s.name, &type, &count), ERROR_SUCCESS) << s.name;
        EXPECT_EQ(type, s.type) << s.name;
        EXPECT_EQ(count, s.count) << s.name;
    }
    RegCloseKey(h);
}

TEST_F(MachineSettingsTest, LoadGivesBackTextsAndIntegersAndKeepsDefaultsForTheRest)
{
    AuProperties saved;
    saved.Add("Text", QString("Hello"));
    saved.Add("UserID", QString::fromUtf8("Łukasz"));
    saved.Add("EmptyText", QString(""));
    saved.Add("Small", int16_t(-3));
    saved.Add("Large", int32_t(1234567));
    saved.Add("Flag", true);
    saved.Add("Nothing", Variant());
    saved.Add("Ratio", 2.5);
    ASSERT_TRUE(SaveMachineSettings("Connection", saved));

    AuProperties loaded;
    for (const char* name : {"Text", "UserID", "EmptyText", "Small", "Large", "Flag", "Nothing", "Ratio", "NotStored"})
        loaded.Add(name, QString("default"));
    ASSERT_TRUE(LoadMachineSettings("Connection", loaded));
    struct Expect { const char* name; Variant value; };
    const Expect expected[] = {
        {"Text", QString("Hello")},
        {"UserID", QString::fromUtf8("Łukasz")},
        {"EmptyText", QString("")},
        {"Small", int32_t(-3)},  // a 16-bit integer comes back as 32-bit
        {"Large", int32_t(1234567)},
        {"Flag", QString("default")},  // Booleans do not survive
        {"Nothing", QString("default")},
        {"Ratio", QString("default")},
        {"NotStored", QString("default")},
    };
    for (const auto& e : expected)
        EXPECT_TRUE(loaded.Item(QString(e.name))->Value().identical(e.value)) << e.name;
}

TEST_F(MachineSettingsTest, MissingKeyGivesFalseAndKeepsEveryDefault)
{
    AuProperties other;
    other.Add("Left", int32_t(5));
    ASSERT_TRUE(SaveMachineSettings("Quillon\\Some View", other));

    for (const char* subKey : {"Quillon\\MDIFrame", "Quillon\\Some", "Quillon\\Some View\\Deeper"}) {
        AuProperties bag;
        bag.Add("Left", int32_t(100));
        bag.Add("Caption", QString("x"));
        bag.Add("Flag", true);
        EXPECT_FALSE(LoadMachineSettings(subKey, bag)) << subKey;
        EXPECT_TRUE(bag.Item(QString("Left"))->Value().identical(int32_t(100)));
        EXPECT_TRUE(bag.Item(QString("Caption"))->Value().identical(QString("x")));
        EXPECT_TRUE(bag.Item(QString("Flag"))->Value().identical(true));
        EXPECT_EQ(bag.Count(), 3);
    }
    // A subkey the registry refuses (an empty key name inside) can be neither saved nor loaded.
    AuProperties bag;
    bag.Add("Left", int32_t(1));
    EXPECT_FALSE(SaveMachineSettings("Quillon\\\\Odd", bag));
    EXPECT_FALSE(LoadMachineSettings("Quillon\\\\Odd", bag));
}

TEST_F(MachineSettingsTest, ValuesOfOtherTypesAndZeroSizedTextReadAsNull)
{
    struct Raw { const char* name; uint32_t type; QByteArray bytes; Variant loaded; };
    const Raw cases[] = {
        {"Expand", REG_EXPAND_SZ, QByteArray("%TEMP%\0", 7), QString("default")},
        {"Binary", REG_BINARY, QByteArray("\x01\x02\x03\x04", 4), QString("default")},
        {"Multi", REG_MULTI_SZ, QByteArray("a\0\0", 3), QString("default")},
        {"Odd", 11u, QByteArray(8, 'x'), QString("default")},
        {"None", REG_NONE, QByteArray(), QString("default")},
        {"ZeroText", REG_SZ, QByteArray(), QString("default")},
        // Text another program wrote without a NUL: the reader drops the last character.
        {"BareText", REG_SZ, QByteArray("abc"), QString("ab")},
        {"ShortDword", REG_DWORD, QByteArray("\x05\x01", 2), int32_t(0x105)},
        {"LongDword", REG_DWORD, QByteArray(8, '\x01'), QString("default")},
    };
    AuProperties bag;
    for (const auto& c : cases) {
        writeRaw("Connection", c.name, c.type, c.bytes);
        bag.Add(c.name, QString("default"));
    }
    ASSERT_TRUE(LoadMachineSettings("Connection", bag));
    for (const auto& c : cases)
        EXPECT_TRUE(bag.Item(QString(c.name))->Value().identical(c.loaded)) << c.name;

    HKEY h = 0;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, MachineSettingsKeyPath("Connection"), &h), ERROR_SUCCESS);
    EXPECT_TRUE(RegQueryValueVariant(h, "NoSuchValue").isNull());
    RegCloseKey(h);
    EXPECT_TRUE(RegQueryValueVariant(HKEY(4242), "Expand").isNull());  // a handle that is not open
}

TEST_F(MachineSettingsTest, NamesIgnoreCaseAndUnnamedValuesAreLeftAlone)
{
    writeRaw("Quillon\\Orders", "ToolbarShowText", REG_DWORD, QByteArray("\0\0\0\0", 4));
    writeRaw("Quillon\\Orders", "Foreign", REG_BINARY, QByteArray("\x07", 1));

    AuProperties bag;
    bag.Add("TOOLBARSHOWTEXT", int32_t(1));
    ASSERT_TRUE(LoadMachineSettings("quillon\\ORDERS", bag));
    EXPECT_TRUE(bag.Item(QString("toolbarshowtext"))->Value().identical(int32_t(0)));

    bag.Item(QString("ToolbarShowText"))->LetValue(int32_t(1));
    ASSERT_TRUE(SaveMachineSettings("Quillon\\Orders", bag));
    const QJsonObject values = storedValues(kUserKey + "Quillon\\Orders");
    EXPECT_EQ(values.size(), 2);  // one value per name, whatever its case
    EXPECT_EQ(values["ToolbarShowText"].toObject()["dword"].toInt(), 1);
    EXPECT_EQ(values["Foreign"].toObject()["bytes"].toString(), QString("07"));
}

TEST_F(MachineSettingsTest, SharedNamesSaveTheLaterValueAndLoadFillBoth)
{
    AuProperties bag;
    bag.Add("Width", int32_t(10));
    bag.Add("width", int32_t(20));
    ASSERT_TRUE(SaveMachineSettings("Quillon\\MDIFrame", bag));
    EXPECT_EQ(storedValues(kUserKey + "Quillon\\MDIFrame")["Width"].toObject()["dword"].toInt(), 20);

    AuProperties loaded;
    loaded.Add("WIDTH", int32_t(0));
    loaded.Add("Width", QString("x"));
    ASSERT_TRUE(LoadMachineSettings("Quillon\\MDIFrame", loaded));
    EXPECT_TRUE(loaded.Item(int16_t(1))->Value().identical(int32_t(20)));
    EXPECT_TRUE(loaded.Item(int16_t(2))->Value().identical(int32_t(20)));
}

// ---------------------------------------------------------------- the bag itself
TEST(AuProperties, LookUpsByNameTakeTheFirstMatchWithoutRegardToCase)
{
    AuProperties bag;
    const auto first = bag.Add("Left", int32_t(1));
    const auto second = bag.Add("LEFT", int32_t(2));
    const auto top = bag.Add("Top", int32_t(3));
    EXPECT_EQ(bag.Count(), 3);
    EXPECT_EQ(first->Name(), QString("Left"));
    EXPECT_EQ(bag.Item(QString("left")), first);
    EXPECT_EQ(bag.Item(QString("Nowhere")), nullptr);
    EXPECT_EQ(bag.Item(int16_t(2)), second);
    EXPECT_EQ(bag.Item(3.0), top);
    for (const Variant bad : {Variant(int32_t(0)), Variant(int32_t(4)), Variant(int32_t(-1))})
        EXPECT_EQ(ErrorNumberOf([&] { bag.Item(bad); }), 9);

    bag.Remove(QString("Nowhere"));
    EXPECT_EQ(bag.Count(), 3);
    bag.Remove(QString("lEfT"));
    EXPECT_EQ(bag.Count(), 2);
    EXPECT_EQ(bag.Item(QString("Left")), second);
    EXPECT_EQ(ErrorNumberOf([&] { bag.Remove(int32_t(3)); }), 9);
    bag.Remove(int32_t(2));
    EXPECT_EQ(bag.Count(), 1);
    EXPECT_EQ(bag.Item(int32_t(1)), second);
}

TEST(AuProperties, ValuesAreCopiedOrSharedObjects)
{
    AuProperties bag;
    auto thing = std::make_shared<Thing>();
    const auto byRef = bag.Add("Object", thing);
    EXPECT_EQ(byRef->Value().toObject(), thing);
    QString text = "abc";
    const auto byCopy = bag.Add("Text", text);
    text = "changed";
    EXPECT_TRUE(byCopy->Value().identical(QString("abc")));
    AuProperty fresh;
    EXPECT_TRUE(fresh.Name().isEmpty());
    EXPECT_TRUE(fresh.Value().isEmpty());
}

TEST(AuProperties, CountOverflowsBeyond32767)
{
    AuProperties bag;
    for (int i = 0; i < 32767; ++i)
        bag.Add("P", int32_t(i));
    EXPECT_EQ(bag.Count(), 32767);
    bag.Add("P", int32_t(0));
    EXPECT_EQ(ErrorNumberOf([&] { bag.Count(); }), 6);
}

TEST(AuProperties, EqualsLooksUpEachOfItsNamesInTheOtherBag)
{
    struct Case { const char* what; Variant mine; Variant theirs; bool equal; };
    const Case cases[] = {
        {"same number", int32_t(5), int32_t(5), true},
        {"numbers of different kinds", int16_t(5), 5.0, true},
        {"different numbers", int32_t(5), int32_t(6), false},
        {"same text", QString("a"), QString("a"), true},
        {"text case matters", QString("a"), QString("A"), false},
        {"number against text", int32_t(5), QString("5"), false},
        {"text against number", QString("5"), int32_t(5), false},
        {"null on the left", Variant(Null), int32_t(1), true},
        {"null on the right", QString("x"), Variant(Null), true},
    };
    for (const auto& c : cases) {
        AuProperties a, b;
        a.Add("Value", c.mine);
        b.Add("VALUE", c.theirs);
        EXPECT_EQ(a.Equals(b), c.equal) << c.what;
    }

    AuProperties small, big;
    small.Add("A", int32_t(1));
    big.Add("Extra", int32_t(9));
    big.Add("a", int32_t(1));
    EXPECT_TRUE(small.Equals(big));  // what only rhs has is not looked at
    // A name rhs lacks gives no property there to read a value from.
    EXPECT_EQ(ErrorNumberOf([&] { big.Equals(small); }), 91);
    small.Add("B", int32_t(2));
    small.Add("C", int32_t(3));
    big.Add("b", int32_t(0));
    EXPECT_FALSE(small.Equals(big));  // the walk stops at B, before the C that big lacks
}

}  // namespace
