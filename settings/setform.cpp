#include "settings/setform.h"

#include <QListWidget>
#include <QPushButton>

#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

constexpr ControlRow kControls[] = {
    Row<&SetForm::AccountList>("AccountList", {240, 240, 3120, 1500}, {},
                               u"受信するアカウントです。選んだアカウントを下のボタンで設定します。"),
    Row<&SetForm::UpCommand>("UpCommand", {240, 1860, 720, 400}, u"上へ",
                             u"選んだアカウントを上へ移します。"),
    Row<&SetForm::DownCommand>("DownCommand", {1040, 1860, 720, 400}, u"下へ",
                               u"選んだアカウントを下へ移します。"),
    Row<&SetForm::AddCommand>("AddCommand", {1840, 1860, 720, 400}, u"追加", u"アカウントを追加します。"),
    Row<&SetForm::RemoveCommand>("RemoveCommand", {2640, 1860, 720, 400}, u"削除",
                                 u"選んだアカウントを削除します。受信したメールは残ります。"),
    Row<&SetForm::Command1>("Command1", {240, 2460, 1455, 615}, u"ID/PASS"),
    Row<&SetForm::Command2>("Command2", {1905, 2460, 1455, 615}, u"POPサーバー"),
    Row<&SetForm::Command3>("Command3", {240, 3255, 3120, 495}, u"自動受信と常駐",
                            u"一定の間隔での受信、トレイでの常駐、ログイン時の起動を設定します。"),
};

constexpr WindowDesign kDesign{
    .name = "SetForm", .title = u"設定", .width = 3600, .height = 3950, .fixedSize = true, .rows = kControls};

} // namespace

SetForm::SetForm(AppContext& context, OpenFor openAccount, OpenFor openServers,
                 std::function<void()> openAlwaysOn)
    : DesignedWindow(kDesign), context_(context), openAccount_(std::move(openAccount)),
      openServers_(std::move(openServers)), openAlwaysOn_(std::move(openAlwaysOn)) {
    build();
    connect(AccountList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            select(row);
    });
    connect(UpCommand, &QPushButton::clicked, this, &SetForm::UpCommand_Click);
    connect(DownCommand, &QPushButton::clicked, this, &SetForm::DownCommand_Click);
    connect(AddCommand, &QPushButton::clicked, this, &SetForm::AddCommand_Click);
    connect(RemoveCommand, &QPushButton::clicked, this, &SetForm::RemoveCommand_Click);
    connect(Command1, &QPushButton::clicked, this, &SetForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SetForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &SetForm::Command3_Click);
    Form_Load();
}

void SetForm::Form_Load() {
    const Accounts::Loaded loaded = context_.accounts().load();
    accounts_ = loaded.accounts;
    const QSignalBlocker quiet(AccountList);
    AccountList->clear();
    for (const AccountProfile& account : accounts_)
        AccountList->addItem(AccountListText(account));
    select(std::min(selectedRow_, int(accounts_.size()) - 1));
    if (loaded.unreadable)
        showError(*loaded.unreadable);
}

void SetForm::select(int row) {
    selectedRow_ = row;
    {
        const QSignalBlocker quiet(AccountList);
        AccountList->setCurrentRow(row);
    }
    const bool further = row > 0;
    UpCommand->setEnabled(row > 1);
    DownCommand->setEnabled(further && row < accounts_.size() - 1);
    RemoveCommand->setEnabled(further);
    AddCommand->setEnabled(accounts_.size() < Accounts::kMost);
}

void SetForm::showError(const Error& error) {
    context_.prompter->message(this, ErrorText(error), QStringLiteral("Fennick"), Prompter::Icon::Warning);
}

void SetForm::Command1_Click() {
    openAccount_(accounts_[selectedRow_].key);
}

void SetForm::Command2_Click() {
    openServers_(accounts_[selectedRow_].key);
}

void SetForm::Command3_Click() {
    openAlwaysOn_();
}

void SetForm::AddCommand_Click() {
    const Result<AccountProfile> added = context_.accounts().add({});
    if (!added)
        return showError(added.error());
    selectedRow_ = int(accounts_.size());
    Form_Load();
}

void SetForm::RemoveCommand_Click() {
    const AccountProfile& account = accounts_[selectedRow_];
    if (context_.prompter->message(this, RemoveAccountQuestionText(account), QStringLiteral("確認"),
                                   Prompter::Icon::Question,
                                   Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return;
    const Status removed = context_.accounts().remove(account.key);
    Form_Load();
    if (!removed)
        showError(removed.error());
}

void SetForm::UpCommand_Click() {
    move(-1);
}

void SetForm::DownCommand_Click() {
    move(1);
}

void SetForm::move(int step) {
    QStringList further;
    for (const AccountProfile& account : accounts_.mid(1))
        further.append(account.key);
    const int from = selectedRow_ - 1;
    if (from < 0 || from + step < 0 || from + step >= further.size())
        return;
    further.move(from, from + step);
    if (const Status moved = context_.accounts().reorder(further); !moved)
        return showError(moved.error());
    selectedRow_ += step;
    Form_Load();
}
