#pragma once

#include <QList>

#include "text/result.h"

// The kinds of `errors`, in order.
inline QList<Error::Kind> kindsOf(const QList<Error>& errors) {
    QList<Error::Kind> kinds;
    for (const Error& e : errors)
        kinds.append(e.kind);
    return kinds;
}

// The kinds down an error's causes, itself first.
inline QList<Error::Kind> chainOf(const Error& error) {
    QList<Error::Kind> kinds{error.kind};
    for (const Error* e = error.cause.get(); e; e = e->cause.get())
        kinds.append(e->kind);
    return kinds;
}

// What a login gave: the number of messages, or -1 when it failed.
inline int countOf(const Result<int>& login) {
    return login ? *login : -1;
}
