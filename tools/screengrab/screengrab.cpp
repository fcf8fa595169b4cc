// screengrab FILE.png: saves the whole screen of the X display in DISPLAY as
// a picture. With xvfb-run and xdotool it shows the window as a user sees
// it, on a machine without a desktop.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: screengrab FILE.png\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "screengrab: cannot grab the screen into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
