#include "sim_env.h"

#include "core/trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <fstream>

std::string TraceCall::operator[](const std::string& key) const
{
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

long long TraceCall::Number(const std::string& key) const
{
    return std::strtoll((*this)[key].c_str(), nullptr, 10);
}

QString SimEnv::SimDir()
{
    const QString dir = qEnvironmentVariable("SFP_SIM_DIR");
    if (!dir.isEmpty())
        return dir;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../sim"));
}

SimEnv::SimEnv(const QString& bench, const QStringList& variants)
{
    const QDir sim(SimDir());
    QStringList folders;
    for (const QString& v : variants)
        folders << sim.filePath(v);
    folders << sim.path();
    qputenv("SFP_LIBRARY_PATH", folders.join(QLatin1Char(':')).toLocal8Bit());

    m_tracePath = QDir(m_dir.path()).filePath(QStringLiteral("trace.txt"));
    qputenv("SFP_SIM_TRACE", QFile::encodeName(m_tracePath));

    QString benchPath;
    if (bench.startsWith(QLatin1Char('{'))) {
        benchPath = QDir(m_dir.path()).filePath(QStringLiteral("bench.json"));
        QFile file(benchPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(bench.toUtf8());
    } else if (!bench.isEmpty()) {
        QString source = qEnvironmentVariable("SFP_SOURCE_DIR");
        if (source.isEmpty()) // run by hand from <build>/tests: the source is <build>/..
            source = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../.."));
        benchPath = QDir(source).filePath(QStringLiteral("sim/benches/") + bench);
    }
    if (benchPath.isEmpty())
        qunsetenv("SFP_SIM_BENCH");
    else
        qputenv("SFP_SIM_BENCH", QFile::encodeName(benchPath));
}

std::vector<TraceCall> SimEnv::Trace() const
{
    std::vector<TraceCall> calls;
    std::ifstream in(QFile::encodeName(m_tracePath).toStdString());
    std::string line;
    while (std::getline(in, line)) // read as the stand-ins' own trace reader reads it
        if (const auto r = sim::parse_trace_line(line))
            calls.push_back({r->function, {r->fields.begin(), r->fields.end()}, r->status});
    return calls;
}

std::vector<TraceCall> SimEnv::Calls(const std::string& function) const
{
    std::vector<TraceCall> calls;
    for (TraceCall& call : Trace())
        if (call.function == function)
            calls.push_back(std::move(call));
    return calls;
}

void UseNoInstrumentLibraries(const QTemporaryDir& emptyFolder)
{
    qputenv("SFP_LIBRARY_PATH", QFile::encodeName(emptyFolder.path()));
}
