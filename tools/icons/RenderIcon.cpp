// quillan-render-icon SVG OUTDIR SIZE...: the application icon as PNG files OUTDIR/quillan-SIZE.png,
// for desktops that do not draw SVG icons themselves.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
    }
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: quillan-render-icon SVG OUTDIR SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "quillan-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "quillan-render-icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString out = QString("%1/quillan-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!image.save(out)) {
            std::fprintf(stderr, "quillan-render-icon: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
