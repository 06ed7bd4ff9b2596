#pragma once

#include <QString>

#include "history/historymode.h"
#include "history/maildetails.h"
#include "text/result.h"

// What a click on row p of the history list shows.
struct MailDisplay {
    enum class View {
        KindOnly, // a kind that is neither HTML nor TEXT: only Text10 changes
        Text,     // the text area, in front
        Page,     // the page index.htm of a received HTML mail, in front
        Source,   // that page's source text in the text area
    };
    View view = View::Text;
    MailDetails shown;
    QString pageFile;         // for Page: the index.htm to show (empty when the mail has no folder)
    QString pageFolder;       // for Page: the only folder the page may load from
    bool updatesCount = true; // the HTML views leave the count box alone

    // Reads only record p. Answers nothing for a row past the end of the file.
    static Result<std::optional<MailDisplay>> forRow(HistoryMode mode, const AppPaths& paths, int p,
                                                     bool htmlAsSource);
};
