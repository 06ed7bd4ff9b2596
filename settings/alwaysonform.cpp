#include "settings/alwaysonform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

constexpr ControlRow kControls[] = {
    Row<&AlwaysOnForm::Label1>("Label1", {240, 280, 1500, 255}, u"自動受信(&R)").buddy("IntervalCombo"),
    Row<&AlwaysOnForm::IntervalCombo>("IntervalCombo", {1800, 240, 1900, 315}, {},
                                      u"設定した間隔で「受信」と同じ受信をします。"),
    Row<&AlwaysOnForm::AtStartCheck>("AtStartCheck", {240, 720, 3500, 315}, u"起動したときに受信する(&S)"),
    Row<&AlwaysOnForm::TrayCheck>("TrayCheck", {240, 1120, 3500, 315}, u"閉じてもトレイで動き続ける(&T)",
                                  u"メイン画面を閉じても終了せず、通知領域のアイコンから使えます。"
                                  u"終了はアイコンのメニューの「終了」で行います。"),
    Row<&AlwaysOnForm::LoginCheck>("LoginCheck", {240, 1520, 3500, 315}, u"ログイン時に起動(&L)"),
    Row<&AlwaysOnForm::OKCommand>("OKCommand", {900, 2040, 1335, 435}, u"設定"),
    Row<&AlwaysOnForm::CancelCommand>("CancelCommand", {2400, 2040, 1335, 435}, u"中止"),
};

constexpr WindowDesign kDesign{.name = "AlwaysOnForm",
                               .title = u"自動受信と常駐",
                               .width = 4000,
                               .height = 2700,
                               .fixedSize = true,
                               .rows = kControls};

QString intervalCaption(int minutes) {
    return minutes == 0 ? QStringLiteral("しない") : QStringLiteral("%1分ごと").arg(minutes);
}

} // namespace

AlwaysOnForm::AlwaysOnForm(AppContext& context, AutostartEntry autostart, QString program)
    : DesignedWindow(kDesign), context_(context), autostart_(std::move(autostart)),
      program_(std::move(program)) {
    build();
    for (int minutes : AlwaysOn::kMinuteChoices)
        IntervalCombo->addItem(intervalCaption(minutes), minutes);
    connect(OKCommand, &QPushButton::clicked, this, &AlwaysOnForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &AlwaysOnForm::CancelCommand_Click);
}

void AlwaysOnForm::open() {
    const AlwaysOn& a = context_.settings.alwaysOn;
    IntervalCombo->setCurrentIndex(std::max(0, IntervalCombo->findData(a.checkMinutes)));
    AtStartCheck->setChecked(a.checkAtStart);
    TrayCheck->setChecked(a.onClose == AlwaysOn::OnClose::KeepInTray);
    LoginCheck->setChecked(autostart_.isInstalled());
    show();
    raise();
    activateWindow();
}

void AlwaysOnForm::OKCommand_Click() {
    AlwaysOn& a = context_.settings.alwaysOn;
    a.checkMinutes = IntervalCombo->currentData().toInt();
    a.checkAtStart = AtStartCheck->isChecked();
    // Unticked before and after: a question not yet asked stays to be asked.
    if (TrayCheck->isChecked())
        a.onClose = AlwaysOn::OnClose::KeepInTray;
    else if (a.onClose == AlwaysOn::OnClose::KeepInTray)
        a.onClose = AlwaysOn::OnClose::Quit;
    QList<Error> failed;
    if (Status s = a.write(context_.paths.accountFile()); !s)
        failed.append(s.error());
    if (LoginCheck->isChecked() != autostart_.isInstalled()) {
        const Status s = LoginCheck->isChecked() ? autostart_.install(program_, context_.currentFolder)
                                                 : autostart_.remove();
        if (!s)
            failed.append(s.error());
    }
    for (const Error& e : failed)
        context_.prompter->message(this, SettingsForThisRunText(e), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
    if (onChanged)
        onChanged();
    close();
}

void AlwaysOnForm::CancelCommand_Click() {
    close();
}
