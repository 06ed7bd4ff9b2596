#pragma once

#include <QObject>

#include "history/textsearch.h"

class QAction;
class QIcon;
class QMenu;
class QMenuBar;
class QToolBar;
class TyakuForm;
struct AppContext;
struct EditorState;
struct FontToggle;

// The text editor side of the history window: the menus "ファイル" and "編集",
// the toolbar, and their commands on the text area rtfEd. The file work, the
// search positions and the settings written at close are the logic classes'.
class EditorMenus : public QObject {
    Q_OBJECT
  public:
    // Builds the menu bar on the window; the toolbar waits for its holder.
    EditorMenus(TyakuForm& form, AppContext& context, EditorState& editor);

    QMenuBar* menuBar() const { return menuBar_; }
    QToolBar* toolBar() const { return tbToolBar_; }
    void placeToolBar(QWidget* holder);

    void mnew_Click();
    void mopen_Click();
    void msave_Click();
    void mprint_Click();
    void mend_Click();
    void mall_Click();
    void matamajump_Click();
    void mbunmatujump_Click();
    void mkensaku_Click();
    void mtugikensaku_Click();
    void mcut_Click();
    void mcopy_Click();
    void mpaste_Click();
    void tbToolBar_ButtonClick(const QString& key);
    // The window is closing; never stops it.
    void Form_QueryUnload();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addItem(QMenu* menu, const char* name, const QString& caption, void (EditorMenus::*handler)());
    void addButton(const char* key, const QString& tip, const QIcon& icon);
    void selectMatch(qsizetype position, qsizetype length);
    void toggle(FontToggle& counter, void (QFont::*set)(bool));
    QString editorText() const;
    void tell(const QString& text, const QString& title, bool warning = true);

    TyakuForm& form_;
    AppContext& context_;
    EditorState& editor_;
    TextSearch search_;
    QMenuBar* menuBar_;
    QToolBar* tbToolBar_;
};
