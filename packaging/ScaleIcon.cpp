// Writes the program's icon at the sizes a desktop's icon theme asks for, from the one large
// picture in app/resources:
//   velmora-scale-icon <source.png> <folder> <size>...
// writes <folder>/<size>x<size>/apps/velmora.png for each size. Run at build time, so the
// smaller icons always follow the picture they come from.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <source.png> <folder> <size>...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull() || source.width() != source.height()) {
        std::fprintf(stderr, "%s: cannot read %s as a square picture\n", argv[0], argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&isNumber);
        if (!isNumber || size <= 0 || size > source.width()) {
            std::fprintf(stderr, "%s: %s is not a size between 1 and the source's\n", argv[0], argv[i]);
            return 2;
        }
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = apps + QStringLiteral("/velmora.png");
        // Smooth scaling averages the pixels each small one covers, so thin lines fade rather
        // than vanish at 16 pixels.
        const QImage icon =
            source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(apps) || !icon.save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
