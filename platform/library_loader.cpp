#include "platform/library_loader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>

#include <dlfcn.h>

namespace {

// Logical name (as given) -> handle. Only grows: nothing is ever unloaded.
QHash<QString, LibraryHandle>& Loaded()
{
    static QHash<QString, LibraryHandle> loaded;
    return loaded;
}

LibraryHandle Open(const QString& file)
{
    // RTLD_NOW: a library whose own dependencies are missing fails here, at
    // discovery, and not later in the middle of an instrument operation.
    return dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

QString PlatformLibraryName(const QString& logicalName)
{
    QString stem = logicalName.toLower();
    const int dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        stem.truncate(dot);
    if (stem.endsWith(QLatin1String("_32")))
        stem.chop(3);
    else if (stem.endsWith(QLatin1String("32")))
        stem.chop(2);
    return QStringLiteral("lib") + stem + QStringLiteral(".so");
}

LibraryHandle LoadLibraryByName(const QString& logicalName)
{
    auto& loaded = Loaded();
    const auto it = loaded.constFind(logicalName);
    if (it != loaded.constEnd())
        return it.value();

    const QString file = PlatformLibraryName(logicalName);
    LibraryHandle handle = nullptr;
    const QString folders = qEnvironmentVariable("SFP_LIBRARY_PATH");
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        handle = Open(QDir(folder).filePath(file));
        if (handle)
            break;
    }
    if (!handle)
        handle = Open(file);
    // A failure is not remembered: nothing asks twice for a library that did
    // not load, and a later attempt may find it.
    if (handle)
        loaded.insert(logicalName, handle);
    return handle;
}

void* FindEntryPoint(LibraryHandle library, const char* name)
{
    if (!library || !name)
        return nullptr;
    return dlsym(library, name);
}
