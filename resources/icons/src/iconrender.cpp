// Renders one SVG icon to a PNG of a given size, for the build.
//
//   iconrender <source.svg> <target.png> <width> <height> [--color C] [--font F.ttf]...
//
// With --color, every "currentColor" of the source is drawn in C (the styled
// icons are drawn once and rendered in black and in white). The fonts are
// loaded before rendering, so text in a source is drawn with the product's own
// fonts whatever the machine has installed.
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <QSvgRenderer>

#include <cstdio>

namespace {
int fail(const QString &text)
{
    std::fprintf(stderr, "iconrender: %s\n", qPrintable(text));
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    QString color;
    QStringList fonts;
    QStringList positional;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QLatin1String("--color") && !arguments.isEmpty())
            color = arguments.takeFirst();
        else if (argument == QLatin1String("--font") && !arguments.isEmpty())
            fonts << arguments.takeFirst();
        else
            positional << argument;
    }
    bool widthOk = false;
    bool heightOk = false;
    const int width = positional.value(2).toInt(&widthOk);
    const int height = positional.value(3).toInt(&heightOk);
    if (positional.size() != 4 || !widthOk || !heightOk || width <= 0 || height <= 0)
        return fail(
            QStringLiteral("usage: iconrender SOURCE.svg TARGET.png WIDTH HEIGHT [--color C] [--font F]..."));

    for (const QString &font : qAsConst(fonts)) {
        if (QFontDatabase::addApplicationFont(font) < 0)
            return fail(QStringLiteral("cannot load the font '%1'").arg(font));
    }

    QFile source(positional.at(0));
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read '%1'").arg(source.fileName()));
    QByteArray svg = source.readAll();
    if (!color.isEmpty())
        svg.replace("currentColor", color.toUtf8());

    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return fail(QStringLiteral("'%1' is not a valid SVG image").arg(source.fileName()));

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform
                           | QPainter::TextAntialiasing);
    renderer.render(&painter);
    painter.end();

    QSaveFile target(positional.at(1));
    if (!target.open(QIODevice::WriteOnly)
        || !image.convertToFormat(QImage::Format_ARGB32).save(&target, "PNG") || !target.commit())
        return fail(QStringLiteral("cannot write '%1'").arg(target.fileName()));
    return 0;
}
