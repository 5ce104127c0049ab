// tavimore-screengrab FILE: saves the whole screen of $DISPLAY as an image file.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: tavimore-screengrab FILE\n", stderr);
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "tavimore-screengrab: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
