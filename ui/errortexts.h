#pragma once

#include <QString>

#include "text/error.h"

// The words the user reads for what went wrong (message boxes, status
// texts, the import's summary): one place that turns each kind of error,
// with its particulars and what lies beneath it, into its text.

QString ErrorText(const Error& error);

// The Yes/No question a connection puts before going on: trust a certificate
// that fails the checks (a Certificate error), or send a password in clear
// (the ClearLoginDeclined a "No" gives).
QString QuestionText(const Error& problem);

// Why a system call failed: a full disk said so in Japanese, anything else
// as the system puts it.
QString SystemErrorText(int error);
