#pragma once

// GMime's process-wide set-up. It may not be set up while another thread
// uses it, so exactly one of these lives at the top of main() (the
// program's, a test's, a tool's) and ends it when main returns.
class MailLibraries {
  public:
    MailLibraries();
    ~MailLibraries();
    MailLibraries(const MailLibraries&) = delete;
    MailLibraries& operator=(const MailLibraries&) = delete;
};
