#include "settings/setform.h"

#include <QPushButton>

namespace {

constexpr ControlRow kControls[] = {
    Row<&SetForm::Command1>("Command1", {240, 360, 1455, 615}, u"ID/PASS"),
    Row<&SetForm::Command2>("Command2", {1905, 360, 1455, 615}, u"POPサーバー"),
};

constexpr WindowDesign kDesign{
    .name = "SetForm", .title = u"設定", .width = 3600, .height = 1500, .fixedSize = true, .rows = kControls};

} // namespace

SetForm::SetForm(std::function<void()> openAccount, std::function<void()> openServers)
    : DesignedWindow(kDesign), openAccount_(std::move(openAccount)), openServers_(std::move(openServers)) {
    build();
    connect(Command1, &QPushButton::clicked, this, &SetForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SetForm::Command2_Click);
}

void SetForm::Command1_Click() {
    openAccount_();
}

void SetForm::Command2_Click() {
    openServers_();
}
