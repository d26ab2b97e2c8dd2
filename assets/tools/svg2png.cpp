// Renders an SVG through Qt Svg, the same renderer the application uses, so what is checked or
// installed as PNG is what the window shows.
// Usage: zelvorna_svg2png in.svg out.png [width height] [background]
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    // Runs at build time on machines without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 5 && args.size() != 6) {
        std::fprintf(stderr,
                     "usage: zelvorna_svg2png in.svg out.png [width height] [background]\n");
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QSize size = renderer.defaultSize();
    if (args.size() >= 5)
        size = QSize(args.at(3).toInt(), args.at(4).toInt());
    if (size.isEmpty()) {
        std::fprintf(stderr, "bad size\n");
        return 2;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(args.size() == 6 ? QColor(args.at(5)) : QColor(Qt::transparent));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!image.save(args.at(2), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
