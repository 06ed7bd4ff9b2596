#pragma once

// libcurl's and GMime's global set-up, done once at start-up and ended once
// at shut-down. The mail classes also call ensure() themselves, so that a
// test or tool that uses them alone needs nothing more.
class TransportLibraries {
  public:
    TransportLibraries();
    ~TransportLibraries();
    TransportLibraries(const TransportLibraries&) = delete;
    TransportLibraries& operator=(const TransportLibraries&) = delete;

    static void ensure();
};
