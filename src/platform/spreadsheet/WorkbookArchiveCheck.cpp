#include "platform/spreadsheet/WorkbookArchiveCheck.h"

#include <QFile>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kZip64Locator = 0x07064b50;
constexpr uint32_t kZip64EndOfDirectory = 0x06064b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr qint64 kChunk = 1 << 20;

uint16_t U16(const QByteArray& b, qsizetype at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t U32(const QByteArray& b, qsizetype at) { return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16; }
uint64_t U64(const QByteArray& b, qsizetype at) { return U32(b, at) | static_cast<uint64_t>(U32(b, at + 4)) << 32; }

struct Member {
    QString name;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t packed = 0;
    uint64_t size = 0;
    uint64_t offset = 0;
};

QByteArray ReadAt(QFile& file, qint64 at, qint64 length)
{
    if (at < 0 || !file.seek(at))
        return QByteArray();
    return file.read(length);
}

// The central directory's members; false with the reason when it cannot be read.
bool ReadDirectory(QFile& file, std::vector<Member>& members, QString& reason)
{
    const qint64 size = file.size();
    const qint64 tailStart = std::max<qint64>(0, size - (0xFFFF + 22));
    const QByteArray tail = ReadAt(file, tailStart, size - tailStart);
    qsizetype end = -1;
    for (qsizetype i = tail.size() - 22; i >= 0; --i) {
        if (U32(tail, i) == kEndOfDirectory) {
            end = i;
            break;
        }
    }
    if (end < 0) {
        reason = QStringLiteral("the archive has no directory");
        return false;
    }
    uint64_t count = U16(tail, end + 10);
    uint64_t dirSize = U32(tail, end + 12);
    uint64_t dirOffset = U32(tail, end + 16);
    if (end >= 20 && U32(tail, end - 20) == kZip64Locator) {
        const QByteArray z = ReadAt(file, static_cast<qint64>(U64(tail, end - 20 + 8)), 56);
        if (z.size() < 56 || U32(z, 0) != kZip64EndOfDirectory) {
            reason = QStringLiteral("the archive's directory is damaged");
            return false;
        }
        count = U64(z, 32);
        dirSize = U64(z, 40);
        dirOffset = U64(z, 48);
    }
    const QByteArray dir = ReadAt(file, static_cast<qint64>(dirOffset), static_cast<qint64>(dirSize));
    if (static_cast<uint64_t>(dir.size()) != dirSize) {
        reason = QStringLiteral("the archive's directory is cut short");
        return false;
    }
    qsizetype at = 0;
    for (uint64_t n = 0; n < count; ++n) {
        if (at + 46 > dir.size() || U32(dir, at) != kDirectoryEntry) {
            reason = QStringLiteral("the archive's directory is damaged");
            return false;
        }
        Member m;
        m.method = U16(dir, at + 10);
        m.crc = U32(dir, at + 16);
        m.packed = U32(dir, at + 20);
        m.size = U32(dir, at + 24);
        const uint16_t nameLength = U16(dir, at + 28);
        const uint16_t extraLength = U16(dir, at + 30);
        const uint16_t commentLength = U16(dir, at + 32);
        m.offset = U32(dir, at + 42);
        if (at + 46 + nameLength + extraLength + commentLength > dir.size()) {
            reason = QStringLiteral("the archive's directory is damaged");
            return false;
        }
        m.name = QString::fromUtf8(dir.mid(at + 46, nameLength));
        // The ZIP64 field holds, in this order, those of the three that did not fit.
        for (qsizetype e = at + 46 + nameLength; e + 4 <= at + 46 + nameLength + extraLength;) {
            const uint16_t id = U16(dir, e);
            const uint16_t length = U16(dir, e + 2);
            if (id == 0x0001) {
                qsizetype v = e + 4;
                auto next = [&](uint64_t& field) {
                    if (field == 0xFFFFFFFFu && v + 8 <= e + 4 + length) {
                        field = U64(dir, v);
                        v += 8;
                    }
                };
                next(m.size);
                next(m.packed);
                next(m.offset);
            }
            e += 4 + length;
        }
        members.push_back(m);
        at += 46 + nameLength + extraLength + commentLength;
    }
    if (members.empty()) {
        reason = QStringLiteral("the archive is empty");
        return false;
    }
    return true;
}

// Parts up to this size are parsed as XML; larger ones are checked at their ends.
constexpr uint64_t kParsedPartSize = 4 << 20;
constexpr qsizetype kEnds = 512;

// Whether a document's first kEnds bytes open a root element that its last
// bytes close.
bool WholeDocument(const QByteArray& head, QByteArray tail)
{
    qsizetype at = 0;
    if (head.startsWith("<?")) {
        at = head.indexOf("?>");
        if (at < 0)
            return false;
        at += 2;
    }
    at = head.indexOf('<', at);
    if (at < 0)
        return false;
    qsizetype end = at + 1;
    while (end < head.size() && head[end] != ' ' && head[end] != '>' && head[end] != '/' && head[end] != '\n' &&
           head[end] != '\r' && head[end] != '\t')
        ++end;
    if (end >= head.size() || end == at + 1)
        return false;
    const QByteArray close = "</" + head.mid(at + 1, end - at - 1) + ">";
    return tail.trimmed().endsWith(close);
}

bool IsXmlPart(const QString& name)
{
    return name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels"));
}

// Inflates one member, checking its size, CRC and (for XML parts) its XML.
QString CheckMember(QFile& file, const Member& m)
{
    const QString where = QStringLiteral("the part '%1' ").arg(m.name);
    const QByteArray local = ReadAt(file, static_cast<qint64>(m.offset), 30);
    if (local.size() < 30 || U32(local, 0) != kLocalHeader)
        return where + QStringLiteral("cannot be found");
    qint64 at = static_cast<qint64>(m.offset) + 30 + U16(local, 26) + U16(local, 28);
    if (m.method != 0 && m.method != Z_DEFLATED)
        return where + QStringLiteral("is stored in an unknown way");

    z_stream z{};
    if (m.method == Z_DEFLATED && inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return where + QStringLiteral("cannot be read (out of memory)");
    struct End {
        z_stream* z;
        bool on;
        ~End()
        {
            if (on)
                inflateEnd(z);
        }
    } endInflate{&z, m.method == Z_DEFLATED};

    // A large part (a sheet's rows) is only checked to be whole: its root element
    // opens at the start and closes at the end. Parsing all of it would cost
    // more than writing it; a cut part, what a failed write leaves, shows either way.
    const bool xmlPart = IsXmlPart(m.name);
    const bool parse = xmlPart && m.size <= kParsedPartSize;
    QByteArray head, tail;
    QXmlStreamReader xml;
    int depth = 0;
    bool rootClosed = false;
    auto feedXml = [&](const char* data, qint64 length) -> bool {
        if (!xmlPart || length == 0)
            return true;
        if (!parse) {
            if (head.size() < kEnds)
                head.append(data, static_cast<qsizetype>(std::min<qint64>(length, kEnds - head.size())));
            tail.append(data, static_cast<qsizetype>(length));
            if (tail.size() > 2 * kEnds)
                tail.remove(0, tail.size() - kEnds);
            return true;
        }
        xml.addData(QByteArray(data, static_cast<qsizetype>(length)));
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement && --depth == 0)
                rootClosed = true;
        }
        return !xml.hasError() || xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    };

    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t produced = 0;
    uint64_t left = m.packed;
    std::vector<char> out(static_cast<size_t>(kChunk));
    bool streamEnded = m.method == 0;
    while (left > 0) {
        QByteArray in = ReadAt(file, at, std::min<qint64>(kChunk, static_cast<qint64>(left)));
        if (in.isEmpty())
            return where + QStringLiteral("is cut short");
        at += in.size();
        left -= static_cast<uint64_t>(in.size());
        if (m.method == 0) {
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(in.constData()), static_cast<size_t>(in.size()));
            produced += static_cast<uint64_t>(in.size());
            if (!feedXml(in.constData(), in.size()))
                return where + QStringLiteral("is not well-formed XML: ") + xml.errorString();
            continue;
        }
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(in.size());
        while (z.avail_in > 0 && !streamEnded) {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END)
                return where + QStringLiteral("is damaged");
            const qint64 n = static_cast<qint64>(out.size()) - z.avail_out;
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(out.data()), static_cast<size_t>(n));
            produced += static_cast<uint64_t>(n);
            if (!feedXml(out.data(), n))
                return where + QStringLiteral("is not well-formed XML: ") + xml.errorString();
            streamEnded = rc == Z_STREAM_END;
        }
    }
    if (!streamEnded || produced != m.size || crc != m.crc)
        return where + QStringLiteral("is damaged");
    if (parse && (!rootClosed || depth != 0))
        return where + QStringLiteral("is cut short");
    if (xmlPart && !parse && !WholeDocument(head, tail))
        return where + QStringLiteral("is cut short");
    return QString();
}

}  // namespace

QString CheckWorkbookArchive(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the workbook cannot be read back: ") + file.errorString();
    std::vector<Member> members;
    QString reason;
    if (!ReadDirectory(file, members, reason))
        return reason;
    for (const Member& m : members) {
        reason = CheckMember(file, m);
        if (!reason.isEmpty())
            return reason;
    }
    return QString();
}
