#include "settings/accounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QStringDecoder>

#include "settings/accountfile.h"
#include "settings/inifile.h"
#include "settings/servercopysetting.h"
#include "settings/serversettings.h"
#include "settings/tokenstore.h"
#include "settings/trustedauthserv.h"
#include "store/posixfile.h"

namespace {

// The file's first line: a file that does not start with it is not ours.
constexpr QByteArrayView kHeader = "fennick accounts 1";
constexpr qint64 kMostBytes = 1 << 20;

// The first account's name for the list, beside its login; older copies
// do not read this section.
const QString kFirstSection = QStringLiteral("ACCOUNT");
const QString kFirstDisplayName = QStringLiteral("DISPLAYNAME");
// Set once the first account's password was moved to the keyring: the name
// it is kept under there.
const QString kFirstKeyringHolder = QStringLiteral("KEYRING");

// An account's passwords in the keyring: "account 3fa9c2d1 pop3".
QString secretName(const QString& holder, QStringView which) {
    return QStringLiteral("account %1 %2").arg(holder, which);
}

struct TextField {
    QByteArrayView name;
    QString AccountProfile::*member;
};

const TextField kTextFields[] = {
    {"name", &AccountProfile::displayName},       {"address", &AccountProfile::address},
    {"pop3", &AccountProfile::pop3Server},        {"login", &AccountProfile::loginId},
    {"password", &AccountProfile::password},      {"smtp", &AccountProfile::smtpServer},
    {"smtp-login", &AccountProfile::smtpLoginId}, {"smtp-password", &AccountProfile::smtpPassword},
};

bool isSecret(const TextField& field) {
    return field.member == &AccountProfile::password || field.member == &AccountProfile::smtpPassword;
}

using Mode = ServerCopy::Mode;

QByteArray serverCopyText(const ServerCopy& copy) {
    switch (copy.mode) {
    case Mode::DeleteAfterFetch:
        return "delete";
    case Mode::Keep:
        return "keep";
    case Mode::DeleteAfterDays:
        return "after-days " + QByteArray::number(copy.days);
    case Mode::DeleteWithHistory:
        return "with-history";
    }
    return {};
}

std::optional<ServerCopy> serverCopyFrom(const QByteArray& text) {
    for (Mode mode : {Mode::DeleteAfterFetch, Mode::Keep, Mode::DeleteWithHistory})
        if (text == serverCopyText({.mode = mode}))
            return ServerCopy{.mode = mode};
    if (!text.startsWith("after-days "))
        return std::nullopt;
    bool ok = false;
    const int days = text.mid(11).toInt(&ok);
    if (!ok || days < 1)
        return std::nullopt;
    return ServerCopy{.mode = Mode::DeleteAfterDays, .days = days};
}

bool isKey(const QByteArray& text) {
    if (text.size() != 8)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::optional<Error> lineBreakIn(const AccountProfile& profile) {
    for (const TextField& field : kTextFields) {
        const QString& value = profile.*field.member;
        if (value.contains(u'\n') || value.contains(u'\r') || value.contains(QChar(0)))
            return Error{.kind = Error::Kind::SettingWithLineBreak,
                         .detail = QString::fromLatin1(field.name)};
    }
    return std::nullopt;
}

} // namespace

struct Accounts::Further {
    QList<AccountProfile> accounts;
    QStringList retiredKeys; // of removed accounts, never to be given again
    QSet<QString> inKeyring; // the accounts whose passwords the keyring holds

    qsizetype indexOf(const QString& key) const {
        for (qsizetype i = 0; i < accounts.size(); ++i)
            if (accounts[i].key == key)
                return i;
        return -1;
    }
};

Accounts::Accounts(QString serverSettingsFile, QString accountFile, const SecretStore* secrets,
                   std::function<quint32()> random)
    : serverSettingsFile_(std::move(serverSettingsFile)), accountFile_(std::move(accountFile)),
      secrets_(secrets), random_(std::move(random)) {}

quint32 Accounts::systemRandom() {
    return QRandomGenerator::system()->generate();
}

QString Accounts::furtherAccountsFile() const {
    return QFileInfo(accountFile_).dir().filePath(kFileName);
}

QString Accounts::signInFileOf(const QString& key) const {
    return QFileInfo(accountFile_).dir().filePath(TokenStore::kFileName + u'-' + key);
}

Accounts::Loaded Accounts::load(Secrets secrets) const {
    const ServerSettings servers = ServerSettings::read(serverSettingsFile_);
    const AccountFile accountFile(accountFile_);
    const Account login = accountFile.load();
    AccountProfile first;
    first.key = AccountProfile::kFirstKey;
    first.displayName = IniFile(accountFile_, 0600).read(kFirstSection, kFirstDisplayName);
    first.address = servers.MailAddress;
    first.pop3Server = servers.Pop3Server;
    first.loginId = login.id;
    first.password = login.password;
    first.apop = servers.UseApop == 1;
    first.signedIn = login.signedIn;
    first.signInFile = accountFile.tokenStoreFile();
    first.smtpServer = servers.SmtpServer;
    first.serverCopy = ServerCopySetting::read(accountFile_);
    Loaded loaded{{}, std::nullopt, std::nullopt, {}};
    const auto secretsOf = [this, &loaded, secrets](const QString& holder, AccountProfile& account) {
        if (secrets == Secrets::Left)
            return;
        if (!loaded.keyring)
            loaded.keyring = fillSecrets(holder, account);
        if (loaded.keyring)
            loaded.withoutPasswords.append(account.key);
    };
    if (const QString holder = firstKeyringHolder(); !holder.isEmpty())
        secretsOf(holder, first);
    loaded.accounts.append(first);
    Result<Further> further = readFurther();
    if (!further) {
        loaded.unreadable = further.error();
        return loaded;
    }
    for (AccountProfile& a : further.value().accounts) {
        if (further->inKeyring.contains(a.key))
            secretsOf(a.key, a);
        a.signedIn = secrets == Secrets::Read && signInOf(a).load().has_value();
        loaded.accounts.append(a);
    }
    return loaded;
}

Result<Accounts::Further> Accounts::readFurther() const {
    using R = Result<Further>;
    const QString path = furtherAccountsFile();
    QFile file(path);
    if (!file.exists())
        return Further{};
    const auto damaged = [&path](qint64 line, QString detail = {}) {
        return R::failure(
            {.kind = Error::Kind::AccountsUnreadable, .path = path, .detail = detail, .number = line});
    };
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return damaged(0, file.errorString());
    const QByteArray bytes = file.read(kMostBytes + 1);
    if (bytes.size() > kMostBytes)
        return damaged(0);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    Further further;
    AccountProfile* account = nullptr;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const qint64 number = i + 1;
        if (i == 0) {
            if (line != kHeader)
                return damaged(number);
            continue;
        }
        if (line.isEmpty())
            continue;
        if (line.startsWith('[')) {
            const QByteArray key = line.mid(1, line.size() - 2);
            if (!line.endsWith(']') || !isKey(key) || further.indexOf(QString::fromLatin1(key)) >= 0 ||
                further.accounts.size() == kMost - 1)
                return damaged(number);
            account = &further.accounts.emplace_back();
            account->key = QString::fromLatin1(key);
            account->signInFile = signInFileOf(account->key);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            return damaged(number);
        const QByteArray name = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        const QString text = utf8(value);
        if (utf8.hasError())
            return damaged(number);
        if (!account) {
            if (name != "retired")
                return damaged(number);
            further.retiredKeys += text.split(u' ', Qt::SkipEmptyParts);
            continue;
        }
        if (name == "secrets") {
            if (value != "keyring")
                return damaged(number);
            further.inKeyring.insert(account->key);
        } else if (name == "apop") {
            if (value != "0" && value != "1")
                return damaged(number);
            account->apop = value == "1";
        } else if (name == "server-copy") {
            const std::optional<ServerCopy> copy = serverCopyFrom(value);
            if (!copy)
                return damaged(number);
            account->serverCopy = *copy;
        } else {
            // A name not known here is a later version's: left for it.
            for (const TextField& field : kTextFields)
                if (name == field.name)
                    (*account).*field.member = text;
        }
    }
    return further;
}

Status Accounts::writeFurther(const Further& further) const {
    QByteArray bytes = kHeader.toByteArray() + '\n';
    if (!further.retiredKeys.isEmpty())
        bytes += "retired=" + further.retiredKeys.join(u' ').toLatin1() + '\n';
    for (const AccountProfile& a : further.accounts) {
        bytes += "\n[" + a.key.toLatin1() + "]\n";
        const bool inKeyring = further.inKeyring.contains(a.key);
        for (const TextField& field : kTextFields)
            if (!(inKeyring && isSecret(field)))
                bytes += field.name.toByteArray() + '=' + (a.*field.member).toUtf8() + '\n';
        bytes += QByteArray("apop=") + (a.apop ? '1' : '0') + '\n';
        bytes += "server-copy=" + serverCopyText(a.serverCopy) + '\n';
        if (inKeyring)
            bytes += "secrets=keyring\n";
    }
    return ReplaceFileDurably(furtherAccountsFile(), bytes, 0600);
}

QString Accounts::newKey(const Further& further) const {
    // The first account's name in the keyring is taken too.
    const QString firstHolder = firstKeyringHolder();
    for (;;) {
        const QString key = QStringLiteral("%1").arg(random_(), 8, 16, QLatin1Char('0'));
        if (further.indexOf(key) < 0 && !further.retiredKeys.contains(key) && key != firstHolder)
            return key;
    }
}

Result<AccountProfile> Accounts::add(AccountProfile profile) const {
    using R = Result<AccountProfile>;
    if (const std::optional<Error> refused = lineBreakIn(profile))
        return R::failure(*refused);
    Result<Further> read = readFurther();
    if (!read)
        return R::failure(read.error());
    Further& further = read.value();
    if (further.accounts.size() >= kMost - 1)
        return R::failure({.kind = Error::Kind::TooManyAccounts, .number = kMost});
    profile.key = newKey(further);
    profile.signInFile = signInFileOf(profile.key);
    profile.signedIn = false;
    if (keyringRuns()) {
        if (Status kept = keepSecrets(profile.key, profile); !kept)
            return R::failure(kept.error());
        further.inKeyring.insert(profile.key);
    }
    further.accounts.append(profile);
    if (Status written = writeFurther(further); !written) {
        if (further.inKeyring.contains(profile.key))
            (void)dropSecrets(profile.key); // no entry names them
        return R::failure(written.error());
    }
    return profile;
}

Status Accounts::edit(const AccountProfile& profile) const {
    if (const std::optional<Error> refused = lineBreakIn(profile))
        return Status::failure(*refused);
    if (profile.isFirst()) {
        const ServerSettings servers{profile.smtpServer, profile.pop3Server, profile.address,
                                     profile.apop ? 1 : 0};
        if (Status s = servers.write(serverSettingsFile_); !s)
            return s;
        // The first account sends with its POP3 login, as it always has.
        if (Status s = confirmFirst({profile.loginId, profile.password}, true); !s)
            return s;
        return nameFirst(profile.displayName);
    }
    Result<Further> read = readFurther();
    if (!read)
        return Status::failure(read.error());
    Further& further = read.value();
    const qsizetype at = further.indexOf(profile.key);
    if (at < 0)
        return Status::failure({.kind = Error::Kind::NoSuchAccount, .name = profile.key});
    if (further.inKeyring.contains(profile.key) || keyringRuns()) {
        if (Status kept = keepSecrets(profile.key, profile); !kept)
            return kept;
        further.inKeyring.insert(profile.key);
    }
    // Its sign-in file follows from its key; the file does not keep it.
    further.accounts[at] = profile;
    return writeFurther(further);
}

Status Accounts::nameFirst(const QString& displayName) const {
    AccountProfile named;
    named.displayName = displayName;
    if (const std::optional<Error> refused = lineBreakIn(named))
        return Status::failure(*refused);
    return IniFile(accountFile_, 0600).write(kFirstSection, kFirstDisplayName, displayName);
}

Status Accounts::remove(const QString& key) const {
    Result<Further> read = readFurther();
    if (!read)
        return Status::failure(read.error());
    Further& further = read.value();
    const qsizetype at = further.indexOf(key);
    if (at < 0)
        return Status::failure({.kind = Error::Kind::NoSuchAccount, .name = key});
    const AccountProfile removed = further.accounts.takeAt(at);
    further.retiredKeys.append(key);
    const bool inKeyring = further.inKeyring.remove(key);
    if (Status written = writeFurther(further); !written)
        return written;
    if (Status s = signInOf(removed).remove(); !s)
        return s;
    QFile::remove(removed.signInFile + QStringLiteral(".lock"));
    QFile::remove(QFileInfo(accountFile_).dir().filePath(TrustedAuthserv::fileName(key)));
    return inKeyring ? dropSecrets(key) : Status();
}

Status Accounts::reorder(const QStringList& furtherKeys) const {
    Result<Further> read = readFurther();
    if (!read)
        return Status::failure(read.error());
    Further& further = read.value();
    QList<AccountProfile> ordered;
    for (const QString& key : furtherKeys) {
        const qsizetype at = further.indexOf(key);
        if (at < 0)
            return Status::failure({.kind = Error::Kind::NoSuchAccount, .name = key});
        ordered.append(further.accounts.takeAt(at));
    }
    if (!further.accounts.isEmpty())
        return Status::failure({.kind = Error::Kind::NoSuchAccount, .name = further.accounts.first().key});
    further.accounts = ordered;
    return writeFurther(further);
}

Status Accounts::confirmFirst(const Account& login, bool save) const {
    const QString holder = firstKeyringHolder();
    const AccountFile file(accountFile_);
    if (holder.isEmpty() || !save)
        return file.confirm(login, save);
    AccountProfile secrets;
    secrets.password = login.password;
    if (Status s = keepSecrets(holder, secrets); !s)
        return s;
    if (Status s = file.setId(login.id); !s)
        return s;
    return IniFile(accountFile_, 0600)
        .write(QStringLiteral("EXEINI"), QStringLiteral("NAME3"), QStringLiteral("1"));
}

Status Accounts::moveFirstPasswordToKeyring() const {
    if (!firstKeyringHolder().isEmpty())
        return {};
    if (!keyringRuns())
        return Status::failure({.kind = Error::Kind::NoKeyring});
    AccountProfile first;
    first.password = AccountFile(accountFile_).load().password;
    // Named like a further account, and never as one of them.
    const Result<Further> further = readFurther();
    const QString holder = newKey(further ? *further : Further{});
    if (Status s = keepSecrets(holder, first); !s)
        return s;
    // Marked before NAME2 is emptied: a crash between leaves the password in
    // both places, never in neither.
    const IniFile ini(accountFile_, 0600);
    if (Status s = ini.write(kFirstSection, kFirstKeyringHolder, holder); !s)
        return s;
    return ini.write(QStringLiteral("EXEINI"), QStringLiteral("NAME2"), QString());
}

TokenStore Accounts::signInOf(const AccountProfile& account) const {
    if (account.isFirst())
        return TokenStore(account.signInFile);
    return TokenStore(account.signInFile, secrets_, secretName(account.key, u"refresh"));
}

TokenStore Accounts::signInOf(const QString& key) const {
    AccountProfile account;
    account.key = key;
    account.signInFile = account.isFirst() ? AccountFile(accountFile_).tokenStoreFile() : signInFileOf(key);
    return signInOf(account);
}

bool Accounts::keyringRuns() const {
    return secrets_ && secrets_->available();
}

QString Accounts::firstKeyringHolder() const {
    return IniFile(accountFile_, 0600).read(kFirstSection, kFirstKeyringHolder).trimmed();
}

Status Accounts::keepSecrets(const QString& holder, const AccountProfile& profile) const {
    if (!keyringRuns())
        return Status::failure({.kind = Error::Kind::NoKeyring});
    const std::pair<QStringView, QString> secrets[] = {{u"pop3", profile.password},
                                                       {u"smtp", profile.smtpPassword}};
    for (const auto& [which, secret] : secrets) {
        const QString name = secretName(holder, which);
        if (Status s = secret.isEmpty() ? secrets_->remove(name) : secrets_->write(name, secret); !s)
            return s;
    }
    return {};
}

std::optional<Error> Accounts::fillSecrets(const QString& holder, AccountProfile& profile) const {
    if (!keyringRuns())
        return Error{.kind = Error::Kind::NoKeyring};
    for (auto [which, member] :
         {std::pair{u"pop3", &AccountProfile::password}, std::pair{u"smtp", &AccountProfile::smtpPassword}}) {
        const Result<std::optional<QString>> secret = secrets_->read(secretName(holder, which));
        if (!secret)
            return secret.error();
        profile.*member = secret->value_or(QString());
    }
    return std::nullopt;
}

Status Accounts::dropSecrets(const QString& holder) const {
    if (!keyringRuns())
        return Status::failure({.kind = Error::Kind::NoKeyring});
    for (QStringView which : {u"pop3", u"smtp"})
        if (Status s = secrets_->remove(secretName(holder, which)); !s)
            return s;
    return {};
}
