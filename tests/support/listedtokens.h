#pragma once

#include <QStringList>

#include "transport/bearertokensource.h"

// Access tokens handed out in turn, to the first login and then to each
// renewal; "!" is a failure (NotSignedIn), as is the end of the list.
class ListedTokens : public BearerTokenSource {
  public:
    explicit ListedTokens(QStringList tokens) : tokens_(std::move(tokens)) {}
    Result<QString> accessToken() override { return next(); }
    Result<QString> renewedAccessToken() override { return next(); }
    int handedOut() const { return handedOut_; }

  private:
    Result<QString> next() {
        ++handedOut_;
        const QString t = tokens_.isEmpty() ? QStringLiteral("!") : tokens_.takeFirst();
        return t == QStringLiteral("!") ? Result<QString>::failure({.kind = Error::Kind::NotSignedIn})
                                        : Result<QString>(t);
    }
    QStringList tokens_;
    int handedOut_ = 0;
};
