#include "app/AppInfo.h"
#include "app/frmPenwick.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::title());
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(appinfo::versionMajor)
                                            .arg(appinfo::versionMinor)
                                            .arg(appinfo::versionRevision));
    // The command line is one document path, spaces and all.
    QStringList arguments = QApplication::arguments().mid(1);
    frmPenwick window(arguments.join(QLatin1Char(' ')));
    window.show();
    return app.exec();
}
