#pragma once
// Reads a written .xlsx back for the tests: the members of its zip (through the
// unzip program), the cells of a sheet with their type, style, number format and
// boldness, the sheet names and the custom document properties; and the files
// below a folder that the process still holds open.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <vector>

namespace xlsxtest {

// The files below folder this process holds open (a removed one holds its disk
// space until it is closed).
inline QStringList OpenFilesUnder(const QString& folder)
{
    QStringList open;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.startsWith(folder + QLatin1Char('/')))
            open << target;
    }
    return open;
}

struct Cell {
    QString type;   // the t attribute: "" (number), "b", "inlineStr", "s", "str"
    QString value;  // the number, 0/1, or the text
    int style = 0;
    bool bold = false;
    int numFmt = 0;
};

inline QByteArray Member(const QString& path, const QString& member)
{
    QProcess unzip;
    // unzip reads a member name as a pattern: a bracket stands for itself only in brackets.
    QString pattern = member;
    pattern.replace(QLatin1String("["), QLatin1String("[[]"));
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, pattern});
    unzip.waitForFinished(120000);
    return unzip.readAllStandardOutput();
}

inline QStringList Members(const QString& path)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path});
    unzip.waitForFinished(60000);
    return QString::fromUtf8(unzip.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

struct Styles {
    std::vector<bool> bold;  // by cellXfs index
    std::vector<int> numFmt;
};

inline Styles ReadStyles(const QString& path)
{
    QXmlStreamReader xml(Member(path, QStringLiteral("xl/styles.xml")));
    std::vector<bool> fontBold;
    Styles s;
    QString section;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("fonts") || name == QLatin1String("cellXfs") || name == QLatin1String("cellStyleXfs"))
            section = name.toString();
        else if (name == QLatin1String("font") && section == QLatin1String("fonts"))
            fontBold.push_back(false);
        else if (name == QLatin1String("b") && section == QLatin1String("fonts") && !fontBold.empty())
            fontBold.back() = true;
        else if (name == QLatin1String("xf") && section == QLatin1String("cellXfs")) {
            const int font = xml.attributes().value(QLatin1String("fontId")).toInt();
            s.bold.push_back(font < static_cast<int>(fontBold.size()) && fontBold[static_cast<size_t>(font)]);
            s.numFmt.push_back(xml.attributes().value(QLatin1String("numFmtId")).toInt());
        }
    }
    return s;
}

// The cells of sheet n (1-based) by reference ("A1"); only the first maxRows rows
// when maxRows > 0.
inline QMap<QString, Cell> ReadCells(const QString& path, int sheet = 1, int maxRows = 0)
{
    const Styles styles = ReadStyles(path);
    QXmlStreamReader xml(Member(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)));
    QMap<QString, Cell> cells;
    QString ref;
    Cell cell;
    int rows = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("row") && maxRows > 0 && ++rows > maxRows)
                break;
            if (xml.name() == QLatin1String("c")) {
                ref = xml.attributes().value(QLatin1String("r")).toString();
                cell = Cell();
                cell.type = xml.attributes().value(QLatin1String("t")).toString();
                cell.style = xml.attributes().value(QLatin1String("s")).toInt();
                if (cell.style < static_cast<int>(styles.bold.size())) {
                    cell.bold = styles.bold[static_cast<size_t>(cell.style)];
                    cell.numFmt = styles.numFmt[static_cast<size_t>(cell.style)];
                }
            } else if (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t")) {
                cell.value += xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
            cells.insert(ref, cell);
        }
    }
    return cells;
}

// The number of rows of sheet n (the r of its last row element).
inline int RowCount(const QString& path, int sheet)
{
    const QByteArray data = Member(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet));
    const qsizetype at = data.lastIndexOf("<row r=\"");
    if (at < 0)
        return 0;
    return data.mid(at + 8, data.indexOf('"', at + 8) - at - 8).toInt();
}

inline QStringList SheetNames(const QString& path)
{
    QXmlStreamReader xml(Member(path, QStringLiteral("xl/workbook.xml")));
    QStringList names;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("sheet"))
            names << xml.attributes().value(QLatin1String("name")).toString();
    }
    return names;
}

// A cell text as a reader of the format sees it: each _xHHHH_ is the character
// of that code.
inline QString Unescaped(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        const int code = text.mid(i + 2, 4).toInt(&ok, 16);
        if (ok && i + 7 <= text.size() && text.at(i) == u'_' && text.at(i + 1) == u'x' && text.at(i + 6) == u'_') {
            out += QChar(static_cast<char16_t>(code));
            i += 6;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

// The members that are not well-formed XML, with the parser's message.
inline QStringList MalformedParts(const QString& path)
{
    QStringList bad;
    for (const QString& member : Members(path)) {
        if (!member.endsWith(QLatin1String(".xml")) && !member.endsWith(QLatin1String(".rels")))
            continue;
        QXmlStreamReader xml(Member(path, member));
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            bad << member + QStringLiteral(": ") + xml.errorString();
    }
    return bad;
}

// Every number the parts of a workbook hold where the format wants a number:
// the cell values (<v>) and the attribute values that are numbers in any form,
// with a decimal comma too ("6,7109375"), each as "member: what: text".
inline QStringList NumbersOfEveryPart(const QString& path)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+([.,][0-9]+)?([eE][-+]?[0-9]+)?$"));
    QStringList found;
    for (const QString& member : Members(path)) {
        if (!member.endsWith(QLatin1String(".xml")) && !member.endsWith(QLatin1String(".rels")))
            continue;
        QXmlStreamReader xml(Member(path, member));
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (number.match(a.value()).hasMatch())
                    found << member + QStringLiteral(": ") + a.name().toString() + QStringLiteral(": ") +
                                 a.value().toString();
            if (xml.name() == QLatin1String("v")) {
                const QString v = xml.readElementText();
                if (number.match(v).hasMatch())
                    found << member + QStringLiteral(": v: ") + v;
            }
        }
    }
    return found;
}

// Custom document properties by name.
inline QMap<QString, QString> CustomProperties(const QString& path)
{
    QXmlStreamReader xml(Member(path, QStringLiteral("docProps/custom.xml")));
    QMap<QString, QString> props;
    QString name;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("property"))
            name = xml.attributes().value(QLatin1String("name")).toString();
        else if (xml.name() == QLatin1String("lpwstr"))
            props.insert(name, xml.readElementText());
    }
    return props;
}

// A property as written, its continuation properties ("<name> (2)", ...) joined on.
inline QString JoinedProperty(const QMap<QString, QString>& props, const QString& name)
{
    QString value = props.value(name);
    for (int n = 2; props.contains(QStringLiteral("%1 (%2)").arg(name).arg(n)); ++n)
        value += props.value(QStringLiteral("%1 (%2)").arg(name).arg(n));
    return value;
}

}  // namespace xlsxtest
