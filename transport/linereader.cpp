#include "transport/linereader.h"

#include <algorithm>

namespace {

// A link slower than this (bytes a second) is taken for a stalled one: a
// server that trickles a reply must not keep a check alive for ever.
constexpr qint64 kSlowestBytesPerSecond = 1024;
constexpr qint64 kReadSlice = 256 << 10;

} // namespace

bool LineReader::fail(MailError error) {
    error_ = std::move(error);
    stream_.close();
    in_.clear();
    pos_ = scanned_ = 0;
    return false;
}

qint64 LineReader::deadlineFor(qint64 bytes) const {
    return stream_.nowMillis() + idleMillis_ + std::max<qint64>(0, bytes) * 1000 / kSlowestBytesPerSecond;
}

void LineReader::discardBuffered() {
    in_.clear();
    pos_ = scanned_ = 0;
}

bool LineReader::readLine(QByteArray& line, qint64 deadlineMillis) {
    for (;;) {
        const qsizetype end = in_.indexOf("\r\n", std::max(pos_, scanned_ - 1));
        if (end >= 0) {
            line = in_.mid(pos_, end - pos_);
            pos_ = scanned_ = end + 2;
            return true;
        }
        scanned_ = in_.size();
        if (scanned_ - pos_ > kMaxLineBytes)
            return fail({.kind = MailError::Kind::LineTooLong, .bytes = kMaxLineBytes});
        if (pos_ > 0) {
            in_.remove(0, pos_);
            scanned_ -= pos_;
            pos_ = 0;
        }
        const qint64 until = std::min(deadlineMillis, stream_.nowMillis() + idleMillis_);
        if (!stream_.readSome(in_, kReadSlice, until)) {
            error_ = stream_.error();
            in_.clear();
            pos_ = scanned_ = 0;
            return false;
        }
    }
}
