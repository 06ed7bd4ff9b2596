#pragma once

#include <QString>

#include "auth/senderverdict.h"

// The words for what is known of a mail's sender: the one-line band above
// the shown mail (and in the reply window), and the mark in the history
// list with its hover help.

struct VerdictBand {
    QString text;
    bool warning = false; // shown in red: the sender may well not be who the mail says
};

VerdictBand VerdictBandText(const SenderVerdict& verdict);
QString VerdictMarkText(SenderVerdict::Standing standing);
QString VerdictMarkHelp(SenderVerdict::Standing standing);
