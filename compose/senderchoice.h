#pragma once

#include <QList>
#include <QString>

#include "compose/accountsend.h"
#include "settings/accountprofile.h"

class QComboBox;
class QLabel;
struct AppContext;

// The From choice of the compose and reply windows: every account by its
// name and address, the first unless another is chosen. With one account
// there is nothing to choose and it stays hidden.
class SenderChoice {
  public:
    SenderChoice() = default;
    SenderChoice(QLabel* label, QComboBox* box);

    // With the accounts of this run (the keyring not asked); true when it
    // shows: more than one account.
    bool fill(const AppContext& context);
    // An account no longer there leaves the first chosen.
    void choose(const QString& key);
    QString chosenKey() const;
    // A send as the account chosen, to run off the window thread.
    AccountSend sendAs(const AppContext& context) const;

  private:
    QLabel* label_ = nullptr;
    QComboBox* box_ = nullptr;
};
