#pragma once

class AppWindows;
struct AppContext;

// Start-up before the main window is shown: the server settings from
// orvex.ini and the timed checks beside the account, then the server window when no POP3 server is set, then
// the account window (loaded in any case) when the ID or the password is empty.
void StartUp(AppContext& context, AppWindows& windows);
