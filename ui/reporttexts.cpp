#include "ui/reporttexts.h"

#include <QStringList>

#include "store/recordfile.h"
#include "ui/errortexts.h"

QString ImportSummaryText(const MailImport::Outcome& outcome) {
    QStringList lines{QStringLiteral("%1 件を取り込みました。").arg(outcome.imported)};
    if (outcome.skippedAsImported > 0)
        lines.append(QStringLiteral("取り込み済みの %1 件は飛ばしました。").arg(outcome.skippedAsImported));
    if (outcome.broken > 0)
        lines.append(
            QStringLiteral("メールとして読めない %1 件は取り込みませんでした。").arg(outcome.broken));
    if (outcome.notPlainFiles > 0)
        lines.append(QStringLiteral("リンクなど通常のファイルでない %1 件は飛ばしました。")
                         .arg(outcome.notPlainFiles));
    if (outcome.leftAtLimit > 0)
        lines.append(QStringLiteral("記録できる件数（%1件）に達したため、残りの %2 件は取り込んでいません。")
                         .arg(RecordFile::kMaxRecords)
                         .arg(outcome.leftAtLimit));
    if (outcome.stopped)
        lines.append(QStringLiteral("取り込みを中断しました。"));
    if (outcome.error)
        lines.append(QStringLiteral("取り込みを続けられませんでした: %1").arg(ErrorText(*outcome.error)));
    // Each names its mail; a long run of them (a folder of newsletters whose
    // subject names no folder) is cut short.
    constexpr int kNamed = 5;
    for (const Error& notice : outcome.notices.first(std::min<qsizetype>(kNamed, outcome.notices.size())))
        lines.append(ErrorText(notice));
    if (outcome.notices.size() > kNamed)
        lines.append(QStringLiteral("ほかに %1 件、同じようなお知らせがあります。")
                         .arg(outcome.notices.size() - kNamed));
    return lines.join(u'\n');
}

QString ExportSummaryText(int written) {
    return QStringLiteral("%1 件を書き出しました。").arg(written);
}

QString SendingText() {
    return QStringLiteral("メールを送信中です。しばらくお待ち下さい。");
}

QString SendStatusText(const SendReport& report) {
    if (!report.allSent()) {
        const QStringList missed = report.missed();
        if (!report.sendToAll || missed.isEmpty())
            return QStringLiteral("送信できなかったメールがあります。");
        return QStringLiteral(
                   "送信できなかった宛先: %1。もう一度「送信」を押すと、まだ届いていない宛先にだけ送ります。")
            .arg(missed.join(u'、'));
    }
    if (report.stoppedShort())
        return QStringLiteral("アドレス帳の%1件で終わりです。%2件を送信しました。")
            .arg(report.passes.size() + report.skipped)
            .arg(report.passes.size());
    return QStringLiteral("送信完了です。");
}

QString SendErrorTitle() {
    return QStringLiteral("送信エラー");
}

QString AddressImportSummaryText(const AddressExchange::Imported& imported) {
    QString text = QStringLiteral("%1件を登録しました。").arg(imported.added);
    if (imported.skipped > 0)
        text +=
            QStringLiteral("\r\nメールアドレスが長すぎる%1件は登録しませんでした。").arg(imported.skipped);
    return text;
}

QString DeletionQuestionText(const MailDeletion::Question& question) {
    using Kind = MailDeletion::Question::Kind;
    switch (question.kind) {
    case Kind::SentMail:
        return QStringLiteral("選択された（行、青色）データを削除します。よろしいですか?");
    case Kind::ReceivedText:
        return QStringLiteral(
            "「TEXTデータ」です。\r\n\r\n選択された（行、青色）データを削除します。よろしいですか?");
    case Kind::ReceivedHtml:
        break;
    }
    return QStringLiteral(
               "「HTMLデータ」です。\r\n\r\n"
               "選択された（行、青色）データの削除を行うと、送信されて来たHTMLデータが"
               "格納されているフォルダの削除も同時に行われます。よろしいですか?\r\n\r\n"
               "HTMLデータを残しておきたい場合は、削除処理の事前に、「添付フォルダ」等にコピー、"
               "ペースト（張付け）で退避させた後データの削除処理を行って下さい。\r\n\r\n"
               "カット（切り取り）、ペーストは絶対に行わないで下さい。データ削除でエラーが発生します。"
               "\r\n\r\n") +
           (question.folder ? QStringLiteral("削除するフォルダ: %1").arg(*question.folder)
                            : QStringLiteral("このメールのフォルダは見つかりません。"));
}

QString DeleteAllQuestionText() {
    return QStringLiteral("すべてのデータを削除して良いですか？");
}

QString EmptyingQuestionText(const QString& file) {
    return QStringLiteral("「%1」には内容があります。空にしてよろしいですか？").arg(file);
}

QString HistoryTitleText(const QString& caption, int unread) {
    return unread > 0 ? QStringLiteral("%1（未読 %2 件）").arg(caption).arg(unread) : caption;
}

QString UnreadStatusText(int unread) {
    return unread > 0 ? QStringLiteral("未読メール %1 件").arg(unread) : QString();
}

QString AccountListText(const AccountProfile& account) {
    return account.shownName().isEmpty() ? QStringLiteral("（新しいアカウント）") : account.shownName();
}

QString RemoveAccountQuestionText(const AccountProfile& account) {
    return QStringLiteral("アカウント「%1」を削除しますか？\n受信したメールは履歴に残ります。")
        .arg(AccountListText(account));
}

QString SettingsForThisRunText(const Error& notWritten) {
    return ErrorText(notWritten) + QStringLiteral("\nこの設定は今回の起動中だけ使われます。");
}

LoopbackRedirect::Pages SignInPages() {
    return {
        QStringLiteral(
            "サインインの結果を Fennick に渡しました。このページを閉じて、Fennick の画面に戻ってください。"),
        QStringLiteral("このページはありません。")};
}

QString NewMailNoticeSummary(int stored) {
    return QStringLiteral("新着メールが %1 通あります").arg(stored);
}

QString NewMailNoticeBody(const QList<MailRecord>& newestFirst, int stored) {
    QStringList lines;
    for (const MailRecord& mail : newestFirst)
        lines.append(QStringLiteral("%1：%2").arg(mail.party, mail.subject));
    if (stored > newestFirst.size())
        lines.append(QStringLiteral("ほか %1 通").arg(stored - newestFirst.size()));
    return lines.join(u'\n');
}

QString TimedCheckNoticeSummary() {
    return QStringLiteral("Fennick 自動受信");
}

QString TimedCheckNoticeBody(CheckSchedule::Ending ending, const std::optional<Error>& question,
                             const QList<Error>& errors) {
    const QString firstError = errors.isEmpty() ? QString() : u'\n' + ErrorText(errors.first());
    switch (ending) {
    case CheckSchedule::Ending::Fine:
        return {};
    case CheckSchedule::Ending::Unreachable:
        return QStringLiteral("メールサーバーにつながりません。次の受信の時刻にまた試します。") + firstError;
    case CheckSchedule::Ending::NeedsAnswer:
        if (question)
            return QStringLiteral("受信を続けるには確認が必要です。ここをクリックして答えてください。\n") +
                   QuestionText(*question);
        return QStringLiteral(
            "サーバーと ID・パスワードを設定してください。ここをクリックすると設定の画面を開きます。");
    case CheckSchedule::Ending::Failed:
        return QStringLiteral("自動受信でエラーがありました。ここをクリックすると受信し直します。") +
               firstError;
    }
    return {};
}

QString NoticeOpenLabel() {
    return QStringLiteral("開く");
}

QString CloseToTrayQuestionText() {
    return QStringLiteral("画面を閉じても Fennick を終了せず、通知領域（トレイ）で動かし続けますか？\n"
                          "「いいえ」を選ぶと、画面を閉じたときに終了します。"
                          "この選択は「設定」の「自動受信と常駐」で変えられます。");
}
