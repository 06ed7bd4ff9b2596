#pragma once

#include <QStringList>

#include "transport/bearertokensource.h"

// Access tokens handed out in turn, to the first login and then to each
// renewal; one that starts with "!" is a failure with the rest as its text.
class ListedTokens : public BearerTokenSource {
  public:
    explicit ListedTokens(QStringList tokens) : tokens_(std::move(tokens)) {}
    Result<QString> accessToken() override { return next(); }
    Result<QString> renewedAccessToken() override { return next(); }
    int handedOut() const { return handedOut_; }

  private:
    Result<QString> next() {
        ++handedOut_;
        const QString t = tokens_.isEmpty() ? QStringLiteral("!no more tokens") : tokens_.takeFirst();
        return t.startsWith(u'!') ? Result<QString>::failure(t.mid(1)) : Result<QString>(t);
    }
    QStringList tokens_;
    int handedOut_ = 0;
};
