#include "addressbook/friendform.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "addressbook/addressbox.h"
#include "addressbook/addressexchange.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/wholetext.h"

namespace {

constexpr int kNameTypedChars = 30;

constexpr ControlRow kControls[] = {
    Row<&FriendForm::Label1, 0>("Label1_0", {120, 210, 1335, 255}, u"メールアドレス"),
    Row<&FriendForm::Label1, 1>("Label1_1", {840, 555, 615, 255}, u"名前"),
    Row<&FriendForm::Label1, 2>("Label1_2", {3240, 1395, 735, 255}, u"登録件数"),
    Row<&FriendForm::Label1, 3>("Label1_3", {840, 915, 615, 255}, u"名詞"),
    Row<&FriendForm::Text4>("Text4", {1500, 120, 4455, 300}),
    Row<&FriendForm::Command1>("Command1", {6120, 120, 975, 300}, u"貼付",
                               u"コピーして来たメールアドレスを貼り付けます。"),
    Row<&FriendForm::Text2>("Text2", {1500, 480, 4455, 300}),
    Row<&FriendForm::Text50>("Text50", {1500, 840, 4455, 300}),
    Row<&FriendForm::Command38>(
        "Command38", {6120, 840, 975, 300}, u"名刺挿入",
        u"名詞の挿入を行います。例えばあなたのメールアドレスが taro@example.com "
        u"の場合、名詞を日本太郎と設定すると、自動的に日本太郎<taro@example.com>と登録され、"
        u"受信した相手側には名詞挿入のメールアドレスが表示されます。\r\n\r\n"
        u"必要なければ挿入する必要はありません。"),
    Row<&FriendForm::Command3>(
        "Command3", {120, 1320, 975, 300}, u"登録",
        u"登録を行います。これにより新規作成でのメールアドレスの一発入力が可能になります。"),
    Row<&FriendForm::Command4>("Command4", {1320, 1320, 975, 300}, u"削除",
                               u"不要になったメールアドレスを削除します。"),
    Row<&FriendForm::Text3>("Text3", {4000, 1320, 615, 300}),
    Row<&FriendForm::MailListView>("MailListView", {0, 1920, 9375, 4095}).reachesPastEdge(),
    Row<&FriendForm::Text5>("Text5", {1320, 3240, 5415, 2055}).over("MailListView"),
    // The status strip reaches past both side edges and its top covers the list's foot.
    Row<&FriendForm::Picture1>("Picture1", {-120, 6000, 8295, 495}).over("MailListView").reachesPastEdge(),
    Row<&FriendForm::Label7>("Label7", {120, 120, 7215, 255}).in("Picture1"),
};

constexpr const char* kTabOrder[] = {"Command38", "Text50",   "Text2", "Text3",    "Text4",
                                     "Command1",  "Command3", "Text5", "Command4", "MailListView"};

constexpr WindowDesign kDesign{.name = "FriendForm",
                               .title = u"アドレス帳",
                               .width = 8160,
                               .height = 6510,
                               .fixedSize = false,
                               .rows = kControls,
                               .helpBox = "Text5",
                               .surfaceHidesHelp = true,
                               .tabOrder = kTabOrder};

} // namespace

FriendForm::FriendForm(AppContext& context)
    : DesignedWindow(kDesign), context_(context), book_(context.paths) {
    build();
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);

    Text4->setMaxLength(AddressBox::kTypedChars);
    Text2->setMaxLength(kNameTypedChars);
    Text3->setReadOnly(true);
    Text3->setAttribute(Qt::WA_InputMethodEnabled, false);
    MailListView->setColumnCount(2);
    MailListView->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Name")});
    MailListView->setRootIsDecorated(false);
    MailListView->setUniformRowHeights(true);
    MailListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    MailListView->setSelectionMode(QAbstractItemView::SingleSelection);
    MailListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MailListView->header()->setStretchLastSection(false);
    MailListView->setTextElideMode(Qt::ElideNone); // the fields' padding would show as "…"
    MailListView->setContextMenuPolicy(Qt::CustomContextMenu);
    Text5->setReadOnly(true);
    Text5->hide();

    MailListView->viewport()->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &FriendForm::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &FriendForm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FriendForm::Command4_Click);
    connect(Command38, &QPushButton::clicked, this, &FriendForm::Command38_Click);
    connect(MailListView, &QWidget::customContextMenuRequested, this, &FriendForm::showListMenu);
    Form_Load();
}

void FriendForm::Form_Load() {
    const int w = MailListView->width();
    MailListView->setColumnWidth(0, w / 2);
    MailListView->setColumnWidth(1, w / 3);
    Text3->setText(QString::number(MailListView->topLevelItemCount()));
    Label7->clear();
    Command2_Click();
}

void FriendForm::Command2_Click() {
    MailListView->clear();
    const auto rows = book_.rows();
    if (!rows)
        tell(ErrorText(rows.error()));
    else
        for (const AddressEntry& row : *rows)
            MailListView->addTopLevelItem(new QTreeWidgetItem({row.address, row.name}));
    Text3->setText(QString::number(MailListView->topLevelItemCount()));
}

void FriendForm::Command3_Click() {
    const Result<int> n = book_.registerEntry(Text2->text(), Text4->text());
    if (!n) {
        tell(ErrorText(n.error()));
        return;
    }
    currentRecord_ = *n;
    Label7->setText(QStringLiteral("　登録が完了しました。"));
    Command2_Click();
}

int FriendForm::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = MailListView->selectedItems();
    return selected.isEmpty() ? 0 : MailListView->indexOfTopLevelItem(selected.first()) + 1;
}

void FriendForm::showEntry(const AddressEntry& entry) {
    SetWholeText(Text2, kNameTypedChars, entry.name);
    SetWholeText(Text4, AddressBox::kTypedChars, entry.address);
    Label7->setText(QStringLiteral("　選択しました。"));
}

void FriendForm::MailListView_MouseDown() {
    const int row = selectedRow();
    if (row == 0)
        return;
    const Result<AddressEntry> entry = book_.entryAt(row);
    if (!entry) {
        tell(ErrorText(entry.error()));
        Command2_Click();
        return;
    }
    showEntry(*entry);
}

void FriendForm::Command4_Click() {
    const int row = selectedRow();
    if (Text4->text().isEmpty() || row == 0) {
        tell(QStringLiteral("データが選択されていません"));
        return;
    }
    const AddressBook::DeleteOutcome outcome = book_.deleteAfterAsking(row, [&](const AddressEntry& entry) {
        showEntry(entry);
        currentRecord_ = row;
        Label7->setText(QStringLiteral(" "));
        return context_.prompter->message(
                   this, QStringLiteral("選択された（行、青色）データを削除します。よろしいですか"),
                   QStringLiteral("確認"), Prompter::Icon::Question,
                   Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
    });
    if (outcome.kind == AddressBook::DeleteOutcome::Kind::Failed)
        tell(ErrorText(outcome.error));
    else if (outcome.kind == AddressBook::DeleteOutcome::Kind::Deleted)
        Label7->setText(QStringLiteral("削除が完了しました"));
    Command2_Click();
}

void FriendForm::Command1_Click() {
    fillAddressBox(AddressBox::fill(QApplication::clipboard()->text()));
}

void FriendForm::Command38_Click() {
    fillAddressBox(AddressBox::insertBusinessCard(Text50->text(), Text4->text()));
}

void FriendForm::presetAddress(const QString& address) {
    fillAddressBox(AddressBox::fill(address));
}

void FriendForm::fillAddressBox(const Result<QString>& text) {
    if (text)
        SetWholeText(Text4, AddressBox::kTypedChars, *text);
    else
        tell(ErrorText(text.error()));
}

void FriendForm::tell(const QString& text) {
    context_.prompter->message(this, text, QApplication::applicationName());
}

void FriendForm::ExportVCard() {
    const QString path =
        context_.prompter->saveFileName(this, QStringLiteral("vCardに書き出す"),
                                        context_.paths.applicationFolder(), QStringLiteral("vCard (*.vcf)"));
    if (path.isEmpty())
        return;
    if (const Status s = AddressExchange::exportFile(book_, path); !s)
        tell(ErrorText(s.error()));
    else
        Label7->setText(QStringLiteral("　vCardに書き出しました。"));
}

void FriendForm::ImportContacts() {
    const QString path = context_.prompter->openFileName(
        this, QStringLiteral("vCard・CSVから読み込む"), context_.paths.applicationFolder(),
        QStringLiteral("vCard・CSV (*.vcf *.csv);;すべてのファイル (*)"));
    if (path.isEmpty())
        return;
    const auto imported = AddressExchange::importFile(book_, path);
    Command2_Click();
    tell(imported ? AddressImportSummaryText(*imported) : ErrorText(imported.error()));
}

void FriendForm::showListMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("vCardに書き出す..."), this, &FriendForm::ExportVCard);
    menu.addAction(QStringLiteral("vCard・CSVから読み込む..."), this, &FriendForm::ImportContacts);
    menu.exec(MailListView->viewport()->mapToGlobal(at));
}

bool FriendForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched == MailListView->viewport())
        MailListView_MouseDown(); // the view has handled the press: the selected row is the pressed one
    return DesignedWindow::eventFilter(watched, event);
}
