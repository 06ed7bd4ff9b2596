#include "transport/maillibraries.h"

#include <curl/curl.h>
#include <gmime/gmime.h>

MailLibraries::MailLibraries() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    g_mime_init();
}

MailLibraries::~MailLibraries() {
    g_mime_shutdown();
    curl_global_cleanup();
}
