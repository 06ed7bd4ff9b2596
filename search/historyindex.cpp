#include "search/historyindex.h"

#include <QFile>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <sqlite3.h>

#include "search/sqlitestatement.h"

namespace {

constexpr int kSchemaVersion = 1;
// Every occurrence of a word of one or two characters starts a trigram of
// the text only when two more characters follow the text's end.
const QString kTextEnd = QStringLiteral("\n\n");

QString phrase(const QString& text) {
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// Characters as SQLite counts them: code points.
qsizetype characters(const QString& word) {
    return word.toUcs4().size();
}

// Held shared while an index is read and alone while it is removed: a
// connection closing on a removed database would delete the journal of the
// one made in its place.
std::shared_mutex& removalLock(const QString& path) {
    static std::mutex guard;
    static std::map<QString, std::unique_ptr<std::shared_mutex>> locks;
    const std::lock_guard<std::mutex> held(guard);
    auto& lock = locks[path];
    if (!lock)
        lock = std::make_unique<std::shared_mutex>();
    return *lock;
}

} // namespace

HistoryIndex::HistoryIndex(sqlite3* db) : db_(db) {}

HistoryIndex::~HistoryIndex() {
    sqlite3_close(db_);
}

HistoryIndex::HistoryIndex(HistoryIndex&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

HistoryIndex& HistoryIndex::operator=(HistoryIndex&& other) noexcept {
    std::swap(db_, other.db_);
    return *this;
}

Error HistoryIndex::lastError() const {
    return {.kind = Error::Kind::SearchIndexUnusable, .detail = QString::fromUtf8(sqlite3_errmsg(db_))};
}

Status HistoryIndex::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return Status::failure(lastError());
    return {};
}

Result<HistoryIndex::Snapshot> HistoryIndex::lookUp(const QString& path, const QStringList& words,
                                                    int maxExpanded) {
    const std::shared_lock<std::shared_mutex> reading(removalLock(path));
    if (!QFile::exists(path))
        return Result<Snapshot>::failure({.kind = Error::Kind::NoSearchIndex});
    Result<HistoryIndex> index = open(path);
    if (!index)
        return Result<Snapshot>::failure(index.error());
    return index.value().find(words, maxExpanded);
}

Result<HistoryIndex> HistoryIndex::open(const QString& path) {
    using R = Result<HistoryIndex>;
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    HistoryIndex index(db);
    if (opened != SQLITE_OK)
        return R::failure(index.lastError());
    sqlite3_busy_timeout(db, 5000);
    qint64 found;
    {
        SqliteStatement version(db, QStringLiteral("PRAGMA user_version"));
        if (version.step() != SQLITE_ROW)
            return R::failure(index.lastError());
        found = version.integer(0);
    }
    if (found != 0 && found != kSchemaVersion)
        return R::failure({.kind = Error::Kind::SearchIndexOtherFormat});
    // Readers go on while the index is written (WAL); losing the last
    // commits in a power cut only makes the index older, which it notices.
    if (Status s = index.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL"); !s)
        return R::failure(s.error());
    if (found == 0) {
        const Status created = index.exec(
            "BEGIN IMMEDIATE;"
            "CREATE VIRTUAL TABLE IF NOT EXISTS mail USING fts5(text, tokenize='trigram case_sensitive 1');"
            "CREATE VIRTUAL TABLE IF NOT EXISTS mail_terms USING fts5vocab(mail, 'row');"
            "CREATE TABLE IF NOT EXISTS state(size INTEGER, modified INTEGER, inode INTEGER, first BLOB, "
            "last BLOB);"
            "PRAGMA user_version=1;"
            "COMMIT");
        if (!created)
            return R::failure(created.error());
    }
    return index;
}

void HistoryIndex::remove(const QString& path) {
    const std::unique_lock<std::shared_mutex> alone(removalLock(path));
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QString::fromLatin1(suffix));
}

Result<std::optional<RecordFileState>> HistoryIndex::indexedState() {
    using R = Result<std::optional<RecordFileState>>;
    SqliteStatement select(db_, QStringLiteral("SELECT size, modified, inode, first, last FROM state"));
    const int stepped = select.step();
    if (stepped == SQLITE_DONE)
        return std::optional<RecordFileState>();
    if (stepped != SQLITE_ROW)
        return R::failure(lastError());
    return std::optional<RecordFileState>(RecordFileState{select.integer(0), select.integer(1),
                                                          select.integer(2), select.blob(3), select.blob(4)});
}

Status HistoryIndex::begin() {
    return exec("BEGIN IMMEDIATE");
}

Status HistoryIndex::clear() {
    return exec("DELETE FROM mail; DELETE FROM state");
}

Status HistoryIndex::add(int number, const QString& foldedText) {
    SqliteStatement insert(db_, QStringLiteral("INSERT OR REPLACE INTO mail(rowid, text) VALUES(?1, ?2)"));
    insert.bind(1, qint64(number));
    insert.bind(2, foldedText + kTextEnd);
    if (insert.step() != SQLITE_DONE)
        return Status::failure(lastError());
    return {};
}

Status HistoryIndex::commit(const RecordFileState& state) {
    if (Status s = exec("DELETE FROM state"); !s)
        return s;
    SqliteStatement insert(db_, QStringLiteral("INSERT INTO state VALUES(?1, ?2, ?3, ?4, ?5)"));
    insert.bind(1, state.size);
    insert.bind(2, state.modifiedNs);
    insert.bind(3, state.inode);
    insert.bind(4, state.firstDigest);
    insert.bind(5, state.lastDigest);
    if (insert.step() != SQLITE_DONE)
        return Status::failure(lastError());
    return exec("COMMIT");
}

void HistoryIndex::rollback() {
    (void)exec("ROLLBACK");
}

// The trigrams that start with a word of one or two characters, as an OR of
// phrases; empty when the word occurs nowhere, null when there are too many.
Result<QString> HistoryIndex::shortWordQuery(const QString& word, int maxExpanded) {
    SqliteStatement terms(
        db_, QStringLiteral("SELECT term FROM mail_terms WHERE term >= ?1 AND term < ?2 LIMIT ?3"));
    terms.bind(1, word);
    terms.bind(2, word + QString::fromUcs4(U"\U0010FFFF"));
    terms.bind(3, qint64(maxExpanded + 1));
    QStringList phrases;
    int stepped;
    while ((stepped = terms.step()) == SQLITE_ROW)
        phrases.append(phrase(terms.text(0)));
    if (stepped != SQLITE_DONE)
        return Result<QString>::failure(lastError());
    if (phrases.size() > maxExpanded)
        return QString();
    if (phrases.isEmpty())
        return QStringLiteral("");
    return u'(' + phrases.join(QStringLiteral(" OR ")) + u')';
}

Result<HistoryIndex::Snapshot> HistoryIndex::find(const QStringList& words, int maxExpanded) {
    using R = Result<Snapshot>;
    if (Status s = exec("BEGIN"); !s)
        return R::failure(s.error());
    auto fail = [this] {
        const Error error = lastError();
        rollback();
        return R::failure(error);
    };
    Snapshot snapshot;
    const auto state = indexedState();
    if (!state)
        return fail();
    snapshot.state = *state;

    QStringList match;
    QStringList lookThrough; // words found by reading the texts
    bool nowhere = false;
    for (const QString& word : words) {
        if (characters(word) >= 3) {
            match.append(phrase(word));
            continue;
        }
        const Result<QString> expanded = shortWordQuery(word, maxExpanded);
        if (!expanded)
            return fail();
        if (expanded->isNull())
            lookThrough.append(word);
        else if (expanded->isEmpty())
            nowhere = true;
        else
            match.append(*expanded);
    }
    if (!nowhere) {
        QString sql = QStringLiteral("SELECT rowid FROM mail WHERE ");
        QStringList conditions;
        if (!match.isEmpty())
            conditions.append(QStringLiteral("mail MATCH ?1"));
        for (qsizetype i = 0; i < lookThrough.size(); ++i)
            conditions.append(QStringLiteral("instr(text, ?%1) > 0").arg(i + 2));
        if (conditions.isEmpty())
            conditions.append(QStringLiteral("1"));
        SqliteStatement select(db_, sql + conditions.join(QStringLiteral(" AND ")) +
                                        QStringLiteral(" ORDER BY rowid"));
        if (!match.isEmpty())
            select.bind(1, match.join(QStringLiteral(" AND ")));
        for (qsizetype i = 0; i < lookThrough.size(); ++i)
            select.bind(int(i + 2), lookThrough.at(i));
        int stepped;
        while ((stepped = select.step()) == SQLITE_ROW)
            snapshot.records.append(int(select.integer(0)));
        if (stepped != SQLITE_DONE)
            return fail();
    }
    if (Status s = exec("COMMIT"); !s)
        return R::failure(s.error());
    return snapshot;
}
