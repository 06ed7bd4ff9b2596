#include "history/historyexchange.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "exchange/mailimport.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

const QString kNothingSelected = QStringLiteral("データが選択されていません");

struct ExportOutcome {
    Result<int> written = Result<int>::failure({});
};

} // namespace

// A prepared import, handed from the worker that read the source to the one that stores it.
struct ImportPlan {
    Result<MailImport::Plan> plan = Result<MailImport::Plan>::failure({});
    MailImport::Outcome outcome;
};

HistoryExchange::HistoryExchange(Window window, AppContext& context, QMenu* fileMenu, QAction* before,
                                 QLabel* progress)
    : QObject(window.widget), window_(std::move(window)), context_(context), progress_(progress) {
    exportMenu_ = new QMenu(QStringLiteral("エクスポート"), fileMenu);
    exportMenu_->setObjectName(QStringLiteral("mexport"));
    auto add = [&](QMenu* menu, const char* name, const QString& caption, std::function<void()> run) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, std::move(run));
    };
    using F = MailExport::Format;
    add(exportMenu_, "mexportmbox", QStringLiteral("mbox ファイルへ（全件）"),
        [this] { exportMails(F::Mbox, false); });
    add(exportMenu_, "mexportmboxselected", QStringLiteral("mbox ファイルへ（選択した行）"),
        [this] { exportMails(F::Mbox, true); });
    add(exportMenu_, "mexporteml", QStringLiteral("EML フォルダへ（全件）"),
        [this] { exportMails(F::EmlFolder, false); });
    add(exportMenu_, "mexportemlselected", QStringLiteral("EML フォルダへ（選択した行）"),
        [this] { exportMails(F::EmlFolder, true); });
    importMenu_ = new QMenu(QStringLiteral("インポート"), fileMenu);
    importMenu_->setObjectName(QStringLiteral("mimport"));
    using K = ImportSource::Kind;
    add(importMenu_, "mimportmbox", QStringLiteral("mbox ファイルから"), [this] { importMails(K::Mbox); });
    add(importMenu_, "mimporteml", QStringLiteral("EML フォルダから"), [this] { importMails(K::EmlFolder); });
    add(importMenu_, "mimportmaildir", QStringLiteral("Maildir から"), [this] { importMails(K::Maildir); });
    fileMenu->insertMenu(before, exportMenu_);
    fileMenu->insertMenu(before, importMenu_);
    fileMenu->insertSeparator(before);
    modeChanged();
}

HistoryExchange::~HistoryExchange() = default;

bool HistoryExchange::isRunning() const {
    return task_.isRunning();
}

void HistoryExchange::modeChanged() {
    importMenu_->setEnabled(!isRunning() && window_.mode() == HistoryMode::Received);
}

void HistoryExchange::setBusy(bool busy) {
    exportMenu_->setEnabled(!busy);
    importMenu_->setEnabled(!busy && window_.mode() == HistoryMode::Received);
}

void HistoryExchange::showProgress(const QString& what, int done, int total) {
    progress_->setText(QStringLiteral("%1 %2 / %3").arg(what).arg(done).arg(total));
}

void HistoryExchange::finished(const QString& text, bool failed) {
    progress_->clear();
    setBusy(false);
    context_.prompter->message(window_.widget, text, window_.widget->windowTitle(),
                               failed ? Prompter::Icon::Warning : Prompter::Icon::Information);
}

void HistoryExchange::exportMails(MailExport::Format format, bool selectedOnly) {
    if (isRunning())
        return;
    const HistoryMode mode = window_.mode();
    MailExport::Request request;
    request.format = format;
    request.recordFile = HistorySetup::fileOf(mode, context_.paths).path();
    request.direction = mode == HistoryMode::Sent ? MailDirection::Sent : MailDirection::Received;
    request.ownAddress = context_.settings.servers.MailAddress;
    if (selectedOnly) {
        request.records = window_.selectedRecords();
        if (request.records.isEmpty()) {
            context_.prompter->message(window_.widget, kNothingSelected, QString());
            return;
        }
    }
    const QString folder = context_.paths.applicationFolder();
    request.target =
        format == MailExport::Format::Mbox
            ? context_.prompter->saveFileName(window_.widget, QStringLiteral("mbox ファイルへ書き出し"),
                                              folder,
                                              QStringLiteral("mbox ファイル (*.mbox);;すべてのファイル (*)"))
            : context_.prompter->folderName(window_.widget, QStringLiteral("EML ファイルを書き出すフォルダ"),
                                            folder);
    if (request.target.isEmpty())
        return;
    // The save dialog has asked about an mbox file already; the .eml files
    // of a folder are asked about here.
    const QStringList existing = MailExport::existingTargets(request);
    if (format == MailExport::Format::EmlFolder && !existing.isEmpty() &&
        context_.prompter->message(
            window_.widget,
            QStringLiteral("書き出し先に同じ名前のファイルが %1 個あります。上書きしますか？")
                .arg(existing.size()),
            QStringLiteral("確認"), Prompter::Icon::Question,
            Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return;

    setBusy(true);
    auto outcome = std::make_shared<ExportOutcome>();
    const AppPaths paths = context_.paths;
    task_.start(
        [request, paths, outcome, this](BackgroundTask::Job& job) {
            const ExchangeHooks hooks = hooksFor(job, QStringLiteral("書き出し中"));
            outcome->written = MailExport::run(request, paths, hooks);
        },
        [this, outcome] {
            if (outcome->written)
                finished(ExportSummaryText(*outcome->written), false);
            else
                finished(ErrorText(outcome->written.error()), true);
        });
}

void HistoryExchange::importMails(ImportSource::Kind kind) {
    if (isRunning() || window_.mode() != HistoryMode::Received)
        return;
    const QString folder = context_.paths.applicationFolder();
    const QString source =
        kind == ImportSource::Kind::Mbox
            ? context_.prompter->openFileName(
                  window_.widget, QStringLiteral("mbox ファイルから取り込み"), folder,
                  QStringLiteral("mbox ファイル (*.mbox *.mbx);;すべてのファイル (*)"))
            : context_.prompter->folderName(window_.widget,
                                            kind == ImportSource::Kind::Maildir
                                                ? QStringLiteral("取り込む Maildir")
                                                : QStringLiteral("取り込む EML ファイルのフォルダ"),
                                            folder);
    if (source.isEmpty())
        return;
    setBusy(true);
    auto plan = std::make_shared<ImportPlan>();
    const AppPaths paths = context_.paths;
    task_.start(
        [kind, source, paths, plan, this](BackgroundTask::Job& job) {
            const ExchangeHooks hooks = hooksFor(job, QStringLiteral("読み込み中"));
            plan->plan = MailImport::prepare(kind, source, paths, hooks);
        },
        [this, plan] {
            if (!plan->plan) {
                finished(ErrorText(plan->plan.error()), true);
                return;
            }
            const int before = plan->plan->alreadyImported;
            const bool again =
                before > 0 &&
                context_.prompter->message(
                    window_.widget,
                    QStringLiteral("この中の %1 件は前に取り込んだメールです。もう一度取り込みますか？\n"
                                   "（「いいえ」: それらを飛ばして取り込みます）")
                        .arg(before),
                    QStringLiteral("確認"), Prompter::Icon::Question,
                    Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
            runImport(plan, again);
        });
}

ExchangeHooks HistoryExchange::hooksFor(BackgroundTask::Job& job, const QString& doing) {
    return {[&job, this, doing](int done, int total) {
                job.postLatest(0, [this, doing, done, total] { showProgress(doing, done, total); });
            },
            [&job] { return job.cancelled(); }};
}

void HistoryExchange::runImport(std::shared_ptr<ImportPlan> plan, bool again) {
    const AppPaths paths = context_.paths;
    task_.start(
        [plan, again, paths, this](BackgroundTask::Job& job) {
            const ExchangeHooks hooks = hooksFor(job, QStringLiteral("取り込み中"));
            plan->outcome = MailImport::run(*plan->plan, again, paths, hooks);
        },
        [this, plan] {
            if (plan->outcome.imported > 0 && window_.historyGrew)
                window_.historyGrew();
            finished(ImportSummaryText(plan->outcome), plan->outcome.error.has_value());
        });
}
