// The record digest is the BLAKE2b-160 that the facts and the logs written
// before keep: the same bytes as Qt's BLAKE2b, at every edge of its blocks.
#include <QCryptographicHash>
#include <gtest/gtest.h>

#include "store/mailrecord.h"
#include "store/recorddigest.h"

TEST(RecordDigest, isTheBlake2b160StoredBefore) {
    const struct {
        const char* name;
        qsizetype size;
    } rows[] = {
        {"nothing", 0},
        {"one-byte", 1},
        {"a-block-but-one-byte", 127},
        {"one-block", 128},
        {"a-byte-into-the-second-block", 129},
        {"two-blocks", 256},
        {"a-mail-record", MailRecord::kSize},
    };
    QByteArray bytes(MailRecord::kSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 131);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArrayView record(bytes.constData(), row.size);
        EXPECT_EQ(RecordDigest(record).toHex(),
                  QCryptographicHash::hash(record, QCryptographicHash::Blake2b_160).toHex());
    }
}
