#include "transport/transportlibraries.h"

#include <curl/curl.h>
#include <gmime/gmime.h>

namespace {
int users = 0;
bool lazilyStarted = false;
} // namespace

TransportLibraries::TransportLibraries() {
    if (users++ == 0 && !lazilyStarted) {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        g_mime_init();
    }
}

TransportLibraries::~TransportLibraries() {
    if (--users == 0 && !lazilyStarted) {
        g_mime_shutdown();
        curl_global_cleanup();
    }
}

void TransportLibraries::ensure() {
    if (users > 0 || lazilyStarted)
        return;
    // Started for a caller without a guard: kept until the process ends.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    g_mime_init();
    lazilyStarted = true;
}
