// vexmor-icon-png: writes an image of an .ico file as a PNG, for the icon theme folders (which take
// PNG, not ICO): the first one SIZE pixels wide when SIZE is given (the .ico file lists the richest
// colours of a size first), else the largest. Run at build time.
//
// Typical use: vexmor-icon-png shell/res/Vexmor.ico build/setup/vexmor-recording.png 32
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: vexmor-icon-png ICON.ico OUT.png [SIZE]\n");
    return 2;
  }
  const int size = argc == 4 ? std::atoi(argv[3]) : 0;
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  QImage best;
  for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    QImage image = reader.read();
    if (image.isNull()) continue;
    if (size > 0 ? image.width() == size && best.isNull()
                 : image.width() * image.height() > best.width() * best.height())
      best = image;
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
