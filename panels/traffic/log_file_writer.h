#pragma once
// Writes log lines to a file on a thread of its own, so that a slow, full or
// hung disk never holds up the panel: the file is made there too, since
// opening a FIFO nobody reads, or a file on a dead mount, blocks. Every batch
// handed over is written as soon as the thread wakes.
#include <cstdint>
#include <memory>
#include <string>

class CLogFileWriter {
public:
    // Lines waiting beyond this mean the disk does not keep up: an error.
    static constexpr std::size_t kMaxQueued = 16u << 20;

    CLogFileWriter();
    // Never waits: the thread goes on alone, writes what was accepted and
    // closes the file, or stays stuck on its disk without holding anyone up.
    ~CLogFileWriter();
    CLogFileWriter(const CLogFileWriter&) = delete;
    CLogFileWriter& operator=(const CLogFileWriter&) = delete;

    // Takes nothing more: the thread writes what it holds, closes the file and
    // ends, whenever its disk lets it. Never waits.
    void Close();
    // Starts making (or emptying) the file and returns at once; a file that
    // cannot be made shows in Error() a moment later. False with a reason
    // only when no thread can be had for it.
    bool Open(const std::string& path, std::string* error);
    // Queues one line; the line end is added.
    void Append(const std::string& line);
    // Empty while all is well; the first failure's text otherwise. Once
    // failed, the writer takes nothing more and drops what waits.
    std::string Error() const;
    // Lines accepted but dropped on the failure, and lines refused after it.
    // The lines of a batch already on their way to the disk count only if
    // that write fails too.
    std::uint64_t Lost() const;
    // Lines accepted and not yet wholly written.
    std::uint64_t Queued() const;
    const std::string& Path() const { return m_path; }
    // Blocks until no line accepted is left to write (written, or dropped on
    // a failure): for tests only, the panel never waits on its disk.
    void Sync() const;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& s);

    std::string m_path;
    std::shared_ptr<Shared> m_shared; // also held by the thread, which may outlive this
};
