#pragma once
// Writes log lines to a file on a thread of its own, so that a slow or full
// disk never holds up the timer tick that produced them. Every batch handed
// over is written and flushed as soon as the thread wakes.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

class CLogFileWriter {
public:
    // Lines waiting beyond this mean the disk does not keep up: an error.
    static constexpr std::size_t kMaxQueued = 16u << 20;

    CLogFileWriter() = default;
    ~CLogFileWriter(); // writes what is queued, then closes
    CLogFileWriter(const CLogFileWriter&) = delete;
    CLogFileWriter& operator=(const CLogFileWriter&) = delete;

    // Creates (or empties) the file; false with a reason naming it.
    bool Open(const std::string& path, std::string* error);
    // Queues one line; the line end is added.
    void Append(const std::string& line);
    // Empty while all is well; the first failure's text otherwise. Once
    // failed, the writer takes nothing more.
    std::string Error() const;
    const std::string& Path() const { return m_path; }
    // Blocks until what was queued so far is on disk (tests, and closing).
    void Sync();

private:
    void Run();

    std::string m_path;
    std::FILE* m_file = nullptr;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::string m_queue;
    std::string m_error;
    bool m_busy = false;
    bool m_stop = false;
};
