// Paints the banner (165), side image (166) and icon (159) of the english and chinese modules.
//
// Usage: norvel-draw-images <res folder> [<desktop icon folder>]
// Writes <res>/<module>/bitmaps/165.png, 166.png and <res>/<module>/icons/159.png as 24-bit
// PNG files, and with a second folder the desktop's application icon in the sizes it is
// installed in, <folder>/<N>x<N>/apps/norvel-controller.png. The pictures are drawn from
// shapes only, so the output is the same on every run.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

namespace {

struct ModuleArt
{
    QString name;
    QString title;    // large banner line
    QString subtitle; // small banner line
    QString family;   // font for the banner text
    int sideHeight;   // height of the side image
    // The frame stretches the banner to its top strip; the strip of this module is wider in
    // proportion than the picture by this factor, so shapes are drawn narrower by as much.
    qreal bannerStretch;
};

const QColor kNavy(0x0d, 0x2b, 0x4a);
const QColor kSteel(0x1f, 0x5f, 0x8b);
const QColor kTeal(0x2a, 0x9d, 0x8f);
const QColor kAmber(0xf2, 0xa5, 0x41);
const QColor kPhaseA(0xe7, 0x6f, 0x51);
const QColor kPhaseB(0xf4, 0xd0, 0x6f);
const QColor kPhaseC(0x8e, 0xcf, 0xf0);

// A motor seen end-on: stator ring with teeth, three coil colours, rotor with magnets.
void drawMotor(QPainter& p, QPointF centre, qreal radius, bool detailed)
{
    p.save();
    p.translate(centre);
    p.setRenderHint(QPainter::Antialiasing);

    const int teeth = 9;
    QPainterPath stator;
    stator.addEllipse(QPointF(0, 0), radius, radius);
    QPainterPath bore;
    bore.addEllipse(QPointF(0, 0), radius * 0.78, radius * 0.78);
    stator = stator.subtracted(bore);
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-radius * 0.07, -radius * 0.80, radius * 0.14, radius * 0.30));
        tooth = QTransform().rotate(360.0 * i / teeth).map(tooth);
        stator = stator.united(tooth);
    }
    p.setPen(QPen(QColor(255, 255, 255, 230), qMax(1.0, radius * 0.04)));
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawPath(stator);

    if (detailed) {
        const QColor phases[3] = {kPhaseA, kPhaseB, kPhaseC};
        p.setPen(Qt::NoPen);
        for (int i = 0; i < teeth; ++i) {
            p.save();
            p.rotate(360.0 * i / teeth);
            p.setBrush(phases[i % 3]);
            p.drawRoundedRect(QRectF(-radius * 0.13, -radius * 0.66, radius * 0.26, radius * 0.12),
                              radius * 0.03, radius * 0.03);
            p.restore();
        }
    }

    const qreal rotor = radius * 0.42;
    p.setPen(QPen(QColor(255, 255, 255, 200), qMax(1.0, radius * 0.03)));
    for (int i = 0; i < 6; ++i) {
        p.setBrush(i % 2 == 0 ? QColor(0xd6, 0x45, 0x45) : QColor(0x3a, 0x6e, 0xc8));
        p.drawPie(QRectF(-rotor, -rotor, 2 * rotor, 2 * rotor), i * 60 * 16, 60 * 16);
    }
    p.setBrush(QColor(0xe8, 0xec, 0xf0));
    p.drawEllipse(QPointF(0, 0), rotor * 0.28, rotor * 0.28);
    p.restore();
}

// Three phase currents as sine waves across a rectangle.
void drawPhases(QPainter& p, const QRectF& area, qreal cycles, int alpha, qreal width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor phases[3] = {kPhaseA, kPhaseB, kPhaseC};
    for (int k = 0; k < 3; ++k) {
        QPainterPath wave;
        const int steps = 240;
        for (int s = 0; s <= steps; ++s) {
            const qreal t = qreal(s) / steps;
            const qreal x = area.left() + t * area.width();
            const qreal y =
                area.center().y() - 0.45 * area.height() * qSin(2 * M_PI * (cycles * t - k / 3.0));
            if (s == 0)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        QColor c = phases[k];
        c.setAlpha(alpha);
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    }
    p.restore();
}

QImage banner(const ModuleArt& art)
{
    QImage image(700, 70, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 700, 0);
    sky.setColorAt(0.0, kNavy);
    sky.setColorAt(0.6, kSteel);
    sky.setColorAt(1.0, kTeal);
    p.fillRect(image.rect(), sky);

    // Draw in a canvas that the frame's stretch turns back into true proportions.
    p.scale(1.0 / art.bannerStretch, 1.0);
    const qreal width = 700 * art.bannerStretch;

    drawPhases(p, QRectF(width * 0.55, 8, width * 0.45, 54), 2.5, 110, 2.0);
    drawMotor(p, QPointF(40, 35), 27, true);

    p.setPen(QColor(0xff, 0xff, 0xff));
    QFont titleFont(art.family);
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.drawText(QRectF(84, 6, width - 90, 32), Qt::AlignLeft | Qt::AlignVCenter, art.title);

    QFont subFont(art.family);
    subFont.setPixelSize(13);
    p.setFont(subFont);
    p.setPen(QColor(0xd8, 0xe6, 0xf0));
    p.drawText(QRectF(86, 38, width - 90, 24), Qt::AlignLeft | Qt::AlignVCenter, art.subtitle);

    // Amber rule under the strip.
    p.resetTransform();
    p.fillRect(QRectF(0, 67, 700, 3), kAmber);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QImage sideImage(const ModuleArt& art)
{
    const int w = 150;
    const int h = art.sideHeight;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient fall(0, 0, 0, h);
    fall.setColorAt(0.0, kNavy);
    fall.setColorAt(0.55, kSteel);
    fall.setColorAt(1.0, kTeal);
    p.fillRect(image.rect(), fall);

    // Circuit traces: a few right-angled tracks with pads, like a controller board.
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    p.setBrush(Qt::NoBrush);
    const qreal step = h / 9.0;
    for (int i = 0; i < 8; ++i) {
        const qreal y = step * (i + 0.5);
        const qreal x = 12 + (i * 37) % 60;
        QPainterPath track;
        track.moveTo(0, y);
        track.lineTo(x, y);
        track.lineTo(x + 14, y + step * 0.35);
        track.lineTo(w, y + step * 0.35);
        p.drawPath(track);
        p.setBrush(QColor(255, 255, 255, 55));
        p.drawEllipse(QPointF(x + 14, y + step * 0.35), 3, 3);
        p.setBrush(Qt::NoBrush);
    }

    // The motor in the upper part, the phase currents below it.
    const qreal radius = qMin(w * 0.36, h * 0.17);
    drawMotor(p, QPointF(w / 2.0, h * 0.30), radius, true);
    drawPhases(p, QRectF(10, h * 0.58, w - 20, h * 0.16), 1.5, 200, 2.5);

    // Three setting sliders, the tool's own subject.
    const qreal top = h * 0.80;
    const qreal gap = (h - top - 10) / 3.0;
    const qreal knobs[3] = {0.35, 0.7, 0.5};
    for (int i = 0; i < 3; ++i) {
        const qreal y = top + gap * (i + 0.5);
        p.setPen(QPen(QColor(255, 255, 255, 150), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, y), QPointF(w - 18, y));
        p.setPen(QPen(QColor(255, 255, 255), 1.5));
        p.setBrush(kAmber);
        p.drawRoundedRect(QRectF(18 + knobs[i] * (w - 36) - 5, y - 7, 10, 14), 3, 3);
    }
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// The icon is drawn on a 48 pixel grid and scaled to `size`.
QImage icon(int size = 48)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    QRadialGradient glow(QPointF(18, 14), 48);
    glow.setColorAt(0.0, kSteel.lighter(130));
    glow.setColorAt(1.0, kNavy);
    p.fillRect(QRectF(0, 0, 48, 48), glow);
    drawMotor(p, QPointF(24, 24), 20, true);
    // Amber spark: the controller's power stage.
    QPainterPath bolt;
    bolt.moveTo(33, 25);
    bolt.lineTo(44, 25);
    bolt.lineTo(37, 34);
    bolt.lineTo(42, 34);
    bolt.lineTo(30, 46);
    bolt.lineTo(34, 36);
    bolt.lineTo(29, 36);
    bolt.closeSubpath();
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kAmber);
    p.drawPath(bolt);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

bool save(const QImage& image, const QString& path, QTextStream& err)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        err << "cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2 && argc != 3) {
        err << "usage: norvel-draw-images <res folder> [<desktop icon folder>]\n";
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]));
    // Frame strip over picture proportions: (1.75 / 1.5) / (1.625 / 1.625) and
    // (1.75 / 1.5) / (1.875 / 1.625).
    const ModuleArt modules[] = {
        {QStringLiteral("english"), QStringLiteral("Norvel DVR-X Series"),
         QStringLiteral("Controller Configuration Program"), QStringLiteral("DejaVu Sans"), 360,
         (1.75 / 1.5) / (1.625 / 1.625)},
        {QStringLiteral("chinese"), QStringLiteral("诺维 DVR-X 系列"),
         QStringLiteral("控制器客户标定程序"), QStringLiteral("Noto Sans CJK SC"), 281,
         (1.75 / 1.5) / (1.875 / 1.625)},
    };
    bool ok = true;
    for (const ModuleArt& art : modules) {
        const QDir dir(res.filePath(art.name));
        ok = save(banner(art), dir.filePath(QStringLiteral("bitmaps/165.png")), err) && ok;
        ok = save(sideImage(art), dir.filePath(QStringLiteral("bitmaps/166.png")), err) && ok;
        ok = save(icon(), dir.filePath(QStringLiteral("icons/159.png")), err) && ok;
    }
    if (argc == 3) {
        const QDir icons(QString::fromLocal8Bit(argv[2]));
        for (int size : {48, 256})
            ok = save(icon(size),
                      icons.filePath(QStringLiteral("%1x%1/apps/norvel-controller.png").arg(size)),
                      err) &&
                 ok;
    }
    return ok ? 0 : 1;
}
