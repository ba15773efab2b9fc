#include "logon/HbLists.h"

#include "base/AppError.h"
#include "base/Variant.h"
#include "platform/hbclient/HbProtocol.h"

#include <QSet>

#include <functional>

namespace hblists {

namespace {

const QString kSeparator = QStringLiteral("[^]");
constexpr int kNamedAtMost = 5;
constexpr int kEntryChars = 60;

QString Refusal(const QString& entry, const QString& reason)
{
    return QStringLiteral("\"%1\" (%2)").arg(hbprotocol::Printable(hbprotocol::Bounded(entry, kEntryChars)), reason);
}

// A name holding "[^]" arrives cut into pieces, and only its last piece ends as an
// entry does; so a piece that does not is joined to the pieces after it up to one
// that does, and the whole is refused: otherwise its last piece would be offered as
// a company or branch the HBServer does not have.
QStringList JoinedEntries(const QString& list, const std::function<bool(const QString&)>& whole,
                          QStringList& unfinished)
{
    QStringList entries;
    QString pending;
    for (const QString& piece : list.split(kSeparator)) {
        if (piece.isEmpty() && pending.isEmpty())
            continue;
        pending = pending.isNull() ? piece : pending + kSeparator + piece;
        if (whole(piece)) {
            entries << pending;
            pending = QString();
        }
    }
    if (!pending.isEmpty())
        unfinished << pending;
    return entries;
}

}  // namespace

Read<Company> ReadCompanies(const QString& list)
{
    Read<Company> read;
    QSet<QString> seen;  // the wizard keys companies without regard to case
    auto isFlag = [](QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('1'); };
    QStringList unfinished;
    const QStringList entries = JoinedEntries(
        list, [&](const QString& e) { return e.size() >= 3 && isFlag(e[e.size() - 1]) && isFlag(e[e.size() - 2]); },
        unfinished);
    for (const QString& entry : entries) {
        Company company{entry.left(entry.size() - 2), entry.right(2)};
        const QString problem = hbprotocol::CompanyNameProblem(company.name);
        if (!problem.isEmpty())
            read.refused << Refusal(company.name, problem);
        else if (seen.contains(company.name.toCaseFolded()))
            read.refused << Refusal(company.name, QStringLiteral("it is offered twice"));
        else {
            seen.insert(company.name.toCaseFolded());
            read.entries.push_back(company);
        }
    }
    for (const QString& entry : unfinished)
        read.refused << Refusal(entry, QStringLiteral("not a company id followed by its two flags"));
    return read;
}

Read<Branch> ReadBranches(const QString& list)
{
    Read<Branch> read;
    QStringList unfinished;
    const QStringList entries =
        JoinedEntries(list, [](const QString& e) { return e.contains(QLatin1Char(':')); }, unfinished);
    for (const QString& entry : entries) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() != 2) {
            read.refused << Refusal(entry, QStringLiteral("its name holds \":\""));
            continue;
        }
        const QString problem = hbprotocol::BranchNameProblem(parts[0]);
        if (!problem.isEmpty()) {
            read.refused << Refusal(entry, problem);
            continue;
        }
        try {
            read.entries.push_back({parts[0], Variant(parts[1]).toInt16()});
        } catch (const AppError&) {
            read.refused << Refusal(entry, QStringLiteral("its id is not a number from -32768 to 32767"));
        }
    }
    for (const QString& entry : unfinished)
        read.refused << Refusal(entry, QStringLiteral("not a branch name, \":\" and its id"));
    return read;
}

QString RefusedMessage(const QString& what, const QStringList& refused)
{
    QString text = QStringLiteral("The HBServer offers %1 that a logon profile cannot hold; they are not listed:").arg(what);
    for (qsizetype k = 0; k < refused.size() && k < kNamedAtMost; ++k)
        text += QStringLiteral("\r\n") + refused[k];
    if (refused.size() > kNamedAtMost)
        text += QStringLiteral("\r\n... and %1 more.").arg(refused.size() - kNamedAtMost);
    return text;
}

}  // namespace hblists
