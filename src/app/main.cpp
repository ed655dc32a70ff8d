#include "platform/AppInfo.h"
#include "app/frmPenwick.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::title());
    QApplication::setDesktopFileName(QStringLiteral("penwick"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(appinfo::versionMajor)
                                            .arg(appinfo::versionMinor)
                                            .arg(appinfo::versionRevision));
    // The command line is one document path, spaces and all.
    QStringList arguments = QApplication::arguments().mid(1);
    frmPenwick window(arguments.join(QLatin1Char(' ')));
    // After the window: its toolbar brings the program's icon resources in.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("penwick"), QIcon(QStringLiteral(":/icons/penwick-128.png"))));
    window.show();
    return app.exec();
}
