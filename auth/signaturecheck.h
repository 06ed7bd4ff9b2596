#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// The two signature algorithms DKIM knows, through OpenSSL.
namespace SignatureCheck {

enum class KeyType { Rsa, Ed25519 };

QByteArray sha256(QByteArrayView data);
// rsa-sha256: `publicKey` DER (SubjectPublicKeyInfo, or a bare RSAPublicKey),
// checked against SHA-256 of `data`. ed25519-sha256 (RFC 8463): the raw
// 32-byte key, the signature made over SHA-256 of `data`. Nothing when the
// key cannot be read, or is an RSA key of under 1024 bits (RFC 8301).
std::optional<bool> verify(KeyType type, QByteArrayView publicKey, QByteArrayView data,
                           QByteArrayView signature);

} // namespace SignatureCheck
