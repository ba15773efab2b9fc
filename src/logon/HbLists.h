#pragma once
// The company and branch lists an HBServer sends to the profile wizard, read into
// their entries. An entry a logon profile cannot hold (a name with a separator of
// the stored profile list, a branch entry that is not "name:id", a name offered
// twice) is set apart with its reason, so that the others stay usable and the
// user is told which were left out. A name holding "[^]" arrives in pieces: they
// are read together and set apart whole, none offered on its own.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace hblists {

struct Company {
    QString name;
    QString flags;  // the two flag characters
};

struct Branch {
    QString name;
    int16_t id = 0;
};

template <class Entry>
struct Read {
    std::vector<Entry> entries;
    QStringList refused;  // each the entry as sent and why, for the message
};

// "[^]"-joined entries, each a company id followed by its two flags.
Read<Company> ReadCompanies(const QString& list);
// "[^]"-joined entries, each "name:id" with a 16-bit id.
Read<Branch> ReadBranches(const QString& list);

// The message naming the refused entries (what: "companies" or "branches"); at most
// a few are named, each cut to a readable length.
QString RefusedMessage(const QString& what, const QStringList& refused);

}  // namespace hblists
