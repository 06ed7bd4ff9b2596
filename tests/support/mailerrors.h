#pragma once

#include <QList>
#include <QMetaEnum>
#include <ostream>

#include "transport/mailerror.h"

// In a failing test a kind reads by its name, and an error with all that lies beneath it.
inline void PrintTo(MailError::Kind kind, std::ostream* os) {
    *os << QMetaEnum::fromType<MailError::Kind>().valueToKey(int(kind));
}
inline void PrintTo(const MailError& error, std::ostream* os) {
    *os << error.debugText().toStdString();
}

// The kinds of `errors`, in order.
inline QList<MailError::Kind> kindsOf(const QList<MailError>& errors) {
    QList<MailError::Kind> kinds;
    for (const MailError& e : errors)
        kinds.append(e.kind);
    return kinds;
}

// The kinds down an error's causes, itself first.
inline QList<MailError::Kind> chainOf(const MailError& error) {
    QList<MailError::Kind> kinds{error.kind};
    for (const MailError* e = error.cause.get(); e; e = e->cause.get())
        kinds.append(e->kind);
    return kinds;
}

// What a login gave: the number of messages, or -1 when it failed.
inline int countOf(const MailResult<int>& login) {
    return login ? *login : -1;
}
