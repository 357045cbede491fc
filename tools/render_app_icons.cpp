// Writes the application's launcher icon (the antenna in its feeding colour) at the sizes desktops
// look for, in the layout of the hicolor icon theme:
//   render_app_icons <dir>
// gives <dir>/<n>x<n>/apps/vireon-feeder.png. packaging/icons holds the committed output.

#include "ui/common/StateColors.h"
#include "ui/tray/StatusIconPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("packaging/icons"));
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        out.mkpath(folder);
        const QString file = out.filePath(folder + QStringLiteral("/vireon-feeder.png"));
        if (!vireon::StatusIconPainter::image(vireon::StatusIcon::State::feeding, size).save(file)) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            return 1;
        }
        QTextStream(stdout) << file << '\n';
    }
    return 0;
}
