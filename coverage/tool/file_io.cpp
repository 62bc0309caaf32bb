#include "file_io.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "bad_input.hpp"

namespace covtool
{
namespace
{

constexpr std::size_t kOutputBuffer = 1 << 20;
constexpr mode_t kFileMode = 0666; // less the umask
constexpr mode_t kDirMode = 0777;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::string system_error(const std::string &what, int error)
{
    return what + ": " + std::strerror(error);
}

bool write_all(int fd, std::span<const unsigned char> data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data = data.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

bool pwrite_all(int fd, std::span<const unsigned char> data, std::uint64_t offset)
{
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data = data.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// A name no other writer picks: the process ID and a running number.
std::string unique_name(std::string_view base)
{
    static unsigned serial = 0;
    return "." + std::string(base) + ".covtool-" + std::to_string(::getpid()) + "-" +
           std::to_string(serial++);
}

// The file being written, removed if a signal ends the program first.
char g_pending_file[PATH_MAX];

extern "C" void remove_pending_file(int sig)
{
    if (g_pending_file[0] != '\0') {
        ::unlink(g_pending_file);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void guard_pending_file(const std::string &path)
{
    if (path.size() >= sizeof g_pending_file) {
        return;
    }
    std::memcpy(g_pending_file, path.c_str(), path.size() + 1);
    for (const int sig : kCleanupSignals) {
        ::signal(sig, remove_pending_file);
    }
}

void release_pending_file()
{
    for (const int sig : kCleanupSignals) {
        ::signal(sig, SIG_DFL);
    }
    g_pending_file[0] = '\0';
}

// Mapped dumps, for the SIGBUS handler: a file cut short while mapped
// makes reads past its new end fault. The handler puts a page of zeros in
// the hole and marks the mapping, so the reader goes on and reports it.
struct MappedRange {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> shrank{false};
};
constexpr int kMappedRanges = 4096;
MappedRange g_mapped[kMappedRanges];
std::uintptr_t g_page_size = 4096; // read before the handler is installed

// Runs inside the fault: only system calls (mmap is a plain one on Linux)
// and lock-free loads.
extern "C" void fill_lost_page(int sig, siginfo_t *info, void * /*ctx*/)
{
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (MappedRange &r : g_mapped) {
        const std::uintptr_t begin = r.begin.load(std::memory_order_acquire);
        if (begin != 0 && at >= begin && at < r.end.load(std::memory_order_relaxed)) {
            void *hole = reinterpret_cast<void *>(at & ~(g_page_size - 1));
            if (::mmap(hole, g_page_size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                       0) != MAP_FAILED) {
                r.shrank.store(true, std::memory_order_relaxed);
                return;
            }
        }
    }
    // Not a mapped dump: the fault is a fault.
    ::signal(sig, SIG_DFL);
}

// The slot of a new mapping, or -1 when every slot is taken.
int guard_mapping(const unsigned char *map, std::uint64_t size)
{
    static const bool installed = [] {
        g_page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction act = {};
        act.sa_sigaction = fill_lost_page;
        act.sa_flags = SA_SIGINFO;
        sigemptyset(&act.sa_mask);
        return ::sigaction(SIGBUS, &act, nullptr) == 0;
    }();
    if (!installed) {
        return -1;
    }
    for (int i = 0; i < kMappedRanges; ++i) {
        if (g_mapped[i].begin.load(std::memory_order_relaxed) == 0) {
            const auto begin = reinterpret_cast<std::uintptr_t>(map);
            g_mapped[i].shrank.store(false, std::memory_order_relaxed);
            g_mapped[i].end.store(begin + size, std::memory_order_relaxed);
            g_mapped[i].begin.store(begin, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

// Opens one directory below `dir` without following a link, making it
// when missing.
Fd enter_directory(const Fd &dir, const std::string &name, std::string &error)
{
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(dir.get(), name.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(dir.get(), name.c_str(), kDirMode) != 0 && errno != EEXIST) {
            error = system_error("cannot make directory " + name, errno);
            return Fd();
        }
        fd = ::openat(dir.get(), name.c_str(), kFlags);
    }
    if (fd < 0) {
        error = (errno == ELOOP || errno == ENOTDIR)
                    ? name + " is a symbolic link or not a directory"
                    : system_error("cannot open directory " + name, errno);
    }
    return Fd(fd);
}

std::string write_new(const Fd &dir, const std::string &name, std::span<const unsigned char> data,
                      bool replace)
{
    const std::string target = replace ? unique_name(name) : name;
    Fd fd(::openat(dir.get(), target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   kFileMode));
    if (fd.get() < 0) {
        return errno == EEXIST ? "file exists (--force overwrites it)"
                               : system_error("cannot create " + name, errno);
    }
    const bool written = write_all(fd.get(), data);
    const int error = errno;
    if (::close(fd.release()) != 0 || !written) {
        ::unlinkat(dir.get(), target.c_str(), 0);
        return system_error("cannot write " + name, written ? errno : error);
    }
    if (replace && ::renameat(dir.get(), target.c_str(), dir.get(), name.c_str()) != 0) {
        const int rename_error = errno;
        ::unlinkat(dir.get(), target.c_str(), 0);
        return system_error("cannot replace " + name, rename_error);
    }
    return {};
}

} // namespace

Fd &Fd::operator=(Fd &&other) noexcept
{
    if (this != &other) {
        Fd old(fd_);
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd()
{
    if (fd_ >= 0) {
        const int saved = errno;
        ::close(fd_);
        errno = saved;
    }
}

FileSource::FileSource(std::string path) : path_(std::move(path))
{
    fd_ = Fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st = {};
    if (fd_.get() < 0 || ::fstat(fd_.get(), &st) != 0) {
        throw Failure(system_error("cannot open " + path_, errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw Failure(path_ + ": not a regular file");
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (size_ == 0) {
        return;
    }
    void *map = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd_.get(), 0);
    if (map == MAP_FAILED) {
        return; // read with pread instead
    }
    map_ = static_cast<const unsigned char *>(map);
    guard_slot_ = guard_mapping(map_, size_);
    if (guard_slot_ < 0) {
        ::munmap(map, size_);
        map_ = nullptr;
    }
}

FileSource::~FileSource()
{
    if (map_ != nullptr) {
        g_mapped[guard_slot_].begin.store(0, std::memory_order_release);
        ::munmap(const_cast<unsigned char *>(map_), size_);
    }
}

std::span<const unsigned char> FileSource::view(std::uint64_t offset, std::size_t n) const
{
    if (map_ == nullptr) {
        return {};
    }
    return {map_ + offset, n};
}

void FileSource::release(std::uint64_t offset, std::uint64_t n) const
{
    if (map_ == nullptr) {
        return;
    }
    // Whole pages inside the range only.
    const std::uint64_t page = g_page_size;
    const std::uint64_t begin = (offset + page - 1) & ~(page - 1);
    const std::uint64_t end = (offset + n) & ~(page - 1);
    if (begin < end) {
        ::madvise(const_cast<unsigned char *>(map_) + begin, end - begin, MADV_DONTNEED);
    }
}

bool FileSource::intact() const
{
    return map_ == nullptr || !g_mapped[guard_slot_].shrank.load(std::memory_order_relaxed);
}

void FileSource::read(std::uint64_t offset, std::span<unsigned char> out) const
{
    if (const auto in_place = view(offset, out.size()); !in_place.empty()) {
        std::memcpy(out.data(), in_place.data(), out.size());
        return;
    }
    while (!out.empty()) {
        const ssize_t n = ::pread(fd_.get(), out.data(), out.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw Failure(system_error("cannot read " + path_, errno));
        }
        if (n == 0) {
            throw Failure(path_ + ": the file shrank while it was read");
        }
        out = out.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

OutputFile::OutputFile(std::string path) : path_(std::move(path))
{
    const std::size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    if (base.empty()) {
        throw Failure(path_ + ": names a directory");
    }
    temp_ = dir + unique_name(base);
    guard_pending_file(temp_);
    fd_ = Fd(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode));
    if (fd_.get() < 0) {
        const int error = errno;
        release_pending_file();
        throw Failure(system_error("cannot create a file beside " + path_, error));
    }
    buffer_.reserve(kOutputBuffer);
}

OutputFile::~OutputFile()
{
    if (fd_.get() >= 0) {
        Fd(fd_.release());
        ::unlink(temp_.c_str());
    }
    release_pending_file();
}

void OutputFile::write(std::span<const unsigned char> bytes)
{
    if (buffer_.size() + bytes.size() > kOutputBuffer) {
        flush();
    }
    if (bytes.size() >= kOutputBuffer) {
        if (!write_all(fd_.get(), bytes)) {
            throw Failure(system_error("cannot write " + temp_, errno));
        }
        flushed_ += bytes.size();
        return;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void OutputFile::patch(std::uint64_t offset, std::span<const unsigned char> bytes)
{
    if (offset >= flushed_) {
        std::memcpy(buffer_.data() + (offset - flushed_), bytes.data(), bytes.size());
        return;
    }
    flush();
    if (!pwrite_all(fd_.get(), bytes, offset)) {
        throw Failure(system_error("cannot write " + temp_, errno));
    }
}

void OutputFile::flush()
{
    if (!write_all(fd_.get(), buffer_)) {
        throw Failure(system_error("cannot write " + temp_, errno));
    }
    flushed_ += buffer_.size();
    buffer_.clear();
}

void OutputFile::commit()
{
    flush();
    if (::close(fd_.release()) != 0) {
        const int error = errno;
        ::unlink(temp_.c_str());
        throw Failure(system_error("cannot write " + temp_, error));
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp_.c_str());
        throw Failure(system_error("cannot rename " + temp_ + " to " + path_, error));
    }
    release_pending_file();
}

Fd open_output_directory(const std::string &path)
{
    // Make each missing directory on the way, as mkdir -p does.
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        ::mkdir(path.substr(0, at).c_str(), kDirMode);
    }
    ::mkdir(path.c_str(), kDirMode);
    Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        throw Failure(system_error("cannot open directory " + path, errno));
    }
    return fd;
}

std::string write_below(const Fd &root, std::string_view relative,
                        std::span<const unsigned char> data, bool force)
{
    Fd here(::dup(root.get()));
    if (here.get() < 0) {
        return system_error("cannot open the output directory", errno);
    }
    std::string error;
    std::size_t start = 0;
    for (std::size_t slash = relative.find('/'); slash != std::string_view::npos;
         start = slash + 1, slash = relative.find('/', start)) {
        const std::string part(relative.substr(start, slash - start));
        if (part.empty() || part == ".") {
            continue;
        }
        here = enter_directory(here, part, error);
        if (here.get() < 0) {
            return error;
        }
    }
    return write_new(here, std::string(relative.substr(start)), data, force);
}

} // namespace covtool
