// Writes the tray icons as PNG files so they can be looked at (and compared) outside the tray:
//   render_status_icons <outdir>
// gives status-<state>-<size>.png and status-<state>-<size>@2x.png for each tray size, and two contact
// sheets, contact-sheet-light.png and contact-sheet-dark.png, with every state at every size on a light
// and a dark panel colour, plus pixels-16-22.png with the two smallest sizes magnified pixel for pixel.

#include "ui/common/StateColors.h"
#include "ui/tray/StatusIconPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

using vireon::stateColor;
using vireon::StatusIcon;
using vireon::StatusIconPainter;

namespace {

const QList<QPair<StatusIcon::State, QString>> states{{StatusIcon::State::idle, QStringLiteral("idle")},
                                                      {StatusIcon::State::warning, QStringLiteral("warning")},
                                                      {StatusIcon::State::feeding, QStringLiteral("feeding")},
                                                      {StatusIcon::State::error, QStringLiteral("error")}};
const QList<int> sizes{16, 22, 24, 32, 48};

QImage contactSheet(const QColor& panel, const QColor& text)
{
    constexpr int cell = 64;
    constexpr int labelWidth = 90;
    const int magnifiedWidth = 16 * 4 + 22 * 4 + 3 * 8;
    const int width = labelWidth + int(sizes.size()) * cell + 2 * cell + magnifiedWidth;
    const int rowHeight = 22 * 4 + 16;
    QImage sheet(width, 40 + int(states.size()) * rowHeight, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(panel);

    QPainter painter(&sheet);
    painter.setPen(text);
    int x = labelWidth;
    for (const int size : sizes) {
        painter.drawText(QRect(x, 8, cell, 20), Qt::AlignCenter, QString::number(size));
        x += cell;
    }
    painter.drawText(QRect(x, 8, 2 * cell, 20), Qt::AlignCenter, QStringLiteral("22 @2x"));
    x += 2 * cell;
    painter.drawText(QRect(x, 8, magnifiedWidth, 20), Qt::AlignCenter, QStringLiteral("16, 22 × 4"));

    int y = 40;
    for (const auto& [state, name] : states) {
        painter.setPen(text);
        painter.drawText(QRect(8, y, labelWidth - 8, rowHeight), Qt::AlignVCenter | Qt::AlignLeft, name);
        x = labelWidth;
        for (const int size : sizes) {
            const QImage icon = StatusIconPainter::image(state, size);
            painter.drawImage(QPoint(x + (cell - size) / 2, y + (rowHeight - size) / 2), icon);
            x += cell;
        }
        // Shown at its device pixels: this is what a 2× panel puts on the screen.
        QImage hidpi = StatusIconPainter::image(state, 22, 2.0);
        hidpi.setDevicePixelRatio(1.0);
        painter.drawImage(QPoint(x + (2 * cell - 44) / 2, y + (rowHeight - 44) / 2), hidpi);
        x += 2 * cell;
        for (const int size : {16, 22}) {
            const QImage icon = StatusIconPainter::image(state, size);
            const QImage big = icon.scaled(icon.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            painter.drawImage(QPoint(x + 8, y + (rowHeight - big.height()) / 2), big);
            x += big.width() + 8;
        }
        y += rowHeight;
    }
    return sheet;
}

// The smallest sizes eight times over, pixel for pixel, on both panel colours: where blur and
// clogged gaps show first.
QImage pixelSheet()
{
    constexpr int zoom = 8;
    constexpr int gap = 12;
    const int width = gap + int(states.size()) * (16 + 22) * zoom + int(states.size()) * 2 * gap;
    QImage sheet(width, 2 * (22 * zoom + 2 * gap), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    const QList<QColor> panels{QColor(0xf2, 0xf2, 0xf2), QColor(0x24, 0x24, 0x26)};
    int y = 0;
    for (const QColor& panel : panels) {
        painter.fillRect(0, y, width, 22 * zoom + 2 * gap, panel);
        int x = gap;
        for (const auto& entry : states) {
            for (const int size : {16, 22}) {
                const QImage icon = StatusIconPainter::image(entry.first, size);
                painter.drawImage(QPoint(x, y + gap), icon.scaled(icon.size() * zoom, Qt::IgnoreAspectRatio,
                                                                  Qt::FastTransformation));
                x += size * zoom + gap;
            }
        }
        y += 22 * zoom + 2 * gap;
    }
    return sheet;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: render_status_icons <outdir>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }

    bool ok = true;
    for (const auto& [state, name] : states) {
        for (const int size : sizes) {
            const QString base = QStringLiteral("status-%1-%2").arg(name).arg(size);
            ok &=
                StatusIconPainter::image(state, size, 1.0).save(out.filePath(base + QStringLiteral(".png")));
            ok &= StatusIconPainter::image(state, size, 2.0)
                      .save(out.filePath(base + QStringLiteral("@2x.png")));
        }
    }
    ok &= contactSheet(QColor(0xf2, 0xf2, 0xf2), QColor(0x20, 0x20, 0x20))
              .save(out.filePath(QStringLiteral("contact-sheet-light.png")));
    ok &= contactSheet(QColor(0x24, 0x24, 0x26), QColor(0xe0, 0xe0, 0xe0))
              .save(out.filePath(QStringLiteral("contact-sheet-dark.png")));
    ok &= pixelSheet().save(out.filePath(QStringLiteral("pixels-16-22.png")));
    if (!ok) {
        err << "could not write every image to " << out.path() << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote the status icons to " << out.absolutePath() << "\n";
    return 0;
}
