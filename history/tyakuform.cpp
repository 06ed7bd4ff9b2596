#include "history/tyakuform.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeView>

#include "history/editormenus.h"
#include "history/editorstate.h"
#include "history/historyexchange.h"
#include "history/historylist.h"
#include "history/historylistview.h"
#include "history/historysearchbar.h"
#include "history/maildeletion.h"
#include "history/maillistmodel.h"
#include "history/messagedisplay.h"
#include "history/quicksave.h"
#include "pageview/pageviewloader.h"
#include "pageview/pageviewplugin.h"
#include "search/mailaccounts.h"
#include "search/mailfacts.h"
#include "search/unreadmarks.h"
#include "text/text.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"
#include "ui/verdicttexts.h"

namespace {

constexpr int kOutOfSight = -5000;
const QString kNothingSelected = QStringLiteral("データが選択されていません");

// Neighbours drawn to share a border overlap by 15 twips; the copy button and
// field sit on the status bar.
constexpr ControlRow kControls[] = {
    Row<&TyakuForm::Picture1>("Picture1", {0, 0, 9420, 450}),
    Row<&TyakuForm::Command1>(
        "Command1", {3840, 0, 2295, 375}, u"Text Quick Save",
        u"選択したデータをテキスト形式で本ソフト内の「TextQuickSave」フォルダ内に「Subject」"
        u"「From」「Date」「Boby」で保存します。ファイル名は「Subject」が自動的に当てられます。"
        u"同名のファイルが既に存在する場合は警告メッセージを出します。")
        .over("Picture1"),
    Row<&TyakuForm::Command3>(
        "Command3", {0, 480, 975, 255}, u"一件削除",
        u"受信したメールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して"
        u"下さい。"),
    Row<&TyakuForm::Command4>(
        "Command4", {960, 480, 1335, 255}, u"アドレス帳登録",
        u"受信したメールをアドレス帳に登録します。リストからメールを選択（クリック）してから実行"
        u"して下さい。")
        .over("Command3"),
    Row<&TyakuForm::Command5>(
        "Command5", {2280, 480, 975, 255}, u"返事を書く",
        u"受信したメールに返事を出します。リストからメールを選択（クリック）してから実行して下さ"
        u"い。")
        .over("Command4"),
    Row<&TyakuForm::Command6>("Command6", {3240, 480, 975, 255}, u"全件削除",
                              u"受信したメール全件削除します。")
        .over("Command5"),
    Row<&TyakuForm::Picture2>("Picture2", {4200, 440, 2895, 375}).over("Command6 Picture1"),
    Row<&TyakuForm::Check1>("Check1", {40, 30, 255, 255}).in("Picture2"),
    Row<&TyakuForm::Label1>("Label1", {300, 75, 2415, 255}, u"HTML（ソース）をTEXTで開く").in("Picture2"),
    Row<&TyakuForm::Text10>("Text10", {7160, 480, 1215, 270}),
    Row<&TyakuForm::Label4>("Label4", {8480, 540, 375, 255}, u"件数"),
    Row<&TyakuForm::Text2>("Text2", {8880, 480, 495, 270}),
    Row<&TyakuForm::Label2>("Label2", {9480, 60, 720, 255}, u"検索文字"),
    Row<&TyakuForm::Text1>(
        "Text1", {9480, 300, 1215, 270}, {},
        u"検索した文字を入力し、メニューバーから「検索」「次を検索」を選択し、検索したい文字を"
        u"本文中(body)から検索します。")
        .over("Label2"),
    Row<&TyakuForm::MailListView, HistoryListView>("MailListView", {0, 840, 9375, 1815}).hidesHelp(),
    Row<&TyakuForm::Text7>("Text7", {0, 2640, 4215, 375}).over("MailListView"),
    Row<&TyakuForm::Text8>("Text8", {4200, 2640, 3255, 375}).over("Text7 MailListView"),
    Row<&TyakuForm::Text9>("Text9", {7440, 2640, 1935, 375}).over("Text8 MailListView"),
    Row<&TyakuForm::rtfEd>("rtfEd", {0, 3000, 9375, 4695}).over("Text7 Text8 Text9").hidesHelp(),
    Row<&TyakuForm::VerdictBand>("VerdictBand", {0, 3030, 9375, 300}).over("rtfEd"),
    Row<&TyakuForm::Text4>("Text4", {1800, 4680, 5895, 1695}).over("rtfEd"),
    Row<&TyakuForm::StatusBar1>("StatusBar1", {0, 7665, 10770, 375}).over("rtfEd").atFoot(),
    Row<&TyakuForm::Command2>(
        "Command2", {1680, 7720, 2895, 255}, u"コピー（Subject/from/Data）",
        u"本文以外のコピーに使用します。「Subject」「From」「Date」に表示されるデータをコピーし"
        u"ます（貼り付けはメニューバー、ツールバーで出来ます）。Body（本文）はメニューバー、ツ"
        u"ールバーからコピー・貼り付けが出来ます。\r\n\r\n 本文への貼り付け（あるいは本ソフ"
        u"トでの貼り付け機能がある部分）、他のアプリケーションへの貼り付けが可能です。\r\n\r\n"
        u"コピーされる内容は右の欄に反映されます。")
        .over("StatusBar1"),
    Row<&TyakuForm::Text6>("Text6", {4680, 7720, 3735, 270}).over("StatusBar1"),
};

constexpr WindowDesign kDesign{.name = "TyakuForm",
                               .title = {},
                               .width = 10770,
                               .height = 8040,
                               .fixedSize = false,
                               .rows = kControls,
                               .helpBox = "Text4"};

} // namespace

TyakuForm::TyakuForm(AppContext& context, EditorState& editor)
    : DesignedWindow(kDesign), context_(context), editor_(editor) {
    PageViewLoader::prepareHost(this, context_.pageModule);
    menus_ = new EditorMenus(*this, context_, editor_);
    searchBar_ = new HistorySearchBar(
        this, [this](std::optional<QList<int>> records) { showOnly(std::move(records)); });
    searchBar_->addTo(menus_->menuBar());
    menus_->menuBar()->setGeometry(0, 0, width(), menus_->menuBar()->sizeHint().height());
    // The menu bar puts the search bar at its right end whatever its width:
    // narrower, the bar would reach past the window's left edge.
    setMinimumWidth(menus_->menuBar()->minimumSizeHint().width());
    build(menus_->menuBar()->height());

    menus_->placeToolBar(Picture1);
    Command1->setStyleSheet(QStringLiteral("background: rgb(192,192,192); font-weight: bold;"));
    Text2->setReadOnly(true);

    model_ = new MailListModel(this);
    connect(static_cast<HistoryListView*>(MailListView), &HistoryListView::currentMovedByKeyboard, this,
            &TyakuForm::MailListView_Click);
    listMenu_ = new QMenu(this);
    listMenu_->setObjectName(QStringLiteral("MailListMenu"));
    listMenu_->addAction(QStringLiteral("既読にする"), this, &TyakuForm::MarkRead_Click)
        ->setObjectName(QStringLiteral("mread"));
    listMenu_->addAction(QStringLiteral("未読にする"), this, &TyakuForm::MarkUnread_Click)
        ->setObjectName(QStringLiteral("munread"));
    listMenu_->addSeparator();
    listMenu_->addAction(QStringLiteral("すべて既読"), this, &TyakuForm::MarkAllRead_Click)
        ->setObjectName(QStringLiteral("mallread"));
    MailListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MailListView, &QWidget::customContextMenuRequested, this, &TyakuForm::showListMenu);
    MailListView->setModel(model_);
    MailListView->setRootIsDecorated(false);
    MailListView->setUniformRowHeights(true);
    MailListView->setItemsExpandable(false);
    MailListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A click still chooses one mail; Shift and Ctrl add rows for an export.
    MailListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    MailListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MailListView->header()->setStretchLastSection(false);

    QFont fieldFont;
    fieldFont.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    fieldFont.setPointSizeF(9.75);
    for (QLineEdit* f : {Text7, Text8, Text9})
        f->setFont(fieldFont);
    rtfEd->setAcceptRichText(false);
    VerdictBand->hide();
    Text4->setReadOnly(true);
    StatusBar1->setSizeGripEnabled(false);
    Command2->setStyleSheet(QStringLiteral("background: rgb(192,192,192);"));

    exchangeProgress_ = new QLabel(StatusBar1);
    exchangeProgress_->setObjectName(QStringLiteral("exchangeProgress"));
    StatusBar1->addPermanentWidget(exchangeProgress_);
    QMenu* fileMenu = menus_->menuBar()->findChild<QMenu*>(QStringLiteral("mFile"));
    exchange_ = new HistoryExchange(
        {this, [this] { return mode_; }, [this] { return selectedRecords(); },
         [this] {
             searchBar_->clear();
             reloadList();
             searchBar_->historyChanged();
         }},
        context_, fileMenu, fileMenu->findChild<QAction*>(QStringLiteral("mline")), exchangeProgress_);

    // The list's clicks, and the boxes whose text the pointer copies to Text6.
    for (QWidget* w : {static_cast<QWidget*>(MailListView->viewport()), static_cast<QWidget*>(Text7),
                       static_cast<QWidget*>(Text8), static_cast<QWidget*>(Text9)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    connect(Command3, &QPushButton::clicked, this, &TyakuForm::Command3_Click);
    connect(Command6, &QPushButton::clicked, this, &TyakuForm::Command6_Click);
    connect(Command2, &QPushButton::clicked, this, &TyakuForm::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &TyakuForm::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &TyakuForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &TyakuForm::Command5_Click);
    connect(rtfEd, &QTextEdit::textChanged, this, [this] { editor_.changed = true; });
    Form_Load();
}

int TyakuForm::listHeightTwips() const {
    return heightTwips(MailListView);
}

void TyakuForm::Form_Load() {
    selectedRow_.reset();
    const int w = widthTwips(MailListView);
    const double widths[4] = {w / 3.0, w / 9.0, w / 4.0, w / 4.0};
    for (int i = 0; i < 4; ++i)
        MailListView->setColumnWidth(i, Twips::toPixels(int(widths[i])));
    placeTwips(rtfEd, 20, 3900, int(0.98 * widthTwips(this)), heightTwips(rtfEd));
    setWidthTwips(MailListView, int(0.99 * widthTwips(this)));
    // The editor's current file; OK tries again, Cancel goes on without it.
    for (;;) {
        const Result<QString> current = editor_.loadCurrentFile();
        if (current) {
            rtfEd->setPlainText(*current);
            break;
        }
        if (context_.prompter->message(this, ErrorText(current.error()),
                                       QApplication::applicationName() + QStringLiteral("  Form_LoadError"),
                                       Prompter::Icon::Warning,
                                       Prompter::Buttons::OkCancel) != Prompter::Answer::Ok)
            break;
    }
    editor_.changed = false;
    Text4->setVisible(true);
    Text4->clear();
}

void TyakuForm::Form_Resize() {
    // The rules' factors are taken on the outer size, frame and title bar included.
    const int W = outerWidthTwips();
    const int H = outerHeightTwips();
    Text6->show();
    Command2->show();
    resizeTwips(MailListView, int(0.99 * W), int(0.25 * H));
    const int L = listHeightTwips();
    for (QLineEdit* f : {Text7, Text8, Text9})
        setTopTwips(f, L + 840);
    setWidthTwips(Picture1, W);
    for (QWidget* area : {static_cast<QWidget*>(rtfEd), pageArea()})
        if (area) {
            setWidthTwips(area, int(0.99 * W));
            setTopTwips(area, L + 1200);
        }
    setWidthTwips(Text7, int(0.5 * W));
    setWidthTwips(Text8, int(0.3 * W));
    setWidthTwips(Text9, int(0.2 * W));
    setLeftTwips(Text7, leftTwips(rtfEd) - 15);
    setLeftTwips(Text8, leftTwips(Text7) + int(0.5 * W));
    setLeftTwips(Text9, leftTwips(Text8) + int(0.3 * W) - 20);
    placeCopyControls();
    for (QWidget* area : {static_cast<QWidget*>(rtfEd), pageArea()})
        if (area)
            setHeightTwips(area, int(0.7 * (H - L)));
    setWidthTwips(VerdictBand, int(0.99 * W));
    placeVerdictBand();
    if (isMaximized()) {
        setTopTwips(Text6, H - 700);
        setTopTwips(Command2, H - 700);
    }
}

// Rules 9 and 10: the copy button and field sit on the status bar.
void TyakuForm::placeCopyControls() {
    setLeftTwips(Text6, leftTwips(Command1) + 1280);
    setLeftTwips(Command2, leftTwips(StatusBar1) + 1880);
    setTopTwips(Command2, topTwips(StatusBar1) + 80);
    setTopTwips(Text6, topTwips(StatusBar1) + 80);
}

void TyakuForm::Form_MouseMove() {
    placeCopyControls();
}

void TyakuForm::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    DesignedWindow::mouseMoveEvent(event);
}

void TyakuForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void TyakuForm::closeEvent(QCloseEvent* event) {
    menus_->Form_QueryUnload();
    QWidget::closeEvent(event);
}

void TyakuForm::OpenHistory(HistoryMode mode) {
    const HistorySetup setup = HistorySetup::of(mode);
    if (!setup.htmlSourceBoxEnabled) {
        Check1->setEnabled(false);
        Label1->setEnabled(false);
    }
    show();
    raise();
    activateWindow();
    caption_ = setup.caption;
    setWindowTitle(caption_);
    Command6->setEnabled(setup.deleteAllEnabled);
    mode_ = mode;
    MailListView->setStyleSheet(QStringLiteral("QTreeView { background: rgb(%1,%2,%3); }")
                                    .arg(setup.listRed)
                                    .arg(setup.listGreen)
                                    .arg(setup.listBlue));
    model_->setFilter(std::nullopt);
    reloadList();
    searchBar_->setHistory(HistorySetup::fileOf(mode, context_.paths).path(),
                           HistorySetup::indexOf(mode, context_.paths));
    showAccountChoice();
    exchange_->modeChanged();
}

QList<int> TyakuForm::selectedRecords() const {
    QList<int> records;
    for (const QModelIndex& row : MailListView->selectionModel()->selectedRows())
        records.append(model_->recordAt(row.row()));
    std::sort(records.begin(), records.end());
    return records;
}

// The rows a search found, each keeping its record number; the count box
// counts what is listed.
void TyakuForm::showOnly(std::optional<QList<int>> records) {
    model_->setFilter(std::move(records));
    showCount();
}

void TyakuForm::reloadList() {
    model_->clear();
    rtfEd->clear();
    Result<HistoryList> list = HistoryList::load(mode_, context_.paths);
    if (!list) {
        context_.prompter->message(this, ErrorText(list.error()), windowTitle(), Prompter::Icon::Warning);
        showCount();
        showUnreadCount(0);
        return;
    }
    if (list->last)
        showFields(*list->last);
    else
        clearFields();
    HistoryList loaded = std::move(list).value();
    model_->setRows(std::move(loaded.rows), std::move(loaded.unread));
    loadVerdicts();
    showCount();
    showUnreadCount(model_->unreadCount());
}

void TyakuForm::showCount() {
    Text2->setText(QString::number(model_->rowCount()));
}

void TyakuForm::showFields(const MailDetails& shown) {
    Text7->setText(shown.subject);
    Text8->setText(shown.party);
    Text9->setText(shown.date);
    if (mode_ == HistoryMode::Sent)
        Text10->setText(shown.kind);
    rtfEd->setPlainText(shown.text);
    showTextArea();
}

void TyakuForm::clearFields() {
    Text7->clear();
    Text8->clear();
    Text9->clear();
    rtfEd->clear();
}

// Whichever of the page and the text area shows the mail is in front; the
// help box stays above both.
void TyakuForm::showTextArea() {
    if (QWidget* area = pageArea())
        area->hide();
    if (mode_ == HistoryMode::Received || rtfEd->y() < 0)
        setTopTwips(rtfEd, listHeightTwips() + 1230);
}

void TyakuForm::showPageArea() {
    QWidget* area = pageArea();
    setTopTwips(area, listHeightTwips() + 1230);
    setTopTwips(rtfEd, kOutOfSight);
    area->show();
    Text4->raise();
}

QWidget* TyakuForm::pageArea() const {
    return page_ ? page_->widget() : nullptr;
}

bool TyakuForm::ensurePageView() {
    if (page_)
        return true;
    const Result<PageViewInterface*> created = PageViewLoader::create(context_.pageModule, this);
    if (!created) {
        context_.prompter->message(this, ErrorText(created.error()), windowTitle(), Prompter::Icon::Warning);
        return false;
    }
    page_ = *created;
    page_->setLinkOpener(context_.openUrl);
    QWidget* area = page_->widget();
    area->setGeometry(rtfEd->geometry());
    area->setMouseTracking(true);
    area->show();
    return true;
}

void TyakuForm::showRecord(int record) {
    for (int i = 0; i < model_->rowCount(); ++i)
        if (model_->recordAt(i) == record) {
            const QModelIndex row = model_->index(i, 0);
            MailListView->setCurrentIndex(row);
            MailListView->scrollTo(row);
            MailListView_Click();
            return;
        }
}

void TyakuForm::MailListView_Click() {
    const QModelIndex current = MailListView->currentIndex();
    // A click arms the row buttons, even one on an empty list (they then find nothing).
    selectedRow_ = current.isValid() ? model_->recordAt(current.row()) : 0;
    if (model_->rowCount() == 0) {
        context_.prompter->message(this, QStringLiteral("選択するデータがありません。"), QString());
        return;
    }
    if (!current.isValid())
        return; // empty space clicked with no row chosen: nothing to show
    const int p = *selectedRow_;
    const auto display = MailDisplay::forRow(mode_, context_.paths, p, Check1->isChecked());
    if (!display) {
        context_.prompter->message(this, ErrorText(display.error()), windowTitle(), Prompter::Icon::Warning);
        return;
    }
    if (!display->has_value())
        return;
    const MailDisplay& d = **display;
    Text10->setText(d.shown.kind);
    if (d.view == MailDisplay::View::KindOnly)
        return;
    if (model_->isUnread(p))
        markRecords({p}, false, true);
    Text7->setText(d.shown.subject);
    Text8->setText(d.shown.party);
    Text9->setText(d.shown.date);
    if (d.view == MailDisplay::View::Page) {
        if (ensurePageView()) {
            showPageArea();
            page_->showPage(d.pageFile, d.pageFolder);
        }
    } else {
        showTextArea();
    }
    if (d.view == MailDisplay::View::Source)
        editor_.chosenFileName.clear();
    if (mode_ == HistoryMode::Sent)
        selectHtmlMarkerInText10();
    rtfEd->setPlainText(d.shown.text);
    if (d.updatesCount)
        showCount();
    showVerdict(p);
}

// Received mail can be narrowed to the account it came to.
void TyakuForm::showAccountChoice() {
    QList<MailAccounts::Narrowing> accounts;
    QStringList names;
    if (mode_ == HistoryMode::Received) {
        for (const AccountProfile& a : context_.accountsThisRun().listed()) {
            accounts.append({a.key, a.isFirst()});
            names.append(a.shownName());
        }
    }
    searchBar_->setAccounts(accounts, names);
}

// Read on this thread through a connection of its own; a history without
// them (or one that cannot be read) shows no marks and no band.
void TyakuForm::loadVerdicts() {
    verdicts_.clear();
    QHash<int, SenderVerdict::Standing> marks;
    if (mode_ == HistoryMode::Received) {
        Result<MailFacts> facts = MailFacts::open(context_.paths.receivedMailFile());
        const Result<QHash<int, QByteArray>> values =
            facts ? facts.value().values(QStringLiteral("verdict"))
                  : Result<QHash<int, QByteArray>>::failure(facts.error());
        if (values) {
            for (auto it = values->cbegin(); it != values->cend(); ++it) {
                if (const std::optional<SenderVerdict> v = SenderVerdict::decode(it.value())) {
                    verdicts_.insert(it.key(), *v);
                    marks.insert(it.key(), v->standing());
                }
            }
        }
    }
    model_->setMarks(std::move(marks));
    VerdictBand->hide();
}

void TyakuForm::showVerdict(int record) {
    const auto v = verdicts_.constFind(record);
    if (v == verdicts_.cend()) {
        VerdictBand->hide();
    } else {
        const ::VerdictBand band = VerdictBandText(*v);
        VerdictBand->setText(band.text);
        VerdictBand->setStyleSheet(
            band.warning ? QStringLiteral("background: #c00000; color: white; padding: 0 4px;")
                         : QStringLiteral("background: #e8eef4; color: black; padding: 0 4px;"));
        VerdictBand->show();
    }
    placeVerdictBand();
}

void TyakuForm::placeVerdictBand() {
    if (!VerdictBand->isVisible())
        return;
    QWidget* shown = pageArea() && pageArea()->isVisible() ? pageArea() : static_cast<QWidget*>(rtfEd);
    if (topTwips(shown) == topTwips(VerdictBand) + heightTwips(VerdictBand))
        return; // already below it
    const int bandTop = std::max(topTwips(shown), listHeightTwips() + 1200);
    setTopTwips(VerdictBand, bandTop);
    setTopTwips(shown, bandTop + heightTwips(VerdictBand));
    VerdictBand->raise();
}

// Selects the kind marker where Text10 shows it, as the sent-mail display and
// the HTML deletion question do: from its first character, six characters.
void TyakuForm::selectHtmlMarkerInText10() {
    const qsizetype q = Text10->text().indexOf(MailRecord::kHtmlKind);
    if (q >= 0)
        Text10->setSelection(int(q), 6);
}

bool TyakuForm::selectionMissing() {
    if (selectedRow_)
        return false;
    context_.prompter->message(this, kNothingSelected, QString());
    return true;
}

void TyakuForm::Command3_Click() {
    if (selectionMissing())
        return;
    const MailDeletion::Outcome outcome = MailDeletion::deleteAfterAsking(
        mode_, context_.paths, *selectedRow_, [this](const MailDeletion::Question& question) {
            if (mode_ == HistoryMode::Received)
                selectHtmlMarkerInText10();
            const Prompter::Answer answer =
                context_.prompter->message(this, DeletionQuestionText(question), QStringLiteral("確認"),
                                           Prompter::Icon::Question, Prompter::Buttons::YesNo);
            rtfEd->setFocus();
            return answer == Prompter::Answer::Yes;
        });
    using Kind = MailDeletion::Outcome::Kind;
    switch (outcome.kind) {
    case Kind::NothingSelected:
        selectedRow_.reset();
        context_.prompter->message(this, kNothingSelected, QString());
        return;
    case Kind::Declined:
        rtfEd->clear();
        selectedRow_.reset();
        return;
    case Kind::Failed:
        context_.prompter->message(this, ErrorText(outcome.error), windowTitle(), Prompter::Icon::Warning);
        break;
    case Kind::Deleted:
        break;
    }
    if (mode_ == HistoryMode::Received)
        Text7->setText(TrimSpaces(CutAtNul(outcome.record.subject)));
    if (outcome.kind == Kind::Deleted)
        model_->recordDeleted(*selectedRow_);
    clearFields();
    reloadList();
    searchBar_->historyChanged();
    selectedRow_.reset();
}

void TyakuForm::Command6_Click() {
    const Prompter::Answer answer =
        context_.prompter->message(this, DeleteAllQuestionText(), QStringLiteral("確認"),
                                   Prompter::Icon::Question, Prompter::Buttons::YesNo);
    if (answer != Prompter::Answer::Yes)
        return;
    const Status deleted = MailDeletion::deleteAllSent(context_.paths);
    if (!deleted)
        context_.prompter->message(this, ErrorText(deleted.error()), windowTitle(), Prompter::Icon::Warning);
    reloadList(); // empties the rows and sets the count
    searchBar_->clear();
    searchBar_->historyChanged();
    clearFields();
}

void TyakuForm::showListMenu(const QPoint& at) {
    if (mode_ != HistoryMode::Received)
        return; // only received mail is marked
    const bool selected = MailListView->selectionModel()->hasSelection();
    for (const char* name : {"mread", "munread"})
        listMenu_->findChild<QAction*>(QString::fromLatin1(name))->setEnabled(selected);
    listMenu_->popup(MailListView->viewport()->mapToGlobal(at));
}

void TyakuForm::MarkRead_Click() {
    markRecords(selectedRecords(), false);
}

void TyakuForm::MarkUnread_Click() {
    markRecords(selectedRecords(), true);
}

void TyakuForm::MarkAllRead_Click() {
    if (mode_ != HistoryMode::Received || !changeMarks([](UnreadMarks& m) { return m.markAllRead(); }))
        return;
    model_->setUnread(model_->unreadRecords(), false);
    showUnreadCount(0);
}

void TyakuForm::markRecords(const QList<int>& records, bool unread, bool quietly) {
    if (mode_ != HistoryMode::Received || records.isEmpty())
        return;
    const std::optional<int> left =
        changeMarks([&](UnreadMarks& m) { return m.mark(records, unread); }, quietly);
    if (!left)
        return;
    model_->setUnread(records, unread);
    showUnreadCount(*left);
}

std::optional<int> TyakuForm::changeMarks(const std::function<Status(UnreadMarks&)>& change, bool quietly) {
    Result<UnreadMarks> marks = UnreadMarks::open(HistorySetup::fileOf(mode_, context_.paths).path());
    const Status changed = marks ? change(marks.value()) : Status::failure(marks.error());
    if (!changed) {
        if (!quietly)
            context_.prompter->message(this, ErrorText(changed.error()), windowTitle(),
                                       Prompter::Icon::Warning);
        return std::nullopt;
    }
    const Result<int> left = marks.value().count();
    return left ? *left : model_->unreadCount();
}

void TyakuForm::showUnreadCount(int inFile) {
    const bool marked = mode_ == HistoryMode::Received;
    setWindowTitle(HistoryTitleText(caption_, marked ? model_->unreadCount() : 0));
    if (marked && onUnreadCount)
        onUnreadCount(inFile);
}

void TyakuForm::Command2_Click() {
    QApplication::clipboard()->setText(Text6->text());
}

// Quick save, register and reply each use up the click that chose the mail.
bool TyakuForm::takeSelection() {
    if (selectionMissing())
        return false;
    rtfEd->setFocus();
    selectedRow_.reset();
    return true;
}

MailDetails TyakuForm::shownDetails() const {
    return {Text7->text(), Text8->text(), Text9->text(), Text10->text(), rtfEd->toPlainText()};
}

void TyakuForm::Command1_Click() {
    if (!takeSelection())
        return;
    const QuickSave::Outcome outcome = QuickSave::save(context_.paths, shownDetails(), [this] {
        return context_.prompter->message(this,
                                          QStringLiteral("同名のファイルが既に存在します。上書きしますか？ "),
                                          QStringLiteral("確認"), Prompter::Icon::Question,
                                          Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
    });
    switch (outcome.kind) {
    case QuickSave::Outcome::Kind::Saved:
        rtfEd->setPlainText(outcome.shownText);
        showTextArea();
        break;
    case QuickSave::Outcome::Kind::Failed:
        context_.prompter->message(this, ErrorText(outcome.error), windowTitle(), Prompter::Icon::Warning);
        break;
    case QuickSave::Outcome::Kind::Declined:
        break;
    }
}

void TyakuForm::Command4_Click() {
    if (!takeSelection())
        return;
    if (onRegisterSender)
        onRegisterSender(Text8->text());
}

void TyakuForm::Command5_Click() {
    if (!takeSelection())
        return;
    if (!onReply)
        return;
    ReplyDraft draft = ReplyDraft::answering(shownDetails());
    // A sender that may well not be who the mail says is named again where the answer is written.
    if (const auto v = verdicts_.constFind(*selectedRow_);
        v != verdicts_.cend() && mode_ == HistoryMode::Received) {
        if (const ::VerdictBand band = VerdictBandText(*v); band.warning)
            draft.warning = band.text;
    }
    // Answered from the account the mail came to; when that cannot be read, the first answers.
    if (mode_ == HistoryMode::Received) {
        if (const Result<QString> account =
                MailAccounts::accountOf(context_.paths.receivedMailFile(), *selectedRow_))
            draft.account = *account;
    }
    onReply(draft);
}

void TyakuForm::showReceived(const QString& subject, const QString& sender, const QString& date,
                             const QString& text, const QString& rawSubject) {
    Text10->setText(rawSubject);
    Text7->setText(subject);
    Text8->setText(sender);
    Text9->setText(date);
    rtfEd->setPlainText(text);
    showTextArea();
    if (mode_ == HistoryMode::Received)
        searchBar_->historyChanged(); // the mail just stored joins the index
}

bool TyakuForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched == MailListView->viewport())
        MailListView_Click(); // the view has handled the press: the current row is the clicked one
    if ((event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) &&
        (watched == Text7 || watched == Text8 || watched == Text9))
        Text6->setText(static_cast<QLineEdit*>(watched)->text());
    return DesignedWindow::eventFilter(watched, event);
}
