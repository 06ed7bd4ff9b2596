#pragma once

#include <QString>
#include <functional>
#include <sys/resource.h>

// What a forked child may not do, so that a test meets a real full disk or a
// real refusal without anything of it outliving the child.
struct ChildLimits {
    rlim_t fileSize = RLIM_INFINITY; // RLIMIT_FSIZE: a write past it fails with EFBIG
    bool fileModesApply = false;     // drops every capability: root too is refused by a folder's mode
};

struct ChildResult {
    int exitCode = -1; // -1: it did not exit normally
    QString output;
};

// Runs `work` in a forked child under `limits`; the text it returns comes back.
ChildResult RunInChild(const ChildLimits& limits, const std::function<QString()>& work);
