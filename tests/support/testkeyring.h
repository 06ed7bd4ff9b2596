#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "tests/support/scriptednotifications.h"

// GNOME Keyring's Secret Service, unlocked with a password of the test's
// own and keeping its keyrings in a folder of the test's own, on a private
// session bus that becomes the process's session bus. The keyring library
// joins the session bus once per process, so this is a test environment:
// started once for the whole test program, and ended by PID.
class TestKeyring : public testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override;
    // The keyring stops answering (SIGSTOP), and answers again.
    void hang();
    void resume();

  private:
    std::unique_ptr<PrivateSessionBus> bus_;
    QTemporaryDir home_;
    QProcess daemon_;
};
