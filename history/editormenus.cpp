#include "history/editormenus.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolBar>

#include "history/editorfiles.h"
#include "history/editorprint.h"
#include "history/editorsettings.h"
#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "text/text.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

// The dialogs' filters as the design gives them ("description|patterns").
const QString kOpenFilter = QStringLiteral("txtファイル(*.txt,*.ini*.htm)|*.txt;*.ini;*.htm");
const QString kSaveFilter = QStringLiteral("txtファイル(*.txt,*.ini)|*.txt;*.ini");

// Drawn stand-ins for the theme's icons, for desktops without an icon theme.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    draw(p);
    return QIcon(pixmap);
}

QIcon letterIcon(const QString& letter, void (QFont::*style)(bool)) {
    return drawnIcon([&](QPainter& p) {
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(24);
        (font.*style)(true);
        p.setFont(font);
        p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
    });
}

QIcon fallbackIcon(const QString& key) {
    const QStyle* style = QApplication::style();
    if (key == u"New")
        return style->standardIcon(QStyle::SP_FileIcon);
    if (key == u"Open")
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    if (key == u"Save")
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    if (key == u"Bold")
        return letterIcon(QStringLiteral("B"), &QFont::setBold);
    if (key == u"Italic")
        return letterIcon(QStringLiteral("I"), &QFont::setItalic);
    if (key == u"Underline")
        return letterIcon(QStringLiteral("U"), &QFont::setUnderline);
    if (key == u"Cut")
        return drawnIcon([](QPainter& p) {
            p.drawEllipse(QRect(5, 20, 8, 8));
            p.drawEllipse(QRect(19, 20, 8, 8));
            p.drawLine(11, 21, 23, 3);
            p.drawLine(21, 21, 9, 3);
        });
    if (key == u"Copy")
        return drawnIcon([](QPainter& p) {
            p.drawRect(4, 4, 16, 18);
            p.setBrush(Qt::white);
            p.drawRect(11, 10, 16, 18);
        });
    if (key == u"Paste")
        return drawnIcon([](QPainter& p) {
            p.setBrush(QColor(200, 160, 100));
            p.drawRect(6, 5, 20, 24);
            p.setBrush(Qt::white);
            p.drawRect(11, 2, 10, 6);
            p.drawRect(10, 12, 12, 13);
        });
    return drawnIcon([](QPainter& p) { // Print
        p.setBrush(Qt::white);
        p.drawRect(9, 3, 14, 10);
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(3, 12, 26, 11);
        p.setBrush(Qt::white);
        p.drawRect(9, 19, 14, 10);
    });
}

struct ToolButton {
    const char* key;
    QString tip;
    const char* themeIcon;
};

} // namespace

EditorMenus::EditorMenus(TyakuForm& form, AppContext& context, EditorState& editor)
    : QObject(&form), form_(form), context_(context), editor_(editor) {
    menuBar_ = new QMenuBar(&form);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    menuBar_->setNativeMenuBar(false);
    QMenu* file = menuBar_->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mFile"));
    addItem(file, "mnew", QStringLiteral("新規作成"), &EditorMenus::mnew_Click);
    addItem(file, "mopen", QStringLiteral("開く"), &EditorMenus::mopen_Click);
    addItem(file, "msave", QStringLiteral("名前を付けて保存"), &EditorMenus::msave_Click);
    addItem(file, "mprint", QStringLiteral("印刷"), &EditorMenus::mprint_Click);
    file->addSeparator()->setObjectName(QStringLiteral("mline"));
    addItem(file, "mend", QStringLiteral("終了"), &EditorMenus::mend_Click);
    QMenu* edit = menuBar_->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("medit"));
    addItem(edit, "mall", QStringLiteral("全て選択"), &EditorMenus::mall_Click);
    addItem(edit, "matamajump", QStringLiteral("文頭へジャンプ"), &EditorMenus::matamajump_Click);
    addItem(edit, "mbunmatujump", QStringLiteral("文末へジャンプ"), &EditorMenus::mbunmatujump_Click);
    edit->addSeparator()->setObjectName(QStringLiteral("mline3"));
    addItem(edit, "mkensaku", QStringLiteral("検索"), &EditorMenus::mkensaku_Click);
    addItem(edit, "mtugikensaku", QStringLiteral("次を検索"), &EditorMenus::mtugikensaku_Click);
    addItem(edit, "mcut", QStringLiteral("切り取り"), &EditorMenus::mcut_Click);
    addItem(edit, "mcopy", QStringLiteral("コピー"), &EditorMenus::mcopy_Click);
    addItem(edit, "mpaste", QStringLiteral("貼り付け"), &EditorMenus::mpaste_Click);
    menuBar_->setGeometry(0, 0, form.width(), menuBar_->sizeHint().height());

    tbToolBar_ = new QToolBar(&form);
    tbToolBar_->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar_->setIconSize(QSize(16, 16));
    const ToolButton buttons[] = {
        {"New", QStringLiteral("新規作成"), "document-new"},
        {"Open", QStringLiteral("開く"), "document-open"},
        {"Save", QStringLiteral("名前を付けて保存"), "document-save-as"},
        {"Print", QStringLiteral("印刷"), "document-print"},
        {"Cut", QStringLiteral("切り取り"), "edit-cut"},
        {"Copy", QStringLiteral("ｺﾋﾟｰ"), "edit-copy"},
        {"Paste", QStringLiteral("貼り付け"), "edit-paste"},
        {"Bold", QStringLiteral("太字"), "format-text-bold"},
        {"Italic", QStringLiteral("斜体"), "format-text-italic"},
        {"Underline", QStringLiteral("下線"), "format-text-underline"},
    };
    for (const ToolButton& b : buttons)
        addButton(
            b.key, b.tip,
            QIcon::fromTheme(QString::fromLatin1(b.themeIcon), fallbackIcon(QString::fromLatin1(b.key))));
    form.installEventFilter(this);
}

void EditorMenus::addItem(QMenu* menu, const char* name, const QString& caption,
                          void (EditorMenus::*handler)()) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, handler);
}

void EditorMenus::addButton(const char* key, const QString& tip, const QIcon& icon) {
    QAction* button = tbToolBar_->addAction(icon, tip);
    button->setObjectName(QStringLiteral("tbToolBar_") + QString::fromLatin1(key));
    button->setData(QString::fromLatin1(key));
    button->setToolTip(tip);
    connect(button, &QAction::triggered, this,
            [this, button] { tbToolBar_ButtonClick(button->data().toString()); });
}

void EditorMenus::placeToolBar(QWidget* holder) {
    tbToolBar_->setParent(holder);
    tbToolBar_->move(0, 0);
    tbToolBar_->resize(tbToolBar_->sizeHint().width(), holder->height());
    tbToolBar_->show();
}

bool EditorMenus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::Resize)
        menuBar_->resize(form_.width(), menuBar_->height());
    return QObject::eventFilter(watched, event);
}

QString EditorMenus::editorText() const {
    return ToCrLf(form_.rtfEd->toPlainText());
}

void EditorMenus::tell(const QString& text, const QString& title, bool warning) {
    context_.prompter->message(&form_, text, title,
                               warning ? Prompter::Icon::Warning : Prompter::Icon::Information);
}

void EditorMenus::tbToolBar_ButtonClick(const QString& key) {
    if (key == u"New")
        mnew_Click();
    else if (key == u"Open")
        mopen_Click();
    else if (key == u"Save")
        msave_Click();
    else if (key == u"Print")
        mprint_Click();
    else if (key == u"Cut")
        mcut_Click();
    else if (key == u"Copy")
        mcopy_Click();
    else if (key == u"Paste")
        mpaste_Click();
    else if (key == u"Bold")
        toggle(editor_.bold, &QFont::setBold);
    else if (key == u"Italic")
        toggle(editor_.italic, &QFont::setItalic);
    else if (key == u"Underline")
        toggle(editor_.underline, &QFont::setUnderline);
}

void EditorMenus::mnew_Click() {
    const Result<std::optional<QString>> caption = EditorFiles::newFile(
        editor_, editorText(),
        [this](const QString& file) {
            return context_.prompter->message(&form_, EmptyingQuestionText(file), QStringLiteral("確認"),
                                              Prompter::Icon::Question,
                                              Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
        },
        [this] { form_.rtfEd->clear(); });
    if (!caption)
        tell(ErrorText(caption.error()), QStringLiteral("新規作成"));
    else if (caption->has_value())
        form_.setWindowTitle(**caption);
}

void EditorMenus::mopen_Click() {
    const QString path = context_.prompter->openFileName(&form_, QStringLiteral("開く"), QString(),
                                                         EditorFiles::qtFilter(kOpenFilter));
    if (path.isEmpty())
        return;
    const Result<QString> text = EditorFiles::open(editor_, path);
    if (!text) {
        tell(ErrorText(text.error()), QStringLiteral("開く"));
        return;
    }
    form_.setWindowTitle(path);
    form_.rtfEd->setPlainText(*text);
}

void EditorMenus::msave_Click() {
    form_.rtfEd->setPlainText(EditorFiles::withHeaderBlock(form_.Text7->text(), form_.Text8->text(),
                                                           form_.Text9->text(), editorText()));
    const QString path = context_.prompter->saveFileName(&form_, QStringLiteral("名前を付けて保存"),
                                                         QString(), EditorFiles::qtFilter(kSaveFilter));
    if (path.isEmpty())
        return;
    const Result<qsizetype> replaced = EditorFiles::saveAs(editor_, path, editorText());
    if (!replaced) {
        tell(ErrorText(replaced.error()), QStringLiteral("名前を付けて保存"));
        return;
    }
    form_.setWindowTitle(path);
    if (*replaced > 0)
        tell(QStringLiteral("Shift-JIS で表せない %1 文字を「〓」に置き換えて保存しました。").arg(*replaced),
             QStringLiteral("名前を付けて保存"), false);
}

void EditorMenus::mprint_Click() {
    const QTextCursor cursor = form_.rtfEd->textCursor();
    const bool selection = cursor.hasSelection();
    const QString text = selection ? cursor.selection().toPlainText() : form_.rtfEd->toPlainText();
    QPrinter printer;
    if (!context_.prompter->choosePrinter(&form_, printer, selection))
        return;
    const QFont shown = form_.rtfEd->font();
    QFont font(shown.family());
    font.setPointSizeF(shown.pointSizeF());
    font.setBold(shown.bold());
    font.setItalic(shown.italic());
    if (!EditorPrint::print(printer, text, font))
        tell(QStringLiteral("「%1」に印刷できません。")
                 .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()),
             QStringLiteral("印刷"));
}

void EditorMenus::mend_Click() {
    form_.close();
}

void EditorMenus::mall_Click() {
    form_.rtfEd->selectAll();
}

void EditorMenus::matamajump_Click() {
    form_.rtfEd->moveCursor(QTextCursor::Start);
    form_.rtfEd->setFocus();
}

void EditorMenus::mbunmatujump_Click() {
    form_.rtfEd->moveCursor(QTextCursor::End);
    form_.rtfEd->setFocus();
}

void EditorMenus::selectMatch(qsizetype position, qsizetype length) {
    if (position == 0)
        return;
    form_.rtfEd->setFocus();
    QTextCursor cursor(form_.rtfEd->document());
    cursor.setPosition(int(position - 1));
    cursor.setPosition(int(position - 1 + length), QTextCursor::KeepAnchor);
    form_.rtfEd->setTextCursor(cursor);
}

void EditorMenus::mkensaku_Click() {
    const QString needle = form_.Text1->text();
    selectMatch(search_.search(form_.rtfEd->toPlainText(), needle), needle.size());
}

void EditorMenus::mtugikensaku_Click() {
    const QString needle = form_.Text1->text();
    selectMatch(search_.findNext(form_.rtfEd->toPlainText(), needle), needle.size());
}

void EditorMenus::mcut_Click() {
    QTextCursor cursor = form_.rtfEd->textCursor();
    QApplication::clipboard()->setText(cursor.selection().toPlainText());
    cursor.removeSelectedText();
    form_.rtfEd->setTextCursor(cursor);
    form_.rtfEd->setFocus();
}

void EditorMenus::mcopy_Click() {
    QTextCursor cursor = form_.rtfEd->textCursor();
    if (cursor.hasSelection()) {
        QApplication::clipboard()->setText(cursor.selection().toPlainText());
        cursor.setPosition(cursor.selectionEnd());
    } else {
        QApplication::clipboard()->clear();
        cursor.setPosition(0);
    }
    form_.rtfEd->setTextCursor(cursor);
    form_.rtfEd->setFocus();
}

void EditorMenus::mpaste_Click() {
    QTextCursor cursor = form_.rtfEd->textCursor();
    cursor.insertText(TrimSpaces(QApplication::clipboard()->text()));
    form_.rtfEd->setTextCursor(cursor);
    form_.rtfEd->setFocus();
}

void EditorMenus::toggle(FontToggle& counter, void (QFont::*set)(bool)) {
    QFont font = form_.rtfEd->font();
    (font.*set)(counter.press());
    form_.rtfEd->setFont(font);
}

void EditorMenus::Form_QueryUnload() {
    const Status written = EditorSettings::writeAtClose(editor_.autoSave);
    if (!written)
        tell(ErrorText(written.error()), form_.windowTitle());
}
