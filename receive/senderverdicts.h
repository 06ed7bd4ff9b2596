#pragma once

#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <chrono>
#include <optional>

#include "auth/dnstxtlookup.h"
#include "auth/sendercheck.h"
#include "mime/receivedmessage.h"
#include "search/mailfacts.h"
#include "settings/trustedauthserv.h"
#include "store/apppaths.h"

// The verdicts one mail check gives the mail it stores, kept beside the
// received-mail file as the fact "verdict" (SenderVerdict's encoding); the
// record itself never changes, and no mail is held back for its verdict.
//
// It runs on the storing thread, beside the fetching: where the provider
// wrote no verdict our own DKIM check asks DNS, each lookup for at most a
// second and all of a check's lookups for at most kDnsBudget together, so
// that a DNS server that stopped answering costs a check a few seconds at
// most; what is left unasked is unknown. The account checked trusts the
// authserv-id of its first mail that carries one, until the user says
// otherwise; each account its own, since each may be at another provider.
class SenderVerdicts {
  public:
    static constexpr std::chrono::milliseconds kDnsBudget{3000};
    static constexpr std::chrono::milliseconds kLookupTimeout{1000};
    static inline const QString kFact = QStringLiteral("verdict");

    // For the mail of the account under `accountKey`. `dns`: the resolver
    // our own check asks; none, and it gets no answer.
    SenderVerdicts(AppPaths paths, const QString& accountKey, std::optional<DnsTxtLookup::Server> dns);
    // For mail taken in from files: only a verdict of the first account's
    // trusted provider is kept, nothing is looked up (keys change over the
    // years) and no authserv-id is learned from the files.
    static SenderVerdicts providerOnly(AppPaths paths);

    // The verdict on a mail about to be stored, as kept (the fact's value);
    // empty when there is none to keep.
    QByteArray verdictOf(QByteArrayView raw, const ReceivedMessage& message);
    // A mail taken in from a file, stored as record `row` of the received-mail
    // file: its verdict waits for save().
    void judge(int row, QByteArrayView raw, const ReceivedMessage& message);
    // Writes what was judged, in one transaction. A verdict that cannot be
    // kept loses nothing but itself: the mail is stored.
    Status save();

  private:
    void prepare();
    DnsTxtLookup::Answer lookup(const QByteArray& name);

    const AppPaths paths_;
    const TrustedAuthserv trusted_;
    const std::optional<DnsTxtLookup::Server> dns_;
    bool providerOnly_ = false;
    std::chrono::milliseconds budgetLeft_ = kDnsBudget;
    std::optional<MailFacts> facts_; // opened on the storing thread, at its first mail
    SenderCheck::Context context_;
    std::optional<SenderCheck> check_;
    QList<QPair<int, QByteArray>> judged_;
};
