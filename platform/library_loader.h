#pragma once
// The one place that loads shared libraries and looks up their entry points.
//
// The program asks for its two instrument libraries by the names it has
// always used ("VISA32.DLL", "tsx4410_32.dll"); this loader maps them to the
// platform's file names (libvisa.so, libtsx4410.so) and loads them through
// the normal loader search, so LD_LIBRARY_PATH chooses which ones run.
//
// Before that search it tries each folder of the environment variable
// SFP_LIBRARY_PATH (a colon-separated list of folders, like LD_LIBRARY_PATH).
// The loader itself reads LD_LIBRARY_PATH only when the process starts; this
// variable lets a process that is already running (a test) pick its
// libraries. Unset, only the normal search runs.
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

// Loads the library, or returns the handle of the one already loaded under
// that logical name. Null when it cannot be loaded.
LibraryHandle LoadLibraryByName(const QString& logicalName);

// The entry point `name` of a loaded library; null when the handle is null
// or the library lacks it.
void* FindEntryPoint(LibraryHandle library, const char* name);

// Stores entry point `name` of `library` in the typed function pointer
// `slot`; a missing entry point leaves it null.
template <class Fn>
void BindEntryPoint(LibraryHandle library, Fn*& slot, const char* name)
{
    slot = reinterpret_cast<Fn*>(FindEntryPoint(library, name));
}
