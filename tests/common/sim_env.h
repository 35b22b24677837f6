#pragma once
// Puts the stand-in libraries under an application started in this process and reads
// back what it asked of them. The loader and the stand-ins read SFP_LIBRARY_PATH,
// SFP_SIM_BENCH and SFP_SIM_TRACE once per process: one SimEnv per case, before StartApp.
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct TraceCall { // one line of the stand-ins' call trace, as their own reader reads it
    std::string function;
    std::map<std::string, std::string> fields; // quoted values unescaped
    long long status = 0;
    std::string operator[](const std::string& key) const { return fields.count(key) ? fields.at(key) : ""; }
    long long Number(const std::string& key) const { return std::atoll((*this)[key].c_str()); }
};

enum class Libraries { StandIns, None, VisaOnly }; // what the loader finds

class SimEnv {
public:
    // `bench`: a file of sim/benches, JSON text, or empty for the built-in bench;
    // `variants`: folders under the stand-ins' folder tried first.
    explicit SimEnv(const QString& bench = QString(), const QStringList& variants = {},
                    Libraries libraries = Libraries::StandIns);
    std::vector<TraceCall> Trace() const;                            // every call so far
    std::vector<TraceCall> Calls(const std::string& function) const; // one function's calls

private:
    QTemporaryDir m_dir;
};

// One matching VXI module at VXI0::24 (slot 5, address 24, status byte 66);
// `module` is its module object, `faults` the elements of its fault list.
QString VxiBench(const QString& module = QString(), const QString& faults = QString());
