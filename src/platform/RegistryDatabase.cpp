#include "platform/RegistryDatabase.h"

#include "platform/Text.h"
#include "res/StringIds.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// Keys and values keep the spelling of their first write; lookups go through the folded name.
constexpr const char *Schema =
    "BEGIN;"
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    " fold TEXT NOT NULL, name TEXT NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, fold TEXT NOT NULL, name TEXT NOT NULL,"
    " type INTEGER NOT NULL, data, PRIMARY KEY(key, fold)) WITHOUT ROWID;"
    "PRAGMA user_version = 1;"
    "COMMIT;";

constexpr const char *SqlTexts[] = {
    "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2",
    "INSERT INTO keys(parent, fold, name) VALUES(?1, ?2, ?3)",
    "SELECT fold, type, data FROM vals WHERE key = ?1",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1",
    "PRAGMA data_version",
};

CRegistryDatabase::TimePoint SteadyNow()
{
    return std::chrono::steady_clock::now();
}

constexpr qint64 RootKeyId = 0;

QString Fold(const QString &name)
{
    return name.toCaseFolded();
}

// "A\\B\" and "A\B" are the same key; empty parts add no level.
QStringList KeyParts(const QString &keyPath)
{
    return keyPath.split(u'\\', Qt::SkipEmptyParts);
}

void BindText(sqlite3_stmt *statement, int index, const QString &text)
{
    sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
}

QString ColumnText(sqlite3_stmt *statement, int column)
{
    const void *data = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return data ? QString::fromUtf16(static_cast<const char16_t *>(data), bytes / 2) : QString();
}

// Resets a prepared statement when the scope ends, so its locks are released.
class Step {
public:
    explicit Step(sqlite3_stmt *statement) : m_statement(statement) {}
    ~Step() { if (m_statement) { sqlite3_reset(m_statement); sqlite3_clear_bindings(m_statement); } }
    explicit operator bool() const { return m_statement != nullptr; }
    sqlite3_stmt *get() const { return m_statement; }
private:
    sqlite3_stmt *m_statement;
};

// Makes a folder and those above it; 0, or the errno of the step that failed.
int MakeFolders(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return 0;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder) {
        if (const int error = MakeFolders(parent))
            return error;
    }
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return 0;
    const int error = errno;
    if (error != EEXIST)
        return error;
    return QFileInfo(folder).isDir() ? 0 : ENOTDIR;   // a file holds the folder's name
}

} // namespace

CRegistryDatabase::CRegistryDatabase(QString path)
    : m_path(std::move(path)), m_clock(SteadyNow)
{
}

CRegistryDatabase::~CRegistryDatabase()
{
    for (sqlite3_stmt *&statement : m_statements)
        sqlite3_finalize(statement);
    sqlite3_close_v2(m_db);
}

void CRegistryDatabase::SetClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(SteadyNow);
}

QString CRegistryDatabase::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/ZENTREL/") + LoadResString(IDS_APP_TITLE) + QStringLiteral("/registry.sqlite3");
}

bool CRegistryDatabase::Open(bool forWrite)
{
    if (m_db) {
        if (forWrite && !m_writable)
            NoteError(SQLITE_READONLY, 0);
        return !forWrite || m_writable;
    }
    // Reading never creates the database or its folder.
    if (!QFileInfo::exists(m_path)) {
        if (!forWrite)
            return false;
        if (const int error = MakeFolders(QFileInfo(m_path).absolutePath())) {
            NoteError(SQLITE_CANTOPEN, error);
            return false;
        }
    }
    const QByteArray file = QFile::encodeName(m_path);
    const int flags = SQLITE_OPEN_READWRITE | (forWrite ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(file.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK && !forWrite) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        NoteError(rc, m_db ? sqlite3_system_errno(m_db) : 0);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    m_writable = sqlite3_db_readonly(m_db, "main") == 0;
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    if (forWrite && !m_writable)
        NoteError(SQLITE_READONLY, 0);
    return !forWrite || m_writable;
}

bool CRegistryDatabase::EnsureSchema(bool forWrite)
{
    if (m_schemaReady)
        return true;
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                                      " AND name IN ('keys', 'vals')", -1, &probe, nullptr);
    int tables = -1;
    if (rc == SQLITE_OK && (rc = sqlite3_step(probe)) == SQLITE_ROW)
        tables = sqlite3_column_int(probe, 0);
    sqlite3_finalize(probe);
    if (tables < 0) {
        NoteFailure(rc);
        return false;
    }
    if (tables == 1) {   // someone else's database: never touch it
        m_broken = true;
        NoteError(SQLITE_NOTADB, 0);
        return false;
    }
    // An empty database stays empty until something is written.
    if (tables == 0 && (!forWrite || !Exec(Schema))) {
        if (forWrite)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    m_schemaReady = true;
    return true;
}

bool CRegistryDatabase::StepWrite(sqlite3_stmt *statement)
{
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE)
        NoteFailure(rc, true);
    return rc == SQLITE_DONE;
}

bool CRegistryDatabase::Exec(const char *sql)
{
    // Used for the schema and for BEGIN, which takes no lock yet: a failure is on the writing side.
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        NoteFailure(rc, true);
    return rc == SQLITE_OK;
}

void CRegistryDatabase::NoteError(int rc, int systemError)
{
    m_lastError = rc;
    m_lastSystemError = systemError;
}

QString CRegistryDatabase::LastErrorText() const
{
    if (m_lastSystemError != 0) {
        const QString text = SystemErrorText(m_lastSystemError);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(sqlite3_errstr(m_lastError)) + QStringLiteral("\r\n");
}

void CRegistryDatabase::NoteFailure(int rc, bool writing)
{
    // Behind an I/O failure lies the system's refusal (a full disk, a file too large, ...).
    const int primary = rc & 0xFF;
    const bool systemRefused = primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL;
    NoteError(rc, systemRefused && m_db ? sqlite3_system_errno(m_db) : 0);
    const TimePoint until = m_clock() + BusyBackoff;
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        m_writeBusyUntil = until;
        if (!writing)
            m_readBusyUntil = until;
        break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        m_broken = true;
        break;
    default:
        break;
    }
}

sqlite3_stmt *CRegistryDatabase::Statement(Sql which)
{
    sqlite3_stmt *&statement = m_statements[which];
    if (!statement) {
        const int rc = sqlite3_prepare_v3(m_db, SqlTexts[which], -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        if (rc != SQLITE_OK) {
            NoteFailure(rc);
            sqlite3_finalize(statement);
            statement = nullptr;
        }
    }
    return statement;
}

bool CRegistryDatabase::Usable(bool forWrite)
{
    if (m_broken)
        return false;
    // Inside a transaction that already holds its lock the back-off of reads does not apply.
    const TimePoint now = m_clock();
    const bool holdingLock = m_inTransaction && m_transactionLocked;
    if ((!holdingLock && now < m_readBusyUntil) || (forWrite && now < m_writeBusyUntil))
        return false;
    if (!Open(forWrite) || !EnsureSchema(forWrite))
        return false;
    if (m_batchDepth > 0 && !m_inTransaction) {
        if (!Begin())
            return false;
    } else if (!m_inTransaction && !CheckExternalChange()) {
        return false;
    }
    if (m_inTransaction && !m_transactionLocked)
        return false;   // the transaction never got its lock
    return !forWrite || !m_transactionFailed;
}

bool CRegistryDatabase::Begin()
{
    if (!Exec("BEGIN"))
        return false;
    m_inTransaction = true;
    // The first read inside the transaction takes its lock.
    m_transactionLocked = CheckExternalChange();
    return true;
}

bool CRegistryDatabase::CheckExternalChange()
{
    Step step(Statement(DataVersion));
    if (!step)
        return false;
    const int rc = sqlite3_step(step.get());
    if (rc != SQLITE_ROW) {
        NoteFailure(rc);
        return false;
    }
    // The version changes when another connection commits; then the cache may be stale.
    const qint64 version = sqlite3_column_int64(step.get(), 0);
    if (version != m_dataVersion)
        ForgetCache();
    m_dataVersion = version;
    return true;
}

void CRegistryDatabase::ForgetCache()
{
    m_keyIds.clear();
    m_pathIds.clear();
    m_values.clear();
}

const QString &CRegistryDatabase::Folded(const QString &name)
{
    // Loading a project asks for the same few dozen names thousands of times.
    auto it = m_foldedNames.constFind(name);
    if (it == m_foldedNames.cend()) {
        if (m_foldedNames.size() > 100000)
            m_foldedNames.clear();
        it = m_foldedNames.insert(name, Fold(name));
    }
    return *it;
}

void CRegistryDatabase::BeginBatch()
{
    ++m_batchDepth;
}

bool CRegistryDatabase::EndBatch()
{
    if (m_batchDepth == 0)
        return false;
    if (--m_batchDepth > 0)
        return !m_transactionFailed;
    bool ok = !m_transactionFailed;
    if (m_inTransaction) {
        if (ok) {
            const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
            ok = rc == SQLITE_OK;
            if (!ok)
                NoteFailure(rc, true);
        }
        if (!ok) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            ForgetCache();
        }
        m_inTransaction = false;
    }
    m_transactionFailed = false;
    m_transactionLocked = false;
    if (!ok)
        ForgetCache();
    return ok;
}

bool CRegistryDatabase::LoseWrite()
{
    // The whole transaction goes: a batch is kept or lost as one.
    m_transactionFailed = true;
    return false;
}

std::optional<qint64> CRegistryDatabase::FindKeyId(const QString &keyPath)
{
    const auto known = m_pathIds.constFind(keyPath);
    if (known != m_pathIds.cend())
        return *known;
    qint64 parent = RootKeyId;
    QString prefix;
    for (const QString &part : KeyParts(keyPath)) {
        const QString fold = Fold(part);
        prefix += u'\\' + fold;
        const auto cached = m_keyIds.constFind(prefix);
        if (cached != m_keyIds.cend()) {
            if (!cached->has_value())
                return std::nullopt;
            parent = **cached;
            continue;
        }
        Step step(Statement(FindKey));
        if (!step)
            return std::nullopt;
        sqlite3_bind_int64(step.get(), 1, parent);
        BindText(step.get(), 2, fold);
        const int rc = sqlite3_step(step.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            NoteFailure(rc);
            return std::nullopt;
        }
        const std::optional<qint64> id = rc == SQLITE_ROW ? std::optional(sqlite3_column_int64(step.get(), 0)) : std::nullopt;
        m_keyIds.insert(prefix, id);
        if (!id)
            return std::nullopt;
        parent = *id;
    }
    m_pathIds.insert(keyPath, parent);
    return parent;
}

std::optional<qint64> CRegistryDatabase::CreateKeyId(const QString &keyPath)
{
    if (const auto id = FindKeyId(keyPath))
        return id;
    qint64 parent = RootKeyId;
    QString prefix;
    for (const QString &part : KeyParts(keyPath)) {
        const QString fold = Fold(part);
        prefix += u'\\' + fold;
        const auto cached = m_keyIds.constFind(prefix);
        if (cached != m_keyIds.cend() && cached->has_value()) {
            parent = **cached;
            continue;
        }
        Step step(Statement(InsertKey));
        if (!step)
            return std::nullopt;
        sqlite3_bind_int64(step.get(), 1, parent);
        BindText(step.get(), 2, fold);
        BindText(step.get(), 3, part);
        if (!StepWrite(step.get()))
            return std::nullopt;
        parent = sqlite3_last_insert_rowid(m_db);
        m_keyIds.insert(prefix, parent);
    }
    m_pathIds.insert(keyPath, parent);
    return parent;
}

const CRegistryDatabase::Values *CRegistryDatabase::ValuesOf(qint64 keyId)
{
    const auto cached = m_values.constFind(keyId);
    if (cached != m_values.cend())
        return &*cached;
    // One query brings every value of the key: a folder setting is read key by key.
    Step step(Statement(KeyValues));
    if (!step)
        return nullptr;
    sqlite3_bind_int64(step.get(), 1, keyId);
    Values values;
    int rc;
    while ((rc = sqlite3_step(step.get())) == SQLITE_ROW) {
        Value value;
        value.type = sqlite3_column_int(step.get(), 1) == int(ValueType::String) ? ValueType::String : ValueType::Dword;
        if (value.type == ValueType::String)
            value.text = ColumnText(step.get(), 2);
        else
            value.dword = static_cast<qint32>(sqlite3_column_int64(step.get(), 2));
        values.insert(ColumnText(step.get(), 0), value);
    }
    if (rc != SQLITE_DONE) {
        NoteFailure(rc);
        return nullptr;
    }
    return &*m_values.insert(keyId, std::move(values));
}

std::optional<CRegistryDatabase::Value> CRegistryDatabase::ReadValue(const QString &keyPath, const QString &name)
{
    if (!Usable(false))
        return std::nullopt;
    const std::optional<qint64> id = FindKeyId(keyPath);
    const Values *values = id ? ValuesOf(*id) : nullptr;
    if (!values)
        return std::nullopt;
    const auto it = values->constFind(Folded(name));
    if (it == values->cend())
        return std::nullopt;
    return *it;
}

bool CRegistryDatabase::KeyExists(const QString &keyPath)
{
    return Usable(false) && FindKeyId(keyPath).has_value();
}

bool CRegistryDatabase::WriteValue(const QString &keyPath, const QString &name, const Value &value)
{
    Batch batch(*this);
    if (!Usable(true))
        return LoseWrite();
    const std::optional<qint64> id = CreateKeyId(keyPath);
    bool ok = id.has_value();
    if (ok) {
        Step step(Statement(UpsertValue));
        ok = bool(step);
        if (ok) {
            sqlite3_bind_int64(step.get(), 1, *id);
            BindText(step.get(), 2, Folded(name));
            BindText(step.get(), 3, name);
            sqlite3_bind_int(step.get(), 4, int(value.type));
            if (value.type == ValueType::String)
                BindText(step.get(), 5, value.text);
            else
                sqlite3_bind_int64(step.get(), 5, value.dword);
            ok = StepWrite(step.get());
        }
    }
    if (!ok)
        return LoseWrite();
    const auto cached = m_values.find(*id);
    if (cached != m_values.end())
        cached->insert(Folded(name), value);
    return batch.Commit();
}

bool CRegistryDatabase::WriteDword(const QString &keyPath, const QString &name, qint32 value)
{
    return WriteValue(keyPath, name, Value{ValueType::Dword, value, {}});
}

bool CRegistryDatabase::WriteString(const QString &keyPath, const QString &name, const QString &value)
{
    return WriteValue(keyPath, name, Value{ValueType::String, 0, value});
}

bool CRegistryDatabase::DeleteValue(const QString &keyPath, const QString &name)
{
    if (!m_db && !QFileInfo::exists(m_path))
        return true;   // nothing to delete, and no reason to make the database
    Batch batch(*this);
    if (!Usable(true))
        return LoseWrite();
    const std::optional<qint64> id = FindKeyId(keyPath);
    if (!id)
        return batch.Commit();
    Step step(Statement(DeleteOneValue));
    bool ok = bool(step);
    if (ok) {
        sqlite3_bind_int64(step.get(), 1, *id);
        BindText(step.get(), 2, Folded(name));
        ok = StepWrite(step.get());
    }
    if (!ok)
        return LoseWrite();
    const auto cached = m_values.find(*id);
    if (cached != m_values.end())
        cached->remove(Folded(name));
    return batch.Commit();
}

bool CRegistryDatabase::DeleteKey(const QString &keyPath)
{
    const QStringList parts = KeyParts(keyPath);
    if (parts.isEmpty())
        return false;   // the root stays
    if (!m_db && !QFileInfo::exists(m_path))
        return true;
    Batch batch(*this);
    if (!Usable(true))
        return LoseWrite();
    const std::optional<qint64> id = FindKeyId(keyPath);
    if (!id)
        return batch.Commit();

    int rc;
    {
        Step children(Statement(HasChildren));
        if (!children)
            return LoseWrite();
        sqlite3_bind_int64(children.get(), 1, *id);
        rc = sqlite3_step(children.get());
    }
    if (rc == SQLITE_ROW)
        return batch.Commit();   // a key with nested keys stays as it is
    bool ok = rc == SQLITE_DONE;
    if (!ok)
        NoteFailure(rc, true);
    for (Sql which : {DeleteKeyValues, DeleteKeyRow}) {
        if (!ok)
            break;
        Step step(Statement(which));
        ok = bool(step);
        if (ok) {
            sqlite3_bind_int64(step.get(), 1, *id);
            ok = StepWrite(step.get());
        }
    }
    if (!ok)
        return LoseWrite();
    QString prefix;
    for (const QString &part : parts)
        prefix += u'\\' + Fold(part);
    m_keyIds.insert(prefix, std::nullopt);
    m_pathIds.clear();   // other spellings of the same path
    m_values.remove(*id);
    return batch.Commit();
}

bool CRegistryDatabase::HasSubKeys(const QString &keyPath)
{
    if (!Usable(false))
        return false;
    const std::optional<qint64> id = FindKeyId(keyPath);
    if (!id)
        return false;
    Step step(Statement(HasChildren));
    if (!step)
        return false;
    sqlite3_bind_int64(step.get(), 1, *id);
    const int rc = sqlite3_step(step.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        NoteFailure(rc);
    return rc == SQLITE_ROW;
}

qint32 ReadRegistryDword(CRegistryDatabase &root, const QString &subKey, const QString &valueName, qint32 defaultValue)
{
    const std::optional<CRegistryDatabase::Value> value = root.ReadValue(subKey, valueName);
    if (!value)
        return defaultValue;
    if (value->type == CRegistryDatabase::ValueType::Dword)
        return value->dword;
    // A text's data is its code units and a terminating zero; only one code unit fits.
    if (value->text.size() > 1)
        return defaultValue;
    return value->text.isEmpty() ? 0 : value->text.at(0).unicode();
}
