// Renders the windows for the README under a real X server (Xvfb) with the
// installed Japanese fonts: screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "addressbook/friendform.h"
#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/qttranslations.h"
#include "app/startup.h"
#include "app/trayicon.h"
#include "compose/addresslist.h"
#include "compose/backform.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "history/editormenus.h"
#include "history/tyakuform.h"
#include "pageview/pageviewloader.h"
#include "search/unreadmarks.h"
#include "settings/alwaysonform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "store/mailfile.h"
#include "transport/maillibraries.h"
#include "ui/appcontext.h"
#include "ui/captionfitter.h"
#include "ui/qtprompter.h"
#include <QTreeView>

int main(int argc, char* argv[]) {
    const MailLibraries mailLibraries;
    QApplication app(argc, argv);
    (void)InstallQtJapanese(app);
    CaptionFitter captions;
    app.installEventFilter(&captions);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), font.family()});
    font.setPointSize(9);
    QApplication::setFont(font);

    QTemporaryDir folder;
    QtPrompter prompter;
    AppContext context(AppPaths(folder.path()), folder.path());
    context.prompter = &prompter;
    context.pageModule = PageViewLoader::modulePathBesideProgram();
    (void)context.paths.ensureLayout();
    QFile ini(folder.filePath(QStringLiteral("orvex.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=taro@example.jp\r\nAPOP=0\r\n");
    ini.close();
    QDir().mkpath(folder.filePath(QStringLiteral("★MAilData")));
    QFile account(context.paths.accountFile());
    if (account.open(QIODevice::WriteOnly))
        account.write("[EXEINI]\r\nNAME=taro\r\nNAME2=x\r\nNAME3=1\r\n");
    account.close();

    const MailFile received(context.paths.receivedMailFile(), QString());
    (void)received.append(
        {QStringLiteral("来週の打ち合わせについて"), QStringLiteral("Mon, 07 Dec 2026 09:12:00 +0900"),
         MailRecord::kTextKind, QStringLiteral("山田太郎 <yamada@example.jp>"),
         QStringLiteral(
             "いつもお世話になっております。\r\n来週の打ち合わせは、水曜日の午後二時からでいかがでしょうか。"
             "\r\n\r\nよろしくお願いいたします。\r\n山田"),
         1});
    (void)received.append(
        {QStringLiteral("資料をお送りします ①"), QStringLiteral("Mon, 07 Dec 2026 10:30:00 +0900"),
         MailRecord::kTextKind, QStringLiteral("佐藤花子 <sato@example.jp>"),
         QStringLiteral("お疲れさまです。\r\n見積書と地図を添付します。\r\n㈱サンプル 佐藤\r\n\r\n"
                        "♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪"),
         1});
    const AddressFile book = AddressFile::book(context.paths);
    (void)book.AppendAddressRecord(QStringLiteral("山田太郎"), QStringLiteral("山田太郎<yamada@example.jp>"));
    (void)book.AppendAddressRecord(QStringLiteral("佐藤花子"), QStringLiteral("sato@example.jp"));
    (void)book.AppendAddressRecord(QStringLiteral("㈱サンプル 営業部"),
                                   QStringLiteral("営業部<info@example.jp>"));
    // A page and its picture, as a user would drop them in HTML mode.
    const QString pageFolder = folder.filePath(QStringLiteral("page"));
    QDir().mkpath(pageFolder);
    QImage picture(220, 120, QImage::Format_RGB32);
    picture.fill(QColor(255, 236, 200));
    {
        QPainter paint(&picture);
        paint.setBrush(QColor(240, 120, 60));
        paint.setPen(Qt::NoPen);
        paint.drawEllipse(QPoint(110, 60), 45, 45);
    }
    picture.save(pageFolder + QStringLiteral("/sun.png"), "PNG");
    QFile page(pageFolder + QStringLiteral("/index.htm"));
    if (page.open(QIODevice::WriteOnly))
        page.write(QStringLiteral(
                       "<html><head><meta charset=\"utf-8\"></head><body style=\"background:#fff8ee\">"
                       "<h2>夏のご挨拶</h2><img src=\"sun.png\"><p>暑い日が続きますね。</p></body></html>")
                       .toUtf8());
    page.close();

    AppWindows windows(context);
    MainForm form(context, windows);
    windows.clockText = [&form] { return form.Text2->text(); };
    const auto drop = [](QWidget* target, const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    // The received history after a check brought three more mails, two of
    // them and one older mail still unread.
    const std::function<void()> unreadShot = [&] {
        const QStringList subjects = {QStringLiteral("【定例】週報の提出について"),
                                      QStringLiteral("忘年会のご案内"),
                                      QStringLiteral("Re: 資料をお送りします ①")};
        const QStringList senders = {QStringLiteral("総務部 <soumu@example.jp>"),
                                     QStringLiteral("鈴木一郎 <suzuki@example.jp>"),
                                     QStringLiteral("山田太郎 <yamada@example.jp>")};
        for (int i = 0; i < subjects.size(); ++i)
            (void)received.append(
                {subjects[i],
                 QStringLiteral("Tue, 08 Dec 2026 %1:15:00 +0900").arg(8 + i, 2, 10, QLatin1Char(u'0')),
                 MailRecord::kTextKind, senders[i], QStringLiteral("本文"), 1});
        if (Result<UnreadMarks> marks = UnreadMarks::open(received.path()); marks)
            (void)marks.value().mark({2, 4, 5}, true);
        windows.openHistory(HistoryMode::Received);
        QTimer::singleShot(300, [&] {
            windows.historyWindow()->grab().save(out + QStringLiteral("/history-unread.png"));
            app.quit();
        });
    };
    // The reply window, as the history window's 返事を書く fills it, with
    // 本文に貼付 pressed and a file attached.
    const std::function<void()> replyShot = [&] {
        TyakuForm* history = windows.historyWindow();
        history->MailListView->setCurrentIndex(history->MailListView->model()->index(0, 0));
        history->MailListView_Click();
        history->Command5_Click();
        BackForm* reply = windows.replyWindow();
        QGuiApplication::clipboard()->setText(
            QStringLiteral("山田様\n\nいつもお世話になっております。\n水曜日の午後二時で承知しました。"));
        reply->Command4_Click();
        reply->AttachText->setText(pageFolder + QStringLiteral("/sun.png"));
        QTimer::singleShot(300, [&, reply] {
            reply->grab().save(out + QStringLiteral("/reply.png"));
            // A question with Qt's own buttons, in Japanese.
            auto* question =
                new QMessageBox(QMessageBox::Warning, QStringLiteral("確認"),
                                QStringLiteral("サーバー「pop.example.jp」は暗号化に対応していません。"
                                               "パスワードが暗号化されずに送られます。続けますか？"),
                                QMessageBox::Yes | QMessageBox::No);
            question->show();
            QTimer::singleShot(300, [&, question] {
                question->grab().save(out + QStringLiteral("/yesno.png"));
                question->close();
                unreadShot();
            });
        });
    };
    // The compose window in text mode, then in HTML mode, then the help window.
    const std::function<void()> composeShots = [&] {
        WriteForm* compose = windows.openCompose();
        compose->Command4_Click();
        compose->ToText->setText(QStringLiteral("山田太郎<yamada@example.jp>"));
        compose->SubjectText->setText(QStringLiteral("来週の打ち合わせの件"));
        compose->BodyText->setPlainText(
            QStringLiteral("いつもお世話になっております。\n水曜日の午後二時で承知しまし"
                           "た。\n\nよろしくお願いいたします。"));
        QTimer::singleShot(300, [&, compose] {
            compose->grab().save(out + QStringLiteral("/compose-text.png"));
            compose->Command12_Click();
            compose->SubjectText->setText(QStringLiteral("夏のご挨拶"));
            drop(compose->Label5, pageFolder + QStringLiteral("/sun.png"));
            drop(compose->Label5, pageFolder + QStringLiteral("/index.htm"));
            QTimer::singleShot(2500, [&, compose] {
                compose->grab().save(out + QStringLiteral("/compose-html.png"));
                compose->Command2_Click();
                QTimer::singleShot(300, [&] {
                    windows.htmlHelpWindow()->grab().save(out + QStringLiteral("/htmlhelp.png"));
                    replyShot();
                });
            });
        });
    };
    StartUp(context, windows);
    form.show();
    form.Text1->setText(QStringLiteral("新着メール有り。"));
    form.Label_MouseMove(2);
    QTimer::singleShot(500, [&] {
        form.grab().save(out + QStringLiteral("/mainwindow.png"));
        windows.openHistory(HistoryMode::Received);
        TyakuForm* history = windows.historyWindow();
        history->MailListView->setCurrentIndex(history->MailListView->model()->index(0, 0));
        history->MailListView_Click();
        QTimer::singleShot(500, [&, history] {
            history->grab().save(out + QStringLiteral("/history.png"));
            // The editor: a search hit selected and the Edit menu open (a popup
            // of its own, so the screen is grabbed rather than the window).
            history->Text1->setText(QStringLiteral("打ち合わせ"));
            history->editorMenus()->mkensaku_Click();
            QMenu* edit = history->findChild<QMenu*>(QStringLiteral("medit"));
            history->editorMenus()->menuBar()->setActiveAction(edit->menuAction());
            QTimer::singleShot(500, [&, history, edit] {
                const QRect r = history->geometry();
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
                    .save(out + QStringLiteral("/editor.png"));
                edit->close();
                windows.openServers();
                windows.openAccount();
                QTimer::singleShot(300, [&] {
                    windows.serversWindow()->grab().save(out + QStringLiteral("/serverwindow.png"));
                    windows.accountWindow()->grab().save(out + QStringLiteral("/accountwindow.png"));
                    windows.openAddressBook(QStringLiteral("info@example.jp"));
                    FriendForm* addressBook = windows.addressBookWindow();
                    addressBook->Text2->setText(QStringLiteral("株式会社サンプル"));
                    addressBook->Text50->setText(QStringLiteral("営業部"));
                    addressBook->Command38_Click();
                    addressBook->Command3_Click();
                    QTimer::singleShot(300, [&, addressBook] {
                        addressBook->grab().save(out + QStringLiteral("/addressbook.png"));
                        // The tray icon's menu, and the window of timed checks.
                        auto* tray = new TrayIcon(
                            {}, [] { return std::optional<int>(); }, &app);
                        tray->menu()->popup(QPoint(400, 300));
                        windows.openAlwaysOn();
                        QTimer::singleShot(300, [&, tray] {
                            tray->menu()->grab().save(out + QStringLiteral("/traymenu.png"));
                            tray->menu()->close();
                            windows.alwaysOnWindow()->grab().save(out + QStringLiteral("/alwayson.png"));
                            composeShots();
                        });
                    });
                });
            });
        });
    });
    return app.exec();
}
