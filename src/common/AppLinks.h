// Where the help commands lead: the program's web site and shop under one base
// address, and the user guide that is installed with the program (it works offline).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class AppLinks {
public:
    AppLinks() = delete;

    static constexpr char kBaseAddress[] = "https://veltra-player.org/";

    static QUrl website();
    static QUrl shop();
    // The user guide's index page as a file URL; empty when no copy is found.
    static QUrl userGuide();
    // The places searched for the guide, first match wins: beside the installed
    // program, then the source tree of a build that was not installed.
    static QStringList userGuideCandidates(const QString &applicationDir);
};
