#include "compose/writeform.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "compose/attachmentlist.h"
#include "mime/htmlmailmarker.h"
#include "pageview/pageviewloader.h"
#include "pageview/pageviewplugin.h"
#include "text/text.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/footlabel.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"

const QString WriteForm::kGreetings[8] = {
    QStringLiteral("御社益々ご清祥の事とお慶び申し上げます。"),
    QStringLiteral("平素のご愛顧誠にありがとうございます。"),
    QStringLiteral("平素は格別のご愛顧を賜り深謝申し上げます。"),
    QStringLiteral("いつもお世話になっております。"),
    QStringLiteral("メールありがとうございました。確かに受け取りました。"),
    QStringLiteral("はじめまして、突然のメールで恐縮です。"),
    QStringLiteral("こんにちわ。はじめてメールいたします。"),
    QStringLiteral("こんにちわ。お変わりなく、お元気ですか？"),
};

// 23 ideographic spaces push the words to the foot of the drop target.
const QString WriteForm::kHtmlDropCaption = QString(23, QChar(0x3000)) + QStringLiteral(" HTML形式/送信");

namespace {

// Colours 2 and 15 of the 16-colour palette.
const QColor kSendToAllGreen(0, 128, 0);
const QColor kWhite(255, 255, 255);

// The right panel, from x = 7080, lies beyond the window until it is widened.
constexpr ControlRow kControls[] = {
    Row<&WriteForm::Command1>(
        "Command1", {120, 60, 1000, 345}, u"送信",
        u"送信します。電話回線が接続されていない場合は、自動的に接続してメールを送信します。"),
    Row<&WriteForm::Command4>(
        "Command4", {1140, 60, 1000, 345}, u"アドレス帳",
        u"このフォーム（新規作成）が拡張され、登録したメールアドレスの名称が一覧（リスト）に現れま"
        u"す。送信したい名称をクリックすると、メールアドレスが自動的に入力されます。"),
    Row<&WriteForm::Command6>("Command6", {2160, 60, 1000, 345}, u"元のサイズ",
                              u"アドレス帳を含むサイズから、元のサイズに戻します。"),
    Row<&WriteForm::Command12>(
        "Command12", {3180, 60, 1000, 345}, u"HTML形式",
        u"HTML形式での送信を可能にします。このモードではTEXT形式の送信は行われません。"),
    Row<&WriteForm::Command2>("Command2", {4200, 60, 700, 345}, u"HELP",
                              u"HTML形式での送信方法の手順を表示します。"),
    Row<&WriteForm::Command3>("Command3", {120, 420, 1000, 345}, u"送信中止", u"送信を中止します。"),
    Row<&WriteForm::Command5>("Command5", {1140, 420, 1000, 345}, u"本文に貼付",
                              u"本ソフト、他のアプリからのテキスト文書を本文中に貼付けます。"),
    Row<&WriteForm::Command7>("Command7", {2160, 420, 1000, 345}, u"宛先に貼付",
                              u"コピーして来た内容を宛先に貼付ます。"),
    Row<&WriteForm::Command13>(
        "Command13", {3180, 420, 1000, 345}, u"Text形式",
        u"TEXT形式での送信を可能にします。このモードではHTML形式の送信は行われません。"),
    Row<&WriteForm::Picture4>("Picture4", {4980, 60, 1800, 705}),
    Row<&WriteForm::Label5>(
        "Label5", {30, 30, 1740, 645}, {},
        u"HTML形式(index.htm)のファイルを送信したい場合、作成したHTML(index.htm)および画像ファイ"
        u"ル（GIF等）、BGM等が入ったファイルを、エクスプローラからドラッグ＆ドロップさせ、その後、"
        u"送信ボタンを押して下さい。この操作をした場合は、TEXT形式での送信は行われません。")
        .in("Picture4"),
    // Shown with more than one account, in the recipient's place: the rows from there down then move down by
    // one.
    Row<&WriteForm::Label2, 2>("Label2_2", {120, 870, 700, 255}, u"差出人").over("Label2_3"),
    Row<&WriteForm::FromCombo>("FromCombo", {840, 840, 5940, 285}).over("ToText"),
    Row<&WriteForm::Label2, 3>("Label2_3", {120, 870, 700, 255}, u"宛先"),
    Row<&WriteForm::Label2, 1>("Label2_1", {120, 1170, 700, 255}, u"件名"),
    Row<&WriteForm::Label2, 0>("Label2_0", {120, 1470, 700, 255}, u"首記例"),
    Row<&WriteForm::ToText>("ToText", {840, 840, 5940, 285}).hidesHelp(),
    Row<&WriteForm::SubjectText>("SubjectText", {840, 1140, 5940, 285}),
    Row<&WriteForm::Combo1>("Combo1", {840, 1440, 5940, 285}),
    Row<&WriteForm::AttachCommand>("AttachCommand", {120, 1740, 900, 285}, u"添付File",
                                   u"各種ファイルを添付して送信できます。"),
    Row<&WriteForm::Command9>(
        "Command9", {1040, 1740, 600, 285}, u"追加",
        u"添付ファイルを複数送信する際に使用します。確認しやすいように、リストボックスが表示されま"
        u"す。"),
    Row<&WriteForm::Command10>("Command10", {1660, 1740, 800, 285}, u"取り消し"),
    Row<&WriteForm::AttachText>("AttachText", {2480, 1740, 4300, 285}),
    // The body area, which the text box and the page preview share.
    Row<&WriteForm::BodyText>("BodyText", {120, 2040, 6600, 5000}).hidesHelp(),
    Row<&WriteForm::Picture3>("Picture3", {120, 2040, 6600, 5000}).over("BodyText").hidesHelp(),
    Row<&WriteForm::List2>("List2", {2480, 2040, 4300, 900}).over("BodyText Picture3"),
    Row<&WriteForm::Text14>("Text14", {840, 2100, 5940, 1200}).over("BodyText Picture3 List2"),
    Row<&WriteForm::StatusBar1>("StatusBar1", {0, 7885, 6900, 315}).atFoot(),
    Row<&WriteForm::Picture6>("Picture6", {7080, 120, 2415, 375}).reachesPastEdge(),
    // 19 and 3 ideographic spaces: the words stand at the foot of the heading.
    Row<&WriteForm::Label6, FootLabel>(
        "Label6", {0, 0, 2415, 375},
        u"　　　　　　　　　　　　　　　　　　　HTMLとして送信される　　　ファイル（自動表示）")
        .in("Picture6"),
    // Its top covers the foot of the heading above it.
    Row<&WriteForm::List3>("List3", {7080, 480, 2415, 1320}).over("Picture6").reachesPastEdge(),
    Row<&WriteForm::Picture5>("Picture5", {7080, 1800, 2415, 5000}).reachesPastEdge(),
    Row<&WriteForm::Picture1>("Picture1", {0, 0, 2415, 375}).in("Picture5"),
    Row<&WriteForm::Label4, 0>("Label4_0", {60, 60, 1000, 255}, u"アドレス帳").in("Picture1"),
    Row<&WriteForm::Label4, 1>("Label4_1", {1200, 60, 450, 255}, u"件数").in("Picture1"),
    Row<&WriteForm::Text1>("Text1", {1680, 30, 660, 300}).in("Picture1"),
    Row<&WriteForm::List1>("List1", {0, 420, 2415, 3900}).in("Picture5"),
    Row<&WriteForm::Frame1>("Frame1", {0, 4380, 2415, 500}).in("Picture5"),
    Row<&WriteForm::Option2>("Option2", {60, 120, 255, 255}).in("Frame1"),
    Row<&WriteForm::Label1, 0>("Label1_0", {330, 120, 900, 255}, u"一括送信").in("Frame1"),
    Row<&WriteForm::Option1>("Option1", {1260, 120, 255, 255}).in("Frame1"),
    Row<&WriteForm::Label1, 1>("Label1_1", {1530, 120, 600, 255}, u"取消").in("Frame1"),
    // Working fields, never shown.
    Row<&WriteForm::Text8>("Text8", {0, 0, 0, 0}),
    Row<&WriteForm::Text9>("Text9", {0, 0, 0, 0}),
};

// Form_Load takes the design's size as the window's outer size.
constexpr WindowDesign kDesign{.name = "WriteForm",
                               .title = u"新規作成",
                               .width = WriteForm::kOpenWidth,
                               .height = WriteForm::kHeight,
                               .fixedSize = false,
                               .rows = kControls,
                               .helpBox = "Text14",
                               .surfaceHidesHelp = true};

} // namespace

WriteForm::WriteForm(AppContext& context, WriteFormLinks links)
    : DesignedWindow(kDesign), context_(context), links_(std::move(links)) {
    PageViewLoader::prepareHost(this, context_.pageModule); // for the HTML mode's preview
    build();
    Picture4->setFrameShape(QFrame::Panel);
    Picture4->setFrameShadow(QFrame::Sunken);
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label5->setAcceptDrops(true);
    ToText->setMaxLength(60);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    BodyText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    (new QVBoxLayout(Picture3))->setContentsMargins(0, 0, 0, 0);
    Text14->setReadOnly(true);
    Text14->setStyleSheet(QStringLiteral("background: rgb(224,255,255);"));
    Text14->hide();
    StatusBar1->setSizeGripEnabled(false);
    List1->setAutoFillBackground(true);
    Frame1->setFrameShape(QFrame::Box);
    Text8->hide();
    Text9->hide();
    attachmentRow_ = {AttachCommand, Command9, Command10, AttachText, List2};
    senderChoice_ = SenderChoice(Label2[2], FromCombo);
    sendLock_ = SendLock({ToText, SubjectText, AttachText, BodyText},
                         {FromCombo, Command5, Command7, Combo1, AttachCommand, Command9, Command10,
                          Command12, Command13, Option1, Option2, List1, Label5});

    Label5->installEventFilter(this);
    Combo1->installEventFilter(this);
    List1->viewport()->installEventFilter(this);

    connect(Command1, &QPushButton::clicked, this, &WriteForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &WriteForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &WriteForm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &WriteForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &WriteForm::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &WriteForm::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &WriteForm::Command7_Click);
    connect(Command9, &QPushButton::clicked, this, &WriteForm::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &WriteForm::Command10_Click);
    connect(Command12, &QPushButton::clicked, this, &WriteForm::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &WriteForm::Command13_Click);
    connect(AttachCommand, &QPushButton::clicked, this, &WriteForm::AttachCommand_Click);
    connect(Option1, &QRadioButton::clicked, this, &WriteForm::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &WriteForm::Option2_Click);
    // A phrase picked from the list (the shown one too) or text typed in goes to the body on leaving the box.
    connect(Combo1, &QComboBox::activated, this, [this] { greetingPending_ = true; });
    connect(Combo1, &QComboBox::editTextChanged, this, [this] { greetingPending_ = true; });
    Form_Load();
}

// A send cannot be interrupted; the worker waits for its end.
WriteForm::~WriteForm() = default;

void WriteForm::setOuterSize(int width, int height) {
    outerTwips_ = QSize(width, height);
    const QSize frame = frameGeometry().size() - size();
    resize(Twips::toPixels(width) - frame.width(), Twips::toPixels(height) - frame.height());
}

void WriteForm::Form_Load() {
    htmlMode_ = false;
    Command13->setEnabled(false);
    Picture3->hide();
    Label5->setEnabled(false);
    Label5->clear();
    setOuterSize(kOpenWidth, kHeight);
    clearSendToAll();
    Command9->setEnabled(false);
    List2->hide();
    addressRecordNumbers_.clear();
    for (const QString& phrase : kGreetings)
        Combo1->addItem(phrase);
    Combo1->setCurrentIndex(-1);
    greetingPending_ = false;
    fillAddressList(AddressList::fromStartupFile(context_.paths));
    showSenderChoice();
}

void WriteForm::showSenderChoice() {
    const bool shown = senderChoice_.fill(context_);
    const int row = shown ? 300 : 0;
    if (row == fromRowTwips_)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{Label2[3], Label2[1], Label2[0], ToText, SubjectText,
                                                      Combo1, AttachCommand, Command9, Command10, AttachText,
                                                      BodyText, Picture3, List2, Text14})
        setTopTwips(w, topTwips(w) + row - fromRowTwips_);
    fromRowTwips_ = row;
    Form_Resize();
}

void WriteForm::Form_Resize() {
    for (QWidget* area : {static_cast<QWidget*>(Picture3), static_cast<QWidget*>(BodyText)})
        resizeTwips(area, int(0.97 * outerWidthTwips()), int(0.67 * outerHeightTwips()) - fromRowTwips_);
}

void WriteForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!framed_) {
        framed_ = true;
        setOuterSize(outerTwips_.width(), outerTwips_.height());
    }
}

void WriteForm::Form_Unload() {
    BodyText->clear();
    Command12->setEnabled(true);
    Command13->setEnabled(false);
    paintList1(kWhite);
    clearSendToAll();
}

void WriteForm::closeEvent(QCloseEvent* event) {
    if (sending()) { // the mail is on its way and cannot be called back
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void WriteForm::fillAddressList(const Result<AddressList>& list) {
    List1->clear();
    addressRecordNumbers_.clear();
    if (!list) {
        context_.prompter->message(this, ErrorText(list.error()), windowTitle(), Prompter::Icon::Warning);
    } else {
        List1->addItems(list->names);
        addressRecordNumbers_ = list->recordNumbers;
    }
    Text1->setText(QString::number(List1->count()));
}

void WriteForm::clearSendToAll() {
    sendToAllRound_.forget();
    // An exclusive option button cannot be cleared while it is exclusive.
    Option2->setAutoExclusive(false);
    Option2->setChecked(false);
    Option2->setAutoExclusive(true);
}

void WriteForm::paintList1(const QColor& color) {
    QPalette p = List1->palette();
    p.setColor(QPalette::Base, color);
    List1->setPalette(p);
}

void WriteForm::Command4_Click() {
    setOuterSize(kWideWidth, outerTwips_.height());
    fillAddressList(AddressList::fromAddressBook(context_.paths));
}

void WriteForm::Command6_Click() {
    setOuterSize(kNarrowWidth, outerTwips_.height());
    paintList1(kWhite);
}

void WriteForm::Command5_Click() {
    BodyText->setPlainText(BodyText->toPlainText() + QGuiApplication::clipboard()->text());
}

void WriteForm::Command7_Click() {
    ToText->setText(QGuiApplication::clipboard()->text());
}

void WriteForm::Combo1_LostFocus() {
    // Merely passing through the box must not throw away a body the user typed.
    if (!greetingPending_)
        return;
    greetingPending_ = false;
    BodyText->setPlainText(Combo1->currentText());
}

void WriteForm::List1_MouseDown() {
    const int row = List1->currentRow();
    if (row < 0 || List1->selectedItems().isEmpty()) {
        context_.prompter->message(this, QStringLiteral("データが選択されていません"), QString(),
                                   Prompter::Icon::Warning);
        List1->setFocus();
        return;
    }
    const Result<QString> address = AddressList::pickedAddress(context_.paths, addressRecordNumbers_.at(row));
    if (!address) {
        context_.prompter->message(this, ErrorText(address.error()), windowTitle(), Prompter::Icon::Warning);
        return;
    }
    ToText->setText(*address);
}

void WriteForm::Option1_Click() {
    sendToAllRound_.forget();
    ToText->clear();
    paintList1(kWhite);
}

void WriteForm::Option2_Click() {
    paintList1(kSendToAllGreen);
}

void WriteForm::AttachCommand_Click() {
    attachmentRow_.choose(this, *context_.prompter);
}

void WriteForm::Command9_Click() {
    attachmentRow_.add(this, *context_.prompter);
}

void WriteForm::Command10_Click() {
    attachmentRow_.drop();
    List3->clear();
}

void WriteForm::Command12_Click() {
    htmlMode_ = true;
    BodyText->setPlainText(HtmlMailMarker);
    for (QWidget* w : {static_cast<QWidget*>(Option2), static_cast<QWidget*>(AttachCommand),
                       static_cast<QWidget*>(Command9), static_cast<QWidget*>(Command10)})
        w->setEnabled(false);
    Picture3->show();
    BodyText->hide();
    Command12->setEnabled(false);
    Command13->setEnabled(true);
    Combo1->setEnabled(false);
    Label2[0]->setEnabled(false);
    Label5->setEnabled(true);
    Label5->setText(kHtmlDropCaption);
}

void WriteForm::Command13_Click() {
    htmlMode_ = false;
    BodyText->setPlainText(QStringLiteral("TEXT送信"));
    for (QWidget* w : {static_cast<QWidget*>(Option2), static_cast<QWidget*>(AttachCommand),
                       static_cast<QWidget*>(Command9), static_cast<QWidget*>(Command10)})
        w->setEnabled(true);
    Picture3->hide();
    BodyText->show();
    Command12->setEnabled(true);
    Command13->setEnabled(false);
    Label5->setEnabled(false);
    Label5->clear();
    Combo1->setEnabled(true);
    Label2[0]->setEnabled(true);
    AttachText->clear();
    List2->clear();
    List3->clear();
}

void WriteForm::Label5_OLEDragDrop(const QList<QUrl>& urls) {
    // Only the first file of a drop counts; a drop of no file is ignored.
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    refreshPreview();
    Command4_Click();
    const QString path = urls.first().toLocalFile();
    Text8->setText(path);
    showPreview(path);
    Text9->setText(QFileInfo(path).fileName());
    AttachText->setText(AttachmentList::append(AttachText->text(), path));
    List3->addItem(Text9->text());
}

// The page view is shown here and in refreshPreview only: a dropped page is
// shown as a received one would be, loading only files from its own folder.
// The engine is loaded with the first dropped file.
void WriteForm::refreshPreview() {
    if (preview_ && !Text8->text().isEmpty())
        preview_->showPage(Text8->text(), QFileInfo(Text8->text()).absolutePath());
}

void WriteForm::showPreview(const QString& file) {
    if (!preview_) {
        const Result<PageViewInterface*> created = PageViewLoader::create(context_.pageModule, Picture3);
        if (!created) { // the file is still attached; only the preview is missing
            context_.prompter->message(this, ErrorText(created.error()), windowTitle(),
                                       Prompter::Icon::Warning);
            return;
        }
        preview_ = *created;
        Picture3->layout()->addWidget(preview_->widget()); // fills the body area as it resizes
    }
    preview_->showPage(file, QFileInfo(file).absolutePath());
}

bool WriteForm::dropTargetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const QMimeData* data = drag->mimeData();
        const bool files = Label5->isEnabled() && data->hasUrls() && !data->urls().isEmpty() &&
                           data->urls().first().isLocalFile();
        files ? drag->acceptProposedAction() : drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!Label5->isEnabled())
            return true;
        drop->acceptProposedAction();
        Label5_OLEDragDrop(drop->mimeData()->urls());
        return true;
    }
    default:
        return false;
    }
}

void WriteForm::Command2_Click() {
    if (links_.openHelp)
        links_.openHelp();
}

void WriteForm::Command3_Click() {
    close();
}

SendRequest WriteForm::typedRequest() const {
    SendRequest r;
    r.toText = ToText->text();
    r.subject = SubjectText->text();
    r.body = ToCrLf(BodyText->toPlainText()); // a text box's line ends are CR LF
    r.attachText = AttachText->text();
    r.sendToAll = Option2->isChecked();
    r.listEntries = List1->count();
    if (r.sendToAll) // after a partial failure: only where the mail has not been
        r.alreadyReached = sendToAllRound_.reached();
    r.dateText = links_.clockText ? links_.clockText() : QString();
    return r;
}

void WriteForm::Command1_Click() {
    if (sending())
        return;
    Command9->setEnabled(false);
    List2->hide();
    AttachCommand->setEnabled(true);
    StatusBar1->showMessage(SendingText());
    Command1->setEnabled(false);
    sendLock_.lock();

    auto report = std::make_shared<SendReport>();
    sending_.start([send = senderChoice_.sendAs(context_), request = typedRequest(),
                    report](BackgroundTask::Job&) { *report = send.run(request); },
                   [this, report] { showSendReport(*report); });
}

void WriteForm::showSendReport(const SendReport& report) {
    Command1->setEnabled(true);
    sendLock_.unlock();
    if (report.sendToAll)
        sendToAllRound_.take(report);
    for (const Error& error : report.errors())
        context_.prompter->message(this, ErrorText(error), SendErrorTitle());
    for (const SendPass& pass : report.passes)
        if (pass.recordError)
            context_.prompter->message(this, ErrorText(*pass.recordError), QStringLiteral("送信履歴"),
                                       Prompter::Icon::Warning);
    StatusBar1->showMessage(SendStatusText(report));
    if (report.allSent()) {
        ToText->clear();
        SubjectText->clear();
        BodyText->clear();
        AttachText->clear();
        clearSendToAll();
        // A send-to-all that ran out of records stays open to say so.
        if (!report.stoppedShort())
            close();
    }
    Q_EMIT sendFinished();
}

bool WriteForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label5 && dropTargetEvent(event))
        return true;
    if (watched == Combo1 && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        Combo1_LostFocus();
    if (watched == List1->viewport() && event->type() == QEvent::MouseButtonPress) {
        if (!List1->isEnabled()) // the filter sees presses the disabled list would ignore
            return true;
        if (QListWidgetItem* item = List1->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            List1->setCurrentItem(item);
        List1_MouseDown();
        return true;
    }
    return DesignedWindow::eventFilter(watched, event);
}
