#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

#include "text/result.h"

using CURL = void;

// One libcurl easy handle, which keeps its connection between transfers.
// Server replies (greeting, +OK/-ERR, SMTP codes) reach us only through the
// header callback and the error buffer is often empty, so the lines are
// kept to explain a failure in the server's own words.
class CurlSession {
  public:
    struct Timeouts {
        int connectSeconds = 30;
        int idleSeconds = 60; // no byte for this long ends the operation
    };

    explicit CurlSession(Timeouts timeouts);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    CURL* handle() const { return curl_; }

    // Runs one transfer. The body (if any) is collected up to `bodyLimit`
    // bytes; more than that fails the transfer.
    bool perform(qint64 bodyLimit = 1 << 20, qint64 expectedBodySize = 0);

    const QByteArray& body() const { return body_; }
    const QList<QByteArray>& serverLines() const { return lines_; }
    bool bodyLimitExceeded() const { return limitExceeded_; }
    int lastResult() const { return result_; }

    // The server's reply when it gave a failure (Login when libcurl's login
    // was denied, else Refused), else what failed on the way, in libcurl's words.
    Error error(const QString& server) const;

    // Ends the connection (libcurl sends QUIT) and frees the handle.
    void close();

    // Checks the server by this very public key ("sha256//<base64>") in place
    // of the system's store and host name. Where libcurl cannot pin (a TLS
    // backend without pinning) it fails and every check stays on: turning
    // them off without the pin would accept any certificate.
    Status pinPublicKey(const QByteArray& key, const QString& server);

    // Sees each server line as it arrives, before libcurl acts on it; false
    // ends the transfer there.
    std::function<bool(const QByteArray& line)> lineCheck;
    // Told of every connection libcurl opens (not of one it keeps).
    std::function<void()> connectionOpened;

  private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);

    CURL* curl_ = nullptr;
    char errorBuffer_[256] = {};
    QByteArray body_;
    QList<QByteArray> lines_;
    qint64 limit_ = 0;
    bool limitExceeded_ = false;
    int result_ = 0;
};
