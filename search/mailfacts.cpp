#include "search/mailfacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cstring>
#include <sqlite3.h>

#include "search/recordfilestate.h"
#include "search/sqlitestatement.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema = "BEGIN IMMEDIATE;"
                            "CREATE TABLE IF NOT EXISTS fact(row INTEGER, name TEXT, value BLOB, "
                            "PRIMARY KEY(row, name)) WITHOUT ROWID;"
                            "CREATE TABLE IF NOT EXISTS digest(row INTEGER PRIMARY KEY, digest BLOB);"
                            "CREATE TABLE IF NOT EXISTS state(size INTEGER, modified INTEGER, inode INTEGER, "
                            "first BLOB, last BLOB);"
                            "PRAGMA user_version=1;"
                            "COMMIT";

void removeDatabase(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QString::fromLatin1(suffix));
}

// The digests of every record of the file, in order, read in one pass.
Result<QList<QByteArray>> digestsOfAll(const QString& recordFile, int records) {
    QList<QByteArray> digests;
    digests.reserve(records);
    const Status read = RecordFile(recordFile, MailRecord::kSize).forEach([&](int n, QByteArrayView record) {
        if (n > records)
            return false;
        digests << RecordFileState::digest(record);
        return n < records;
    });
    if (!read)
        return Result<QList<QByteArray>>::failure(read.error());
    return digests;
}

// Where each row's record went. Records only ever move up (a deletion) or
// stay (an append), so of identical records the one a row held is taken to
// be the last one at or above it not yet placed, going from the bottom up.
// Rows whose record is gone are left out.
QMap<int, int> placeAgain(const QMap<int, QByteArray>& digestOfRow, QHash<QByteArray, QList<int>> rowsNow) {
    QMap<int, int> placed;
    const QList<int> rows = digestOfRow.keys();
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        QList<int>& free = rowsNow[digestOfRow.value(*row)];
        if (free.isEmpty())
            continue;
        const auto below = std::upper_bound(free.begin(), free.end(), *row);
        const auto taken = below == free.begin() ? below : below - 1;
        placed.insert(*row, *taken);
        free.erase(taken);
    }
    return placed;
}

} // namespace

MailFacts::MailFacts(sqlite3* db, QString recordFilePath) : db_(db), recordFile_(std::move(recordFilePath)) {}

MailFacts::~MailFacts() {
    statements_.clear();
    sqlite3_close(db_);
}

MailFacts::MailFacts(MailFacts&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), statements_(std::move(other.statements_)),
      recordFile_(std::move(other.recordFile_)), followed_(std::move(other.followed_)) {}

MailFacts& MailFacts::operator=(MailFacts&& other) noexcept {
    std::swap(db_, other.db_);
    std::swap(statements_, other.statements_);
    std::swap(recordFile_, other.recordFile_);
    std::swap(followed_, other.followed_);
    return *this;
}

QString MailFacts::pathFor(const QString& recordFilePath) {
    const QFileInfo record(recordFilePath);
    return record.dir().filePath(record.completeBaseName() + QStringLiteral(".facts"));
}

Error MailFacts::lastError() const {
    return {.kind = Error::Kind::FactsUnusable,
            .path = pathFor(recordFile_),
            .detail = QString::fromUtf8(sqlite3_errmsg(db_))};
}

void MailFacts::rollback() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

Status MailFacts::exec(const char* sql) {
    if (std::strchr(sql, ';')) { // several statements: run once, not worth keeping
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            return Status::failure(lastError());
        return {};
    }
    SqliteStatement statement(statements_, db_, QString::fromLatin1(sql));
    int stepped;
    while ((stepped = statement.step()) == SQLITE_ROW) {
    }
    return stepped == SQLITE_DONE ? Status() : Status::failure(lastError());
}

Result<MailFacts> MailFacts::open(const QString& recordFilePath) {
    const QString path = pathFor(recordFilePath);
    // A database that is damaged or of another version is started afresh:
    // losing the facts only makes every mail read and of no known account.
    for (int attempt = 0;; ++attempt) {
        sqlite3* db = nullptr;
        const int opened =
            sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        MailFacts facts(db, recordFilePath);
        if (opened != SQLITE_OK)
            return Result<MailFacts>::failure(facts.lastError());
        sqlite3_busy_timeout(db, 5000);
        qint64 version = -1;
        {
            SqliteStatement check(db, QStringLiteral("PRAGMA quick_check"));
            const bool healthy = check.step() == SQLITE_ROW && check.text(0) == QStringLiteral("ok");
            SqliteStatement read(db, QStringLiteral("PRAGMA user_version"));
            if (healthy && read.step() == SQLITE_ROW)
                version = read.integer(0);
        }
        const bool usable = (version == 0 || version == kSchemaVersion) &&
                            facts.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL").ok() &&
                            (version == kSchemaVersion || facts.exec(kSchema).ok());
        if (usable) {
            if (Status followed = facts.follow(); !followed)
                return Result<MailFacts>::failure(followed.error());
            return facts;
        }
        if (attempt == 1)
            return Result<MailFacts>::failure(facts.lastError());
        facts = MailFacts(nullptr, recordFilePath);
        removeDatabase(path);
    }
}

Status MailFacts::follow() {
    const Result<RecordFileState> now = RecordFileState::of(recordFile_);
    if (!now)
        return Status::failure(now.error());
    if (Status s = exec("BEGIN IMMEDIATE"); !s)
        return s;
    const auto fail = [&](const Error& e) {
        rollback();
        return Status::failure(e);
    };
    const std::optional<RecordFileState> saved = savedState();
    if (saved && *saved == *now) {
        followed_ = *now;
        return exec("COMMIT");
    }
    RecordFileState::Change change = RecordFileState::Change::Rewritten;
    if (saved) {
        const Result<RecordFileState::Change> between = RecordFileState::between(*saved, *now, recordFile_);
        if (!between)
            return fail(between.error());
        change = *between;
    }
    if (change == RecordFileState::Change::Rewritten) {
        // Each fact goes to the row that holds its record now.
        QMap<int, QByteArray> digestOfRow;
        {
            SqliteStatement select(statements_, db_,
                                   QStringLiteral("SELECT row, digest FROM digest ORDER BY row"));
            while (select.step() == SQLITE_ROW)
                digestOfRow.insert(int(select.integer(0)), select.blob(1));
        }
        QHash<QByteArray, QList<int>> rowsNow;
        if (!digestOfRow.isEmpty()) {
            const Result<QList<QByteArray>> digests = digestsOfAll(recordFile_, now->records());
            if (!digests)
                return fail(digests.error());
            for (int n = 1; n <= digests->size(); ++n)
                rowsNow[digests->at(n - 1)] << n;
        }
        const QMap<int, int> placed = placeAgain(digestOfRow, rowsNow);
        // Old rows are negated first so that no two rows meet on the way.
        if (Status s = exec("UPDATE fact SET row = -row; UPDATE digest SET row = -row"); !s)
            return fail(s.error());
        for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
            for (const QString& table : {QStringLiteral("fact"), QStringLiteral("digest")}) {
                SqliteStatement move(statements_, db_,
                                     QStringLiteral("UPDATE %1 SET row = ?2 WHERE row = ?1").arg(table));
                move.bind(1, -qint64(it.key()));
                move.bind(2, qint64(it.value()));
                if (move.step() != SQLITE_DONE)
                    return fail(lastError());
            }
        }
        // The facts of records that are gone.
        if (Status s = exec("DELETE FROM fact WHERE row < 0; DELETE FROM digest WHERE row < 0"); !s)
            return fail(s.error());
    }
    if (Status s = saveState(*now); !s)
        return fail(s.error());
    return exec("COMMIT");
}

std::optional<RecordFileState> MailFacts::savedState() {
    SqliteStatement select(statements_, db_,
                           QStringLiteral("SELECT size, modified, inode, first, last FROM state"));
    if (select.step() != SQLITE_ROW)
        return std::nullopt;
    return RecordFileState{select.integer(0), select.integer(1), select.integer(2), select.blob(3),
                           select.blob(4)};
}

Status MailFacts::saveState(const RecordFileState& state) {
    if (Status s = exec("DELETE FROM state"); !s)
        return s;
    SqliteStatement insert(statements_, db_, QStringLiteral("INSERT INTO state VALUES(?1, ?2, ?3, ?4, ?5)"));
    insert.bind(1, state.size);
    insert.bind(2, state.modifiedNs);
    insert.bind(3, state.inode);
    insert.bind(4, state.firstDigest);
    insert.bind(5, state.lastDigest);
    if (insert.step() != SQLITE_DONE)
        return Status::failure(lastError());
    followed_ = state;
    return {};
}

Status MailFacts::insertFact(int row, const QString& name, const QByteArray& value) {
    SqliteStatement insert(statements_, db_,
                           QStringLiteral("INSERT OR REPLACE INTO fact VALUES(?1, ?2, ?3)"));
    insert.bind(1, qint64(row));
    insert.bind(2, name);
    insert.bind(3, value);
    return insert.step() == SQLITE_DONE ? Status() : Status::failure(lastError());
}

Result<QHash<int, QByteArray>> MailFacts::values(const QString& name) {
    using R = Result<QHash<int, QByteArray>>;
    if (Status s = follow(); !s)
        return R::failure(s.error());
    SqliteStatement select(statements_, db_, QStringLiteral("SELECT row, value FROM fact WHERE name = ?1"));
    select.bind(1, name);
    QHash<int, QByteArray> out;
    int stepped;
    while ((stepped = select.step()) == SQLITE_ROW)
        out.insert(int(select.integer(0)), select.blob(1));
    if (stepped != SQLITE_DONE)
        return R::failure(lastError());
    return out;
}

Result<QByteArray> MailFacts::value(int row, const QString& name) {
    if (Status s = follow(); !s)
        return Result<QByteArray>::failure(s.error());
    SqliteStatement select(statements_, db_,
                           QStringLiteral("SELECT value FROM fact WHERE row = ?1 AND name = ?2"));
    select.bind(1, qint64(row));
    select.bind(2, name);
    const int stepped = select.step();
    if (stepped == SQLITE_ROW)
        return select.blob(0);
    if (stepped != SQLITE_DONE)
        return Result<QByteArray>::failure(lastError());
    return QByteArray();
}

Result<int> MailFacts::count(const QString& name) {
    if (Status s = follow(); !s)
        return Result<int>::failure(s.error());
    SqliteStatement select(statements_, db_, QStringLiteral("SELECT count(*) FROM fact WHERE name = ?1"));
    select.bind(1, name);
    if (select.step() != SQLITE_ROW)
        return Result<int>::failure(lastError());
    return int(select.integer(0));
}

Status MailFacts::set(const QList<int>& rows, const QString& name, const QByteArray& value) {
    if (Status s = follow(); !s)
        return s;
    for (int row : rows)
        if (row < 1 || row > followed_.records())
            return Status::failure({.kind = Error::Kind::NoSuchRecord, .count = row});
    if (Status s = exec("BEGIN IMMEDIATE"); !s)
        return s;
    const auto fail = [&](const Error& e) {
        rollback();
        return Status::failure(e);
    };
    for (int row : rows) {
        if (value.isEmpty()) {
            SqliteStatement remove(statements_, db_,
                                   QStringLiteral("DELETE FROM fact WHERE row = ?1 AND name = ?2"));
            remove.bind(1, qint64(row));
            remove.bind(2, name);
            if (remove.step() != SQLITE_DONE)
                return fail(lastError());
            continue;
        }
        SqliteStatement known(statements_, db_, QStringLiteral("SELECT 1 FROM digest WHERE row = ?1"));
        known.bind(1, qint64(row));
        if (known.step() != SQLITE_ROW) {
            const Result<QByteArray> digest = RecordFileState::digestOf(recordFile_, row);
            if (!digest)
                return fail(digest.error());
            SqliteStatement keep(statements_, db_, QStringLiteral("INSERT INTO digest VALUES(?1, ?2)"));
            keep.bind(1, qint64(row));
            keep.bind(2, *digest);
            if (keep.step() != SQLITE_DONE)
                return fail(lastError());
        }
        if (Status s = insertFact(row, name, value); !s)
            return fail(s.error());
    }
    if (Status s = exec("DELETE FROM digest WHERE row NOT IN (SELECT row FROM fact)"); !s)
        return fail(s.error());
    return exec("COMMIT");
}

Status MailFacts::clear(const QString& name) {
    if (Status s = exec("BEGIN IMMEDIATE"); !s)
        return s;
    SqliteStatement remove(statements_, db_, QStringLiteral("DELETE FROM fact WHERE name = ?1"));
    remove.bind(1, name);
    if (remove.step() != SQLITE_DONE || !exec("DELETE FROM digest WHERE row NOT IN (SELECT row FROM fact)")) {
        const Error e = lastError();
        rollback();
        return Status::failure(e);
    }
    return exec("COMMIT");
}

Status MailFacts::recordRemoved(int row) {
    const Result<RecordFileState> now = RecordFileState::of(recordFile_);
    if (!now)
        return Status::failure(now.error());
    if (Status s = exec("BEGIN IMMEDIATE"); !s)
        return s;
    int savedRecords = -1;
    {
        SqliteStatement select(statements_, db_, QStringLiteral("SELECT size FROM state"));
        if (select.step() == SQLITE_ROW) {
            RecordFileState saved;
            saved.size = select.integer(0);
            savedRecords = saved.records();
        }
    }
    // Facts that were not up to the file before the deletion are placed by
    // their digests instead.
    if (savedRecords != now->records() + 1) {
        rollback();
        return follow();
    }
    SqliteStatement removeFacts(statements_, db_, QStringLiteral("DELETE FROM fact WHERE row = ?1"));
    SqliteStatement removeDigest(statements_, db_, QStringLiteral("DELETE FROM digest WHERE row = ?1"));
    removeFacts.bind(1, qint64(row));
    removeDigest.bind(1, qint64(row));
    // Later rows move up through negative numbers, so that no two meet on the way.
    const QByteArray after = QByteArray::number(row);
    const QByteArray moveUp = "UPDATE fact SET row = -(row - 1) WHERE row > " + after +
                              ";UPDATE fact SET row = -row WHERE row < 0"
                              ";UPDATE digest SET row = -(row - 1) WHERE row > " +
                              after + ";UPDATE digest SET row = -row WHERE row < 0";
    const bool done = removeFacts.step() == SQLITE_DONE && removeDigest.step() == SQLITE_DONE &&
                      exec(moveUp.constData()).ok() && saveState(*now).ok();
    if (!done) {
        const Error e = lastError();
        rollback();
        return Status::failure(e);
    }
    return exec("COMMIT");
}

void MailFacts::beforeAppend() {
    const Result<RecordFileState> now = RecordFileState::statOf(recordFile_);
    beforeAppend_ = now ? std::optional(*now) : std::nullopt;
}

Status MailFacts::recordAppended(int row, QByteArrayView record, const QList<Fact>& facts,
                                 QByteArray digest) {
    const std::optional<RecordFileState> before = std::exchange(beforeAppend_, std::nullopt);
    const Result<RecordFileState> now = RecordFileState::statOf(recordFile_);
    if (!now)
        return Status::failure(now.error());
    if (Status s = exec("BEGIN IMMEDIATE"); !s)
        return s;
    // Our own append onto the file as the facts were last saved against it,
    // by this connection or another (a second check, the history window):
    // the time a file was last written changes with every write, ours and
    // others', so the same time, size and inode before the append as saved
    // mean nothing touched it since, and the first record and the former
    // last are as saved. Anything else is followed first.
    const std::optional<RecordFileState> saved = savedState();
    const bool onlyThisAppended = before && saved && before->size == saved->size &&
                                  before->modifiedNs == saved->modifiedNs && before->inode == saved->inode &&
                                  now->inode == saved->inode &&
                                  saved->size == qint64(saved->records()) * record.size() &&
                                  now->size == saved->size + record.size() && row == saved->records() + 1;
    if (!onlyThisAppended) {
        rollback();
        for (const Fact& fact : facts)
            if (Status s = set({row}, fact.first, fact.second); !s)
                return s;
        return {};
    }
    const auto fail = [&](const Error& e) {
        rollback();
        return Status::failure(e);
    };
    RecordFileState grown = *now;
    grown.lastDigest = digest.isEmpty() ? RecordFileState::digest(record) : std::move(digest);
    grown.firstDigest = row == 1 ? grown.lastDigest : saved->firstDigest;
    // A row without facts keeps no digest either.
    const bool anyFact =
        std::any_of(facts.cbegin(), facts.cend(), [](const Fact& f) { return !f.second.isEmpty(); });
    if (anyFact) {
        SqliteStatement keep(statements_, db_,
                             QStringLiteral("INSERT OR REPLACE INTO digest VALUES(?1, ?2)"));
        keep.bind(1, qint64(row));
        keep.bind(2, grown.lastDigest);
        if (keep.step() != SQLITE_DONE)
            return fail(lastError());
    }
    for (const Fact& fact : facts)
        if (!fact.second.isEmpty())
            if (Status s = insertFact(row, fact.first, fact.second); !s)
                return fail(s.error());
    if (Status s = saveState(grown); !s)
        return fail(s.error());
    return exec("COMMIT");
}
