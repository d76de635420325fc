#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// The per-user registry of this platform: a tree of keys below HKEY_CURRENT_USER, kept in an
// SQLite database. Keys are addressed by "A\B\C" paths; key and value names are compared
// without regard to case; values are 32-bit numbers or texts.
//
// Failures never travel further than a result: a database that is missing, locked by another
// process for longer than a moment, or not a database at all makes reads answer "missing" and
// writes answer false, and nothing in the file is ever thrown away to make it usable.
class CRegistryDatabase {
public:
    enum class ValueType { String = 1, Dword = 4 };   // REG_SZ, REG_DWORD
    struct Value {
        ValueType type = ValueType::Dword;
        qint32 dword = 0;
        QString text;
    };

    explicit CRegistryDatabase(QString path = DefaultPath());
    CRegistryDatabase(const CRegistryDatabase &) = delete;
    CRegistryDatabase &operator=(const CRegistryDatabase &) = delete;
    virtual ~CRegistryDatabase();

    // $XDG_CONFIG_HOME/ZENTREL/<title>/registry.sqlite3
    static QString DefaultPath();
    const QString &Path() const { return m_path; }

    std::optional<Value> ReadValue(const QString &keyPath, const QString &name);
    bool KeyExists(const QString &keyPath);

    // Create the key and the keys above it as needed.
    bool WriteDword(const QString &keyPath, const QString &name, qint32 value);
    bool WriteString(const QString &keyPath, const QString &name, const QString &value);
    bool DeleteValue(const QString &keyPath, const QString &name);
    // Removes a key with its values, but only when no key lies below it: a key that still
    // holds nested keys stays as it is, which is no failure. False when the database could not
    // be changed, or for the root, which always stays.
    bool DeleteKey(const QString &keyPath);
    // True when a key lies below the key (false when it is missing or cannot be read).
    bool HasSubKeys(const QString &keyPath);

    // Everything between the outermost Begin and End is one transaction. End answers false
    // when the transaction's writes were lost.
    void BeginBatch();
    bool EndBatch();

    class Batch {
    public:
        explicit Batch(CRegistryDatabase &db) : m_db(db) { m_db.BeginBatch(); }
        ~Batch() { if (!m_done) m_db.EndBatch(); }
        bool Commit() { m_done = true; return m_db.EndBatch(); }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
    private:
        CRegistryDatabase &m_db;
        bool m_done = false;
    };

    // How long a locked database is waited for before an operation gives up.
    static constexpr int BusyTimeoutMs = 500;
    // After the database was found locked, further calls give up at once for this long, so a
    // load of many values does not wait for every single one.
    static constexpr std::chrono::milliseconds BusyBackoff{2000};

    // Where the back-off reads the time: the steady clock unless replaced (an empty clock puts
    // the steady clock back).
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    void SetClock(Clock clock);

    // Why the last operation that failed did: the system's text for its error when the system
    // refused something, else the database's own, ending in CR LF like the system texts.
    QString LastErrorText() const;

private:
    enum Sql { FindKey, InsertKey, KeyValues, UpsertValue, DeleteOneValue, HasChildren,
               DeleteKeyValues, DeleteKeyRow, DataVersion, SqlCount };
    using Values = QHash<QString, Value>;   // folded name -> value

    bool Open(bool forWrite);
    bool EnsureSchema(bool forWrite);
    bool Begin();
    bool Exec(const char *sql);
    sqlite3_stmt *Statement(Sql which);
    void NoteFailure(int rc, bool writing = false);
    void NoteError(int rc, int systemError);
    // Runs a statement that changes the database; a failure is noted on the writing side.
    bool StepWrite(sqlite3_stmt *statement);
    bool Usable(bool forWrite);
    bool CheckExternalChange();
    bool LoseWrite();
    void ForgetCache();

    std::optional<qint64> FindKeyId(const QString &keyPath);
    std::optional<qint64> CreateKeyId(const QString &keyPath);
    const Values *ValuesOf(qint64 keyId);
    bool WriteValue(const QString &keyPath, const QString &name, const Value &value);

    QString m_path;
    sqlite3 *m_db = nullptr;
    bool m_writable = false;
    bool m_schemaReady = false;
    bool m_broken = false;                        // not a database: leave it alone
    int m_lastError = 0;                          // SQLite result code of the last failure
    int m_lastSystemError = 0;                    // errno behind it, when the system refused
    Clock m_clock;
    // After a lock was found held, calls give up at once for a while: reads when even reading
    // was refused, writes when only writing was.
    TimePoint m_readBusyUntil = TimePoint::min();
    TimePoint m_writeBusyUntil = TimePoint::min();
    std::array<sqlite3_stmt *, SqlCount> m_statements{};

    int m_batchDepth = 0;
    bool m_inTransaction = false;
    bool m_transactionFailed = false;
    bool m_transactionLocked = false;
    qint64 m_dataVersion = -1;

    const QString &Folded(const QString &name);

    QHash<QString, std::optional<qint64>> m_keyIds;   // folded path -> id, or known missing
    QHash<QString, qint64> m_pathIds;                 // path as the caller spells it -> id
    QHash<QString, QString> m_foldedNames;            // name as the caller spells it -> folded
    QHash<qint64, Values> m_values;
};

// The 32-bit value valueName of the key subKey below root, whatever its stored type as long as
// its data fits four bytes; defaultValue when the key or value is missing or unreadable.
qint32 ReadRegistryDword(CRegistryDatabase &root, const QString &subKey, const QString &valueName,
                         qint32 defaultValue);
