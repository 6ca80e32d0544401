// Program start: the application title, the windows wired in their fixed order, the loop.

#include "main_window.h"
#include "message_box.h"
#include "program_style.h"
#include "shutdown_signals.h"
#include "stall_log.h"
#include "window_wiring.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setFont(ProgramFont());
    QApplication::setWindowIcon(ProgramIcon());
    app.setQuitOnLastWindowClosed(false); // the main window ends the program itself
    // Qt's own dialogs (colour, save file) speak Japanese like the rest of the program.
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);

    TForm1 form1;
    WireWindows(form1);
    // Logout, shutdown and kill end the program as 終了 does. Set up before the main window
    // first attaches, so that the database client library hands these signals over too.
    ShutdownSignals shutdown([&form1] { form1.mnuExitClick(); });
    // Off unless OEKAKI_STALL_LOG names a file: the longest handler, for the soak script.
    StallLog::FromEnvironment(&app);
    form1.show();
    return app.exec();
}
