#pragma once

// addressbook/: the address book: its entries, the operations behind its
// window, and exchanging addresses with other mail programs.

#include <QList>
#include <QString>
#include <functional>

#include "store/addressfile.h"
#include "store/apppaths.h"
#include "text/result.h"

// One correspondent as the window shows it.
struct AddressEntry {
    QString name;
    QString address;

    friend bool operator==(const AddressEntry&, const AddressEntry&) = default;
};

// The operations of the address book window on orxdata20.data. Row i of the
// window's list is record i of the file.
class AddressBook {
  public:
    explicit AddressBook(const AppPaths& paths);

    // The rows of the list, record 1 first: address and name cut at their
    // first NUL, trailing spaces kept. Creates the file empty when missing.
    Result<QList<AddressEntry>> rows() const;
    // The entries with their spaces trimmed, for exporting.
    Result<QList<AddressEntry>> entries() const;

    // Appends the boxes as they are (no check); answers the new record number.
    Result<int> registerEntry(const QString& name, const QString& address) const;

    // Record n with its texts trimmed at both ends. A number past the file (a
    // list out of step with it) fails with AddressNotInFile.
    Result<AddressEntry> entryAt(int n) const;

    struct DeleteOutcome {
        enum class Kind { Deleted, Declined, Failed };
        Kind kind;
        Error error;                       // for Failed
        std::optional<AddressEntry> entry; // as read, when there was one
    };
    // Reads record n, hands it to `confirm` (which shows it and asks; true
    // for Yes), marks it deleted on Yes, and rebuilds the file whatever the
    // answer.
    DeleteOutcome deleteAfterAsking(int n, const std::function<bool(const AddressEntry&)>& confirm) const;

    const AddressFile& file() const { return file_; }

  private:
    AddressFile file_;
};
