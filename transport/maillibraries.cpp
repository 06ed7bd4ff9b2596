#include "transport/maillibraries.h"

#include <gmime/gmime.h>

MailLibraries::MailLibraries() {
    g_mime_init();
}

MailLibraries::~MailLibraries() {
    g_mime_shutdown();
}
