#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

#include "transport/mailstream.h"

// A server played as bytes on a clock of its own, for the protocol's framing,
// limits and ordering: each chunk arrives `delayMillis` after the client
// last waited, and what the client wrote is kept line by line. After the
// last chunk the server is silent (or hangs up, with `hangsUp`); TLS is
// granted whenever asked for.
class FakeMailStream : public MailStream {
  public:
    struct Chunk {
        QByteArray bytes;
        qint64 delayMillis = 0;
    };
    struct Record {
        QList<QByteArray> written; // the client's lines, without CR LF
        bool tls = false;
        qint64 clock = 0;
    };

    explicit FakeMailStream(QList<Chunk> chunks, bool hangsUp = false)
        : chunks_(std::move(chunks)), hangsUp_(hangsUp) {}

    // The server's lines, CR LF added to each, as one chunk.
    static Chunk lines(const QList<QByteArray>& lines) {
        Chunk c;
        for (const QByteArray& line : lines)
            c.bytes += line + "\r\n";
        return c;
    }

    // What the client did; it outlives the stream, which the session owns.
    std::shared_ptr<const Record> record() const { return record_; }

    bool open(const ServerAddress& address, const QString& serverText) override {
        open_ = true;
        serverText_ = serverText;
        record_->tls = address.tlsFromStart;
        return true;
    }
    bool startTls() override { return record_->tls = open_; }
    bool isOpen() const override { return open_; }
    bool isEncrypted() const override { return open_ && record_->tls; }
    void write(const QByteArray& bytes) override {
        pending_ += bytes;
        for (qsizetype end; (end = pending_.indexOf("\r\n")) >= 0; pending_.remove(0, end + 2))
            record_->written.append(pending_.left(end));
    }
    bool drain(qint64) override { return open_; }
    bool readSome(QByteArray& buffer, qint64 max, qint64 untilMillis) override {
        if (!open_)
            return false;
        if (next_ >= chunks_.size()) {
            if (hangsUp_)
                return fail(Error::Kind::ConnectionLost);
            record_->clock = std::max(record_->clock, untilMillis);
            return fail(Error::Kind::Timeout);
        }
        Chunk& chunk = chunks_[next_];
        if (record_->clock + chunk.delayMillis > untilMillis) {
            record_->clock = untilMillis;
            return fail(Error::Kind::Timeout);
        }
        record_->clock += chunk.delayMillis;
        chunk.delayMillis = 0;
        const qsizetype n = std::min<qsizetype>(max, chunk.bytes.size());
        buffer += chunk.bytes.left(n);
        chunk.bytes.remove(0, n);
        if (chunk.bytes.isEmpty())
            ++next_;
        return true;
    }
    qint64 nowMillis() const override { return record_->clock; }
    void close() override { open_ = false; }
    const Error& error() const override { return error_; }

  private:
    bool fail(Error::Kind kind) {
        error_ = {.kind = kind, .name = serverText_};
        open_ = false;
        return false;
    }

    QList<Chunk> chunks_;
    bool hangsUp_;
    qsizetype next_ = 0;
    bool open_ = false;
    QString serverText_;
    QByteArray pending_;
    Error error_;
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
};
