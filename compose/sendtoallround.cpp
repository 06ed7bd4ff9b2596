#include "compose/sendtoallround.h"

void SendToAllRound::take(const SendReport& report) {
    if (report.allSent()) {
        forget();
        return;
    }
    for (const SendPass& pass : report.passes)
        if (pass.sent())
            reached_.insert(pass.recipient);
}
