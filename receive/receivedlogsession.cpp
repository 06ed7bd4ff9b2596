#include "receive/receivedlogsession.h"

#include <algorithm>

ReceivedLogSession::ReceivedLogSession(QString path) : log_(std::move(path)) {}

Status ReceivedLogSession::load(const RecordFile& records, const QList<ReceivedLog::Line>& othersGoing) {
    messageOf_.clear();
    void_.clear();
    taken_.clear();
    Result<QList<ReceivedLog::Line>> lines = log_.read();
    if (!lines)
        return Status::failure(lines.error());
    lines_ = std::move(lines).value();
    if (const Status cut = ReceivedLog::cutInterruptedAppend(lines_ + othersGoing, records); !cut)
        return cut;
    byMessage_.clear();
    for (int i = 0; i < lines_.size(); ++i)
        byMessage_.insert(lines_[i].message, i);
    return {};
}

bool ReceivedLogSession::unused(int line) const {
    return !messageOf_.contains(line) && !void_.contains(line);
}

QList<int> ReceivedLogSession::linesOf(const QByteArray& messageDigest) const {
    QList<int> lines = byMessage_.values(messageDigest);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool ReceivedLogSession::knowsOlderDigests() const {
    return std::any_of(lines_.cbegin(), lines_.cend(), [](const ReceivedLog::Line& line) {
        return ReceivedLog::isOlderDigest(line.message);
    });
}

bool ReceivedLogSession::mayHaveStored(const QByteArray& messageDigest) const {
    const QList<int> lines = byMessage_.values(messageDigest);
    return std::any_of(lines.cbegin(), lines.cend(), [this](int i) { return unused(i); });
}

Result<bool> ReceivedLogSession::storedBefore(int n, const QByteArray& messageDigest,
                                              const RecordFile& records) {
    using R = Result<bool>;
    if (!mayHaveStored(messageDigest))
        return false;
    // A deletion in the history may have marked lines since; it never adds
    // or drops one, so the lines keep their places.
    Result<QList<ReceivedLog::Line>> fresh = log_.read();
    if (!fresh)
        return R::failure(fresh.error());
    if (fresh->size() != lines_.size())
        return R::failure({.kind = Error::Kind::LogChanged, .path = log_.path()});
    lines_ = std::move(fresh).value();
    for (const int i : linesOf(messageDigest)) {
        if (!unused(i) || lines_[i].message != messageDigest)
            continue;
        if (lines_[i].deletedByUser) {
            messageOf_.insert(i, n);
            return true;
        }
        const Result<std::optional<int>> at = ReceivedLog::locate(lines_[i], records, taken_);
        if (!at)
            return R::failure(at.error());
        if (*at) {
            messageOf_.insert(i, n);
            taken_.insert(**at);
            return true;
        }
        void_.insert(i);
    }
    return false;
}

Status ReceivedLogSession::add(int n, const QByteArray& messageDigest, int number,
                               const QByteArray& recordDigest) {
    const ReceivedLog::Line line = ReceivedLog::lineFor(messageDigest, number, recordDigest);
    if (const Status s = log_.append(line); !s)
        return s;
    messageOf_.insert(int(lines_.size()), n);
    byMessage_.insert(messageDigest, int(lines_.size()));
    lines_.append(line);
    taken_.insert(number);
    return {};
}

std::optional<ReceivedLog::Line> ReceivedLogSession::lineOf(int n) const {
    for (auto it = messageOf_.cbegin(); it != messageOf_.cend(); ++it)
        if (it.value() == n)
            return lines_.at(it.key());
    return std::nullopt;
}

void ReceivedLogSession::recordNotAppended() {
    const int last = int(lines_.size()) - 1;
    messageOf_.remove(last);
    void_.insert(last);
    taken_.remove(lines_[last].number);
}

Status ReceivedLogSession::prune(const QSet<int>& deleted, bool examinedAll) {
    const Result<QList<ReceivedLog::Line>> fresh = log_.read();
    if (!fresh)
        return Status::failure(fresh.error());
    if (fresh->size() != lines_.size())
        return {}; // not the lines this check knows: leave them all
    QList<ReceivedLog::Line> kept;
    for (int i = 0; i < fresh->size(); ++i) {
        const auto message = messageOf_.constFind(i);
        const bool needless =
            void_.contains(i) || (message != messageOf_.cend() ? deleted.contains(*message) : examinedAll);
        if (!needless)
            kept.append(fresh->at(i));
    }
    return kept.size() == fresh->size() ? Status() : log_.rewrite(kept);
}
