#pragma once

#include <QList>
#include <QMetaEnum>
#include <ostream>

#include "text/error.h"

// In a failing test a kind reads by its name, and an error with all that lies beneath it.
inline void PrintTo(Error::Kind kind, std::ostream* os) {
    *os << QMetaEnum::fromType<Error::Kind>().valueToKey(int(kind));
}
inline void PrintTo(const Error& error, std::ostream* os) {
    *os << error.debugText().toStdString();
}

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
inline int countOf(const MailResult<int>& login) {
    return login ? *login : -1;
}
