// Renders an SVG drawing as a PNG of the given size: the program's icon for the desktop's fixed-size
// icon folders, and the icons and banner of a build without Qt SVG.
//   render-icon <drawing.svg> <size | width x height> <image.png>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

namespace {

// "48" is a square; "305x36" is width by height. An empty size means the argument is not one.
QSize ParseSize(const char* text) {
    char* end = nullptr;
    const long width = std::strtol(text, &end, 10);
    const long height = *end == 'x' ? std::strtol(end + 1, &end, 10) : width;
    const auto fits = [](long n) { return n > 0 && n <= 1024; };
    if (*end != '\0' || !fits(width) || !fits(height))
        return {};
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

} // namespace

int main(int argc, char** argv) {
    const QSize size = argc == 4 ? ParseSize(argv[2]) : QSize();
    if (size.isEmpty()) {
        std::fprintf(stderr,
                     "usage: render-icon <drawing.svg> <size | width x height, 1..1024> <image.png>\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-icon: can't read %s\n", argv[1]);
        return 1;
    }
    QImage icon(size, QImage::Format_ARGB32_Premultiplied);
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
