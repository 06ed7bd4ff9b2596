#pragma once

#include <gtest/gtest.h>

#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "ui/appcontext.h"

// A throwaway application folder with its folders and record files laid out,
// and the context a window is given on it, its message boxes answered from a
// script. Window tests' fixtures derive from it.
struct AppFolder {
    AppFolder() {
        context.prompter = &prompter;
        layOut();
    }
    AppFolder(const AppFolder&) = delete; // the context points at the prompter
    AppFolder& operator=(const AppFolder&) = delete;

    TempFolder app;
    ScriptedPrompter prompter;
    AppContext context{AppPaths(app.path()), app.path()};

  private:
    // Fatal: a fixture's test does not run on a folder without its layout.
    void layOut() { ASSERT_TRUE(context.paths.ensureLayout().ok()); }
};
