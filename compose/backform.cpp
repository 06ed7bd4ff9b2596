#include "compose/backform.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
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
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

// Where the body starts in the design, and again once a warning above it goes.
constexpr int kBodyTop = 1440;

constexpr ControlRow kControls[] = {
    Row<&BackForm::Command2>("Command2", {120, 60, 1000, 345}, u"送信"),
    Row<&BackForm::Command3>("Command3", {1140, 60, 1000, 345}, u"送信中止"),
    Row<&BackForm::Command4>("Command4", {2160, 60, 1000, 345}, u"本文に貼付"),
    // Shown with more than one account.
    Row<&BackForm::Label2, 2>("Label2_2", {3300, 120, 700, 255}, u"差出人"),
    Row<&BackForm::FromCombo>("FromCombo", {4040, 90, 2600, 285}),
    Row<&BackForm::Label2, 3>("Label2_3", {120, 510, 960, 255}, u"宛先"),
    Row<&BackForm::Label2, 0>("Label2_0", {120, 810, 960, 255}, u"題名"),
    Row<&BackForm::Label2, 1>("Label2_1", {120, 1110, 960, 255}, u"添付File"),
    Row<&BackForm::ToText>("ToText", {1140, 480, 5180, 285}),
    Row<&BackForm::SubjectText>("SubjectText", {1140, 780, 5180, 285}),
    Row<&BackForm::AttachText>("AttachText", {1140, 1080, 2800, 285}),
    Row<&BackForm::AttachCommand>("AttachCommand", {4040, 1080, 780, 285}, u"添付"),
    Row<&BackForm::Command9>("Command9", {4860, 1080, 840, 285}, u"追加"),
    Row<&BackForm::Command10>("Command10", {5740, 1080, 900, 285}, u"取り消し"),
    Row<&BackForm::BodyText>("BodyText", {30, 1440, 7300, 5600}),
    Row<&BackForm::VerdictBand>("VerdictBand", {30, 1440, 7300, 300}).over("BodyText"),
    // Over the body while attachments are added.
    Row<&BackForm::List2>("List2", {1140, 1380, 2800, 900}).over("BodyText VerdictBand"),
};

constexpr WindowDesign kDesign{.name = "BackForm",
                               .title = u"返事を出す",
                               .width = 7400,
                               .height = 7600,
                               .fixedSize = false,
                               .rows = kControls};

} // namespace

BackForm::BackForm(AppContext& context) : DesignedWindow(kDesign), context_(context) {
    build();
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    BodyText->setFont(font);
    attachmentRow_ = {AttachCommand, Command9, Command10, AttachText, List2};
    senderChoice_ = SenderChoice(Label2[2], FromCombo);
    sendLock_ = SendLock({ToText, SubjectText, AttachText, BodyText},
                         {FromCombo, Command4, AttachCommand, Command9, Command10});

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
    setWidthTwips(AttachText, 2800);
    List2->hide();
    VerdictBand->hide();
    senderChoice_.fill(context_);
}

// The factors are taken on the outer size, frame and title bar included.
void BackForm::Form_Resize() {
    const int W = outerWidthTwips();
    const int H = outerHeightTwips();
    resizeTwips(BodyText, int(0.99 * W), int(0.74 * H));
    setWidthTwips(VerdictBand, int(0.99 * W));
    if (!VerdictBand->isHidden()) // the body moves down under the warning
        placeTwips(BodyText, leftTwips(BodyText), kBodyTop + heightTwips(VerdictBand), widthTwips(BodyText),
                   heightTwips(BodyText) - heightTwips(VerdictBand));
    setWidthTwips(ToText, int(0.7 * W));
    setWidthTwips(SubjectText, int(0.7 * W));
    setWidthTwips(AttachText, int(0.4 * W));
    const int attachWidth = widthTwips(AttachText);
    setLeftTwips(AttachCommand, attachWidth + 1240);
    setLeftTwips(Command9, attachWidth + 2060);
    setLeftTwips(Command10, attachWidth + 2940);
    List2->resize(AttachText->width(), List2->height());
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

void BackForm::answerFrom(const QString& accountKey) {
    senderChoice_.choose(accountKey);
}

void BackForm::showWarning(const QString& text) {
    VerdictBand->setText(text);
    VerdictBand->setStyleSheet(QStringLiteral("background: #c00000; color: white; padding: 0 4px;"));
    VerdictBand->setHidden(text.isEmpty());
    setTopTwips(BodyText, kBodyTop);
    Form_Resize();
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
    request.keepSentRecord = false;
    Command2->setEnabled(false);
    sendLock_.lock();
    auto report = std::make_shared<SendReport>();
    sending_.start([send = senderChoice_.sendAs(context_), request,
                    report](BackgroundTask::Job&) { *report = send.run(request); },
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
