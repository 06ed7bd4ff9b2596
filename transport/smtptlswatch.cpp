#include "transport/smtptlswatch.h"

SmtpTlsWatch::SmtpTlsWatch(TlsPolicy policy, QString service, QString serverText, bool login)
    : policy_(std::move(policy)), service_(std::move(service)), serverText_(std::move(serverText)),
      login_(login) {}

void SmtpTlsWatch::reset() {
    replies_ = 0;
    tlsOffered_ = authOffered_ = startedTls_ = false;
    refusal_.reset();
}

bool SmtpTlsWatch::stop(Error why) {
    refusal_ = std::move(why);
    return false;
}

bool SmtpTlsWatch::see(const QByteArray& line) {
    if (replies_ == 1) { // the lines of the EHLO reply
        const QByteArray keyword = line.mid(4);
        // STARTTLS exactly as libcurl recognises it, so that we never count
        // on a TLS libcurl will not start; AUTH in any case, so that we ask
        // whenever libcurl might log in.
        tlsOffered_ = tlsOffered_ || keyword.startsWith("STARTTLS");
        authOffered_ = authOffered_ || keyword.toUpper().startsWith("AUTH ");
    }
    if (line.size() > 3 && line[3] == '-')
        return true; // more lines of the same reply follow
    ++replies_;
    if (replies_ == 2 && !tlsOffered_)
        return checkNoTls();
    if (replies_ == 3 && tlsOffered_) {
        if (!line.startsWith("220"))
            return stop({.kind = Error::Kind::StartTlsRefused,
                         .name = serverText_,
                         .detail = QString::fromUtf8(line)});
        startedTls_ = true;
    }
    return true;
}

bool SmtpTlsWatch::checkNoTls() {
    if (Status accepted = policy_.acceptNoTls(service_, serverText_); !accepted)
        return stop(accepted.error());
    // Without AUTH, or without an ID of ours, libcurl sends no password.
    if (authOffered_ && login_)
        if (Status allowed = policy_.allowClearLogin(service_, serverText_); !allowed)
            return stop(allowed.error());
    return true;
}
