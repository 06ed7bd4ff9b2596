#include "settings/setform.h"

#include <QPushButton>

#include "ui/twips.h"

SetForm::SetForm(std::function<void()> openAccount, std::function<void()> openServers)
    : openAccount_(std::move(openAccount)), openServers_(std::move(openServers)) {
    setObjectName(QStringLiteral("SetForm"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(Twips::toPixels(3600), Twips::toPixels(1500));
    Command1 = new QPushButton(QStringLiteral("ID/PASS"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::rect(240, 360, 1455, 615));
    Command2 = new QPushButton(QStringLiteral("POPサーバー"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(Twips::rect(1905, 360, 1455, 615));
    connect(Command1, &QPushButton::clicked, this, &SetForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SetForm::Command2_Click);
}

void SetForm::Command1_Click() {
    openAccount_();
}

void SetForm::Command2_Click() {
    openServers_();
}
