#include "app/BaseDirectories.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtGlobal>

namespace velmora {

void ignoreRelativeBaseDirectories()
{
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty() && QDir::isRelativePath(QFile::decodeName(value)))
            qunsetenv(name);
    }
}

} // namespace velmora
