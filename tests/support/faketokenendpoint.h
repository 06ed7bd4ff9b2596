#pragma once

#include <QList>

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

    Result<HttpReply> post(const QString& url, const QueryItems& form) override {
        posts.append({url, form});
        if (replies.isEmpty())
            return Result<HttpReply>::failure(QStringLiteral("no reply left"));
        return replies.takeFirst();
    }
};
