// The user's words for what the logic reports besides errors, each with
// the values of a real case: the texts the windows show.
#include <gtest/gtest.h>

#include "ui/reporttexts.h"

namespace {

using K = Error::Kind;

SendPass sent(const char* recipient) {
    return {.recipient = QString::fromLatin1(recipient)};
}
SendPass refused(const char* recipient) {
    return {.recipient = QString::fromLatin1(recipient), .sendError = Error{.kind = K::Refused}};
}

SendReport report(bool sendToAll, int planned, const QList<SendPass>& passes,
                  std::optional<Error> refusal = std::nullopt, int skipped = 0) {
    SendReport r;
    r.sendToAll = sendToAll;
    r.plannedPasses = planned;
    r.passes = passes;
    r.refusal = std::move(refusal);
    r.skipped = skipped;
    return r;
}

} // namespace

TEST(ReportTexts, eachReportReadsAsTheUserHasAlwaysReadIt) {
    MailImport::Outcome everything;
    everything.imported = 3;
    MailImport::Outcome leftovers;
    leftovers.imported = 2;
    leftovers.skippedAsImported = 1;
    leftovers.broken = 2;
    leftovers.notPlainFiles = 3;
    leftovers.leftAtLimit = 4;
    leftovers.stopped = true;
    leftovers.error = Error{.kind = K::SourceChanged, .path = QStringLiteral("/var/mail/taro")};
    MailImport::Outcome notices;
    notices.imported = 7;
    for (int i = 1; i <= 7; ++i)
        notices.notices.append({.kind = K::FolderUnusable,
                                .subject = QStringLiteral("../%1").arg(i),
                                .sender = QStringLiteral("a@example.jp")});
    const SendReport toAllMissingTwo = report(
        true, 3,
        {sent("a@x.jp"), refused(" b@x.jp "), {.recipient = QStringLiteral("c@x.jp"), .tried = false}});
    const SendReport toAllStoppedFirst = report(true, 3, {}, Error{.kind = K::ClearLoginDeclined});
    const SendReport bookEndedFirst = report(true, 4, {sent("a@x.jp")}, std::nullopt, 1);
    const QString htmlQuestion = QStringLiteral(
        "「HTMLデータ」です。\r\n\r\n"
        "選択された（行、青色）データの削除を行うと、送信されて来たHTMLデータが"
        "格納されているフォルダの削除も同時に行われます。よろしいですか?\r\n\r\n"
        "HTMLデータを残しておきたい場合は、削除処理の事前に、「添付フォルダ」等にコピー、"
        "ペースト（張付け）で退避させた後データの削除処理を行って下さい。\r\n\r\n"
        "カット（切り取り）、ペーストは絶対に行わないで下さい。データ削除でエラーが発生します。\r\n\r\n");
    using Q = MailDeletion::Question;
    using Ending = CheckSchedule::Ending;
    const auto mail = [](const char* party, const char* subject) {
        MailRecord r;
        r.party = QString::fromUtf8(party);
        r.subject = QString::fromUtf8(subject);
        return r;
    };
    const Error unreachable{.kind = K::CannotConnect,
                            .name = QStringLiteral("pop.example.jp"),
                            .detail = QStringLiteral("Connection refused")};
    const struct {
        const char* name;
        QString text;
        QString expected;
    } rows[] = {
        {"import-of-everything", ImportSummaryText(everything), QStringLiteral("3 件を取り込みました。")},
        {"import-with-every-kind-of-leftover", ImportSummaryText(leftovers),
         QStringLiteral(
             "2 件を取り込みました。\n取り込み済みの 1 件は飛ばしました。\n"
             "メールとして読めない 2 件は取り込みませんでした。\n"
             "リンクなど通常のファイルでない 3 件は飛ばしました。\n"
             "記録できる件数（32767件）に達したため、残りの 4 件は取り込んでいません。\n"
             "取り込みを中断しました。\n"
             "取り込みを続けられませんでした: 「/var/mail/taro」が取り込みの途中で変わりました。")},
        {"import-of-newsletters-naming-five-of-seven", ImportSummaryText(notices),
         QStringLiteral("7 件を取り込みました。\n"
                        "フォルダを作成できませんでした\n件名: ../1\n差出人: a@example.jp\n"
                        "フォルダを作成できませんでした\n件名: ../2\n差出人: a@example.jp\n"
                        "フォルダを作成できませんでした\n件名: ../3\n差出人: a@example.jp\n"
                        "フォルダを作成できませんでした\n件名: ../4\n差出人: a@example.jp\n"
                        "フォルダを作成できませんでした\n件名: ../5\n差出人: a@example.jp\n"
                        "ほかに 2 件、同じようなお知らせがあります。")},
        {"export", ExportSummaryText(12), QStringLiteral("12 件を書き出しました。")},
        {"mail-on-its-way", SendingText(), QStringLiteral("メールを送信中です。しばらくお待ち下さい。")},
        {"mail-sent", SendStatusText(report(false, 1, {sent("a@x.jp")})), QStringLiteral("送信完了です。")},
        {"mail-refused", SendStatusText(report(false, 1, {refused("a@x.jp")})),
         QStringLiteral("送信できなかったメールがあります。")},
        {"send-to-all-missing-two", SendStatusText(toAllMissingTwo),
         QStringLiteral("送信できなかった宛先: b@x.jp、c@x.jp。もう一度「送信」を押すと、"
                        "まだ届いていない宛先にだけ送ります。")},
        {"send-to-all-stopped-before-its-first", SendStatusText(toAllStoppedFirst),
         QStringLiteral("送信できなかったメールがあります。")},
        {"address-book-shorter-than-the-list", SendStatusText(bookEndedFirst),
         QStringLiteral("アドレス帳の2件で終わりです。1件を送信しました。")},
        {"send-error-title", SendErrorTitle(), QStringLiteral("送信エラー")},
        {"contacts-taken-in", AddressImportSummaryText({5, 0}), QStringLiteral("5件を登録しました。")},
        {"contacts-with-addresses-too-long", AddressImportSummaryText({2, 2}),
         QStringLiteral("2件を登録しました。\r\nメールアドレスが長すぎる2件は登録しませんでした。")},
        {"html-mail-names-its-folder",
         DeletionQuestionText({Q::Kind::ReceivedHtml, QStringLiteral("/a/夏の便り (2)")}),
         htmlQuestion + QStringLiteral("削除するフォルダ: /a/夏の便り (2)")},
        {"html-mail-without-a-folder", DeletionQuestionText({Q::Kind::ReceivedHtml}),
         htmlQuestion + QStringLiteral("このメールのフォルダは見つかりません。")},
        {"received-text-mail", DeletionQuestionText({Q::Kind::ReceivedText}),
         QStringLiteral(
             "「TEXTデータ」です。\r\n\r\n選択された（行、青色）データを削除します。よろしいですか?")},
        {"sent-mail", DeletionQuestionText({Q::Kind::SentMail}),
         QStringLiteral("選択された（行、青色）データを削除します。よろしいですか?")},
        {"every-sent-mail", DeleteAllQuestionText(), QStringLiteral("すべてのデータを削除して良いですか？")},
        {"new-file-that-holds-something", EmptyingQuestionText(QStringLiteral("/home/u/新規作成.TXT")),
         QStringLiteral("「/home/u/新規作成.TXT」には内容があります。空にしてよろしいですか？")},
        {"history-with-unread-mail", HistoryTitleText(QStringLiteral("着信履歴"), 3),
         QStringLiteral("着信履歴（未読 3 件）")},
        {"history-all-read", HistoryTitleText(QStringLiteral("着信履歴"), 0), QStringLiteral("着信履歴")},
        {"main-window-with-unread-mail", UnreadStatusText(12), QStringLiteral("未読メール 12 件")},
        {"main-window-all-read", UnreadStatusText(0), QString()},
        {"server-settings-for-this-run-only",
         SettingsForThisRunText({.kind = K::SettingsNotWritten, .path = QStringLiteral("/a/orvex.ini")}),
         QStringLiteral(
             "設定ファイル「/a/orvex.ini」に書き込めません。\nこの設定は今回の起動中だけ使われます。")},
        {"one-new-mail", NewMailNoticeSummary(1), QStringLiteral("新着メールが 1 通あります")},
        {"five-new-mails-newest-three-named",
         NewMailNoticeBody({mail("花子 <hana@example.jp>", "会議の件"), mail("b@example.jp", "Re: 見積")}, 5),
         QStringLiteral("花子 <hana@example.jp>：会議の件\nb@example.jp：Re: 見積\nほか 3 通")},
        {"timed-check-network-down", TimedCheckNoticeBody(Ending::Unreachable, std::nullopt, {unreachable}),
         QStringLiteral("メールサーバーにつながりません。次の受信の時刻にまた試します。\n"
                        "サーバー「pop.example.jp」に接続できません。(Connection refused)")},
        {"timed-check-kept-a-login-in-clear",
         TimedCheckNoticeBody(Ending::NeedsAnswer,
                              Error{.kind = K::ClearLoginDeclined, .name = QStringLiteral("pop.example.jp")},
                              {}),
         QStringLiteral("受信を続けるには確認が必要です。ここをクリックして答えてください。\n"
                        "サーバー「pop.example.jp」は暗号化に対応していません。"
                        "パスワードが暗号化されずに送られます。続けますか？")},
        {"timed-check-without-an-account", TimedCheckNoticeBody(Ending::NeedsAnswer, std::nullopt, {}),
         QStringLiteral(
             "サーバーと ID・パスワードを設定してください。ここをクリックすると設定の画面を開きます。")},
        {"browser-back-from-the-provider", SignInPages().signedIn,
         QStringLiteral("サインインの結果を Fennick に渡しました。このページを閉じて、Fennick "
                        "の画面に戻ってください。")},
        {"browser-asking-for-another-page", SignInPages().notFound,
         QStringLiteral("このページはありません。")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.text, row.expected);
    }
}
