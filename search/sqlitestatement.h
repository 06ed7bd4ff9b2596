#pragma once

#include <QByteArray>
#include <QString>
#include <sqlite3.h>

// A statement, finalized when it goes out of scope.
class SqliteStatement {
  public:
    SqliteStatement(sqlite3* db, const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        ok_ = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt_, nullptr) == SQLITE_OK;
    }
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
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
};
