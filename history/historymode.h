#pragma once

#include <QString>

#include "store/apppaths.h"
#include "store/mailfile.h"

// Which history the window shows: 1 received mail, 2 sent mail.
enum class HistoryMode { Received = 1, Sent = 2 };

// What differs between the two histories.
struct HistorySetup {
    HistoryMode mode;
    QString caption;
    int listRed, listGreen, listBlue; // colour value 16448210 / 16775930
    bool deleteAllEnabled;
    bool htmlSourceBoxEnabled; // the sent history disables it; the received one leaves it as it is

    static HistorySetup of(HistoryMode mode);
    static MailFile fileOf(HistoryMode mode, const AppPaths& paths);
    // The search index kept beside the record file.
    static QString indexOf(HistoryMode mode, const AppPaths& paths);
};

// Shown instead of the marker body of a sent HTML mail.
inline const QString kSentHtmlText = QStringLiteral("「HTML形式」で送信しました。");
// The hidden text of a received HTML mail shown as a page.
inline const QString kReceivedHtmlText = QStringLiteral("HTMLファイルの受信でした。");
