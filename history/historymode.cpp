#include "history/historymode.h"

HistorySetup HistorySetup::of(HistoryMode mode) {
    if (mode == HistoryMode::Received)
        return {mode, QStringLiteral("着信履歴"), 210, 250, 250, false, true};
    return {mode, QStringLiteral("送信履歴"), 250, 250, 255, true, false};
}

MailFile HistorySetup::fileOf(HistoryMode mode, const AppPaths& paths) {
    if (mode == HistoryMode::Received)
        return MailFile(paths.receivedMailFile(), paths.dataFile(QStringLiteral("ORXDATA2.TMP")));
    return MailFile(paths.sentMailFile(), paths.dataFile(QStringLiteral("ORXDATA5.TMP")));
}
