#include "transport/tlspolicy.h"

#include <QFile>
#include <QSaveFile>
#include <mutex>

namespace {

const QString kTls = QStringLiteral("tls");
// A check and a send may learn something at the same moment: one rewrite at a time.
std::mutex rewriting;
const QString kClear = QStringLiteral("clear");

} // namespace

TlsPolicy::TlsPolicy(QString file, Question ask) : file_(std::move(file)), ask_(std::move(ask)) {}

QString TlsPolicy::service(const char* protocol, const ServerAddress& address) {
    return QStringLiteral("%1 %2:%3").arg(QLatin1String(protocol), address.host.toLower()).arg(address.port);
}

QString TlsPolicy::stateOf(const QString& service) const {
    QFile f(file_);
    if (file_.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray key = service.toUtf8() + ' ';
    QString state;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            state = QString::fromUtf8(line.mid(key.size()).trimmed());
    return state;
}

Status TlsPolicy::remember(const QString& service, const QString& state) const {
    const std::lock_guard lock(rewriting);
    if (file_.isEmpty() || stateOf(service) == state)
        return {};
    const QByteArray key = service.toUtf8() + ' ';
    QByteArray lines;
    if (QFile old(file_); old.open(QIODevice::ReadOnly))
        for (const QByteArray& line : old.readAll().split('\n'))
            if (!line.isEmpty() && !line.startsWith(key))
                lines += line + '\n';
    lines += key + state.toUtf8() + '\n';
    QSaveFile f(file_);
    if (!f.open(QIODevice::WriteOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        f.write(lines) != lines.size() || !f.commit())
        return Status::failure(
            {.kind = Error::Kind::TlsRecordNotKept, .path = file_, .detail = f.errorString()});
    return {};
}

Status TlsPolicy::rememberTls(const QString& service) const {
    return remember(service, kTls);
}

bool TlsPolicy::requiresTls(const QString& service) const {
    return stateOf(service) == kTls;
}

Status TlsPolicy::acceptNoTls(const QString& service, const QString& serverText) const {
    if (!requiresTls(service))
        return {};
    return Status::failure({.kind = Error::Kind::TlsWithdrawn, .name = serverText});
}

Status TlsPolicy::allowClearLogin(const QString& service, const QString& serverText) const {
    if (Status known = acceptNoTls(service, serverText); !known)
        return known;
    if (stateOf(service) == kClear)
        return {};
    const Error declined{.kind = Error::Kind::ClearLoginDeclined, .name = serverText};
    if (!ask_ || !ask_(declined))
        return Status::failure(declined);
    return remember(service, kClear);
}
