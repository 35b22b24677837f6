#pragma once
// The one place that loads shared libraries and looks up their entry points.
//
// The program asks for its two instrument libraries by the names it has
// always used ("VISA32.DLL", "tsx4410_32.dll"). Each is found in this order:
//
// 1. The file named by its own environment variable, SFP_VISA_LIBRARY or
//    SFP_DRIVER_LIBRARY, when that is set and not empty. A relative path is
//    taken from the current folder. Nothing else is tried: VISA libraries on
//    Linux do not all use one file name or one folder, and the operator who
//    names a file wants that file or a clear failure.
// 2. Otherwise the platform's file name (libvisa.so, libtsx4410.so) in each
//    folder of SFP_LIBRARY_PATH (colon-separated, like LD_LIBRARY_PATH). The
//    loader reads LD_LIBRARY_PATH only when the process starts; this variable
//    lets a process that is already running (a test) pick its libraries.
// 3. Then the platform's file name through the normal loader search, so
//    LD_LIBRARY_PATH and the system folders choose.
//
// When a library cannot be loaded, or lacks an entry point the program needs,
// one line on standard error names the file tried and the loader's reason;
// what the operator sees otherwise is the caller's business.
//
// A loaded library is never unloaded, and asking again for the same logical
// name gives the same handle without loading anything.
#include <QString>

using LibraryHandle = void*;

// The platform file name for a logical library name: "VISA32.DLL" ->
// "libvisa.so", "tsx4410_32.dll" -> "libtsx4410.so". Any other name: "lib",
// the name lower-cased without its extension and without a trailing "32"
// or "_32", then ".so".
QString PlatformLibraryName(const QString& logicalName);

// The environment variable that names the file for a logical library name
// ("SFP_VISA_LIBRARY", "SFP_DRIVER_LIBRARY"); empty for any other name.
QString LibraryFileVariable(const QString& logicalName);

// Loads the library, or returns the handle of the one already loaded under
// that logical name. Null when it cannot be loaded (reported on stderr).
LibraryHandle LoadLibraryByName(const QString& logicalName);

// The entry point `name` of a loaded library; null when the handle is null
// or the library lacks it.
void* FindEntryPoint(LibraryHandle library, const char* name);

// As FindEntryPoint, for an entry point the program cannot do without: the
// first one a library lacks is reported on stderr, once per library.
void* FindRequiredEntryPoint(LibraryHandle library, const char* name);

// Stores entry point `name` of `library` in the typed function pointer
// `slot`; a missing entry point leaves it null.
template <class Fn> void BindEntryPoint(LibraryHandle library, Fn*& slot, const char* name)
{
    slot = reinterpret_cast<Fn*>(FindEntryPoint(library, name));
}

template <class Fn> void BindRequiredEntryPoint(LibraryHandle library, Fn*& slot, const char* name)
{
    slot = reinterpret_cast<Fn*>(FindRequiredEntryPoint(library, name));
}
