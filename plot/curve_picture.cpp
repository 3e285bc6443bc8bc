// Writes the setting curves as one picture file: PNG through QImage, SVG through QSvgGenerator.
#include "curve_painter.h"

#include "curve_style.h"
#include "file_io.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

QString curvePictureFormat(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("svg") ? suffix : QString();
}

namespace {

void paintPicture(QPainter& painter, const QSize& size, const QList<CurveSheet>& sheets,
                  const QString& heading, const CurveTexts& texts, int columns)
{
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QFont font = QGuiApplication::font();
    font.setPixelSize(kFilePixelSize);
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(kFilePixelSize + 3);
    painter.setFont(bold);
    painter.setPen(kInk);
    painter.drawText(QRectF(16, 0, size.width() - 32, kHeadingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, heading);
    painter.setFont(font);
    for (int i = 0; i < sheets.size(); ++i) {
        const QRectF cell(i % columns * kSheetWidth, kHeadingHeight + i / columns * kSheetHeight,
                          kSheetWidth, kSheetHeight);
        paintCurve(painter, cell.adjusted(16, 8, -16, -12), sheets.at(i), texts);
    }
}

} // namespace

bool writeCurvePicture(const QString& path, const QList<CurveSheet>& sheets, const QString& heading,
                       const CurveTexts& texts, QString* error)
{
    const QString format = curvePictureFormat(path);
    const auto failed = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (format.isEmpty())
        return failed(QStringLiteral("the name must end in .png or .svg"));
    if (sheets.isEmpty())
        return failed(QStringLiteral("no curve to draw"));
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return failed(QStringLiteral("drawing needs a QGuiApplication"));
    const int columns = sheets.size() > 1 ? 2 : 1;
    const int rows = static_cast<int>((sheets.size() + columns - 1) / columns);
    const QSize size(columns * kSheetWidth, kHeadingHeight + rows * kSheetHeight);

    QByteArray data;
    if (format == QLatin1String("png")) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        paintPicture(painter, size, sheets, heading, texts, columns);
        painter.end();
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return failed(QStringLiteral("cannot encode the PNG image"));
    } else {
        QBuffer buffer(&data);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(heading);
        QPainter painter(&svg);
        paintPicture(painter, size, sheets, heading, texts, columns);
        painter.end();
    }
    QString why;
    if (!writeFileWhole(path, data, &why))
        return failed(why);
    return true;
}
