#include "settings/tokenstore.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The lock of the sign-in file while it is held. flock, not a mutex: a
// second copy of the program signs in and out of the same folder, and the
// system lets go of the lock of a copy that dies.
class SignInFileLock {
  public:
    explicit SignInFileLock(const QString& signInFile) {
        const QByteArray path = QFile::encodeName(signInFile + QStringLiteral(".lock"));
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        int locked = -1;
        while (fd_ >= 0 && (locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0)
            error_ = errno;
    }
    ~SignInFileLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SignInFileLock(const SignInFileLock&) = delete;
    SignInFileLock& operator=(const SignInFileLock&) = delete;

    // 0 when the lock is held; else the errno of why not.
    int error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

Error notWritten(const QString& path, int systemError) {
    return {.kind = Error::Kind::SignInNotKept, .path = path, .systemError = systemError};
}

// The file's value in place of a refresh token kept in the keyring.
const QString kInKeyring = QStringLiteral("keyring");

} // namespace

TokenStore::TokenStore(QString path) : path_(std::move(path)) {}

TokenStore::TokenStore(QString path, const SecretStore* secrets, QString secretName)
    : path_(std::move(path)), secrets_(secrets), secretName_(std::move(secretName)) {}

std::optional<OAuthSignIn> TokenStore::load() const {
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(f.read(1 << 20)).object();
    const auto text = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
    OAuthSignIn s;
    s.user = text("user");
    s.client = {text("provider"), text("authorizationUrl"), text("tokenUrl"),
                text("scope"),    text("clientId"),         text("clientSecret")};
    s.tokens.refreshToken = text("refreshToken");
    s.tokens.accessToken = text("accessToken");
    s.tokens.expiresAt = QDateTime::fromString(text("expiresAt"), Qt::ISODate);
    if (text("refreshTokenIn") == kInKeyring) {
        const Result<std::optional<QString>> kept =
            secrets_ && secrets_->available() ? secrets_->read(secretName_) : std::optional<QString>();
        s.tokens.refreshToken = kept ? kept->value_or(QString()) : QString();
    }
    if (s.tokens.refreshToken.isEmpty() || s.client.tokenUrl.isEmpty() || s.client.clientId.isEmpty())
        return std::nullopt;
    return s;
}

Status TokenStore::save(const OAuthSignIn& s) const {
    const SignInFileLock lock(path_);
    if (lock.error() != 0)
        return Status::failure(notWritten(path_, lock.error()));
    return write(s);
}

Result<bool> TokenStore::saveRenewal(const OAuthSignIn& renewedFrom, const OAuthSignIn& renewed) const {
    const SignInFileLock lock(path_);
    if (lock.error() != 0)
        return Result<bool>::failure(notWritten(path_, lock.error()));
    // Every sign-in gets a refresh token of its own, so a file that reads
    // the same is the very sign-in the renewal started from.
    if (load() != renewedFrom)
        return false;
    if (const Status written = write(renewed); !written)
        return Result<bool>::failure(written.error());
    return true;
}

Status TokenStore::write(const OAuthSignIn& s) const {
    QJsonObject o{
        {QStringLiteral("user"), s.user},
        {QStringLiteral("provider"), s.client.provider},
        {QStringLiteral("authorizationUrl"), s.client.authorizationUrl},
        {QStringLiteral("tokenUrl"), s.client.tokenUrl},
        {QStringLiteral("scope"), s.client.scope},
        {QStringLiteral("clientId"), s.client.clientId},
        {QStringLiteral("clientSecret"), s.client.clientSecret},
        {QStringLiteral("refreshToken"), s.tokens.refreshToken},
        {QStringLiteral("accessToken"), s.tokens.accessToken},
        {QStringLiteral("expiresAt"), s.tokens.expiresAt.toUTC().toString(Qt::ISODateWithMs)},
    };
    if (secrets_ && secrets_->available()) {
        if (Status kept = secrets_->write(secretName_, s.tokens.refreshToken); !kept)
            return kept;
        o.insert(QStringLiteral("refreshToken"), QString());
        o.insert(QStringLiteral("refreshTokenIn"), kInKeyring);
    }
    const QByteArray bytes = QJsonDocument(o).toJson();
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        f.write(bytes) != bytes.size() || !f.commit())
        return Status::failure(
            {.kind = Error::Kind::SignInNotKept, .path = path_, .detail = f.errorString()});
    return {};
}

Status TokenStore::remove() const {
    if (secrets_ && secrets_->available())
        if (Status s = secrets_->remove(secretName_); !s)
            return s;
    if (!QFile::exists(path_))
        return {};
    const SignInFileLock lock(path_);
    if (lock.error() != 0 || (QFile::exists(path_) && !QFile::remove(path_)))
        return Status::failure({.kind = Error::Kind::SignInNotRemoved, .path = path_});
    return {};
}
