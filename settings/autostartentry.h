#pragma once

#include <QByteArray>
#include <QString>

#include "text/result.h"

// 「ログイン時に起動」: the desktop starts the program at login when an XDG
// autostart entry names it, "<config>/autostart/fennick.desktop", where
// <config> is $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
// The entry starts the program in its application folder, which is where
// orvex.ini is read.
class AutostartEntry {
  public:
    explicit AutostartEntry(QString path) : path_(std::move(path)) {}
    // The entry of this user, from the environment.
    static AutostartEntry forUser();
    static QString pathFor(const QString& xdgConfigHome, const QString& home);

    // The desktop entry's text (UTF-8, as desktop entries are).
    static QByteArray contents(const QString& program, const QString& folder);

    bool isInstalled() const;
    Status install(const QString& program, const QString& folder) const;
    // Nothing to remove is not an error.
    Status remove() const;
    const QString& path() const { return path_; }

  private:
    QString path_;
};
