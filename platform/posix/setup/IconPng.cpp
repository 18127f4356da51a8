// vexmor-icon-png: writes the largest image of an .ico file as a PNG, for the icon theme folders
// (which take PNG, not ICO). Run at build time.
//
// Typical use: vexmor-icon-png shell/res/Vexmor.ico build/setup/vexmor-recording.png
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vexmor-icon-png ICON.ico OUT.png\n");
    return 2;
  }
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  QImage best;
  for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    QImage image = reader.read();
    if (!image.isNull() && image.width() * image.height() > best.width() * best.height()) best = image;
  }
  if (best.isNull()) {
    std::fprintf(stderr, "vexmor-icon-png: %s: %s\n", argv[1], qPrintable(reader.errorString()));
    return 1;
  }
  if (!best.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "vexmor-icon-png: %s: cannot be written\n", argv[2]);
    return 1;
  }
  return 0;
}
