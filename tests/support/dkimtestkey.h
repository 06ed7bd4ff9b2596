#pragma once

#include <QByteArray>
#include <memory>
#include <openssl/evp.h>

// A DKIM signing key made for a test (rsa 2048 or ed25519), the DNS record
// that publishes it, and signatures made with it for d=example.co.jp.
class DkimTestKey {
  public:
    explicit DkimTestKey(const char* type);

    QByteArray record() const;
    // `message` with a DKIM-Signature on top over From, Subject and Date, its
    // b= folded over two lines; `extraTags` such as "l=26" or "x=…".
    QByteArray sign(const QByteArray& message, const char* canon, const QByteArray& extraTags = {},
                    const QByteArray& selector = "sel") const;

  private:
    QByteArray signature(const QByteArray& data) const;

    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
    bool rsa_;
};
