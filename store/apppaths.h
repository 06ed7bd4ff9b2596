#pragma once

#include <QString>

#include "text/result.h"

// Where every file and folder of the program lives, relative to the
// application folder (the folder of the executable; tests pass their own).
class AppPaths {
  public:
    explicit AppPaths(QString applicationFolder);

    static inline const QString kDataFolder = QStringLiteral("★MAilData");
    static inline const QString kAttachmentFolder = QStringLiteral("添付フォルダ");
    static inline const QString kQuickSaveFolder = QStringLiteral("■TextQuickSave");
    static inline const QString kReceivedMailFile = QStringLiteral("orxdata2.data");
    static inline const QString kSentMailFile = QStringLiteral("orxdata5.data");
    static inline const QString kAddressFile = QStringLiteral("orxdata20.data");
    static inline const QString kAccountFile = QStringLiteral("iniIdPass.ini");

    const QString& applicationFolder() const { return folder_; }

    // The application folder followed by the relative part, with exactly one
    // separator between them even when the folder is a root ("/").
    QString join(const QString& relative) const;

    // Existing entries are found whatever their letter case ("★MailData",
    // "Orxdata20.data" written by other copies); new ones get the spelling given.
    QString dataFolder() const;
    QString attachmentFolder() const;
    QString quickSaveFolder() const;
    QString dataFile(const QString& name) const;
    QString receivedMailFile() const { return dataFile(kReceivedMailFile); }
    QString sentMailFile() const { return dataFile(kSentMailFile); }
    QString addressFile() const { return dataFile(kAddressFile); }
    QString accountFile() const { return dataFile(kAccountFile); }

    // True when `name` would denote one of the installed folders.
    static bool isInstalledFolderName(const QString& name);

    // Creates each installed folder and record file that is missing; never
    // touches one that exists.
    Status ensureLayout() const;

  private:
    QString folder_;
};

// Joins folder and name with one separator, then looks for an existing entry
// whose name matches without regard to letter case. Returns the existing
// spelling when there is one, else the path as given.
QString ResolveCaseInsensitive(const QString& folder, const QString& name);
