#include <gtest/gtest.h>

#include "mime/base64.h"
#include "tests/support/qtprinters.h"

namespace {

// Every byte value, as an attachment's binary content would have them.
QByteArray everyByte() {
    QByteArray bytes;
    for (int i = 0; i < 3 * 256 + 1; ++i)
        bytes += char(i * 37);
    return bytes;
}

QByteArray wrappedAt76(const QByteArray& base64) {
    QByteArray out;
    for (qsizetype at = 0; at < base64.size(); at += 76)
        out += base64.mid(at, 76) + "\r\n";
    return out;
}

} // namespace

TEST(DecodeBase64, decodesWhatMailersSend) {
    const struct {
        const char* name;
        QByteArray encoded;
        QByteArray decoded;
    } cases[] = {
        {"binary-in-lines-of-76", wrappedAt76(everyByte().toBase64()), everyByte()},
        {"one-pad", "Zm9vYmE=", "fooba"},
        {"two-pads", "Zm9vYg==", "foob"},
        {"padding-left-off", "Zm9vYmE", "fooba"},
        {"each-line-padded-on-its-own", "Zm9vYg==\r\nYmE=\r\nYmFy\r\n", "foobbabar"},
        {"stray-bytes-between-groups-and-inside-one", "Zm9v*Ym !Fy\t", "foobar"},
        {"lone-last-character", "Zm9vY", "foo"},
        {"nothing-but-line-breaks", "\r\n\r\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBase64(c.encoded), c.decoded) << c.name;
}
