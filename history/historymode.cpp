#include "history/historymode.h"

HistorySetup HistorySetup::of(HistoryMode mode) {
    if (mode == HistoryMode::Received)
        return {mode, QStringLiteral("着信履歴"), 210, 250, 250, false, true};
    return {mode, QStringLiteral("送信履歴"), 250, 250, 255, true, false};
}

MailFile HistorySetup::fileOf(HistoryMode mode, const AppPaths& paths) {
    return mode == HistoryMode::Received ? MailFile::received(paths) : MailFile::sent(paths);
}

QString HistorySetup::indexOf(HistoryMode mode, const AppPaths& paths) {
    return paths.dataFile(mode == HistoryMode::Received ? QStringLiteral("orxdata2.search")
                                                        : QStringLiteral("orxdata5.search"));
}
