#pragma once
// Puts the help pages into the temporary program folder, where an installed
// program has them beside it (the build copies them beside palvex, two
// folders up from the GUI tests).

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "support/GuiTest.h"

namespace palvex::test {

// True when the index page is in place afterwards.
inline bool CopyHelpPages() {
    const QString from = QCoreApplication::applicationDirPath() + "/../../Help/DE/";
    const QString to = QString::fromStdString(ProgramDir()) + "Help/DE/";
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList({"*.html"}))
        QFile::copy(from + name, to + name);
    return QFile::exists(to + "index.html");
}

}  // namespace palvex::test
