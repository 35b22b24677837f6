#pragma once
// Puts the stand-in instrument libraries under an application started in
// this test process, and reads back what it asked of them.
//
// The program's library loader tries the folders of SFP_LIBRARY_PATH before
// the normal loader search; the stand-ins read SFP_SIM_BENCH and
// SFP_SIM_TRACE at their first call. All three are read once per process,
// so make the SimEnv before StartApp, and one per test case (ctest runs each
// case in a process of its own).
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

// One line of the stand-ins' call trace: `function key=value ... -> status`,
// with quoted values unescaped.
struct TraceCall {
    std::string function;
    std::map<std::string, std::string> fields;
    long long status = 0;

    // The field's text; empty when the line has none.
    std::string operator[](const std::string& key) const;
    long long Number(const std::string& key) const;
};

class SimEnv {
public:
    // `bench`: a file name in sim/benches ("two-vxi.json"), JSON text
    // (starting with '{'), or empty for the stand-ins' built-in bench.
    // `variants`: folders under the stand-ins' folder tried before it, e.g.
    // "variants/visa-missing-viFindNext".
    explicit SimEnv(const QString& bench = QString(), const QStringList& variants = {});

    // The stand-ins' folder: $SFP_SIM_DIR, else the one beside the test binary.
    static QString SimDir();

    // Every call traced so far, in order.
    std::vector<TraceCall> Trace() const;
    // The calls of one function, in order.
    std::vector<TraceCall> Calls(const std::string& function) const;

    QString Folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_tracePath;
};

// Makes the loader find no instrument library: only an empty folder is tried
// first, and the normal search has none.
void UseNoInstrumentLibraries(const QTemporaryDir& emptyFolder);

