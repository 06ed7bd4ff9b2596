#include "ui/errortexts.h"

#include <QSslError>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "store/posixfile.h"
#include "text/text.h"

namespace {

using K = Error::Kind;

QString reasonText(QSslError::SslError reason) {
    switch (reason) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("自己署名の証明書です。");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("信頼できる発行者の証明書ではありません。");
    case QSslError::HostNameMismatch:
        return QStringLiteral("証明書の名前がサーバー名と一致しません。");
    case QSslError::CertificateExpired:
        return QStringLiteral("証明書の有効期限が切れています。");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("証明書がまだ有効になっていません。");
    case QSslError::CertificateRevoked:
        return QStringLiteral("証明書は失効しています。");
    default:
        return QSslError(reason).errorString();
    }
}

QString certificateText(const Error& e) {
    QStringList reasons;
    for (int reason : e.certificateReasons)
        if (const QString r = reasonText(QSslError::SslError(reason)); !reasons.contains(r))
            reasons << r;
    return QStringLiteral("サーバー「%1」の証明書を確認できませんでした。\n%2\nSHA-256 指紋: %3")
        .arg(e.name, reasons.join(u'\n'), e.detail);
}

QString causeText(const Error& e) {
    return e.cause ? ErrorText(*e.cause) : QString();
}

// The system's words, "(…)", after the sentence when there are any.
QString withDetail(const QString& sentence, const Error& e) {
    return e.detail.isEmpty() ? sentence : sentence + u'(' + e.detail + u')';
}

// Why a file or folder could not be used, when that is known: the system's
// words for its errno, or Qt's.
QString whyText(const Error& e) {
    if (!e.detail.isEmpty())
        return e.detail;
    return e.systemError != 0 ? SystemErrorText(e.systemError) : QString();
}

// "sentence (path): why", as the store has always put it.
QString fileText(const QString& sentence, const Error& e) {
    const QString why = whyText(e);
    const QString text = QStringLiteral("%1 (%2)").arg(sentence, e.path);
    return why.isEmpty() ? text : text + QStringLiteral(": ") + why;
}

// Which mail a notice is about, as the storing errors name it.
QString withMail(const QString& sentence, const Error& e) {
    if (e.subject.isEmpty() && e.sender.isEmpty())
        return sentence;
    return sentence + QStringLiteral("\n件名: %1\n差出人: %2").arg(e.subject, e.sender);
}

const QString kSignInAgain =
    QStringLiteral("「ID/PASS」の画面の「OAuth2...」からサインインし直してください。");

} // namespace

QString SystemErrorText(int error) {
    if (IsDiskFull(error))
        return QStringLiteral("ディスクに空きがありません");
    return QString::fromLocal8Bit(strerror(error));
}

QString ErrorText(const Error& e) {
    const QString message = QString::number(e.number);
    switch (e.kind) {
    case K::BadServerName:
        return QStringLiteral("%1サーバー名「%2」が正しくありません。").arg(e.detail, e.name);
    case K::ServerNotFound:
        return QStringLiteral("サーバー「%1」が見つかりません。(%2)").arg(e.name, e.detail);
    case K::CannotConnect:
        return QStringLiteral("サーバー「%1」に接続できません。(%2)").arg(e.name, e.detail);
    case K::Timeout:
        return withDetail(QStringLiteral("サーバー「%1」から応答がありません。").arg(e.name), e);
    case K::ConnectionLost:
        return withDetail(QStringLiteral("サーバー「%1」との接続が切れました。").arg(e.name), e);
    case K::ConnectionFailed:
        return QStringLiteral("サーバー「%1」との通信に失敗しました。(%2)").arg(e.name, e.detail);
    case K::ConnectionDeclined:
        return QStringLiteral("サーバー「%1」が接続を断りました。(%2)").arg(e.name, e.detail);
    case K::LostMidReply:
        return QStringLiteral("サーバー「%1」との接続が受信の途中で切れました。(%2)")
            .arg(e.name, causeText(e));
    case K::LineTooLong:
        return QStringLiteral("サーバーから長すぎる行（%1 バイト超）が届いたため、接続を終えました。")
            .arg(e.bytes);
    case K::Cancelled:
        return QStringLiteral("サーバー「%1」とのやり取りを中止しました。").arg(e.name);
    case K::NoTlsLibrary:
        return QStringLiteral("暗号化 (TLS) が使えません。OpenSSL が見つかりません。");
    case K::Tls:
        return QStringLiteral("サーバー「%1」と暗号化 (TLS) の通信を始められませんでした。(%2)")
            .arg(e.name, e.detail);
    case K::StlsRefused:
        return QStringLiteral("サーバー「%1」が暗号化 (TLS) を始めませんでした: %2").arg(e.name, e.detail);
    case K::StartTlsRefused:
        return QStringLiteral("サーバー「%1」は暗号化 (STARTTLS) を申し出ながら始めませんでした。(%2)")
            .arg(e.name, e.detail);
    case K::TlsWithdrawn:
        return QStringLiteral(
                   "サーバー「%1」は以前は暗号化 (TLS) に対応していましたが、今回は対応していません。"
                   "通信が途中で書き換えられている（攻撃を受けている）おそれがあるため、"
                   "パスワードを送らずに接続を終えました。")
            .arg(e.name);
    case K::ClearLoginDeclined:
        return QStringLiteral(
                   "サーバー「%1」は暗号化に対応していないため、パスワードを送らずに接続を終えました。")
            .arg(e.name);
    case K::TlsRecordNotKept:
        return QStringLiteral("サーバーの暗号化の記録を「%1」に書き込めませんでした。(%2)")
            .arg(e.path, e.detail);
    case K::Certificate:
        return certificateText(e);
    case K::CertificateNotKept:
        return QStringLiteral("信頼する証明書を「%1」に書き込めませんでした。(%2)").arg(e.path, e.detail);
    case K::ApopUnsupported:
        return QStringLiteral("このPOP3サーバーはAPOPに対応していません（挨拶にタイムスタンプがありません）。"
                              "APOPを使わない設定にしてください。");
    case K::TokenNeedsTls:
        return QStringLiteral("サーバー「%1」は暗号化 (TLS) に対応していないため、"
                              "サインイン (OAuth2) の情報を送らずに接続を終えました。")
            .arg(e.name);
    case K::NoTokenLogin:
        return QStringLiteral("%1サーバー「%2」はサインイン (OAuth2) によるログイン"
                              " (OAUTHBEARER, XOAUTH2) に対応していません。")
            .arg(e.detail, e.name);
    case K::TokenRefused:
        return QStringLiteral("サーバー「%1」がサインイン (OAuth2) のトークンを受け付けませんでした: %2\n")
                   .arg(e.name, e.detail) +
               kSignInAgain;
    case K::NotSignedIn:
        return QStringLiteral(
            "サインインの情報がありません。「ID/PASS」の画面の「OAuth2...」からサインインしてください。");
    case K::SignInExpired:
        return causeText(e) + QStringLiteral("\nサインインの期限が切れたか、取り消されました。") +
               kSignInAgain;
    case K::NoSignInAddress:
        return QStringLiteral("サインインするメールアドレスを入力してください。");
    case K::CustomProviderIncomplete:
        return QStringLiteral("認可 URL、トークン URL、クライアント ID を入力してください。");
    case K::UnknownProvider:
        return QStringLiteral("プロバイダー「%1」は登録されていません。").arg(e.name);
    case K::NoClientId:
        return QStringLiteral("%1 に登録した OAuth クライアント ID がありません。\n"
                              "アプリケーションフォルダーの %2 に\n[%3]\nclient_id=（登録した ID）\n"
                              "と書いてください。登録のしかたは README の「Gmail と Microsoft "
                              "でサインインする」にあります。")
            .arg(e.name, e.path, e.detail);
    case K::SignInCancelled:
        return QStringLiteral("サインインを中止しました。");
    case K::SignInTimedOut:
        return QStringLiteral("%1 分待ちましたが、ブラウザでのサインインが終わりませんでした。"
                              "もう一度「ブラウザでサインイン」を押してください。")
            .arg(e.number);
    case K::SignInDenied:
        return QStringLiteral("ブラウザでサインインが取り消されました（アクセスが許可されませんでした）。");
    case K::SignInIncomplete:
        return QStringLiteral("ブラウザでのサインインが完了しませんでした: %1")
            .arg(e.detail.isEmpty() ? QStringLiteral("code がありません") : e.detail);
    case K::NoRefreshToken:
        return QStringLiteral("認証サーバーがリフレッシュトークンを発行しませんでした。"
                              "アクセスの許可 (オフラインアクセス) を確かめてください。");
    case K::RedirectNotOpened:
        return QStringLiteral("サインインの応答を受け取るポートを開けませんでした。(%1)").arg(e.detail);
    case K::TokenServerNotHttps:
        return QStringLiteral("認証サーバーの URL「%1」は https:// で始まっていなければなりません。")
            .arg(e.name);
    case K::TokenServerUnreachable:
        return QStringLiteral("認証サーバー (%1) と通信できませんでした。ネットワークを確かめて、"
                              "もう一度お試しください。\n%2")
            .arg(e.name, causeText(e));
    case K::NoAccessToken:
        return QStringLiteral("認証サーバーの応答にアクセストークンがありません。");
    case K::TokenNotIssued:
        return QStringLiteral("認証サーバーがトークンを発行しませんでした: %1").arg(e.detail);
    case K::TokenServerBusy:
        return QStringLiteral("認証サーバーが一時的にトークンを発行できませんでした (HTTP %1%2)。"
                              "時間をおいてもう一度お試しください。")
            .arg(message, e.detail.isEmpty() ? QString() : QStringLiteral(": ") + e.detail);
    case K::TokenServerUnreadable:
        return QStringLiteral(
                   "認証サーバーの応答が読めません (HTTP %1)。時間をおいてもう一度お試しください。")
            .arg(e.number);
    case K::Login:
    case K::Refused:
        return e.detail;
    case K::Protocol:
        return QStringLiteral("POP3サーバーの応答が読めません: %1").arg(e.detail);
    case K::NotSmtp:
        return QStringLiteral("SMTPサーバーの応答が読めません: %1").arg(e.detail);
    case K::NotConnected:
        return QStringLiteral("POP3サーバーに接続していません。");
    case K::ListMismatch:
        return QStringLiteral("POP3サーバーのメッセージ一覧 (LIST) がメッセージ数 (STAT) と合いません。"
                              "メールはサーバーに残してあります。");
    case K::NotOnServer:
        return QStringLiteral("メッセージ %1 はサーバーにありません。").arg(message);
    case K::TooLarge:
        return QStringLiteral(
                   "メッセージ %1 は大きすぎるため受信できません（%2 バイト）。サーバーに残します。")
            .arg(message, QString::number(e.bytes));
    case K::ReplyTooLarge:
        return QStringLiteral("大きすぎるため受信できません（%1 バイトを超えています）。").arg(e.bytes);
    case K::NotReceived:
        if (e.cause)
            return QStringLiteral("メッセージ %1 を受信できませんでした。%2").arg(message, causeText(e));
        return QStringLiteral("メッセージ %1 を受信できませんでした: %2").arg(message, e.detail);
    case K::NotDeleted:
        return QStringLiteral("メッセージ %1 を削除できませんでした: %2").arg(message, e.detail);
    case K::NoRecipient:
        return QStringLiteral("宛先がありません。");
    case K::BadRecipient:
        return QStringLiteral("宛先「%1」が正しくありません。").arg(e.name);
    case K::BadSender:
        return QStringLiteral("差出人のアドレス「%1」が正しくありません。").arg(e.name);
    case K::TooLargeForServer:
        return QStringLiteral("メールが大きすぎるため送信できません（%1 バイト、サーバーが受け付けるのは %2 "
                              "バイトまでです）。添付ファイルを減らして下さい。")
            .arg(e.bytes)
            .arg(e.number);
    case K::AttachmentUnreadable:
        return QStringLiteral("添付ファイル「%1」を読み込めません。ファイルがあるか確かめて下さい。")
            .arg(e.name);
    case K::NotSent:
        return QStringLiteral("%1 へ送信できませんでした。\n%2").arg(e.name, causeText(e));
    case K::NoAddressRecord:
        return QStringLiteral("アドレス帳に%1件目のデータがありません。").arg(message);
    case K::FileNotOpened:
        return fileText(QStringLiteral("ファイルを開けません"), e);
    case K::FileNotExamined:
        return fileText(QStringLiteral("ファイルを調べられません"), e);
    case K::FileNotRead:
        return fileText(QStringLiteral("ファイルを読めません"), e);
    case K::FileNotWritten:
        return fileText(QStringLiteral("ファイルに書き込めません"), e);
    case K::FileNotResized:
        return fileText(QStringLiteral("ファイルの大きさを変えられません"), e);
    case K::FileNotSynced:
        return fileText(QStringLiteral("ファイルをディスクに書き出せません"), e);
    case K::FileNotClosed:
        return fileText(QStringLiteral("ファイルを閉じられません"), e);
    case K::FileNotCreated:
        return fileText(QStringLiteral("ファイルを作成できません"), e);
    case K::FileNotRemoved:
        return fileText(QStringLiteral("ファイルを削除できません"), e);
    case K::FileNotRenamed:
        return fileText(QStringLiteral("ファイルの名前を変えられません"), e);
    case K::FileShrank:
        return QStringLiteral("「%1」が読み取りの途中で短くなりました。").arg(e.path);
    case K::NotAFile:
        return QStringLiteral("「%1」はファイルではないため、読み書きできません。").arg(e.path);
    case K::FolderNotCreated: {
        const QString why = whyText(e);
        const QString text = QStringLiteral("フォルダ「%1」を作成できません").arg(e.path);
        return why.isEmpty() ? text : text + QStringLiteral(": ") + why;
    }
    case K::FolderNotOpened:
        return QStringLiteral("フォルダ「%1」を開けません: %2").arg(e.path, whyText(e));
    case K::TooManyRecords:
        return QStringLiteral("記録できる件数（%1件）を超えるため、書き込めません。").arg(message);
    case K::RecordNotFound:
        return QStringLiteral("指定されたデータが見つかりません。");
    case K::WorkingFileUnchecked:
        return QStringLiteral("削除の途中で残った作業ファイル「%1」を「%2」と照らし合わせられないため、"
                              "どちらのファイルもそのまま残しました。\n%3")
            .arg(e.path, e.name, causeText(e));
    case K::AttachmentNotWritten:
        return (e.systemError == EEXIST
                    ? QStringLiteral(
                          "添付ファイル「%1」を書き込めません（同じ名前のファイルが多すぎます）: %2")
                    : QStringLiteral("添付ファイル「%1」を書き込めません: %2"))
            .arg(e.name, SystemErrorText(e.systemError));
    case K::FolderNotSynced:
        return QStringLiteral("フォルダをディスクに書き出せません (%1)").arg(e.path);
    case K::LogChanged:
        return QStringLiteral("受信の記録が途中で変わりました (%1)").arg(e.path);
    case K::LoginFailed:
        // The server's words end at a NUL, as it would end them.
        return CutAtNul(causeText(e));
    case K::InAccount:
        return QStringLiteral("アカウント「%1」: %2").arg(e.name, causeText(e));
    case K::AccountIncomplete:
        return QStringLiteral(
                   "アカウント「%1」はサーバーかログインが設定されていないため、受信しませんでした。")
            .arg(e.name);
    case K::LogUnreadable:
        return QStringLiteral("受信の記録を読めませんでした。メールはサーバーに残してあります。\n") +
               causeText(e);
    case K::NotVerified:
        return QStringLiteral("受信したメールを確かめられませんでした。このメールと以降のメールはサーバーに"
                              "残してあります。\n") +
               causeText(e);
    case K::NotStored:
        return QStringLiteral("メッセージ %1 を保存できませんでした。このメールと以降のメールはサーバーに"
                              "残してあります。\n件名: %2\n差出人: %3\n%4")
            .arg(message, e.subject, e.sender, causeText(e));
    case K::NotSynced:
        return QStringLiteral(
                   "受信したメールをディスクに書き出せませんでした。メールはサーバーに残してあります。\n") +
               causeText(e);
    case K::FolderUnusable:
        return withMail(QStringLiteral("フォルダを作成できませんでした"), e);
    case K::PartsMissing:
        return withMail(QStringLiteral("分割されたメールが全て揃っていません"), e);
    case K::SettingsNotWritten:
        return QStringLiteral("設定ファイル「%1」に書き込めません。").arg(e.path);
    case K::SignInNotKept:
        return QStringLiteral("サインインの情報を「%1」に書き込めませんでした。(%2)").arg(e.path, whyText(e));
    case K::SignInNotRemoved:
        return QStringLiteral("サインインの情報「%1」を削除できませんでした。").arg(e.path);
    case K::AccountsUnreadable:
        return QStringLiteral("アカウントの一覧「%1」を読めません。2 番目からのアカウントは使えません。")
            .arg(e.path);
    case K::SettingWithLineBreak:
        return QStringLiteral("設定の値に改行は使えません。");
    case K::TooManyAccounts:
        return QStringLiteral("アカウントは %1 個までです。").arg(e.number);
    case K::NoSuchAccount:
        return QStringLiteral("そのアカウントはもうありません。");
    case K::NoKeyring:
        return QStringLiteral("デスクトップのキーリング (GNOME キーリング、KWallet) が動いていません。");
    case K::KeyringRefused:
        return QStringLiteral("デスクトップのキーリングが断りました: %1").arg(e.detail);
    case K::KeyringTimedOut:
        return QStringLiteral("デスクトップのキーリングが %1 秒待っても答えません。").arg(e.number);
    case K::SearchIndexUnusable:
        return QStringLiteral("検索用の索引を使えません: %1").arg(e.detail);
    case K::NoSearchIndex:
        return QStringLiteral("検索用の索引がありません。");
    case K::SearchIndexOtherFormat:
        return QStringLiteral("検索用の索引の形式が違います。");
    case K::IndexingStopped:
        return QStringLiteral("索引の作成を中断しました。");
    case K::RecordsChanged:
        return QStringLiteral("記録ファイルが読み込み中に変わりました。");
    case K::FactsUnusable:
        return QStringLiteral("メールの付帯情報「%1」を使えません: %2").arg(e.path, e.detail);
    case K::NoSuchRecord:
        return QStringLiteral("%1 件目のメールはありません。").arg(e.count);
    case K::ExportStopped:
        return QStringLiteral("書き出しを中断しました。");
    case K::SourceChanged:
        return QStringLiteral("「%1」が取り込みの途中で変わりました。").arg(e.path);
    case K::NotAnMbox:
        return QStringLiteral("「%1」は mbox ファイルではありません。").arg(e.path);
    case K::NoSuchFolder:
        return QStringLiteral("フォルダ「%1」がありません。").arg(e.path);
    case K::NotAMaildir:
        return QStringLiteral("「%1」は Maildir ではありません（cur と new がありません）。").arg(e.path);
    case K::AddressNotInFile:
        return QStringLiteral("選択された行のデータがアドレス帳のファイルにありません。一覧を読み直します。");
    case K::AddressTooLong:
        return QStringLiteral("メールアドレス欄には%1文字までしか入りません（%2文字あります）。")
            .arg(message, QString::number(e.count));
    case K::NoAddressTyped:
        return QStringLiteral("メールアドレスが入力されていません");
    case K::NoCardName:
        return QStringLiteral("名詞が入力されていません");
    case K::CsvEmpty:
        return QStringLiteral("CSVファイルが空です。");
    case K::CsvWithoutAddress:
        return QStringLiteral("CSVファイルの見出し行にメールアドレスの列がありません。");
    case K::SubjectWithSlash:
        return QStringLiteral("件名に「/」が含まれているため、ファイル名にできません。保存しませんでした。");
    case K::SubjectTooLong:
        return QStringLiteral("件名が長すぎるため、ファイル名にできません。保存しませんでした。");
    case K::PageViewMissing:
        return QStringLiteral("HTMLメールを表示する部品が見つかりません。\n%1").arg(e.path);
    case K::PageViewNotLoaded:
        return QStringLiteral("HTMLメールを表示する部品を読み込めませんでした。\n%1\n%2")
            .arg(e.path, e.detail);
    }
    return e.detail;
}

QString QuestionText(const Error& problem) {
    switch (problem.kind) {
    case K::Certificate:
        return certificateText(problem) +
               QStringLiteral("\n\nこの証明書をこのサーバーの証明書として今後も信頼しますか？");
    case K::ClearLoginDeclined:
        return QStringLiteral("サーバー「%1」は暗号化に対応していません。"
                              "パスワードが暗号化されずに送られます。続けますか？")
            .arg(problem.name);
    default:
        return ErrorText(problem);
    }
}
