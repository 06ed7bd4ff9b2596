#include "compose/senderchoice.h"

#include <QComboBox>
#include <QLabel>

#include "ui/appcontext.h"
#include "ui/usertransport.h"

SenderChoice::SenderChoice(QLabel* label, QComboBox* box) : label_(label), box_(box) {}

bool SenderChoice::fill(const AppContext& context) {
    const QList<AccountProfile> accounts = context.accountsThisRun().listed();
    box_->clear();
    for (const AccountProfile& a : accounts) {
        const QString shown =
            a.displayName.isEmpty() ? a.address : QStringLiteral("%1 <%2>").arg(a.displayName, a.address);
        box_->addItem(shown, a.key);
    }
    box_->setCurrentIndex(0);
    const bool several = accounts.size() > 1;
    label_->setVisible(several);
    box_->setVisible(several);
    return several;
}

void SenderChoice::choose(const QString& key) {
    box_->setCurrentIndex(qMax(0, box_->findData(key)));
}

QString SenderChoice::chosenKey() const {
    const QVariant key = box_->currentData();
    return key.isValid() ? key.toString() : AccountProfile::kFirstKey;
}

AccountSend SenderChoice::sendAs(const AppContext& context) const {
    return AccountSend(context.paths, context.accountsThisRun(), chosenKey(), UserSmtpSenders(context));
}
