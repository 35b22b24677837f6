#include "panels/traffic/log_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

// What the panel and the thread share. The thread keeps it alive for as long
// as it runs, so the owner can go without waiting for it.
struct CLogFileWriter::Shared {
    std::string path;
    std::mutex mutex;
    std::condition_variable wake, idle;
    // In chunks of a fixed size: one growing string would copy megabytes on
    // the panel's thread each time it doubled while the disk lags.
    static constexpr std::size_t kChunk = 64u << 10;
    std::deque<std::string> queue;
    std::size_t queuedBytes = 0;
    std::uint64_t queuedLines = 0; // in `queue`
    std::uint64_t inFlight = 0; // lines of the batch being written, not yet wholly written
    std::uint64_t lost = 0;
    std::string error;
    bool stop = false; // the owner is gone: end once the queue is written

    // The first failure is the one told; what waits behind it is dropped.
    void Fail(const std::string& why)
    {
        if (error.empty())
            error = path + ": " + why;
        lost += std::exchange(queuedLines, 0);
        queue = {}; // its memory too
        queuedBytes = 0;
        idle.notify_all(); // Sync has at most the batch on its way left to wait for
    }

    // Writes what is queued as it comes, until stopped with nothing left or failed. Nothing that may block
    // is done under the lock: the panel takes it on every event.
    void Serve(int fd, int openError)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (fd < 0)
            Fail(std::strerror(openError));
        while (error.empty()) {
            wake.wait(lock, [this] { return stop || !queue.empty(); });
            if (queue.empty())
                break; // stopped, and all written
            std::deque<std::string> batch;
            batch.swap(queue);
            queuedBytes = 0;
            inFlight = std::exchange(queuedLines, 0);
            lock.unlock();
            int err = 0;
            for (const std::string& chunk : batch)
                err = err ? err : Write(fd, chunk);
            lock.lock();
            if (err) {
                lost += std::exchange(inFlight, 0);
                Fail(std::strerror(err));
            }
            idle.notify_all();
        }
    }

    // The whole batch, counting its lines off as they go; 0, or why the disk refused the rest.
    int Write(int fd, const std::string& batch)
    {
        for (std::size_t done = 0; done < batch.size();) {
            const ssize_t n = write(fd, batch.data() + done, batch.size() - done);
            if (n < 0 && errno != EINTR)
                return errno;
            const auto from = batch.begin() + static_cast<std::ptrdiff_t>(done);
            done += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
            const auto lines = std::count(from, batch.begin() + static_cast<std::ptrdiff_t>(done), '\n');
            std::lock_guard<std::mutex> lock(mutex);
            inFlight -= static_cast<std::uint64_t>(lines);
        }
        return 0;
    }
};

CLogFileWriter::CLogFileWriter()
    : m_shared(std::make_shared<Shared>())
{
}

CLogFileWriter::~CLogFileWriter() { Close(); }

void CLogFileWriter::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->wake.notify_one();
}

bool CLogFileWriter::Open(const std::string& path, std::string* error)
{
    m_path = m_shared->path = path;
    try {
        std::thread([s = m_shared] { Run(s); }).detach();
    } catch (const std::system_error& e) {
        if (error)
            *error = path + ": " + e.what();
        return false;
    }
    return true;
}

void CLogFileWriter::Append(const std::string& line)
{
    Shared& s = *m_shared;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.error.empty() && s.queuedBytes + line.size() >= kMaxQueued)
            s.Fail("the disk does not keep up with the log");
        if (!s.error.empty()) {
            ++s.lost;
            return;
        }
        wake = s.queue.empty();
        if (s.queue.empty() || s.queue.back().size() + line.size() >= Shared::kChunk) {
            s.queue.emplace_back();
            s.queue.back().reserve(std::max(Shared::kChunk, line.size() + 1));
        }
        s.queue.back() += line;
        s.queue.back() += '\n';
        s.queuedBytes += line.size() + 1;
        ++s.queuedLines;
    }
    if (wake)
        s.wake.notify_one();
}

std::string CLogFileWriter::Error() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->error;
}

std::uint64_t CLogFileWriter::Lost() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->lost;
}

std::uint64_t CLogFileWriter::Queued() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->queuedLines + m_shared->inFlight;
}

void CLogFileWriter::Sync() const
{
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.idle.wait(lock, [&] { return s.queuedLines + s.inFlight == 0; });
}

void CLogFileWriter::Run(const std::shared_ptr<Shared>& shared)
{
    // A FIFO whose reader left fails the write (EPIPE) instead of ending the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const int fd = open(shared->path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    shared->Serve(fd, errno);
    if (fd >= 0)
        close(fd); // may block too
}
