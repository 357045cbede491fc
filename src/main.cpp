#include "BuildInfo.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vireon Feeder"));
    QApplication::setOrganizationName(QStringLiteral("VireonFeeder"));
    QApplication::setApplicationVersion(QString::fromLatin1(vireon::buildinfo::shortVersion));

    // The tray shell arrives with the user-interface work; until then the binary only identifies itself.
    QTextStream(stdout) << "vireon-feeder " << vireon::buildinfo::shortVersion << " ("
                        << vireon::buildinfo::buildVersion << ")\n";
    return 0;
}
