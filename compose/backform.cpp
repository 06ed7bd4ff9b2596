#include "compose/backform.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

#include "compose/replybody.h"
#include "text/text.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/named.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"
#include "ui/usertransport.h"

namespace {

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Twips::rect(left, top, width, height));
}

void resizeTwips(QWidget* w, int width, int height) {
    w->resize(Twips::toPixels(width), Twips::toPixels(height));
}

void moveLeftTwips(QWidget* w, int left) {
    w->move(Twips::toPixels(left), w->y());
}

} // namespace

BackForm::BackForm(AppContext& context) : context_(context) {
    setObjectName(QStringLiteral("BackForm"));
    setWindowTitle(QStringLiteral("返事を出す"));
    resize(Twips::toPixels(kOpenWidth), Twips::toPixels(kOpenHeight));

    Command2 = Named(new QPushButton(QStringLiteral("送信"), this), "Command2");
    place(Command2, 120, 60, 1000, 345);
    Command3 = Named(new QPushButton(QStringLiteral("送信中止"), this), "Command3");
    place(Command3, 1140, 60, 1000, 345);
    Command4 = Named(new QPushButton(QStringLiteral("本文に貼付"), this), "Command4");
    place(Command4, 2160, 60, 1000, 345);

    const char* rowNames[4] = {"Label2_0", "Label2_1", nullptr, "Label2_3"};
    const QString rowCaptions[4] = {
        QStringLiteral("題名"), QStringLiteral("添付File"), {}, QStringLiteral("宛先")};
    const int rowTops[4] = {780, 1080, 0, 480};
    for (int i : {3, 0, 1}) {
        Label2[i] = Named(new QLabel(rowCaptions[i], this), rowNames[i]);
        place(Label2[i], 120, rowTops[i] + 30, 960, 255);
    }
    ToText = Named(new QLineEdit(this), "ToText");
    place(ToText, 1140, 480, 5180, 285);
    SubjectText = Named(new QLineEdit(this), "SubjectText");
    place(SubjectText, 1140, 780, 5180, 285);
    AttachText = Named(new QLineEdit(this), "AttachText");
    place(AttachText, 1140, 1080, 2800, 285);
    AttachCommand = Named(new QPushButton(QStringLiteral("添付"), this), "AttachCommand");
    place(AttachCommand, 4040, 1080, 780, 285);
    Command9 = Named(new QPushButton(QStringLiteral("追加"), this), "Command9");
    place(Command9, 4860, 1080, 840, 285);
    Command10 = Named(new QPushButton(QStringLiteral("取り消し"), this), "Command10");
    place(Command10, 5740, 1080, 900, 285);

    BodyText = Named(new QTextEdit(this), "BodyText");
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    BodyText->setFont(font);
    place(BodyText, 30, 1440, 7300, 5600);
    List2 = Named(new QListWidget(this), "List2"); // over the body while attachments are added
    place(List2, 1140, 1380, 2800, 900);
    attachmentRow_ = {AttachCommand, Command9, Command10, AttachText, List2};
    sendLock_ =
        SendLock({ToText, SubjectText, AttachText, BodyText}, {Command4, AttachCommand, Command9, Command10});

    connect(Command2, &QPushButton::clicked, this, &BackForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &BackForm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &BackForm::Command4_Click);
    connect(AttachCommand, &QPushButton::clicked, this, &BackForm::AttachCommand_Click);
    connect(Command9, &QPushButton::clicked, this, &BackForm::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &BackForm::Command10_Click);
    Form_Load();
}

// A send cannot be interrupted; the worker waits for its end.
BackForm::~BackForm() = default;

void BackForm::Form_Load() {
    resizeTwips(AttachText, 2800, Twips::fromPixels(AttachText->height()));
    List2->hide();
}

void BackForm::Form_Resize() {
    // The factors are taken on the outer size, frame and title bar included.
    const int W = Twips::fromPixels(frameGeometry().width());
    const int H = Twips::fromPixels(frameGeometry().height());
    const auto heightOf = [](const QWidget* w) { return Twips::fromPixels(w->height()); };
    resizeTwips(BodyText, int(0.99 * W), int(0.74 * H));
    for (QLineEdit* line : {ToText, SubjectText})
        resizeTwips(line, int(0.7 * W), heightOf(line));
    resizeTwips(AttachText, int(0.4 * W), heightOf(AttachText));
    const int attachWidth = Twips::fromPixels(AttachText->width());
    moveLeftTwips(AttachCommand, attachWidth + 1240);
    moveLeftTwips(Command9, attachWidth + 2060);
    moveLeftTwips(Command10, attachWidth + 2940);
    List2->resize(AttachText->width(), List2->height());
}

void BackForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void BackForm::Form_Unload() {
    BodyText->clear();
}

void BackForm::closeEvent(QCloseEvent* event) {
    if (sending()) { // the reply is on its way and cannot be called back
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

bool BackForm::fill(const QString& subject, const QString& to, const QString& body) {
    if (sending()) {
        // Success closes the window: a new answer put in now would be lost.
        context_.prompter->message(
            this,
            QStringLiteral("返事を送信中です。送信が終わってから、もう一度「返事を書く」を押して下さい。"),
            windowTitle(), Prompter::Icon::Information);
        return false;
    }
    SubjectText->setText(subject);
    ToText->setText(to);
    BodyText->setPlainText(body);
    answeredBody_ = body;
    return true;
}

void BackForm::Command4_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    BodyText->setPlainText(ReplyBody::pasted(clipboard->text(), answeredBody_));
    // The clipboard is left holding the new body, to be pasted elsewhere.
    clipboard->setText(BodyText->toPlainText());
}

void BackForm::AttachCommand_Click() {
    attachmentRow_.choose(this, *context_.prompter);
}

void BackForm::Command9_Click() {
    attachmentRow_.add(this, *context_.prompter);
}

void BackForm::Command10_Click() {
    attachmentRow_.drop();
}

void BackForm::Command3_Click() {
    close();
}

void BackForm::Command2_Click() {
    if (sending())
        return;
    SendRequest request;
    request.toText = ToText->text();
    request.subject = SubjectText->text();
    request.body = ToCrLf(BodyText->toPlainText()); // the box's paragraphs are lines ended by CR LF
    request.attachText = AttachText->text();
    request.smtpServer = context_.settings.servers.SmtpServer;
    request.sender = context_.settings.servers.MailAddress;
    request.keepSentRecord = false;
    Command2->setEnabled(false);
    sendLock_.lock();
    auto report = std::make_shared<SendReport>();
    sending_.start([send = MailSend(context_.paths, std::make_shared<SmtpSender>(UserSmtpSender(context_))),
                    request = request, report](BackgroundTask::Job&) { *report = send.run(request); },
                   [this, report] { showSendReport(*report); });
}

void BackForm::showSendReport(const SendReport& report) {
    Command2->setEnabled(true);
    sendLock_.unlock();
    for (const Error& error : report.errors())
        context_.prompter->message(this, ErrorText(error), SendErrorTitle());
    // A reply that did not go out stays here with everything typed.
    if (report.allSent())
        close();
    Q_EMIT sendFinished();
}
