#pragma once

#include "transport/tlspolicy.h"

// For servers in clear that the tests start: the user says yes to a login
// without TLS, and nothing is kept.
inline TlsPolicy ClearLoginAgreed() {
    return TlsPolicy(QString(), [](const Error&) { return true; });
}
