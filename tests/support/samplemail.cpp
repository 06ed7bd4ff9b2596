#include "tests/support/samplemail.h"

#include <QFile>
#include <random>

namespace {

QString pick(std::mt19937& random, const QStringList& from) {
    return from.at(int(random() % from.size()));
}

const QStringList& surnames() {
    static const QStringList list = {
        QStringLiteral("髙橋"), QStringLiteral("田中"), QStringLiteral("佐藤"), QStringLiteral("鈴木"),
        QStringLiteral("渡辺"), QStringLiteral("伊藤"), QStringLiteral("山本"), QStringLiteral("中村"),
        QStringLiteral("小林"), QStringLiteral("加藤"), QStringLiteral("吉田"), QStringLiteral("山﨑"),
        QStringLiteral("斉藤"), QStringLiteral("松本"), QStringLiteral("井上"), QStringLiteral("木村")};
    return list;
}

const QStringList& romaji() {
    static const QStringList list = {
        QStringLiteral("takahashi"), QStringLiteral("tanaka"),    QStringLiteral("sato"),
        QStringLiteral("suzuki"),    QStringLiteral("watanabe"),  QStringLiteral("ito"),
        QStringLiteral("yamamoto"),  QStringLiteral("nakamura"),  QStringLiteral("kobayashi"),
        QStringLiteral("kato"),      QStringLiteral("yoshida"),   QStringLiteral("yamazaki"),
        QStringLiteral("saito"),     QStringLiteral("matsumoto"), QStringLiteral("inoue"),
        QStringLiteral("kimura")};
    return list;
}

const QStringList& companies() {
    static const QStringList list = {
        QStringLiteral("株式会社サンプル商事"),  QStringLiteral("ﾃｽﾄ工業株式会社"),
        QStringLiteral("有限会社みどり企画"),    QStringLiteral("ＡＢＣシステムズ"),
        QStringLiteral("Example Networks Inc."), QStringLiteral("東都ソリューションズ")};
    return list;
}

const QStringList& subjects() {
    static const QStringList list = {QStringLiteral("%1月分の請求書送付のご案内"),
                                     QStringLiteral("【至急】サーバーメンテナンスのお知らせ"),
                                     QStringLiteral("打ち合わせ日程調整のお願い"),
                                     QStringLiteral("Re: プロジェクト進捗報告（第%1週）"),
                                     QStringLiteral("ｾﾐﾅｰ開催のご案内"),
                                     QStringLiteral("Invoice #%1 for consulting"),
                                     QStringLiteral("ＦＷ：見積書の件"),
                                     QStringLiteral("%1/15〜%1/20 出張のご連絡"),
                                     QStringLiteral("会議室予約の確認"),
                                     QStringLiteral("新製品ﾊﾟﾝﾌﾚｯﾄ送付のお願い")};
    return list;
}

const QStringList& sentences() {
    static const QStringList list = {
        QStringLiteral("いつもお世話になっております。"),
        QStringLiteral("ご確認のほど、よろしくお願いいたします。"),
        QStringLiteral("添付の見積書をご査収ください。"),
        QStringLiteral("来週の会議は%1曜日の%2時からを予定しております。"),
        QStringLiteral("納期は%2月末〜翌月初旬を見込んでおります。"),
        QStringLiteral("ご不明な点がございましたら、お気軽にお問い合わせください。"),
        QStringLiteral("サーバーのメンテナンスは午前２時から午前５時まで行います。"),
        QStringLiteral("資料はＰＤＦ形式でお送りします。"),
        QStringLiteral("The meeting minutes are attached. Please review them by Friday."),
        QStringLiteral("ﾛｸﾞｲﾝ画面のﾃﾞｻﾞｲﾝを変更しました。"),
        QStringLiteral("単価は１２，０００円（税抜）です。"),
        QStringLiteral("品番ＡＢ−１２３の在庫がございません。"),
        QStringLiteral("> 先日のご提案の件、社内で検討いたしました。"),
        QStringLiteral("今後ともよろしくお願い申し上げます。"),
        QStringLiteral("打ち合わせ後、議事録を共有いたします。"),
        QStringLiteral("契約書の原本を郵送いたしました。"),
        QStringLiteral("詳細は下記URLをご参照ください。 https://example.jp/info"),
        QStringLiteral("お手数ですが、再度ご送付いただけますでしょうか。")};
    return list;
}

const QStringList& weekdays() {
    static const QStringList list = {QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
                                     QStringLiteral("木"), QStringLiteral("金")};
    return list;
}

} // namespace

namespace SampleMail {

MailRecord record(int i) {
    std::mt19937 random(quint32(i) * 2654435761u);
    const int who = int(random() % surnames().size());
    const QString company = pick(random, companies());
    const QString month = QString::number(1 + random() % 12);
    MailRecord r;
    r.subject = pick(random, subjects()).replace(QStringLiteral("%1"), month);
    r.party = QStringLiteral("%1 <%2@example.co.jp>").arg(surnames().at(who), romaji().at(who));
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri"};
    r.date = QStringLiteral("%1, %2 %3 2026 %4:%5:00 +0900")
                 .arg(QString::fromLatin1(days[random() % 5]))
                 .arg(1 + random() % 28)
                 .arg(QStringLiteral("Mar"))
                 .arg(8 + random() % 10, 2, 10, QLatin1Char('0'))
                 .arg(random() % 60, 2, 10, QLatin1Char('0'));
    QString body = QStringLiteral("%1様\r\n%2の%3です。\r\n\r\n")
                       .arg(pick(random, surnames()), company, surnames().at(who));
    const int count = 4 + int(random() % 30);
    for (int s = 0; s < count; ++s) {
        body += pick(random, sentences())
                    .replace(QStringLiteral("%1"), pick(random, weekdays()))
                    .replace(QStringLiteral("%2"), month);
        body += random() % 3 == 0 ? QStringLiteral("\r\n\r\n") : QStringLiteral("\r\n");
    }
    if (random() % 200 == 0)
        body += QStringLiteral("五十嵐様にもよろしくお伝えください。\r\n");
    body += QStringLiteral("案件A%1番").arg(i); // no line break after it, as typed mail often ends
    r.body = body;
    r.kind = random() % 15 == 0 ? MailRecord::kHtmlKind : MailRecord::kTextKind;
    r.live = 1;
    return r;
}

QList<MailRecord> history(int count) {
    QList<MailRecord> out;
    for (int i = 1; i <= count; ++i)
        out.append(record(i));
    return out;
}

void writeHistory(const QString& path, int count) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    for (int i = 1; i <= count; ++i)
        out.write(record(i).toBytes());
}

} // namespace SampleMail
