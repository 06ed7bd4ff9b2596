#pragma once

#include <QList>
#include <functional>

#include "oauth/tokenendpoint.h"

// A provider's token endpoint that answers from a list, oldest first, and
// keeps every form posted to it.
class FakeTokenEndpoint : public TokenEndpoint {
  public:
    struct Post {
        QString url;
        QueryItems form;
        QString value(const char* key) const {
            for (const auto& [k, v] : form)
                if (k == QLatin1String(key))
                    return v;
            return {};
        }
    };

    static Result<HttpReply> json(int status, const char* body) {
        return HttpReply{status, QByteArray(body)};
    }

    QList<Result<HttpReply>> replies;
    QList<Post> posts;
    // What the user does elsewhere while a request is on its way.
    std::function<void()> meanwhile;

    // No reply left: the server is out of reach.
    Result<HttpReply> post(const QString& url, const QueryItems& form) override {
        posts.append({url, form});
        if (meanwhile)
            std::exchange(meanwhile, nullptr)();
        if (replies.isEmpty())
            return Result<HttpReply>::failure({.kind = Error::Kind::TokenServerUnreachable});
        return replies.takeFirst();
    }
};
