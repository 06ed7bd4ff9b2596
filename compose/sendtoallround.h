#pragma once

#include <QSet>
#include <QString>

#include "compose/mailsend.h"

// The send-to-all of one compose window, from its first 「送信」 until every
// entry of the list has the mail: the addresses the mail has reached. After
// some mails failed, the next 「送信」 goes only to the entries it has not
// reached yet (the mail as it then stands), so that no one gets it twice.
// Forgotten on a fresh start: all reached, the window closed, send-to-all
// switched off.
class SendToAllRound {
  public:
    // The addresses a send-to-all leaves out now.
    const QSet<QString>& reached() const { return reached_; }
    // After a send-to-all: keeps what it reached, or starts afresh when
    // nothing is left to do.
    void take(const SendReport& report);
    void forget() { reached_.clear(); }

  private:
    QSet<QString> reached_;
};
