#include "panels/traffic/log_file_writer.h"

#include <cerrno>
#include <cstring>

CLogFileWriter::~CLogFileWriter()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    if (m_file)
        std::fclose(m_file);
}

bool CLogFileWriter::Open(const std::string& path, std::string* error)
{
    m_path = path;
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CLogFileWriter::Append(const std::string& line)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_error.empty() || !m_file)
            return;
        if (m_queue.size() + line.size() > kMaxQueued) {
            m_error = m_path + ": the disk does not keep up with the log";
        } else {
            wake = m_queue.empty();
            m_queue += line;
            m_queue += '\n';
        }
    }
    if (wake)
        m_wake.notify_one();
}

std::string CLogFileWriter::Error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void CLogFileWriter::Sync()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return (m_queue.empty() && !m_busy) || !m_thread.joinable(); });
}

void CLogFileWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty() && m_stop)
            break;
        std::string batch;
        batch.swap(m_queue);
        m_busy = true;
        lock.unlock();
        const bool ok
            = std::fwrite(batch.data(), 1, batch.size(), m_file) == batch.size() && std::fflush(m_file) == 0;
        const int err = errno;
        lock.lock();
        m_busy = false;
        if (!ok && m_error.empty()) {
            m_error = m_path + ": " + std::strerror(err);
            m_queue.clear();
        }
        m_idle.notify_all();
        if (!m_error.empty())
            m_stop = true;
        if (m_stop && m_queue.empty())
            break;
    }
}
