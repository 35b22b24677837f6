#include "panels/traffic/traffic_monitor.h"

#include "instrument/driver_api.h"
#include "instrument/instrument_host.h"
#include "platform/modal_runner.h"

#include <QFile>

CTrafficMonitor::CTrafficMonitor(QObject* parent)
    : QObject(parent)
    , m_recorder([this](const std::string& error) {
        // Shown outside the tick, once; nothing else stops.
        QMetaObject::invokeMethod(
            this, [this, error] { emit fileLogFailed(QString::fromStdString(error)); }, Qt::QueuedConnection);
    })
    , m_patterns(m_recorder)
{
}

CTrafficMonitor::~CTrafficMonitor() { Detach(); }

void CTrafficMonitor::Attach()
{
    if (m_bAttached)
        return;
    m_bAttached = true;
    CChannel::SetObserver(this);
    m_patterns.SetWatching(true);
    // Detached, it was told nothing: the test may have started or stopped since.
    const TestRun& run = CChannel::CurrentRun();
    if (run.running && (!m_bTestRunning || run.start != m_seenStart))
        OnTestStarted(run);
    else if (!run.running && m_bTestRunning)
        OnTestStopped();
}

void CTrafficMonitor::Detach()
{
    if (!m_bAttached)
        return;
    m_patterns.SetWatching(false);
    m_bAttached = false;
    if (CChannel::Observer() == this)
        CChannel::SetObserver(nullptr);
}

void CTrafficMonitor::OnTestStarted(const TestRun& run)
{
    m_bTestRunning = true;
    m_seenStart = run.start;
    m_recorder.Restart(run);
    m_patterns.SetTestRunning(true);
}

void CTrafficMonitor::OnTestStopped()
{
    m_bTestRunning = false;
    m_patterns.SetTestRunning(false);
}

void CTrafficMonitor::OnSent(int channel, const char* bytes, int count) { m_recorder.Sent(channel, bytes, count); }

void CTrafficMonitor::OnReceived(int channel, const char* bytes, int count)
{
    m_recorder.Received(channel, bytes, count);
}

void CTrafficMonitor::OnStatus(int channel, ViStatus status)
{
    m_recorder.Status(channel, status);
    // The driver keeps one text per status: the figures of a line error are
    // read once the tick is over, before the next one's can replace them.
    if (status == kDriverErrorLine)
        QMetaObject::invokeMethod(this, [this] { ResolveTexts(); }, Qt::QueuedConnection);
}

void CTrafficMonitor::OnPollStopped(int channel)
{
    // The panel stops polling for its error boxes: so do the patterns, whose
    // calls would otherwise change the status those boxes report.
    m_patterns.EndAll("stopped: instrument error on channel " + std::to_string(channel));
}

void CTrafficMonitor::ResolveTexts()
{
    if (!ModalUp())
        m_recorder.ResolveTexts(CInstrumentHost::CurrentDriver());
}

bool CTrafficMonitor::StartFileLog(const QString& path, QString* error)
{
    std::string why;
    if (m_recorder.StartFileLog(QFile::encodeName(path).toStdString(), &why))
        return true;
    if (error)
        *error = QString::fromLocal8Bit(why.c_str());
    return false;
}
