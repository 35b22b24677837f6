#include "platform/library_loader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <cstdio>

#include <dlfcn.h>
#include <link.h>

namespace {

// Logical name (as given) -> handle. Only grows: nothing is ever unloaded.
QHash<QString, LibraryHandle>& Loaded()
{
    static QHash<QString, LibraryHandle> loaded;
    return loaded;
}

// The loader's reason for the last failure, without the file name it
// usually starts with: the line that reports it names the file already.
QString LoaderReason(const QString& file, const char* error)
{
    QString reason = error ? QString::fromLocal8Bit(error) : QStringLiteral("unknown reason");
    const QString prefix = file + QStringLiteral(": ");
    if (reason.startsWith(prefix))
        reason.remove(0, prefix.size());
    return reason;
}

void Report(const QString& line)
{
    std::fprintf(stderr, "tsx4410sfp: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

struct Attempt {
    LibraryHandle handle = nullptr;
    QString reason;
};

Attempt Open(const QString& file)
{
    // RTLD_NOW: a library whose own dependencies are missing fails here, at
    // discovery, and not later in the middle of an instrument operation.
    Attempt attempt;
    attempt.handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!attempt.handle)
        attempt.reason = LoaderReason(file, dlerror());
    return attempt;
}

// The file a handle was loaded from, as the loader found it.
QString LoadedFile(LibraryHandle library)
{
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
        return QFile::decodeName(map->l_name);
    return QStringLiteral("the library");
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

QString LibraryFileVariable(const QString& logicalName)
{
    if (logicalName.compare(QLatin1String("VISA32.DLL"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SFP_VISA_LIBRARY");
    if (logicalName.compare(QLatin1String("tsx4410_32.dll"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SFP_DRIVER_LIBRARY");
    return {};
}

LibraryHandle LoadLibraryByName(const QString& logicalName)
{
    auto& loaded = Loaded();
    const auto it = loaded.constFind(logicalName);
    if (it != loaded.constEnd())
        return it.value();

    Attempt attempt;
    const QString variable = LibraryFileVariable(logicalName);
    const QString named
        = variable.isEmpty() ? QString() : qEnvironmentVariable(variable.toLatin1().constData());
    if (!named.isEmpty()) {
        // Made absolute, so that a bare file name is never searched for.
        const QString file = QFileInfo(named).absoluteFilePath();
        attempt = Open(file);
        if (!attempt.handle)
            Report(QStringLiteral("could not load %1 (%2): %3").arg(file, variable, attempt.reason));
    } else {
        const QString file = PlatformLibraryName(logicalName);
        // The reason worth reading is that of a file that is there but would
        // not load; failing that, the normal search's.
        QString tried, reason;
        const QString folders = qEnvironmentVariable("SFP_LIBRARY_PATH");
        for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QString path = QDir(folder).filePath(file);
            attempt = Open(path);
            if (attempt.handle)
                break;
            if (tried.isEmpty() && QFileInfo::exists(path))
                tried = path, reason = attempt.reason;
        }
        if (!attempt.handle) {
            attempt = Open(file);
            if (tried.isEmpty())
                tried = file + QStringLiteral(" (library search)"), reason = attempt.reason;
        }
        if (!attempt.handle)
            Report(QStringLiteral("could not load %1: %2").arg(tried, reason));
    }
    // A failure is not remembered: nothing asks twice for a library that did
    // not load, and a later attempt may find it.
    if (attempt.handle)
        loaded.insert(logicalName, attempt.handle);
    return attempt.handle;
}

void* FindEntryPoint(LibraryHandle library, const char* name)
{
    if (!library || !name)
        return nullptr;
    return dlsym(library, name);
}

void* FindRequiredEntryPoint(LibraryHandle library, const char* name)
{
    if (!library || !name)
        return nullptr;
    dlerror(); // so that a failure below reads this lookup's reason, not an older one
    void* entry = dlsym(library, name);
    static QSet<LibraryHandle> reported;
    if (!entry && !reported.contains(library)) {
        const QByteArray error = dlerror();
        reported.insert(library);
        const QString file = LoadedFile(library);
        Report(QStringLiteral("could not use %1: %2").arg(file, LoaderReason(file, error.constData())));
    }
    return entry;
}
