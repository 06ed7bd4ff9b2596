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
#include "search/unreadmarks.h"
#include "ui/appcontext.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"

namespace {

// The help line first, then the menu labels, whose captions begin with
// ideographic spaces, as drawn.
constexpr ControlRow kControls[] = {
    Row<&MainForm::Label, 9>("Label9", {120, 120, 5295, 975}),
    Row<&MainForm::Label, 1>("Label1", {3720, 1240, 1215, 255}, u"　　新規作成",
                             u"メールの新規作成・送信を行います。「HTML」、「TEXT」の送信が行えます。"
                             u"使用方法は「新規作成」画面でのHELPをご覧下さい。"),
    Row<&MainForm::Label, 2>("Label2", {3720, 1720, 1215, 255}, u"　　受　　　信",
                             u"新着メールの受信を行います。"),
    Row<&MainForm::Label, 3>("Label3", {3720, 2160, 1215, 255}, u"　　着信履歴",
                             u"受信したメールデータを見ます。「HTML」、「TEXT」"),
    Row<&MainForm::Label, 4>("Label4", {3720, 2620, 1215, 255}, u"　　送信履歴",
                             u"送信したメールデータを見ます。送信したかな？　と言う時にご覧下さい。"),
    Row<&MainForm::Label, 5>("Label5", {3720, 3060, 1215, 255}, u"　　アドレス帳",
                             u"アドレス帳への登録を行います。これにより頻度の高いメールの送信の際に"
                             u"アドレス一発入力が可能となります。"),
    Row<&MainForm::Label, 6>("Label6", {3720, 3520, 1215, 255}, u"　　設　　　定",
                             u"ID,PASS,サーバーの設定を行います。これを行わないと、通信エラーとなります。"),
    Row<&MainForm::Label, 7>("Label7", {3720, 3960, 1215, 255}, u"　　　Small", u"画面の最小化を行います。"),
    Row<&MainForm::Label, 8>("Label8", {3720, 4440, 1215, 255}, u"　　HomePage",
                             u"ミルテ工房、作者のホームページです。取り扱い等の情報が得られます。"),
    Row<&MainForm::UnreadLabel>("UnreadLabel", {600, 2880, 2535, 270}),
    Row<&MainForm::Text1>("Text1", {600, 3240, 2535, 270}),
    Row<&MainForm::ProgressLabel>("ProgressLabel", {3150, 3240, 555, 270}),
    Row<&MainForm::Text2>("Text2", {600, 3600, 2535, 270}),
    Row<&MainForm::Label, 10>("Label10", {960, 4440, 1935, 375}, u"Fennick"),
    // A strip of decoration along the foot, drawn a little wider and lower than the window.
    Row<&MainForm::Picture2>("Picture2", {0, 5280, 5535, 1095}).reachesPastEdge(),
};

constexpr WindowDesign kDesign{.name = "MainForm",
                               .title = u"Fennick Ver 1.0",
                               .width = 5475,
                               .height = 6330,
                               .fixedSize = true,
                               .rows = kControls,
                               .helpBox = "Label9",
                               .surfaceHidesHelp = true};

QString clockText(const QDateTime& now) {
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    return locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
           locale.toString(now.time(), timeFormat.trimmed());
}

} // namespace

MainForm::MainForm(AppContext& context, AppWindows& windows)
    : DesignedWindow(kDesign), context_(context), windows_(windows) {
    build();
    setAutoFillBackground(true);
    Label[9]->setWordWrap(true);
    Label[9]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int i = 1; i <= 8; ++i) {
        QLabel* label = Label[i];
        label->setCursor(Qt::PointingHandCursor);
        // Seven full-width characters must fit the design width of 1215 twips.
        QFont menuFont = label->font();
        menuFont.setPixelSize(std::max(8, Twips::toPixels(1215) / 7 - 1));
        label->setFont(menuFont);
        label->setStyleSheet(QStringLiteral("color: #1c3f66;"));
    }
    Text1->setReadOnly(true);
    ProgressLabel->setAlignment(Qt::AlignCenter);
    Text2->setReadOnly(true);
    QFont name;
    // Book Antiqua where it is installed, else the closest serif face.
    name.setFamilies({QStringLiteral("Book Antiqua"), QStringLiteral("Palatino Linotype"),
                      QStringLiteral("P052"), QStringLiteral("URW Palladio L"),
                      QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    name.setPointSize(16);
    name.setItalic(true);
    Label[10]->setFont(name);
    Picture2->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #2e5a88, stop:1 #9cc3e6);"));

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &MainForm::Timer2_Timer);
    Timer2_Timer();
    windows_.unreadCount = [this](int unread) { showUnread(unread); };
    showUnread(UnreadMarks::receivedCount(context_.paths));
}

void MainForm::runClockWhileSeen() {
    if (isVisible() && !isMinimized()) {
        if (!Timer2->isActive()) {
            Timer2_Timer();
            Timer2->start();
        }
    } else
        Timer2->stop();
}

void MainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        runClockWhileSeen();
    DesignedWindow::changeEvent(event);
}

void MainForm::showEvent(QShowEvent* event) {
    DesignedWindow::showEvent(event);
    runClockWhileSeen();
}

void MainForm::hideEvent(QHideEvent* event) {
    DesignedWindow::hideEvent(event);
    runClockWhileSeen();
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
    showHelpOf(Label[index]);
}

void MainForm::Form_MouseMove() {
    hideHelp();
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

void MainForm::showUnread(int count) {
    UnreadLabel->setText(UnreadStatusText(count));
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    using Handler = void (MainForm::*)();
    static constexpr Handler clicks[8] = {
        &MainForm::Label1_Click, &MainForm::Label2_Click, &MainForm::Label3_Click, &MainForm::Label4_Click,
        &MainForm::Label5_Click, &MainForm::Label6_Click, &MainForm::Label7_Click, &MainForm::Label8_Click};
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        for (int i = 1; i <= 8; ++i)
            if (watched == Label[i]) {
                (this->*clicks[i - 1])();
                return true;
            }
    return DesignedWindow::eventFilter(watched, event);
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (keepRunning && keepRunning()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    quit();
}

void MainForm::quit() {
    // Closing the main window ends the program at once; the other windows
    // go with it and ask nothing.
    windows_.closeAll();
    hide();
    QApplication::quit();
}
