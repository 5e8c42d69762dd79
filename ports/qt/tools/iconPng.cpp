// Build-time tool: writes the program's icon (resource 128 of the artwork)
// as PNG files for the desktop's icon theme, one per size:
//   orbel_iconpng OUTDIR SIZE...  ->  OUTDIR/<size>x<size>/apps/orbel.png
// Run by the build (ports/qt/CMakeLists.txt); exit code 1 on any failure.
#include "res/artwork.h"

#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The icon's colour and mask as one ARGB image: a black mask pixel shows
// the colour; a white one is transparent over a black colour pixel (the
// other case, inverting the screen, does not occur in the artwork and is
// shown as the colour).
QImage toImage(const orbel::gfx::IconImage& icon) {
    const int w = icon.color.width();
    const int h = icon.color.height();
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const orbel::gfx::ColorRef c = icon.color.at(x, y);
            const bool transparent = icon.mask.at(x, y) != orbel::gfx::kBlack && c == 0;
            image.setPixel(x, y,
                           transparent ? 0u
                                       : qRgba(static_cast<int>(orbel::gfx::redOf(c)),
                                               static_cast<int>(orbel::gfx::greenOf(c)),
                                               static_cast<int>(orbel::gfx::blueOf(c)), 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SIZE...\n", argv[0]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const orbel::gfx::IconImage icon =
            orbel::res::iconResource(orbel::res::IDR_MAINFRAME, size);
        if (icon.color.empty()) {
            std::fprintf(stderr, "orbel_iconpng: no icon at size %s\n", argv[i]);
            return 1;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        const QString file = dir + QStringLiteral("/orbel.png");
        if (!QDir().mkpath(dir) || !toImage(icon).save(file, "PNG")) {
            std::fprintf(stderr, "orbel_iconpng: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
