#include "sim_env.h"

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
    while (std::getline(in, line)) {
        TraceCall call = ParseTraceLine(line);
        if (!call.function.empty())
            calls.push_back(std::move(call));
    }
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

namespace {

// Reads a quoted value starting after its opening quote; `i` ends past the
// closing quote.
std::string Unquote(const std::string& s, std::size_t& i)
{
    std::string out;
    while (i < s.size() && s[i] != '"') {
        char c = s[i++];
        if (c == '\\' && i < s.size()) {
            const char e = s[i++];
            switch (e) {
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            default:
                if (e >= '0' && e <= '7' && i + 1 < s.size()) {
                    c = static_cast<char>(((e - '0') << 6) | ((s[i] - '0') << 3) | (s[i + 1] - '0'));
                    i += 2;
                } else {
                    c = e;
                }
            }
        }
        out += c;
    }
    ++i;
    return out;
}

} // namespace

TraceCall ParseTraceLine(const std::string& line)
{
    TraceCall call;
    const std::size_t arrow = line.rfind(" -> ");
    if (arrow == std::string::npos)
        return call;
    call.status = std::strtoll(line.c_str() + arrow + 4, nullptr, 10);
    std::size_t i = line.find(' ');
    call.function = line.substr(0, std::min(i, arrow));
    while (i < arrow) {
        while (i < arrow && line[i] == ' ')
            ++i;
        const std::size_t eq = line.find('=', i);
        if (eq == std::string::npos || eq >= arrow)
            break;
        const std::string key = line.substr(i, eq - i);
        i = eq + 1;
        if (i < line.size() && line[i] == '"') {
            ++i;
            call.fields[key] = Unquote(line, i);
        } else {
            const std::size_t end = std::min(line.find(' ', i), arrow);
            call.fields[key] = line.substr(i, end - i);
            i = end;
        }
    }
    return call;
}
