#pragma once

#include "database/Value.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Command;
struct RecordsetStore;

// A client-side record set, as the original platform's: open() reads the whole
// result into memory; then record count, end of file, moving, fields, Sort,
// Find and bookmarks work in memory. AddNew/Update write through to the table
// (a recordset opened on a table name, or on a query over one table) inside a
// transaction. Built for a journal of a million sales: a compact row store and
// sorting by a permutation of row indexes.
//
// Positions: the current record is a position in the sort order, 0..count-1,
// or count when at end of file (-1 before the first, after a backward Find
// that met nothing). A bookmark names a row whatever the order.
//
// Texts sort and compare without regard to case, an accent breaking ties
// only (e < é < f), the same on every machine; Null sorts first (last with
// DESC); rows equal on every key keep the order they were read in.
// A pending AddNew or edit is written (Update) before the set moves or sorts.
//
// Every failing operation throws RuntimeError.
class Recordset : public QObject
{
    Q_OBJECT
public:
    enum CursorLocation { adUseServer = 2, adUseClient = 3 };
    enum CursorType { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
    enum LockType { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3, adLockBatchOptimistic = 4 };
    enum SearchDirection { adSearchForward = 1, adSearchBackward = -1 };
    enum FindStart { FromCurrent, FromFirst };
    using Bookmark = std::uint32_t;

    explicit Recordset(QObject *parent = nullptr);
    ~Recordset() override;

    // Settings kept for fidelity; the record set is always client-side.
    void setCursorLocation(CursorLocation v) { m_cursorLocation = v; }
    void setCursorType(CursorType v) { m_cursorType = v; }
    void setLockType(LockType v) { m_lockType = v; }

    // Reads the whole result of the command (a table name or a query). Opening
    // an open set closes it first. Throws 3709 when the command has no open
    // connection.
    void open(const Command &source);
    // Opens on a table name for appending only: the fields are known, no row
    // is read (so that an append costs the same whatever the table's size).
    void openForAppend(const Command &source);

    // For the next opens: the field `champ` (a long text no operation needs
    // beyond the current record) is not kept in memory but read for the
    // current record only, from `source` (a table or view of the connection)
    // by the key field `cle` ("" : the primary key of the table `source`).
    // The row read must also hold the record's value of `controle`, else the
    // field reads as Null, as it does on any failure of that read: it never
    // raises. When the key cannot serve (a Null or repeated value, no index to
    // reach a row fast, a missing field), the field is read whole as any other.
    // Sort and Find on a deferred field throw 3001.
    void setDeferredField(const QString &champ, const QString &source, const QString &cle,
                          const QString &controle);
    bool isDeferred(int ordinal) const;
    void close();                     // releases the rows; closing a closed set does nothing
    bool isOpen() const;

    int recordCount() const;
    bool isEof() const;               // no current record: after the last, or empty
    bool isBof() const;
    int absolutePosition() const;     // current position in the sort order (count at EOF)
    void moveFirst();
    void moveNext();                  // at EOF: throws 3021
    void moveTo(int position);        // 0..count-1, or count for EOF

    // Bytes the rows, their order and the sort ranks hold in memory.
    std::size_t memoryUsed() const;

    int fieldCount() const;
    QString fieldName(int ordinal) const;     // throws 3265 when out of range
    int fieldOrdinal(const QString &name) const; // exact, then case-blind; -1 when none
    Value field(const QString &name) const;   // current record; throws 3021 at EOF, 3265 for no such field
    Value field(int ordinal) const;
    // Any row by its position in the sort order (for grids), no current-record change.
    Value valueAt(int position, int ordinal) const;

    // "Field [ASC|DESC][, Field [ASC|DESC]...]"; "" restores the natural order.
    // The current record stays the same row. Throws 3001 for an unknown field.
    void setSort(const QString &sort);
    const QString &sort() const { return m_sort; }

    // Criterion "Field op value", op among = <> < > <= >= like; value a number,
    // a date (bare in the system's short form or between #), or a quoted text
    // ('...', with * standing for any characters in a like). Visits from the
    // current record (FromCurrent) or the first (FromFirst), forward, skipping
    // `skip` records; makes the first match current, else goes to EOF.
    // Throws 3001 for a criterion it cannot read (nothing moves then).
    void find(const QString &criterion, int skip = 0, SearchDirection dir = adSearchForward,
              FindStart start = FromCurrent);

    Bookmark bookmark() const;        // of the current record; throws 3021 at EOF
    void setBookmark(Bookmark b);
    // For views that keep rows by position: the row at a position (3021 out of
    // range), and where rows are now (-1 for none), in one pass over the order.
    Bookmark bookmarkAt(int position) const;
    std::vector<int> positionsOf(const std::vector<Bookmark> &bookmarks) const;

    // AddNew / set fields / Update, on a set opened on a table name (3251
    // otherwise). setField converts to the field's type at once (13 when it
    // cannot). Update with nothing pending does nothing; with no current record
    // it throws 3021. A new row comes last whatever the sort, and is current.
    void addNew();
    void setField(const QString &name, const Value &v);  // on the new or the current record
    void update();
    void cancelUpdate();

signals:
    void currentChanged();            // the current record moved (or the set was opened/closed)
    void orderAboutToChange();        // a sort is about to apply: positions still name the old rows
    void orderChanged();              // the sort changed: every position may name another row
    void rowsAppended(int first, int last);

private:
    void openImpl(const Command &source, bool headerOnly, bool defer);
    Value lireDiffere(std::uint32_t ligne) const noexcept;
    void exigerOuvert() const;          // throws 3704 when closed
    void allerA(int position);          // moves, telling currentChanged when it changes
    void validerEnAttente();            // a pending AddNew or edit is written before moving
    void inserer();

    std::unique_ptr<RecordsetStore> d;
    CursorLocation m_cursorLocation = adUseServer;
    CursorType m_cursorType = adOpenForwardOnly;
    LockType m_lockType = adLockReadOnly;
    QString m_sort;
    struct Report
    {
        QString champ, source, cle, controle;
    };
    std::optional<Report> m_report;
};
