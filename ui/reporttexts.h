#pragma once

#include <QString>

#include "addressbook/addressexchange.h"
#include "compose/mailsend.h"
#include "exchange/mailimport.h"
#include "history/maildeletion.h"
#include "oauth/loopbackredirect.h"
#include "receive/checkschedule.h"
#include "settings/accountprofile.h"
#include "store/mailrecord.h"

// The words the windows say about what the logic reports besides errors:
// summaries, progress and status texts, the questions put before a step,
// and the page the browser shows after a sign-in. One place for each
// sentence, beside the errors' (ui/errortexts.h).

// After an import into the received history: what came in, what was left
// out and why, and the first of the notices that name their mails.
QString ImportSummaryText(const MailImport::Outcome& outcome);
// After an export: how many mails were written.
QString ExportSummaryText(int written);

// The compose window's status bar while a mail is on its way, and after.
QString SendingText();
QString SendStatusText(const SendReport& report);
// The title of the message box that shows why a mail was not sent.
QString SendErrorTitle();

// After the address book took in a vCard or contacts file.
QString AddressImportSummaryText(const AddressExchange::Imported& imported);

// Asked before one mail of a history goes, and before every sent mail goes.
QString DeletionQuestionText(const MailDeletion::Question& question);
QString DeleteAllQuestionText();
// Asked before the editor's 新規作成 empties a file that holds something.
QString EmptyingQuestionText(const QString& file);

// The received history's title with how many of its mails are unread, and
// the main window's line of that count (empty when every mail was read).
QString HistoryTitleText(const QString& caption, int unread);
QString UnreadStatusText(int unread);

// An account as the settings hub lists it: its name, else its address.
QString AccountListText(const AccountProfile& account);
// Asked before an account is removed.
QString RemoveAccountQuestionText(const AccountProfile& account);

// Settings that could not be written: why, and that they hold for this run only.
QString SettingsForThisRunText(const Error& notWritten);

// What the browser shows when it comes back from the provider.
LoopbackRedirect::Pages SignInPages();

// The desktop notice after a check that stored mail: how many came, and
// the sender and subject of the newest few, newest first.
QString NewMailNoticeSummary(int stored);
QString NewMailNoticeBody(const QList<MailRecord>& newestFirst, int stored);
// The notice of a timed check that could not go on: the server out of
// reach, a question kept for the user (or the settings it lacks), an error.
QString TimedCheckNoticeSummary();
QString TimedCheckNoticeBody(CheckSchedule::Ending ending, const std::optional<Error>& question,
                             const QList<Error>& errors);
// What a notice's click is called where the desktop shows it as a button.
QString NoticeOpenLabel();
// Asked the first time the main window is closed while the tray icon shows.
QString CloseToTrayQuestionText();
