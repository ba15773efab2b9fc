#pragma once
// The lookup control: a type-ahead drop-down of the entries of one lookup of the
// company database. A lookup is a view of the database with the fields ID (a
// 32-bit id) and DisplayText and any further columns its filters and callers
// name. Typing narrows the drop-down to the entries whose text contains what
// was typed; leaving the box with a text that names no entry puts back the
// chosen entry's text, and an empty box chooses nothing.
//
// The entries are read over a read-only connection of the control's own beside
// the lookup connection, on a thread of the control, so that a large lookup
// never holds up the window; a newer filter or the control's end cancels a
// read still running. The filter text is SQL over the lookup's columns: the
// whole statement must be a single query that cannot write, or SetFilter fails
// before anything runs.

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class LookUpModel;
class BrandleReadConnection;

class eLookUp : public QWidget {
    Q_OBJECT
public:
    // The entries of one read (for the control's model).
    struct Entries;

    explicit eLookUp(QWidget* parent = nullptr);
    ~eLookUp() override;

    // Binds the control to a connection and a lookup (a name of letters, digits
    // and "_") and reads its entries. The choice is cleared.
    void Init(const BrandleDatabasePtr& connection, const QString& lookupName);
    // Only the entries that meet the where text (without "WHERE"; empty for all)
    // are offered; the entries are read again. A text that would make the
    // statement anything but one query that cannot write fails with the
    // database's error, and the control then offers nothing.
    void SetFilter(const QString& whereText);
    QString Filter() const { return m_filter; }

    // The chosen entry's id, -1 when none is chosen.
    int32_t SelectedID() const { return m_selectedID; }
    // Chooses the entry with that id (-1 or an id that no entry has: no choice).
    // Raises no Changed event.
    void SetSelectedID(int32_t id);
    // The chosen id, for the required-field test: -1 or 0 is empty.
    int32_t ID() const { return m_selectedID; }
    // A column's value for the chosen entry as text; "" when none is chosen. A
    // column the lookup does not have fails with error 5.
    QString ColumnValue(const QString& columnName) const;
    // The chosen entry's text; "" when none is chosen.
    QString DisplayText() const;

    Variant Tag() const { return m_tag; }
    void SetTag(const Variant& tag) { m_tag = tag; }

    // ---- State, for tests and the benchmark ----
    bool IsLoading() const { return m_loading; }
    // Entries read by the last completed read.
    int EntryCount() const;
    // The entries the drop-down offers now (after what was typed).
    int OfferedCount() const;
    // The display text of the offered entry at a 0-based row.
    QString OfferedText(int row) const;
    // Does what typing that text into the box does (the drop-down narrows).
    void TypeText(const QString& text);
    // Does what choosing the offered entry at a 0-based row does.
    void ChooseOffered(int row);
    // Waits (running the event loop) until the read has ended; false on timeout.
    bool WaitUntilLoaded(int milliseconds = 10000);
    QComboBox* Combo() const { return m_combo; }

signals:
    // The user changed the choice; the new id (-1 for none).
    void Changed(int32_t id);
    // A read of the entries has ended (also when it failed).
    void Loaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Worker;
    QString statement() const;
    void load();
    void cancelLoad();
    void finishLoad(uint64_t generation, std::shared_ptr<Entries> entries);
    void waitForRead() const;
    int entryIndex(int32_t id) const;
    void showChoice();
    void choose(int32_t id, bool raise);
    void commitTypedText();
    void applyTypeAhead(const QString& text);

    QComboBox* m_combo = nullptr;
    LookUpModel* m_model = nullptr;
    BrandleDatabasePtr m_connection;
    std::unique_ptr<BrandleReadConnection> m_reader;  // beside m_connection; none: read on this thread
    std::unique_ptr<Worker> m_worker;
    QString m_lookupName;
    QString m_filter;
    Variant m_tag;
    int32_t m_selectedID = -1;
    uint64_t m_generation = 0;
    bool m_loading = false;
    bool m_showing = false;  // the box is being set by the program
};
