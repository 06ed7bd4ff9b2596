#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "exchange/importsource.h"
#include "exchange/mailexport.h"
#include "history/historymode.h"
#include "text/backgroundtask.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;
struct AppContext;

// The history window's way to other programs, in its menu ファイル:
// エクスポート writes the whole history or the selected rows to an mbox
// file or a folder of .eml files; インポート (received history) reads
// mbox, .eml and Maildir. Both run as a background task with n / N in the status
// bar; the window stays live.
class HistoryExchange : public QObject {
    Q_OBJECT
  public:
    struct Window {
        QWidget* widget;
        std::function<HistoryMode()> mode;
        std::function<QList<int>()> selectedRecords; // record numbers of the selected rows
        std::function<void()> historyGrew;           // an import stored mail
    };
    // Adds the two submenus to `fileMenu` before `before`, and the progress to `progress`.
    HistoryExchange(Window window, AppContext& context, QMenu* fileMenu, QAction* before, QLabel* progress);
    ~HistoryExchange() override;

    void exportMails(MailExport::Format format, bool selectedOnly);
    void importMails(ImportSource::Kind kind);
    bool isRunning() const;
    // The history's mode changed: import is for the received history only.
    void modeChanged();

  private:
    // Progress shown as `doing` n / N, and the job's cancel, for a run on `job`.
    ExchangeHooks hooksFor(BackgroundTask::Job& job, const QString& doing);
    void showProgress(const QString& what, int done, int total);
    void finished(const QString& text, bool failed);
    void setBusy(bool busy);
    void runImport(std::shared_ptr<struct ImportPlan> plan, bool again);

    Window window_;
    AppContext& context_;
    QLabel* progress_;
    QMenu* exportMenu_;
    QMenu* importMenu_;
    BackgroundTask task_; // one export or import at a time
};
