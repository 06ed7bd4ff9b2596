#pragma once

// libcurl's and GMime's process-wide set-up. Neither may be set up while
// another thread uses it, so exactly one of these lives at the top of main()
// (the program's, a test's, a tool's) and ends them when main returns.
class MailLibraries {
  public:
    MailLibraries();
    ~MailLibraries();
    MailLibraries(const MailLibraries&) = delete;
    MailLibraries& operator=(const MailLibraries&) = delete;
};
