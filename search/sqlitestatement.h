#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <sqlite3.h>

// The statements of one connection that run again and again, each prepared
// once: preparing costs more than running the small ones a stored mail
// needs. Clear it before the connection closes.
class SqliteStatementCache {
  public:
    SqliteStatementCache() = default;
    ~SqliteStatementCache() { clear(); }
    SqliteStatementCache(SqliteStatementCache&& other) noexcept : prepared_(std::move(other.prepared_)) {
        other.prepared_.clear();
    }
    SqliteStatementCache& operator=(SqliteStatementCache&& other) noexcept {
        prepared_.swap(other.prepared_);
        return *this;
    }

    // The statement of `sql`, prepared on first use; nullptr when it cannot be.
    sqlite3_stmt* prepared(sqlite3* db, const QString& sql) {
        sqlite3_stmt*& stmt = prepared_[sql];
        if (!stmt) {
            const QByteArray utf8 = sql.toUtf8();
            if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK)
                stmt = nullptr;
        }
        return stmt;
    }
    void clear() {
        for (sqlite3_stmt* stmt : std::as_const(prepared_))
            sqlite3_finalize(stmt);
        prepared_.clear();
    }

  private:
    QHash<QString, sqlite3_stmt*> prepared_;
};

// A statement, finalized when it goes out of scope; one of a cache is only
// reset for its next use instead.
class SqliteStatement {
  public:
    SqliteStatement(sqlite3* db, const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        ok_ = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt_, nullptr) == SQLITE_OK;
    }
    SqliteStatement(SqliteStatementCache& cache, sqlite3* db, const QString& sql)
        : stmt_(cache.prepared(db, sql)), ok_(stmt_ != nullptr), cached_(true) {}
    ~SqliteStatement() {
        if (!cached_) {
            sqlite3_finalize(stmt_);
        } else if (stmt_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return ok_; }
    void bind(int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        ok_ = ok_ &&
              sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    void bind(int i, qint64 value) { ok_ = ok_ && sqlite3_bind_int64(stmt_, i, value) == SQLITE_OK; }
    void bind(int i, const QByteArray& blob) {
        ok_ = ok_ &&
              sqlite3_bind_blob(stmt_, i, blob.constData(), int(blob.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    // SQLITE_ROW, SQLITE_DONE, or an error.
    int step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }
    QByteArray blob(int column) const {
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, column)),
                          sqlite3_column_bytes(stmt_, column));
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
    bool ok_ = false;
    bool cached_ = false;
};
