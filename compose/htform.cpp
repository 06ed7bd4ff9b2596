#include "compose/htform.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include "compose/writeform.h"

const QString HTForm::kSupportAddress = QStringLiteral("Fennick サポート <support@fennick.example>");

namespace {

const QString kHelpLines[25] = {
    QStringLiteral("【HTMLで差をつけよう！】"),
    QString(),
    QStringLiteral("●何が出来る？"),
    QStringLiteral("　ホームページと同様の画面で送受信が出来ます。静止画像、動画、BGM他も当然扱えます。"),
    QStringLiteral("●上手に使う"),
    QStringLiteral("　htmは必ず「index.htm」※（重要）として下さい。"),
    QStringLiteral(
        "　画像ファイル等を先にドロップさせ、index.htmを最後に入れると表示確認がしやすくなります。"),
    QStringLiteral("①まず準備する事・・・"),
    QStringLiteral("　通常あなたが使用しているHP作成ツールで書式を作成。例：ホームページビルダーなど（何でも"
                   "構いません）"),
    QString(),
    QStringLiteral("　「htm」ファイル、画像ファイルなどは、同一のフォルダに入れ作成した方が後が楽です。"),
    QStringLiteral(
        "　サイズに指定はありませんが、相手が見やすいサイズを心がけましょう。（ホームページビルダー等なら、フ"
        "レームでサイズ指定すれば簡単です）"),
    QStringLiteral("　送信できるファイル数はindex.htmを含め１０個迄です。"),
    QStringLiteral("　"),
    QStringLiteral("②HTML形式でのファイルが揃ったら・・・"),
    QStringLiteral("　本画面の「HTML形式」ボタンをクリック。右の欄に「HTML形式/送信」の文字が表示されます。"),
    QStringLiteral(
        "　「HTML形式/送信」と書かれた欄に、先ほど作成したファイルをエクスプローラからドラッグ＆ドロップしま"
        "す。本画面の下欄（body/本文）にイメージ画像が表示されます。"),
    QStringLiteral(
        "　本画面のサイズが自動的に拡張されます。そしてドラッグ＆ドロップしたファイルの一覧が表示されます。"),
    QString(),
    QStringLiteral("※こんな時"),
    QStringLiteral(
        "　「HTML形式」での作業中、アドレス帳が隠れてしまった時。→「TEXT形式」をクリックさせると前面に表示さ"
        "れます。アドレスを一発入力した後、もう一度「HTML形式」をクリックして下さい。"),
    QStringLiteral("　「HTML形式」での一括送信が出来ない。→現在は使用出来ないように設定しています。"),
    QStringLiteral("■注意"),
    QStringLiteral(
        "　「HTML形式」での送受信は、本ソフト同士でなければ出来ません。通常のテキスト形式なら通常のメーラー同"
        "様、他のメーラーとの送受信が可能です。"),
    QStringLiteral(
        "　「HTML形式」での受信は、セキュリティ目的で、本ソフトにパスワードを組み込み、本ソフト以外のウイルス"
        "を含む可能性のあるメールはhtmと認識させないようにしています。"),
};

// The text is drawn 30 twips wider than the window; the button sits on the status bar.
constexpr ControlRow kControls[] = {
    Row<&HTForm::Text1>("Text1", {0, 0, 10335, 6255}).reachesPastEdge(),
    Row<&HTForm::Command1>("Command1", {1560, 6360, 2295, 300}, u"レスキュー（ホットライン）")
        .over("StatusBar1"),
    Row<&HTForm::StatusBar1>("StatusBar1", {0, 6420, 10305, 255}).atFoot(),
};

constexpr WindowDesign kDesign{.name = "HTForm",
                               .title = u"HTML送信の手順",
                               .width = 10305,
                               .height = 6675,
                               .fixedSize = false,
                               .rows = kControls};

} // namespace

HTForm::HTForm(std::function<WriteForm*()> showCompose)
    : DesignedWindow(kDesign), showCompose_(std::move(showCompose)) {
    build();
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setStyleSheet(QStringLiteral("background: rgb(255,224,192);"));
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(9.75);
    Text1->setFont(font);
    Command1->setStyleSheet(QStringLiteral("background: rgb(192,192,192);"));
    StatusBar1->setSizeGripEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &HTForm::Command1_Click);
    Form_Load();
}

void HTForm::Form_Load() {
    QStringList lines;
    for (const QString& line : kHelpLines)
        lines << line;
    Text1->setPlainText(lines.join(QStringLiteral("\r\n")));
}

void HTForm::Form_Resize() {
    resizeTwips(Text1, int(0.99 * outerWidthTwips()), int(0.87 * outerHeightTwips()));
    setTopTwips(Command1, heightTwips(Text1) + 170);
}

void HTForm::Command1_Click() {
    WriteForm* compose = showCompose_();
    if (!compose || compose->sending()) // its fields are those of the mail on its way
        return;
    compose->ToText->setText(kSupportAddress);
    compose->SubjectText->setText(QStringLiteral("使用方法での質問です。"));
    compose->BodyText->setPlainText(
        QStringLiteral("「Fennick」の使用で分からない点があります。以下がその内容です。") +
        QStringLiteral("\r\n\r\n    ") + QString(49, u'*'));
    compose->BodyText->setFocus();
}
