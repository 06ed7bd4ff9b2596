// The user's words for every kind of error, each with the particulars of a
// real case: the texts the windows show.
#include <QSslError>
#include <cerrno>
#include <gtest/gtest.h>
#include <set>

#include "ui/errortexts.h"

namespace {

using K = Error::Kind;

const QString kServer = QStringLiteral("pop.example.jp");

Error of(K kind) {
    return {.kind = kind};
}
Error about(K kind, const QString& name, const QString& detail = {}) {
    return {.kind = kind, .name = name, .detail = detail};
}
Error words(K kind, const QString& detail) {
    return {.kind = kind, .detail = detail};
}
// A file or folder, and the system's reason when there is one.
Error at(K kind, const QString& path, int systemError = 0) {
    return {.kind = kind, .path = path, .systemError = systemError};
}

} // namespace

TEST(ErrorTexts, eachErrorReadsAsTheUserHasAlwaysReadIt) {
    const Error lost = about(K::ConnectionLost, kServer);
    const QString records = QStringLiteral("/a/orxdata2.data");
    const Error fullDisk = at(K::FileNotWritten, records, ENOSPC);
    const Error tokenRefused =
        words(K::TokenNotIssued, QStringLiteral("invalid_grant (Token has been revoked.)"));
    const struct {
        const char* name;
        Error error;
        QString text;
    } rows[] = {
        {"pop3-server-name-with-a-bad-port",
         about(K::BadServerName, QStringLiteral("host:x"), QStringLiteral("POP3")),
         QStringLiteral("POP3サーバー名「host:x」が正しくありません。")},
        {"host-not-found", about(K::ServerNotFound, kServer, QStringLiteral("Host not found")),
         QStringLiteral("サーバー「pop.example.jp」が見つかりません。(Host not found)")},
        {"connection-refused", about(K::CannotConnect, kServer, QStringLiteral("Connection refused")),
         QStringLiteral("サーバー「pop.example.jp」に接続できません。(Connection refused)")},
        {"silent-server", about(K::Timeout, kServer),
         QStringLiteral("サーバー「pop.example.jp」から応答がありません。")},
        {"silent-server-in-the-systems-words",
         about(K::Timeout, kServer, QStringLiteral("Socket operation timed out")),
         QStringLiteral("サーバー「pop.example.jp」から応答がありません。(Socket operation timed out)")},
        {"server-hung-up", lost, QStringLiteral("サーバー「pop.example.jp」との接続が切れました。")},
        {"network-error", about(K::ConnectionFailed, kServer, QStringLiteral("Network unreachable")),
         QStringLiteral("サーバー「pop.example.jp」との通信に失敗しました。(Network unreachable)")},
        {"smtp-greeting-refused", about(K::ConnectionDeclined, kServer, QStringLiteral("554 go away")),
         QStringLiteral("サーバー「pop.example.jp」が接続を断りました。(554 go away)")},
        {"hung-up-mid-message", about(K::LostMidReply, kServer).because(lost),
         QStringLiteral("サーバー「pop.example.jp」との接続が受信の途中で切れました。"
                        "(サーバー「pop.example.jp」との接続が切れました。)")},
        {"line-over-a-megabyte",
         {.kind = K::LineTooLong, .bytes = 1048576},
         QStringLiteral("サーバーから長すぎる行（1048576 バイト超）が届いたため、接続を終えました。")},
        {"stopped-while-waiting",
         {.kind = K::Cancelled, .name = kServer},
         QStringLiteral("サーバー「pop.example.jp」とのやり取りを中止しました。")},
        {"no-openssl", of(K::NoTlsLibrary),
         QStringLiteral("暗号化 (TLS) が使えません。OpenSSL が見つかりません。")},
        {"broken-handshake", about(K::Tls, kServer, QStringLiteral("Handshake failed")),
         QStringLiteral(
             "サーバー「pop.example.jp」と暗号化 (TLS) の通信を始められませんでした。(Handshake failed)")},
        {"stls-refused", about(K::StlsRefused, kServer, QStringLiteral("-ERR not now")),
         QStringLiteral("サーバー「pop.example.jp」が暗号化 (TLS) を始めませんでした: -ERR not now")},
        {"starttls-refused",
         about(K::StartTlsRefused, kServer, QStringLiteral("454 4.7.0 TLS not available")),
         QStringLiteral("サーバー「pop.example.jp」は暗号化 (STARTTLS) を申し出ながら始めませんでした。"
                        "(454 4.7.0 TLS not available)")},
        {"tls-stripped", about(K::TlsWithdrawn, kServer),
         QStringLiteral(
             "サーバー「pop.example.jp」は以前は暗号化 (TLS) に対応していましたが、今回は対応していません。"
             "通信が途中で書き換えられている（攻撃を受けている）おそれがあるため、"
             "パスワードを送らずに接続を終えました。")},
        {"clear-login-declined", about(K::ClearLoginDeclined, kServer),
         QStringLiteral("サーバー「pop.example."
                        "jp」は暗号化に対応していないため、パスワードを送らずに接続を終えました。")},
        {"tls-record-not-written",
         {.kind = K::TlsRecordNotKept,
          .path = QStringLiteral("/a/server-tls"),
          .detail = QStringLiteral("No space")},
         QStringLiteral("サーバーの暗号化の記録を「/a/server-tls」に書き込めませんでした。(No space)")},
        {"self-signed-expired-certificate",
         {.kind = K::Certificate,
          .name = QStringLiteral("mail.example.jp"),
          .detail = QStringLiteral("AB:CD"),
          .certificateReasons = {QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain,
                                 QSslError::CertificateExpired}},
         QStringLiteral(
             "サーバー「mail.example.jp」の証明書を確認できませんでした。\n自己署名の証明書です。\n"
             "証明書の有効期限が切れています。\nSHA-256 指紋: AB:CD")},
        {"certificate-of-another-name-issued-by-nobody-known",
         {.kind = K::Certificate,
          .name = QStringLiteral("mail.example.jp"),
          .detail = QStringLiteral("AB:CD"),
          .certificateReasons = {QSslError::HostNameMismatch, QSslError::CertificateUntrusted,
                                 QSslError::CertificateNotYetValid, QSslError::CertificateRevoked}},
         QStringLiteral("サーバー「mail.example.jp」の証明書を確認できませんでした。\n"
                        "証明書の名前がサーバー名と一致しません。\n信頼できる発行者の証明書ではありません。\n"
                        "証明書がまだ有効になっていません。\n証明書は失効しています。\nSHA-256 指紋: AB:CD")},
        {"trusted-certificate-not-written",
         {.kind = K::CertificateNotKept,
          .path = QStringLiteral("/a/trusted-certificates"),
          .detail = QStringLiteral("No space")},
         QStringLiteral("信頼する証明書を「/a/trusted-certificates」に書き込めませんでした。(No space)")},
        {"wrong-password", words(K::Login, QStringLiteral("-ERR [AUTH] Authentication failed.")),
         QStringLiteral("-ERR [AUTH] Authentication failed.")},
        {"apop-without-timestamp", of(K::ApopUnsupported),
         QStringLiteral("このPOP3サーバーはAPOPに対応していません（挨拶にタイムスタンプがありません）。"
                        "APOPを使わない設定にしてください。")},
        {"token-over-a-clear-connection", about(K::TokenNeedsTls, kServer),
         QStringLiteral("サーバー「pop.example.jp」は暗号化 (TLS) に対応していないため、"
                        "サインイン (OAuth2) の情報を送らずに接続を終えました。")},
        {"pop3-server-without-bearer-login", about(K::NoTokenLogin, kServer, QStringLiteral("POP3")),
         QStringLiteral(
             "POP3サーバー「pop.example.jp」はサインイン (OAuth2) によるログイン (OAUTHBEARER, XOAUTH2) "
             "に対応していません。")},
        {"pop3-refused-the-renewed-token",
         about(K::TokenRefused, kServer,
               QStringLiteral("-ERR [AUTH] Authentication failed. (invalid_token)")),
         QStringLiteral("サーバー「pop.example.jp」がサインイン (OAuth2) のトークンを受け付けませんでした: "
                        "-ERR [AUTH] Authentication failed. (invalid_token)\n"
                        "「ID/PASS」の画面の「OAuth2...」からサインインし直してください。")},
        {"no-sign-in-kept", of(K::NotSignedIn),
         QStringLiteral(
             "サインインの情報がありません。「ID/PASS」の画面の「OAuth2...」からサインインしてください。")},
        {"refresh-token-revoked", of(K::SignInExpired).because(tokenRefused),
         QStringLiteral(
             "認証サーバーがトークンを発行しませんでした: invalid_grant (Token has been revoked.)\n"
             "サインインの期限が切れたか、取り消されました。「ID/PASS」の画面の「OAuth2...」から"
             "サインインし直してください。")},
        {"sign-in-cancelled", of(K::SignInCancelled), QStringLiteral("サインインを中止しました。")},
        {"browser-never-came-back",
         {.kind = K::SignInTimedOut, .number = 5},
         QStringLiteral("5 分待ちましたが、ブラウザでのサインインが終わりませんでした。"
                        "もう一度「ブラウザでサインイン」を押してください。")},
        {"access-denied-in-the-browser", of(K::SignInDenied),
         QStringLiteral("ブラウザでサインインが取り消されました（アクセスが許可されませんでした）。")},
        {"provider-error-in-the-redirect", words(K::SignInIncomplete, QStringLiteral("server_error")),
         QStringLiteral("ブラウザでのサインインが完了しませんでした: server_error")},
        {"redirect-without-a-code", of(K::SignInIncomplete),
         QStringLiteral("ブラウザでのサインインが完了しませんでした: code がありません")},
        {"no-refresh-token", of(K::NoRefreshToken),
         QStringLiteral("認証サーバーがリフレッシュトークンを発行しませんでした。"
                        "アクセスの許可 (オフラインアクセス) を確かめてください。")},
        {"loopback-port-refused", words(K::RedirectNotOpened, QStringLiteral("Address in use")),
         QStringLiteral("サインインの応答を受け取るポートを開けませんでした。(Address in use)")},
        {"token-url-in-clear", about(K::TokenServerNotHttps, QStringLiteral("http://auth.example.jp/token")),
         QStringLiteral("認証サーバーの URL「http://auth.example.jp/token」は https:// "
                        "で始まっていなければなりません。")},
        {"token-server-unreachable",
         about(K::TokenServerUnreachable, QStringLiteral("auth.example.jp"))
             .because(about(K::ServerNotFound, QStringLiteral("auth.example.jp"),
                            QStringLiteral("Could not resolve"))),
         QStringLiteral(
             "認証サーバー (auth.example.jp) と通信できませんでした。ネットワークを確かめて、"
             "もう一度お試しください。\nサーバー「auth.example.jp」が見つかりません。(Could not resolve)")},
        {"answer-without-access-token", of(K::NoAccessToken),
         QStringLiteral("認証サーバーの応答にアクセストークンがありません。")},
        {"code-refused", tokenRefused,
         QStringLiteral(
             "認証サーバーがトークンを発行しませんでした: invalid_grant (Token has been revoked.)")},
        {"provider-temporarily-unavailable",
         {.kind = K::TokenServerBusy, .detail = QStringLiteral("temporarily_unavailable"), .number = 503},
         QStringLiteral(
             "認証サーバーが一時的にトークンを発行できませんでした (HTTP 503: temporarily_unavailable)。"
             "時間をおいてもう一度お試しください。")},
        {"token-server-trouble",
         {.kind = K::TokenServerUnreadable, .number = 503},
         QStringLiteral("認証サーバーの応答が読めません (HTTP 503)。時間をおいてもう一度お試しください。")},
        {"recipient-rejected",
         words(K::Refused, QStringLiteral("550 5.1.1 <x@y>: Recipient address rejected")),
         QStringLiteral("550 5.1.1 <x@y>: Recipient address rejected")},
        {"not-pop3", words(K::Protocol, QStringLiteral("HTTP/1.1 400")),
         QStringLiteral("POP3サーバーの応答が読めません: HTTP/1.1 400")},
        {"not-smtp", words(K::NotSmtp, QStringLiteral("+OK POP3 ready")),
         QStringLiteral("SMTPサーバーの応答が読めません: +OK POP3 ready")},
        {"no-session", of(K::NotConnected), QStringLiteral("POP3サーバーに接続していません。")},
        {"list-and-stat-disagree", of(K::ListMismatch),
         QStringLiteral("POP3サーバーのメッセージ一覧 (LIST) がメッセージ数 (STAT) と合いません。"
                        "メールはサーバーに残してあります。")},
        {"message-not-listed",
         {.kind = K::NotOnServer, .number = 7},
         QStringLiteral("メッセージ 7 はサーバーにありません。")},
        {"message-over-the-limit",
         {.kind = K::TooLarge, .number = 2, .bytes = 70000000},
         QStringLiteral(
             "メッセージ 2 は大きすぎるため受信できません（70000000 バイト）。サーバーに残します。")},
        {"reply-far-beyond-its-listed-size",
         {.kind = K::ReplyTooLarge, .bytes = 1000},
         QStringLiteral("大きすぎるため受信できません（1000 バイトを超えています）。")},
        {"retr-refused",
         {.kind = K::NotReceived, .detail = QStringLiteral("-ERR locked"), .number = 2},
         QStringLiteral("メッセージ 2 を受信できませんでした: -ERR locked")},
        {"retr-cut-off",
         Error{.kind = K::NotReceived, .number = 1}.because(about(K::LostMidReply, kServer).because(lost)),
         QStringLiteral("メッセージ 1 "
                        "を受信できませんでした。サーバー「pop.example.jp」との接続が受信の途中で切れました。"
                        "(サーバー「pop.example.jp」との接続が切れました。)")},
        {"dele-refused",
         {.kind = K::NotDeleted, .detail = QStringLiteral("-ERR locked"), .number = 3},
         QStringLiteral("メッセージ 3 を削除できませんでした: -ERR locked")},
        {"no-recipient", of(K::NoRecipient), QStringLiteral("宛先がありません。")},
        {"recipient-with-a-line-break", about(K::BadRecipient, QStringLiteral("a@x\r\nRCPT")),
         QStringLiteral("宛先「a@x\r\nRCPT」が正しくありません。")},
        {"sender-with-a-space", about(K::BadSender, QStringLiteral("me @x")),
         QStringLiteral("差出人のアドレス「me @x」が正しくありません。")},
        {"mail-over-the-servers-size",
         {.kind = K::TooLargeForServer, .number = 10240000, .bytes = 15000000},
         QStringLiteral("メールが大きすぎるため送信できません（15000000 バイト、サーバーが受け付けるのは "
                        "10240000 バイトまでです）。添付ファイルを減らして下さい。")},
        {"attachment-gone", about(K::AttachmentUnreadable, QStringLiteral("/home/u/消えた.pdf")),
         QStringLiteral(
             "添付ファイル「/home/u/消えた.pdf」を読み込めません。ファイルがあるか確かめて下さい。")},
        {"mail-to-one-not-sent",
         about(K::NotSent, QStringLiteral("b@x.jp"))
             .because(words(K::Refused, QStringLiteral("550 no such user"))),
         QStringLiteral("b@x.jp へ送信できませんでした。\n550 no such user")},
        {"picked-entry-past-the-address-book",
         {.kind = K::NoAddressRecord, .number = 3},
         QStringLiteral("アドレス帳に3件目のデータがありません。")},
        {"record-on-a-full-disk", fullDisk,
         QStringLiteral("ファイルに書き込めません (/a/orxdata2.data): ディスクに空きがありません")},
        {"record-file-locked-away", at(K::FileNotOpened, records, EACCES),
         QStringLiteral("ファイルを開けません (/a/orxdata2.data): Permission denied")},
        {"text-file-gone-in-qts-words",
         {.kind = K::FileNotOpened,
          .path = QStringLiteral("/a/memo.txt"),
          .detail = QStringLiteral("No such file")},
         QStringLiteral("ファイルを開けません (/a/memo.txt): No such file")},
        {"record-file-not-looked-at", at(K::FileNotExamined, records, EACCES),
         QStringLiteral("ファイルを調べられません (/a/orxdata2.data): Permission denied")},
        {"bad-sector", at(K::FileNotRead, records, EIO),
         QStringLiteral("ファイルを読めません (/a/orxdata2.data): Input/output error")},
        {"half-record-not-taken-back", at(K::FileNotResized, records, EIO),
         QStringLiteral("ファイルの大きさを変えられません (/a/orxdata2.data): Input/output error")},
        {"fsync-failed", at(K::FileNotSynced, records, EIO),
         QStringLiteral("ファイルをディスクに書き出せません (/a/orxdata2.data): Input/output error")},
        {"close-reported-a-lost-write", at(K::FileNotClosed, records, EIO),
         QStringLiteral("ファイルを閉じられません (/a/orxdata2.data): Input/output error")},
        {"history-file-not-made",
         {.kind = K::FileNotCreated, .path = records, .detail = QStringLiteral("Permission denied")},
         QStringLiteral("ファイルを作成できません (/a/orxdata2.data): Permission denied")},
        {"working-file-left", at(K::FileNotRemoved, QStringLiteral("/a/ORXDATA2.TMP")),
         QStringLiteral("ファイルを削除できません (/a/ORXDATA2.TMP)")},
        {"records-not-moved-aside", at(K::FileNotRenamed, records, EACCES),
         QStringLiteral("ファイルの名前を変えられません (/a/orxdata2.data): Permission denied")},
        {"record-file-cut-while-compared", at(K::FileShrank, records),
         QStringLiteral("「/a/orxdata2.data」が読み取りの途中で短くなりました。")},
        {"folder-in-the-record-files-place", at(K::NotAFile, records),
         QStringLiteral("「/a/orxdata2.data」はファイルではないため、読み書きできません。")},
        {"quick-save-folder-not-made", at(K::FolderNotCreated, QStringLiteral("/a/■TextQuickSave")),
         QStringLiteral("フォルダ「/a/■TextQuickSave」を作成できません")},
        {"html-mail-folder-refused", at(K::FolderNotCreated, QStringLiteral("/a/夏の便り"), EACCES),
         QStringLiteral("フォルダ「/a/夏の便り」を作成できません: Permission denied")},
        {"attachment-folder-gone", at(K::FolderNotOpened, QStringLiteral("/a/添付"), ENOENT),
         QStringLiteral("フォルダ「/a/添付」を開けません: No such file or directory")},
        {"history-full",
         {.kind = K::TooManyRecords, .number = 32767},
         QStringLiteral("記録できる件数（32767件）を超えるため、書き込めません。")},
        {"record-to-mark-gone", of(K::RecordNotFound), QStringLiteral("指定されたデータが見つかりません。")},
        {"working-file-beside-a-folder",
         Error{.kind = K::WorkingFileUnchecked, .name = records, .path = QStringLiteral("/a/ORXDATA2.TMP")}
             .because(at(K::NotAFile, records)),
         QStringLiteral(
             "削除の途中で残った作業ファイル「/a/ORXDATA2.TMP」を「/a/orxdata2.data」と照らし合わせられ"
             "ないため、どちらのファイルもそのまま残しました。\n"
             "「/a/orxdata2.data」はファイルではないため、読み書きできません。")},
        {"attachment-on-a-full-disk",
         {.kind = K::AttachmentNotWritten, .name = QStringLiteral("big.bin"), .systemError = ENOSPC},
         QStringLiteral("添付ファイル「big.bin」を書き込めません: ディスクに空きがありません")},
        {"attachment-over-the-quota",
         {.kind = K::AttachmentNotWritten, .name = QStringLiteral("big.bin"), .systemError = EDQUOT},
         QStringLiteral("添付ファイル「big.bin」を書き込めません: ディスクに空きがありません")},
        {"every-free-name-taken",
         {.kind = K::AttachmentNotWritten, .name = QStringLiteral("a.png"), .systemError = EEXIST},
         QStringLiteral(
             "添付ファイル「a.png」を書き込めません（同じ名前のファイルが多すぎます）: File exists")},
        {"folder-not-synced", at(K::FolderNotSynced, QStringLiteral("/a/夏")),
         QStringLiteral("フォルダをディスクに書き出せません (/a/夏)")},
        {"log-changed-under-the-check", at(K::LogChanged, QStringLiteral("/a/received.log")),
         QStringLiteral("受信の記録が途中で変わりました (/a/received.log)")},
        {"login-refused-in-words-with-a-nul",
         of(K::LoginFailed)
             .because(words(K::Login, QStringLiteral("-ERR no") + QChar(u'\0') + QStringLiteral("hidden"))),
         QStringLiteral("-ERR no")},
        {"one-of-several-accounts",
         Error{.kind = K::InAccount, .name = QStringLiteral("会社")}.because(
             of(K::LoginFailed)
                 .because(words(K::Login, QStringLiteral("-ERR [AUTH] Authentication failed.")))),
         QStringLiteral("アカウント「会社」: -ERR [AUTH] Authentication failed.")},
        {"a-further-account-without-its-server",
         Error{.kind = K::AccountIncomplete, .name = QStringLiteral("自宅")},
         QStringLiteral(
             "アカウント「自宅」はサーバーかログインが設定されていないため、受信しませんでした。")},
        {"log-unreadable",
         of(K::LogUnreadable).because(at(K::FileNotRead, QStringLiteral("/a/received.log"), EIO)),
         QStringLiteral("受信の記録を読めませんでした。メールはサーバーに残してあります。\n"
                        "ファイルを読めません (/a/received.log): Input/output error")},
        {"stored-mail-not-verified",
         of(K::NotVerified).because(at(K::LogChanged, QStringLiteral("/a/received.log"))),
         QStringLiteral(
             "受信したメールを確かめられませんでした。このメールと以降のメールはサーバーに残してあります。\n"
             "受信の記録が途中で変わりました (/a/received.log)")},
        {"mail-not-stored",
         Error{.kind = K::NotStored,
               .number = 2,
               .subject = QStringLiteral("二"),
               .sender = QStringLiteral("a@example.jp")}
             .because(fullDisk),
         QStringLiteral(
             "メッセージ 2 を保存できませんでした。このメールと以降のメールはサーバーに残してあります。\n"
             "件名: 二\n差出人: a@example.jp\nファイルに書き込めません (/a/orxdata2.data): "
             "ディスクに空きがありません")},
        {"records-not-synced", of(K::NotSynced).because(fullDisk),
         QStringLiteral("受信したメールをディスクに書き出せませんでした。メールはサーバーに残してあります。\n"
                        "ファイルに書き込めません (/a/orxdata2.data): ディスクに空きがありません")},
        {"subject-names-no-folder",
         Error{.kind = K::FolderUnusable,
               .subject = QStringLiteral("../x"),
               .sender = QStringLiteral("b@example.jp")},
         QStringLiteral("フォルダを作成できませんでした\n件名: ../x\n差出人: b@example.jp")},
        {"split-message", of(K::PartsMissing), QStringLiteral("分割されたメールが全て揃っていません")},
        {"server-settings-not-written", at(K::SettingsNotWritten, QStringLiteral("/a/orvex.ini")),
         QStringLiteral("設定ファイル「/a/orvex.ini」に書き込めません。")},
        {"sign-in-on-a-full-disk",
         {.kind = K::SignInNotKept,
          .path = QStringLiteral("/a/oauth2-signin"),
          .detail = QStringLiteral("No space left on device")},
         QStringLiteral(
             "サインインの情報を「/a/oauth2-signin」に書き込めませんでした。(No space left on device)")},
        {"sign-in-not-removed", at(K::SignInNotRemoved, QStringLiteral("/a/oauth2-signin")),
         QStringLiteral("サインインの情報「/a/oauth2-signin」を削除できませんでした。")},
        {"accounts-file-of-another-program", at(K::AccountsUnreadable, QStringLiteral("/a/accounts")),
         QStringLiteral("アカウントの一覧「/a/accounts」を読めません。2 番目からのアカウントは使えません。")},
        {"server-name-pasted-with-its-line-end", words(K::SettingWithLineBreak, QStringLiteral("pop3")),
         QStringLiteral("設定の値に改行は使えません。")},
        {"ninth-account",
         {.kind = K::TooManyAccounts, .number = 8},
         QStringLiteral("アカウントは 8 個までです。")},
        {"account-removed-in-another-window", about(K::NoSuchAccount, QStringLiteral("3fa9c2d1")),
         QStringLiteral("そのアカウントはもうありません。")},
        {"no-keyring-on-the-desktop", of(K::NoKeyring),
         QStringLiteral("デスクトップのキーリング (GNOME キーリング、KWallet) が動いていません。")},
        {"keyring-locked-and-unlock-cancelled",
         words(K::KeyringRefused, QStringLiteral("Unlock was dismissed")),
         QStringLiteral("デスクトップのキーリングが断りました: Unlock was dismissed")},
        {"keyring-hangs",
         {.kind = K::KeyringTimedOut, .number = 10},
         QStringLiteral("デスクトップのキーリングが 10 秒待っても答えません。")},
        {"damaged-index", words(K::SearchIndexUnusable, QStringLiteral("database disk image is malformed")),
         QStringLiteral("検索用の索引を使えません: database disk image is malformed")},
        {"index-not-built-yet", of(K::NoSearchIndex), QStringLiteral("検索用の索引がありません。")},
        {"index-of-a-later-version", of(K::SearchIndexOtherFormat),
         QStringLiteral("検索用の索引の形式が違います。")},
        {"history-closed-while-indexing", of(K::IndexingStopped),
         QStringLiteral("索引の作成を中断しました。")},
        {"mail-arrived-while-indexing", of(K::RecordsChanged),
         QStringLiteral("記録ファイルが読み込み中に変わりました。")},
        {"damaged-facts-file",
         {.kind = K::FactsUnusable,
          .path = QStringLiteral("/a/orxdata2.facts"),
          .detail = QStringLiteral("disk I/O error")},
         QStringLiteral("メールの付帯情報「/a/orxdata2.facts」を使えません: disk I/O error")},
        {"mark-for-a-deleted-row",
         {.kind = K::NoSuchRecord, .count = 7},
         QStringLiteral("7 件目のメールはありません。")},
        {"export-cancelled", of(K::ExportStopped), QStringLiteral("書き出しを中断しました。")},
        {"spool-compacted-during-the-import", at(K::SourceChanged, QStringLiteral("/var/mail/taro")),
         QStringLiteral("「/var/mail/taro」が取り込みの途中で変わりました。")},
        {"picture-chosen-as-mbox", at(K::NotAnMbox, QStringLiteral("/home/u/a.png")),
         QStringLiteral("「/home/u/a.png」は mbox ファイルではありません。")},
        {"eml-folder-gone", at(K::NoSuchFolder, QStringLiteral("/home/u/eml")),
         QStringLiteral("フォルダ「/home/u/eml」がありません。")},
        {"plain-folder-as-maildir", at(K::NotAMaildir, QStringLiteral("/home/u/Documents")),
         QStringLiteral("「/home/u/Documents」は Maildir ではありません（cur と new がありません）。")},
        {"address-row-out-of-step", of(K::AddressNotInFile),
         QStringLiteral("選択された行のデータがアドレス帳のファイルにありません。一覧を読み直します。")},
        {"business-card-too-long",
         {.kind = K::AddressTooLong, .number = 90, .count = 91},
         QStringLiteral("メールアドレス欄には90文字までしか入りません（91文字あります）。")},
        {"business-card-without-an-address", of(K::NoAddressTyped),
         QStringLiteral("メールアドレスが入力されていません")},
        {"business-card-without-a-name", of(K::NoCardName), QStringLiteral("名詞が入力されていません")},
        {"empty-contacts-file", of(K::CsvEmpty), QStringLiteral("CSVファイルが空です。")},
        {"contacts-without-an-address-column", of(K::CsvWithoutAddress),
         QStringLiteral("CSVファイルの見出し行にメールアドレスの列がありません。")},
        {"subject-with-a-path", of(K::SubjectWithSlash),
         QStringLiteral("件名に「/」が含まれているため、ファイル名にできません。保存しませんでした。")},
        {"subject-too-long-for-a-name", of(K::SubjectTooLong),
         QStringLiteral("件名が長すぎるため、ファイル名にできません。保存しませんでした。")},
        {"no-address-to-sign-in-with", of(K::NoSignInAddress),
         QStringLiteral("サインインするメールアドレスを入力してください。")},
        {"own-provider-without-its-token-url", of(K::CustomProviderIncomplete),
         QStringLiteral("認可 URL、トークン URL、クライアント ID を入力してください。")},
        {"provider-not-built-in", about(K::UnknownProvider, QStringLiteral("yahoo")),
         QStringLiteral("プロバイダー「yahoo」は登録されていません。")},
        {"no-client-registered",
         {.kind = K::NoClientId,
          .name = QStringLiteral("Google (Gmail)"),
          .path = QStringLiteral("oauth-clients.ini"),
          .detail = QStringLiteral("google")},
         QStringLiteral(
             "Google (Gmail) に登録した OAuth クライアント ID がありません。\n"
             "アプリケーションフォルダーの oauth-clients.ini に\n[google]\nclient_id=（登録した ID）\n"
             "と書いてください。登録のしかたは README の「Gmail と Microsoft "
             "でサインインする」にあります。")},
        {"page-engine-not-installed", at(K::PageViewMissing, QStringLiteral("/opt/f/libfennick_pageview.so")),
         QStringLiteral("HTMLメールを表示する部品が見つかりません。\n/opt/f/libfennick_pageview.so")},
        {"page-engine-broken",
         {.kind = K::PageViewNotLoaded,
          .path = QStringLiteral("/opt/f/libfennick_pageview.so"),
          .detail = QStringLiteral("file too short")},
         QStringLiteral("HTMLメールを表示する部品を読み込めませんでした。\n/opt/f/"
                        "libfennick_pageview.so\nfile too short")},
    };
    std::set<K> kinds;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ErrorText(row.error), row.text);
        kinds.insert(row.error.kind);
    }
    EXPECT_EQ(int(kinds.size()), QMetaEnum::fromType<K>().keyCount()) << "a row for every kind";
}

TEST(ErrorTexts, aConnectionsQuestionsAskWhatTheUserDecides) {
    const Error certificate{.kind = K::Certificate,
                            .name = QStringLiteral("mail.example.jp"),
                            .detail = QStringLiteral("AB:CD"),
                            .certificateReasons = {QSslError::UnableToGetLocalIssuerCertificate}};
    EXPECT_EQ(QuestionText(certificate).toStdString(),
              QStringLiteral("サーバー「mail.example.jp」の証明書を確認できませんでした。\n"
                             "信頼できる発行者の証明書ではありません。\nSHA-256 指紋: AB:CD\n\n"
                             "この証明書をこのサーバーの証明書として今後も信頼しますか？")
                  .toStdString());
}
