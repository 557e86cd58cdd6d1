#include "widgets/app_icon.h"
#include "widgets/dialogs.h"
#include "app/main_window.h"
#include "session/core_session.h"
#include "tools/command_window.h"
#include "tools/file_test_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dtu-config"));
    // Window managers match the window to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.dtuconfig.DtuConfig"));
    QApplication::setWindowIcon(ApplicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("DTU configuration and test tool"));
    parser.addHelpOption();
    const QCommandLineOption profileOption(QStringLiteral("profile"),
                                           QStringLiteral("Load this device profile at start (instead of lastfile.log)."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Save a picture of the main window to FILE and exit."),
                                              QStringLiteral("FILE"));
    parser.addOption(profileOption);
    parser.addOption(screenshotOption);
    parser.process(app);

    CoreSession session;
    WidgetDialogs dialogs;
    MainWindow form1(session, dialogs);
    CommandWindow form2(session, dialogs);
    FileTestWindow fileTest(session, dialogs);
    form1.attachToolWindows(form2, fileTest);

    if (parser.isSet(profileOption))
        form1.loadProfileFromCommandLine(parser.value(profileOption));
    form1.show();

    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        QTimer::singleShot(500, &form1, [&form1, &app, file] {
            const bool saved = form1.grab().save(file);
            if (!saved)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
