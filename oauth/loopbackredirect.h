#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QUrlQuery>
#include <chrono>
#include <memory>
#include <optional>

#include "text/canceltoken.h"
#include "text/result.h"

class QTcpServer;

// Where the browser comes back to after the sign-in (RFC 8252 section 7.3):
// a listener on 127.0.0.1, on a port the system picks, for the one request
// the provider redirects the browser to. Blocking, for one thread without
// an event loop; it closes when this object goes.
class LoopbackRedirect {
  public:
    // What the browser shows, in the window side's words: after the redirect,
    // and for any other request.
    struct Pages {
        QString signedIn;
        QString notFound;
    };

    // How long a connection may take to bring its request: browsers open
    // spare connections beside the one they send on, and may send on a spare
    // a few seconds after opening it.
    explicit LoopbackRedirect(Pages pages = {},
                              std::chrono::milliseconds requestTimeout = std::chrono::seconds(10));
    ~LoopbackRedirect();

    Status listen();
    // "http://127.0.0.1:port/"
    QString redirectUri() const;
    // The query of the redirect that carries `state`; nothing when the
    // deadline passed or `cancelled` became true first. Every connection is
    // read side by side with the others; requests without that state
    // (another tab, a favicon) get an answer and are passed over.
    std::optional<QUrlQuery> wait(const QString& state, QDeadlineTimer deadline,
                                  const CancelToken& cancelled);

  private:
    Pages pages_;
    std::chrono::milliseconds requestTimeout_;
    std::unique_ptr<QTcpServer> server_;
};
