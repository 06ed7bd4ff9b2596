#pragma once

#include <QList>
#include <QString>

#include "settings/accountprofile.h"

class QComboBox;
class QLabel;

// The From choice of the compose and reply windows: every account by its
// name and address, the first unless another is chosen. With one account
// there is nothing to choose and it stays hidden.
class SenderChoice {
  public:
    SenderChoice() = default;
    SenderChoice(QLabel* label, QComboBox* box);

    // True when it shows: more than one account.
    bool fill(const QList<AccountProfile>& accounts);
    // An account no longer there leaves the first chosen.
    void choose(const QString& key);
    QString chosenKey() const;

  private:
    QLabel* label_ = nullptr;
    QComboBox* box_ = nullptr;
};
