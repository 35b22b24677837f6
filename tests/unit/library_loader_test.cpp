// Which file the loader takes for each setting of its variables, and the one
// line it writes when a library will not do. A child process per row: the
// loader keeps what it loaded for the life of the process.
#include "instrument/driver_api.h"
#include "instrument/visa_api.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(LibraryLoader, NamedFileOrSearchAndOneLineNamingFileAndReason)
{
    QTemporaryDir tmp;
    const QString t = tmp.path(), s = qEnvironmentVariable("SFP_SIM_DIR");
    QDir(t).mkpath("lib"), QDir(t).mkpath("elsewhere"), QFile::copy(s + "/libvisa.so", t + "/elsewhere/vendor-visa.so");
    for (QFile text : {t + "/text.so", t + "/lib/libvisa.so"})
        text.open(QIODevice::WriteOnly) && text.write(QByteArray(100, 'x'));
    const char *unset = nullptr, *noFile = "cannot open shared object file: No such file or directory";
    // SFP_VISA_LIBRARY, SFP_DRIVER_LIBRARY, SFP_LIBRARY_PATH; what loaded, then stderr with T and S for the folders.
    const std::vector<std::array<QString, 4>> rows = {
        {"T/elsewhere/vendor-visa.so", unset, "S", "VISA complete, driver on that VISA|"}, // off every search path
        {"", "", "S", "VISA complete, driver on that VISA|"},
        {"libvisa.so", unset, "T", QString("VISA complete, driver none|tsx4410sfp: could not load libtsx4410.so (library search): ") + noFile + "\n"},
        {"T/none.so", unset, "S", QString("none|tsx4410sfp: could not load T/none.so (SFP_VISA_LIBRARY): ") + noFile + "\n"},
        {"T/text.so", unset, "S", "none|tsx4410sfp: could not load T/text.so (SFP_VISA_LIBRARY): invalid ELF header\n"},
        {"S/variants/visa-missing-viFindNext/libvisa.so", unset, "S",
         "VISA incomplete, driver on that VISA|tsx4410sfp: could not use S/variants/visa-missing-viFindNext/libvisa.so: undefined symbol: viFindNext\n"},
        {unset, unset, "T/lib", "none|tsx4410sfp: could not load T/lib/libvisa.so: invalid ELF header\n"},
        {unset, unset, "T", QString("none|tsx4410sfp: could not load libvisa.so (library search): ") + noFile + "\n"},
        {unset, "T/none.so", "S", QString("VISA complete, driver none|tsx4410sfp: could not load T/none.so (SFP_DRIVER_LIBRARY): ") + noFile + "\n"},
        {"S/libvisa.so", "S/variants/driver-missing-tsx4410_write/libtsx4410.so", "S",
         "VISA complete, driver on that VISA|tsx4410sfp: could not use S/variants/driver-missing-tsx4410_write/libtsx4410.so: undefined symbol: tsx4410_write\n"}};
    auto expand = [&](const QString& v) { return v.startsWith('T') ? t + v.mid(1) : v.startsWith('S') ? s + v.mid(1) : v; };
    for (const auto& row : rows) {
        const QString err = t + "/stderr";
        if (fork() == 0) {
            const char* names[] = {"SFP_VISA_LIBRARY", "SFP_DRIVER_LIBRARY", "SFP_LIBRARY_PATH"};
            for (int i = 0; i < 3; ++i)
                row[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], expand(row[i]).toLocal8Bit());
            QDir::setCurrent(s); // a bare name is a file here, never a search
            std::freopen(QFile::encodeName(err).constData(), "w", stderr); // failing, the row fails
            LibraryHandle visa = LoadLibraryByName("VISA32.DLL"), driver = nullptr;
            QString done = !visa ? "none" : BindVisaApi(visa).HasCalledEntryPoints() ? "VISA complete" : "VISA incomplete";
            if (visa && (driver = LoadLibraryByName("tsx4410_32.dll")))
                BindDriverApi(driver);
            if (visa) // the stand-in driver calls whichever VISA the process loaded
                done += !driver ? ", driver none" : dlsym(driver, "viOpen") == dlsym(visa, "viOpen") ? ", driver on that VISA" : ", driver on another VISA";
            qputenv("SFP_VISA_LIBRARY", "/none.so"); // what loaded stays, however the variables change
            done += visa && LoadLibraryByName("VISA32.DLL") != visa ? " loaded again" : "";
            std::fprintf(stderr, "|%s", qPrintable(done)); // after the loader's lines
            _exit(std::fflush(stderr));
        }
        wait(nullptr);
        QFile file(err);
        const QString all = file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : "";
        const int bar = all.lastIndexOf('|');
        const QString got = all.mid(bar + 1) + "|" + all.left(bar).replace(t, "T").replace(s, "S");
        EXPECT_EQ(got.toStdString(), row[3].toStdString()) << qPrintable(row[0]);
    }
}

} // namespace
