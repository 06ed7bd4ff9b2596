#include "receive/senderverdicts.h"

#include <QDateTime>
#include <QFileInfo>

#include "auth/providerverdict.h"
#include "auth/rawmessage.h"
#include "settings/accountprofile.h"
#include "store/addressfile.h"

SenderVerdicts::SenderVerdicts(AppPaths paths, const QString& accountKey,
                               std::optional<DnsTxtLookup::Server> dns)
    : paths_(std::move(paths)), trusted_(paths_.dataFile(TrustedAuthserv::fileName(accountKey))),
      dns_(std::move(dns)) {}

SenderVerdicts SenderVerdicts::providerOnly(AppPaths paths) {
    SenderVerdicts v(std::move(paths), AccountProfile::kFirstKey, std::nullopt);
    v.providerOnly_ = true;
    return v;
}

void SenderVerdicts::prepare() {
    check_.emplace(DkimVerifier([this](const QByteArray& name) { return lookup(name); }));
    context_.trustedAuthservId = trusted_.load().toLatin1();
    PhishingSigns::Known known;
    // Reading the book would create it: a check leaves a missing one missing.
    if (QFileInfo::exists(paths_.addressFile())) {
        if (const auto book = AddressFile::book(paths_).ReadAllAddressRecords(); book) {
            for (const NumberedAddressRecord& r : *book)
                known.addressBook.append({r.record.name, r.record.address});
        }
    }
    if (Result<MailFacts> facts = MailFacts::open(paths_.receivedMailFile()); facts) {
        facts_.emplace(std::move(facts).value());
        // Only authenticated senders become known ones: a look-alike's own
        // domain must not pass for the real one next time.
        if (const auto earlier = facts_->values(kFact); earlier) {
            for (const QByteArray& encoded : *earlier) {
                const std::optional<SenderVerdict> v = SenderVerdict::decode(encoded);
                if (v && v->standing() == SenderVerdict::Standing::Authenticated &&
                    !known.previousSenderDomains.contains(v->fromDomain))
                    known.previousSenderDomains.append(v->fromDomain);
            }
        }
    }
    context_.known = PhishingSigns::KnownSenders(known);
}

DnsTxtLookup::Answer SenderVerdicts::lookup(const QByteArray& name) {
    const auto timeout = std::min(kLookupTimeout, budgetLeft_);
    if (!dns_ || timeout.count() <= 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
    DnsTxtLookup::Answer answer = DnsTxtLookup(*dns_, timeout).lookup(name);
    budgetLeft_ -=
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return answer;
}

void SenderVerdicts::judge(int row, QByteArrayView raw, const ReceivedMessage& message) {
    if (QByteArray v = verdictOf(raw, message); !v.isEmpty())
        judged_.append({row, std::move(v)});
}

QByteArray SenderVerdicts::verdictOf(QByteArrayView raw, const ReceivedMessage& message) {
    if (!check_)
        prepare();
    if (providerOnly_) {
        const std::optional<SenderVerdict> v = SenderCheck::providerOnly(raw, message, context_);
        return v ? v->encode() : QByteArray();
    }
    if (context_.trustedAuthservId.isEmpty()) {
        const QByteArray first = ProviderVerdict::topmostAuthservId(RawMessage::splitHeaders(raw));
        if (!first.isEmpty() && trusted_.save(QString::fromLatin1(first)))
            context_.trustedAuthservId = first;
    }
    return check_->check(raw, message, context_, QDateTime::currentDateTimeUtc()).encode();
}

Status SenderVerdicts::save() {
    if (judged_.isEmpty() || !facts_)
        return {};
    // One transaction for each value; most mails of a check share few.
    QHash<QByteArray, QList<int>> rowsByValue;
    for (const auto& [row, encoded] : std::as_const(judged_))
        rowsByValue[encoded].append(row);
    for (auto it = rowsByValue.cbegin(); it != rowsByValue.cend(); ++it) {
        if (const Status s = facts_->set(it.value(), kFact, it.key()); !s)
            return s;
    }
    judged_.clear();
    return {};
}
