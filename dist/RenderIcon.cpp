// Renders the program's SVG icon as a square PNG of the given size, for the desktop's fixed-size
// icon folders: render-icon <icon.svg> <size> <icon.png>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int size = argc == 4 ? std::atoi(argv[2]) : 0;
    if (size <= 0 || size > 1024) {
        std::fprintf(stderr, "usage: render-icon <icon.svg> <size 1..1024> <icon.png>\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-icon: can't read %s\n", argv[1]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter painter(&icon);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!icon.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "render-icon: can't write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
