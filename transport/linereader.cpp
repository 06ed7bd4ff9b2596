#include "transport/linereader.h"

#include <algorithm>
#include <cstring>

namespace {

// A link slower than this (bytes a second) is taken for a stalled one: a
// server that trickles a reply must not keep a check alive for ever.
constexpr qint64 kSlowestBytesPerSecond = 1024;
constexpr qint64 kReadSlice = 256 << 10;

} // namespace

bool LineReader::fail(Error error) {
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
    QByteArrayView view;
    if (!readLine(view, deadlineMillis))
        return false;
    line = view.toByteArray();
    return true;
}

bool LineReader::readLine(QByteArrayView& line, qint64 deadlineMillis) {
    for (;;) {
        // An LF with a CR before it, found with memchr: most lines are short,
        // and this runs for every line of every message.
        for (qsizetype from = std::max(pos_, scanned_); from < in_.size();) {
            const auto* lf =
                static_cast<const char*>(memchr(in_.constData() + from, '\n', size_t(in_.size() - from)));
            if (!lf)
                break;
            const qsizetype at = lf - in_.constData();
            if (at > pos_ && in_[at - 1] == '\r') {
                line = QByteArrayView(in_).sliced(pos_, at - 1 - pos_);
                pos_ = scanned_ = at + 1;
                return true;
            }
            from = at + 1;
        }
        scanned_ = in_.size();
        if (scanned_ - pos_ > kMaxLineBytes)
            return fail({.kind = Error::Kind::LineTooLong, .bytes = kMaxLineBytes});
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
