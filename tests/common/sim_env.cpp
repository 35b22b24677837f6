// Reads the trace here, away from program headers: both declare the VISA names.
#include "sim_env.h"

#include "core/trace.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fstream>

SimEnv::SimEnv(const QString& bench, const QStringList& variants, Libraries libraries)
{
    const QDir sim(qEnvironmentVariable("SFP_SIM_DIR")), here(m_dir.path());
    QStringList folders;
    for (const QString& v : variants)
        folders << sim.filePath(v);
    // Without the stand-ins' folder only an empty one is tried first, and the
    // normal search finds nothing, unless VISA is put in it.
    folders << (libraries == Libraries::StandIns ? sim.path() : here.path());
    if (libraries == Libraries::VisaOnly)
        QFile::link(sim.filePath("libvisa.so"), here.filePath("libvisa.so"));
    qputenv("SFP_LIBRARY_PATH", folders.join(':').toLocal8Bit());
    qputenv("SFP_SIM_TRACE", QFile::encodeName(here.filePath("trace.txt")));
    QString path = QDir(qEnvironmentVariable("SFP_SOURCE_DIR")).filePath("sim/benches/" + bench);
    if (bench.startsWith('{')) {
        QFile file(path = here.filePath("bench.json"));
        if (file.open(QIODevice::WriteOnly))
            file.write(bench.toUtf8());
    }
    if (bench.isEmpty())
        qunsetenv("SFP_SIM_BENCH");
    else
        qputenv("SFP_SIM_BENCH", QFile::encodeName(path));
}

std::vector<TraceCall> SimEnv::Trace() const
{
    std::vector<TraceCall> calls;
    std::ifstream in(QFile::encodeName(QDir(m_dir.path()).filePath("trace.txt")).toStdString());
    for (std::string line; std::getline(in, line);)
        if (auto r = sim::parse_trace_line(line))
            calls.push_back({r->function, {r->fields.begin(), r->fields.end()}, r->status});
    return calls;
}

std::vector<TraceCall> SimEnv::Calls(const std::string& name) const
{
    std::vector<TraceCall> calls = Trace();
    calls.erase(std::remove_if(calls.begin(), calls.end(), [&](const auto& t) { return t.function != name; }),
                calls.end());
    return calls;
}

QString VxiBench(const QString& module, const QString& faults)
{
    return QStringLiteral(R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,)"
                          R"("model_code":417,"slot":5,"logical_address":24,"status_byte":66,)"
                          R"("module":%1,"faults":[%2]}]})")
        .arg(module.isEmpty() ? QStringLiteral("{}") : module, faults);
}
