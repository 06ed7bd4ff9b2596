#include "tests/support/dkimtestkey.h"

#include <openssl/x509.h>
#include <string>

#include "auth/dkimcanonical.h"
#include "auth/rawmessage.h"
#include "auth/signaturecheck.h"

DkimTestKey::DkimTestKey(const char* type)
    : key_(std::string(type) == "rsa" ? EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(2048))
                                      : EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
           &EVP_PKEY_free),
      rsa_(std::string(type) == "rsa") {}

QByteArray DkimTestKey::record() const {
    QByteArray p;
    if (rsa_) {
        p.resize(i2d_PUBKEY(key_.get(), nullptr));
        auto* out = reinterpret_cast<unsigned char*>(p.data());
        i2d_PUBKEY(key_.get(), &out);
    } else {
        size_t n = 32;
        p.resize(32);
        EVP_PKEY_get_raw_public_key(key_.get(), reinterpret_cast<unsigned char*>(p.data()), &n);
    }
    return QByteArray("v=DKIM1; k=") + (rsa_ ? "rsa" : "ed25519") + "; p=" + p.toBase64();
}

QByteArray DkimTestKey::sign(const QByteArray& message, const char* canon, const QByteArray& extraTags,
                             const QByteArray& selector) const {
    const RawMessage m = RawMessage::split(message);
    const QByteArrayList forms = QByteArray(canon).split('/');
    const auto form = [](const QByteArray& w) {
        return w == "relaxed" ? DkimCanonical::Form::Relaxed : DkimCanonical::Form::Simple;
    };
    QByteArray body = DkimCanonical::body(m.body, form(forms[1]));
    if (extraTags.startsWith("l="))
        body.truncate(extraTags.mid(2).toInt());
    const QByteArray field =
        QByteArray("DKIM-Signature: v=1; a=") + (rsa_ ? "rsa-sha256" : "ed25519-sha256") + "; c=" + canon +
        "; d=example.co.jp; s=" + selector + ";\r\n\th=from:subject:date; " + extraTags +
        (extraTags.isEmpty() ? "" : "; ") + "bh=" + SignatureCheck::sha256(body).toBase64() + ";\r\n\tb=";
    QByteArray data;
    for (const char* name : {"from", "subject", "date"})
        data += DkimCanonical::header(m.all(name).last()->raw, form(forms[0]));
    data += DkimCanonical::header(field + "\r\n", form(forms[0])).chopped(2);
    const QByteArray b = signature(data).toBase64();
    return field + b.left(40) + "\r\n\t " + b.mid(40) + "\r\n" + message;
}

QByteArray DkimTestKey::signature(const QByteArray& data) const {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    // Ed25519 signs the SHA-256 of the data (RFC 8463).
    const QByteArray input = rsa_ ? data : SignatureCheck::sha256(data);
    EVP_DigestSignInit(ctx.get(), nullptr, rsa_ ? EVP_sha256() : nullptr, nullptr, key_.get());
    size_t n = 0;
    const auto* in = reinterpret_cast<const unsigned char*>(input.constData());
    EVP_DigestSign(ctx.get(), nullptr, &n, in, size_t(input.size()));
    QByteArray out(qsizetype(n), '\0');
    EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n, in, size_t(input.size()));
    return out.left(qsizetype(n));
}
