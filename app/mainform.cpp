#include "app/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

#include "app/appwindows.h"
#include "ui/appcontext.h"
#include "ui/prompter.h"
#include "ui/twips.h"

const QString MainForm::kCaptions[8] = {
    QStringLiteral("　　新規作成"), QStringLiteral("　　受　　　信"), QStringLiteral("　　着信履歴"),
    QStringLiteral("　　送信履歴"), QStringLiteral("　　アドレス帳"), QStringLiteral("　　設　　　定"),
    QStringLiteral("　　　Small"),  QStringLiteral("　　HomePage"),
};

const QString MainForm::kHelpTexts[8] = {
    QStringLiteral("メールの新規作成・送信を行います。「HTML」、「TEXT」の送信が行えます。使用方法は「新規作"
                   "成」画面でのHELPを"
                   "ご覧下さい。"),
    QStringLiteral("新着メールの受信を行います。"),
    QStringLiteral("受信したメールデータを見ます。「HTML」、「TEXT」"),
    QStringLiteral("送信したメールデータを見ます。送信したかな？　と言う時にご覧下さい。"),
    QStringLiteral("アドレス帳への登録を行います。これにより頻度の高いメールの送信の際にアドレス一発入力が可"
                   "能となります。"),
    QStringLiteral("ID,PASS,サーバーの設定を行います。これを行わないと、通信エラーとなります。"),
    QStringLiteral("画面の最小化を行います。"),
    QStringLiteral("ミルテ工房、作者のホームページです。取り扱い等の情報が得られます。"),
};

namespace {

constexpr int kMenuTops[8] = {1240, 1720, 2160, 2620, 3060, 3520, 3960, 4440};

QString clockText(const QDateTime& now) {
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    return locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
           locale.toString(now.time(), timeFormat.trimmed());
}

} // namespace

MainForm::MainForm(AppContext& context, AppWindows& windows) : context_(context), windows_(windows) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Fennick Ver 1.0"));
    setFixedSize(Twips::toPixels(5475), Twips::toPixels(6330));
    setMouseTracking(true);
    setAutoFillBackground(true);

    Label[9] = new QLabel(this);
    Label[9]->setObjectName(QStringLiteral("Label9"));
    Label[9]->setGeometry(Twips::rect(120, 120, 5295, 975));
    Label[9]->setWordWrap(true);
    Label[9]->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (int i = 1; i <= 8; ++i) {
        QLabel* label = new QLabel(kCaptions[i - 1], this);
        label->setObjectName(QStringLiteral("Label%1").arg(i));
        label->setGeometry(Twips::rect(3720, kMenuTops[i - 1], 1215, 255));
        label->setMouseTracking(true);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        // Seven full-width characters must fit the design width of 1215 twips.
        QFont menuFont = label->font();
        menuFont.setPixelSize(std::max(8, Twips::toPixels(1215) / 7 - 1));
        label->setFont(menuFont);
        label->setStyleSheet(QStringLiteral("color: #1c3f66;"));
        Label[i] = label;
    }

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Twips::rect(600, 3240, 2535, 270));
    Text1->setReadOnly(true);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setGeometry(Twips::rect(3150, 3240, 555, 270));
    ProgressLabel->setAlignment(Qt::AlignCenter);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(Twips::rect(600, 3600, 2535, 270));
    Text2->setReadOnly(true);

    Label[10] = new QLabel(QStringLiteral("Fennick"), this);
    Label[10]->setObjectName(QStringLiteral("Label10"));
    Label[10]->setGeometry(Twips::rect(960, 4440, 1935, 375));
    QFont name;
    // Book Antiqua where it is installed, else the closest serif face.
    name.setFamilies({QStringLiteral("Book Antiqua"), QStringLiteral("Palatino Linotype"),
                      QStringLiteral("P052"), QStringLiteral("URW Palladio L"),
                      QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    name.setPointSize(16);
    name.setItalic(true);
    Label[10]->setFont(name);

    Picture2 = new QLabel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(Twips::rect(0, 5280, 5535, 1095));
    Picture2->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #2e5a88, stop:1 #9cc3e6);"));

    // Over these the help line stays as it is.
    for (QWidget* w :
         {static_cast<QWidget*>(Label[9]), static_cast<QWidget*>(Label[10]), static_cast<QWidget*>(Picture2),
          static_cast<QWidget*>(Text1), static_cast<QWidget*>(Text2)})
        w->setAttribute(Qt::WA_NoMousePropagation);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &MainForm::Timer2_Timer);
    Timer2->start();
    Timer2_Timer();
}

void MainForm::Label1_Click() {
    windows_.openCompose();
}
void MainForm::Label2_Click() {
    if (onReceive)
        onReceive();
}
void MainForm::Label3_Click() {
    windows_.openHistory(HistoryMode::Received);
}
void MainForm::Label4_Click() {
    windows_.openHistory(HistoryMode::Sent);
}
void MainForm::Label5_Click() {
    windows_.openAddressBook();
}
void MainForm::Label6_Click() {
    windows_.openSettings();
}
void MainForm::Label7_Click() {
    showMinimized();
}

void MainForm::Label8_Click() {
    const QString page = context_.paths.join(QStringLiteral("homepage.htm"));
    if (!QFileInfo::exists(page) || !context_.openUrl || !context_.openUrl(QUrl::fromLocalFile(page)))
        context_.prompter->message(this, QStringLiteral("ホームページを開けませんでした。\n%1").arg(page),
                                   QStringLiteral("Fennick"), Prompter::Icon::Warning);
}

void MainForm::Label_MouseMove(int index) {
    Label[9]->setText(kHelpTexts[index - 1]);
    Label[9]->setVisible(true);
}

void MainForm::Form_MouseMove() {
    Label[9]->setVisible(false);
    Label[9]->clear();
}

void MainForm::Timer2_Timer() {
    Text2->setText(clockText(context_.now()));
}

void MainForm::showBusy(bool busy) {
    // The menu labels and the read-only boxes have a pointer of their own,
    // which would win over the window's.
    setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
    for (int i = 1; i <= 8; ++i)
        Label[i]->setCursor(busy ? Qt::WaitCursor : Qt::PointingHandCursor);
    for (QLineEdit* box : {Text1, Text2})
        box->setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
}

void MainForm::showProgress(int n, int count) {
    if (n <= 0 || count <= 0) {
        ProgressLabel->clear();
        return;
    }
    // The gap before the menu is narrow: a long count gets a smaller font,
    // and at the smallest loses its spaces.
    QFont font = ProgressLabel->font();
    QString text;
    for (const QString& form : {QStringLiteral("%1 / %2"), QStringLiteral("%1/%2")}) {
        text = form.arg(n).arg(count);
        font.setPixelSize(12);
        while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(text) > ProgressLabel->width())
            font.setPixelSize(font.pixelSize() - 1);
        if (QFontMetrics(font).horizontalAdvance(text) <= ProgressLabel->width())
            break;
    }
    ProgressLabel->setFont(font);
    ProgressLabel->setText(text);
}

void MainForm::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 1; i <= 8; ++i) {
        if (watched != Label[i])
            continue;
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            Label_MouseMove(i);
            return event->type() == QEvent::MouseMove; // keep it from reaching the surface
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            using Handler = void (MainForm::*)();
            static constexpr Handler clicks[8] = {&MainForm::Label1_Click, &MainForm::Label2_Click,
                                                  &MainForm::Label3_Click, &MainForm::Label4_Click,
                                                  &MainForm::Label5_Click, &MainForm::Label6_Click,
                                                  &MainForm::Label7_Click, &MainForm::Label8_Click};
            (this->*clicks[i - 1])();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program at once; the other windows
    // go with it and ask nothing.
    windows_.closeAll();
    event->accept();
    QApplication::quit();
}
