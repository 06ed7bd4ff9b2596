#include "settings/setform.h"

#include <QPushButton>

namespace {

constexpr ControlRow kControls[] = {
    Row<&SetForm::Command1>("Command1", {240, 360, 1455, 615}, u"ID/PASS"),
    Row<&SetForm::Command2>("Command2", {1905, 360, 1455, 615}, u"POPサーバー"),
    Row<&SetForm::Command3>("Command3", {240, 1155, 3120, 495}, u"自動受信と常駐",
                            u"一定の間隔での受信、トレイでの常駐、ログイン時の起動を設定します。"),
};

constexpr WindowDesign kDesign{
    .name = "SetForm", .title = u"設定", .width = 3600, .height = 2000, .fixedSize = true, .rows = kControls};

} // namespace

SetForm::SetForm(std::function<void()> openAccount, std::function<void()> openServers,
                 std::function<void()> openAlwaysOn)
    : DesignedWindow(kDesign), openAccount_(std::move(openAccount)), openServers_(std::move(openServers)),
      openAlwaysOn_(std::move(openAlwaysOn)) {
    build();
    connect(Command1, &QPushButton::clicked, this, &SetForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SetForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &SetForm::Command3_Click);
}

void SetForm::Command1_Click() {
    openAccount_();
}

void SetForm::Command2_Click() {
    openServers_();
}

void SetForm::Command3_Click() {
    openAlwaysOn_();
}
