#pragma once

// transport/: the sessions with the mail servers (POP3, SMTP), server
// addresses, and the set-up of the mail libraries.

#include <QSet>
#include <QString>

#include "mime/receivedmessage.h"
#include "text/result.h"

// What the mail check needs of a POP3 session. Pop3Session is the real one;
// tests of ordering and failure paths put a fake in its place.
//
// Messages are best fetched in order, 1 first: a session may have the next
// ones on their way already.
class Mailbox {
  public:
    virtual ~Mailbox() = default;

    virtual Status connect(const QString& server) = 0;
    // Logs in: the number of waiting messages (0 for none).
    virtual Result<int> authenticate(const QString& id, const QString& password, bool apop) = 0;
    virtual qint64 size(int n) const = 0;
    // The message's unique id (UIDL, RFC 1939), the same in every session;
    // empty when the server gives none.
    virtual QString uidl(int /*n*/) const { return {}; }
    // Messages the caller will not fetch (stored here before, their copy
    // left on the server): a session that fetches ahead passes them over.
    virtual void passOver(const QSet<int>& /*numbers*/) {}
    // Too large to fetch at all: it stays on the server.
    virtual bool isTooLarge(int n) const = 0;
    // The message as the server sends it.
    virtual Result<QByteArray> fetchRaw(int n) = 0;
    // The message decoded (MIME structure, charsets, attachments).
    Result<ReceivedMessage> fetch(int n);
    // Marks the message for deletion. A session may only queue the mark; it
    // then reaches the server with flushRemovals() or close().
    virtual Status remove(int n) = 0;
    // Sends the queued marks and reports the first the server refused, in
    // its own words; the other messages stay marked.
    virtual Status flushRemovals() { return {}; }
    // Ends the session (sending queued marks first); the server commits the
    // deletions now.
    virtual void close() = 0;
    // flushRemovals() and close() in one, so that a session may send the
    // marks and the end of the session together: a round trip less.
    virtual Status flushRemovalsAndClose() {
        const Status flushed = flushRemovals();
        close();
        return flushed;
    }
    // After close(): true when the server confirmed the end of the session,
    // so that the messages removed in it are gone for good.
    virtual bool removalsCommitted() const { return false; }
};
