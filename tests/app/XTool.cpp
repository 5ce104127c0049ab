// tavimore-xtool: what the tests that drive the editor on a real X server ask of
// $DISPLAY besides keys.
//
//   tavimore-xtool clipboard    prints the text on the clipboard (what another program copied)
//   tavimore-xtool grab FILE    saves the whole screen as an image file
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "clipboard") == 0) {
        const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "grab") != 0) {
        std::fputs("usage: tavimore-xtool clipboard | grab FILE\n", stderr);
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "tavimore-xtool: cannot save %s\n", argv[2]);
        return 1;
    }
    return 0;
}
