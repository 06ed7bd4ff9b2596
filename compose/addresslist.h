#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "store/addressfile.h"
#include "store/apppaths.h"
#include "text/result.h"

// The correspondents' names that the compose window lists, read from a file
// of address records: entry i shows the name of record recordNumbers[i].
struct AddressList {
    QStringList names; // all 90 characters of each name, as read
    QList<int> recordNumbers;

    // The list the window opens with comes from ★MAilData/ORXASTER20.INI,
    // which no part of this program writes; it is created empty when missing.
    static Result<AddressList> fromStartupFile(const AppPaths& paths);
    static Result<AddressList> fromAddressBook(const AppPaths& paths);

    // The recipient for address-book record `number`: its address cut to 60
    // characters and trimmed of spaces.
    static Result<QString> pickedAddress(const AppPaths& paths, int number);

  private:
    static Result<AddressList> read(const AddressFile& file);
};
