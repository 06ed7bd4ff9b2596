#pragma once

#include <QList>
#include <QMetaEnum>
#include <QObject>
#include <QString>
#include <memory>

// What went wrong, as a value: what happened and its particulars (a
// server's own words, a path, a count, an errno), and what lay beneath it.
// The logic never words it; the windows turn it into the user's text
// (ui/errortexts.h). Each kind says which particulars it carries; the kinds
// are grouped by where they arise.
struct Error {
    Q_GADGET

  public:
    enum class Kind {
        // Reaching a server. `name` is the server as the user typed it.
        BadServerName,      // detail: the protocol, "POP3" or "SMTP"
        ServerNotFound,     // detail: the system's words
        CannotConnect,      // detail: the system's words
        Timeout,            // detail: the system's words, if any
        ConnectionLost,     // detail: the system's words, if any
        ConnectionFailed,   // detail: the system's words
        ConnectionDeclined, // the greeting of an SMTP server said no; detail: its reply
        LostMidReply,       // cause: how the connection ended
        LineTooLong,        // bytes: the limit; no name
        Cancelled,          // the work was stopped (its window closed) while it waited

        // TLS and certificates.
        NoTlsLibrary,       // OpenSSL is missing
        Tls,                // the handshake failed; detail: the library's words or the server's reply
        StlsRefused,        // POP3 STLS offered, then answered -ERR; detail: the reply
        StartTlsRefused,    // SMTP STARTTLS offered, then refused; detail: the reply
        TlsWithdrawn,       // a server seen with TLS before offers none now
        ClearLoginDeclined, // the user said no to a password in clear
        TlsRecordNotKept,   // path: the file; detail: why
        Certificate,        // name: the host; certificateReasons; detail: the SHA-256 fingerprint
        CertificateNotKept, // path: the file; detail: why

        // Logging in.
        Login,           // refused; detail: the server's words
        ApopUnsupported, // APOP asked for, the greeting has no timestamp
        TokenNeedsTls,   // a server without TLS gets no token
        NoTokenLogin,    // the server offers neither OAUTHBEARER nor XOAUTH2; detail: "POP3" or "SMTP"
        TokenRefused,    // detail: the server's words
        NotSignedIn,     // no sign-in is kept for the account
        SignInExpired,   // the provider refused to renew; cause: its answer

        // Signing in through the browser, and the provider's token server.
        NoSignInAddress,          // the address to sign in with is empty
        CustomProviderIncomplete, // an endpoint or the client ID of one's own provider is empty
        UnknownProvider,          // name: the provider's id
        NoClientId,               // name: the provider; detail: its section; path: the clients file
        SignInCancelled,
        SignInTimedOut,         // number: the minutes waited
        SignInDenied,           // the user did not allow the access
        SignInIncomplete,       // detail: the provider's error; none: the answer had no code
        NoRefreshToken,         // the provider gave none (offline access not allowed)
        RedirectNotOpened,      // the loopback port; detail: why
        TokenServerNotHttps,    // name: its URL
        TokenServerUnreachable, // name: the host; cause
        NoAccessToken,          // the answer has none
        TokenNotIssued,         // detail: the provider's error (and description)
        TokenServerBusy,        // number: the HTTP status; detail: the provider's error, if any
        TokenServerUnreadable,  // number: the HTTP status

        // What a server said.
        Refused,       // detail: the server's words, as they stand
        Protocol,      // detail: the reply that is not POP3
        NotSmtp,       // detail: the line that is no SMTP reply
        NotConnected,  // a POP3 command without a session
        ListMismatch,  // LIST and STAT disagree
        NotOnServer,   // number: the message
        TooLarge,      // number: the message; bytes: its listed size
        ReplyTooLarge, // bytes: the limit the reply went beyond
        NotReceived,   // number: the message; detail: the server's refusal, or cause
        NotDeleted,    // number: the message; detail: the server's refusal

        // Sending.
        NoRecipient,
        BadRecipient,         // name: the address
        BadSender,            // name: the address
        TooLargeForServer,    // bytes: the mail's size; number: the most the SMTP server takes (SIZE)
        AttachmentUnreadable, // name: the file
        NotSent,              // name: the recipient; cause: why
        NoAddressRecord,      // number: the address-book entry picked

        // Files and folders. `path` is the file or folder; why: systemError,
        // or detail (Qt's words) where no errno is known; either may be missing.
        FileNotOpened,
        FileNotExamined,
        FileNotRead,
        FileNotWritten,
        FileNotResized,
        FileNotSynced,
        FileNotClosed,
        FileNotCreated,
        FileNotRemoved,
        FileNotRenamed,
        FileShrank, // it ended sooner than it did a moment before
        NotAFile,   // a folder, a link or a device in a file's place
        FolderNotCreated,
        FolderNotOpened,
        FolderNotSynced,

        // The record files.
        TooManyRecords,       // number: the most a file holds
        RecordNotFound,       // the record to change is not in the file
        WorkingFileUnchecked, // path: a rebuild's working file left behind; name: the record file; cause

        // Storing received mail.
        AttachmentNotWritten, // name: the attachment's; systemError (EEXIST: every free name was taken)
        LogChanged,           // path: the received log, changed under the check

        // The mail check. `cause` is what went wrong underneath.
        LoginFailed,       // cause
        LogUnreadable,     // cause
        InAccount,         // name: the account's name; cause: what went wrong in its check
        AccountIncomplete, // name: a further account without its server or login
        NotVerified,       // cause: why the message could not be looked up among those stored
        NotStored,         // number, subject, sender: the message; cause
        NotSynced,         // cause
        FolderUnusable, // an HTML mail's subject names no folder: its files went only to 添付フォルダ;
                        // subject, sender: the mail
        PartsMissing,   // a piece of a split message; subject, sender: the mail

        // Settings.
        SettingsNotWritten,   // path
        SignInNotKept,        // path; why
        SignInNotRemoved,     // path
        AccountsUnreadable,   // path; number: the line at fault (0: the whole file); detail: why, if known
        SettingWithLineBreak, // a value holds a line break; detail: which value
        TooManyAccounts,      // number: the most there may be
        NoSuchAccount,        // name: the account's key

        // The desktop's keyring (Secret Service).
        NoKeyring,       // none is running
        KeyringRefused,  // detail: its words
        KeyringTimedOut, // number: the seconds waited

        // The search index.
        SearchIndexUnusable,    // detail: SQLite's words
        NoSearchIndex,          // there is none yet to look up
        SearchIndexOtherFormat, // made by another version
        IndexingStopped,        // cancelled
        RecordsChanged,         // the record file changed while it was read
        FactsUnusable,          // path: the facts beside a record file; detail: SQLite's words
        NoSuchRecord,           // count: the row asked for

        // Export and import.
        ExportStopped, // cancelled
        SourceChanged, // path: the file, changed while it was imported
        NotAnMbox,     // path
        NoSuchFolder,  // path
        NotAMaildir,   // path: a folder with neither cur nor new

        // The address book and its window.
        AddressNotInFile,  // the row's record is gone from the file
        AddressTooLong,    // number: the most the address box holds; count: the characters given
        NoAddressTyped,    // the address box is empty
        NoCardName,        // the card name box is empty
        CsvEmpty,          // a contacts file without a line
        CsvWithoutAddress, // a contacts file whose header names no address column

        // Saving a mail under its subject.
        SubjectWithSlash, // the subject holds a "/" or a NUL
        SubjectTooLong,   // its file name would be too long

        // Showing an HTML mail's page: the page engine's module.
        PageViewMissing,   // path: where it was looked for
        PageViewNotLoaded, // path; detail: the loader's words
    };
    Q_ENUM(Kind)

    // Each with its default, so that an error names only what it carries:
    // Error{.kind = Kind::Timeout, .name = server}.
    Kind kind = {};
    QString name = {};
    QString path = {};
    QString detail = {};
    qint64 number = 0;
    qint64 count = 0;
    qint64 bytes = 0;
    int systemError = 0;
    // The checks a server's certificate failed, each a QSslError::SslError
    // (this library links Qt Core only; the windows word them).
    QList<int> certificateReasons = {};
    QString subject = {};
    QString sender = {};
    std::shared_ptr<const Error> cause = {};

    // This error, with `why` beneath it.
    Error because(Error why) const {
        Error e = *this;
        e.cause = std::make_shared<const Error>(std::move(why));
        return e;
    }

    // For logs and test failures, not for the user: "Timeout(pop.example.jp …) <- …".
    QString debugText() const;

    // The same kind and particulars, down the causes.
    friend bool operator==(const Error& a, const Error& b);
};
