#include "widgets/app_icon.h"
#include "widgets/dialogs.h"
#include "app/main_window.h"
#include "station/station_window.h"
#include "session/core_session.h"
#include "tools/command_window.h"
#include "tools/file_test_window.h"
#include "text/language.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
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
    const QCommandLineOption langOption(QStringLiteral("lang"),
                                        QStringLiteral("Interface language, zh or en (default: the one chosen in the menu)."),
                                        QStringLiteral("LANG"));
    const QCommandLineOption tabOption(QStringLiteral("tab"), QStringLiteral("Show the tab with this index at start."),
                                       QStringLiteral("N"));
    const QCommandLineOption windowOption(QStringLiteral("screenshot-window"),
                                          QStringLiteral("With --screenshot: picture the command or filetest window instead."),
                                          QStringLiteral("NAME"));
    const QCommandLineOption stationOption(QStringLiteral("station"),
                                           QStringLiteral("Open straight into the station page with this recipe (a bench PC at log-in)."),
                                           QStringLiteral("RECIPE"));
    const QCommandLineOption startOption(QStringLiteral("start"), QStringLiteral("With --station: start the station at once."));
    const QCommandLineOption delayOption(QStringLiteral("screenshot-delay"),
                                         QStringLiteral("With --screenshot: wait this long before the picture (default 500)."),
                                         QStringLiteral("MS"), QStringLiteral("500"));
    parser.addOption(stationOption);
    parser.addOption(startOption);
    parser.addOption(delayOption);
    parser.addOption(profileOption);
    parser.addOption(screenshotOption);
    parser.addOption(langOption);
    parser.addOption(tabOption);
    parser.addOption(windowOption);
    parser.process(app);

    UiLanguage language = UiLanguage::Chinese;
    QString langError;
    if (!StartLanguage(parser.value(langOption), language, langError)) {
        std::fprintf(stderr, "%s\n", qPrintable(langError));
        return 2;
    }
    if (!ApplyLanguage(language))
        std::fprintf(stderr, "the English texts are missing from this build; the window stays Chinese\n");

    CoreSession session;
    WidgetDialogs dialogs;
    MainWindow form1(session, dialogs);
    CommandWindow form2(session, dialogs);
    FileTestWindow fileTest(session, dialogs);
    form1.attachToolWindows(form2, fileTest);

    if (parser.isSet(profileOption))
        form1.loadProfileFromCommandLine(parser.value(profileOption));
    if (parser.isSet(tabOption))
        if (auto *tabs = form1.findChild<QTabWidget *>())
            tabs->setCurrentIndex(parser.value(tabOption).toInt());
    QWidget *pictured = &form1;
    if (parser.isSet(stationOption)) {
        StationWindow &station = form1.stationWindow();
        if (parser.isSet(screenshotOption))
            station.resize(1366, 768);
        else
            station.showMaximized();
        station.show();
        if (station.openRecipe(parser.value(stationOption)) && parser.isSet(startOption))
            station.startStation();
        pictured = &station;
    } else {
        form1.show();
    }

    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        const QString which = parser.value(windowOption);
        if (which == QLatin1String("command"))
            pictured = &form2;
        else if (which == QLatin1String("filetest"))
            pictured = &fileTest;
        pictured->show();
        QTimer::singleShot(std::max(0, parser.value(delayOption).toInt()), &form1, [pictured, &app, file] {
            const bool saved = pictured->grab().save(file);
            if (!saved)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
