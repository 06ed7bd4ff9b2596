#include "auth/signaturecheck.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

const unsigned char* bytes(QByteArrayView v) {
    return reinterpret_cast<const unsigned char*>(v.data());
}

Key rsaKey(QByteArrayView der) {
    const unsigned char* p = bytes(der);
    Key key(d2i_PUBKEY(nullptr, &p, long(der.size())), &EVP_PKEY_free);
    if (!key) {
        p = bytes(der);
        key.reset(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, long(der.size())));
    }
    if (key && (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key.get()) < 1024))
        key.reset();
    return key;
}

Key ed25519Key(QByteArrayView raw) {
    return Key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytes(raw), size_t(raw.size())),
               &EVP_PKEY_free);
}

} // namespace

namespace SignatureCheck {

QByteArray sha256(QByteArrayView data) {
    QByteArray out(32, '\0');
    unsigned int length = 0;
    EVP_Digest(data.data(), size_t(data.size()), reinterpret_cast<unsigned char*>(out.data()), &length,
               EVP_sha256(), nullptr);
    return out;
}

std::optional<bool> verify(KeyType type, QByteArrayView publicKey, QByteArrayView data,
                           QByteArrayView signature) {
    const Key key = type == KeyType::Rsa ? rsaKey(publicKey) : ed25519Key(publicKey);
    if (!key)
        return std::nullopt;
    DigestContext ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    // Ed25519 signs the digest itself in one pass (no digest of its own).
    const QByteArray signedData = type == KeyType::Rsa ? data.toByteArray() : sha256(data);
    const EVP_MD* md = type == KeyType::Rsa ? EVP_sha256() : nullptr;
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, md, nullptr, key.get()) != 1)
        return std::nullopt;
    return EVP_DigestVerify(ctx.get(), bytes(signature), size_t(signature.size()), bytes(signedData),
                            size_t(signedData.size())) == 1;
}

} // namespace SignatureCheck
