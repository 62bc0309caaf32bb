#include "os_fake.hpp"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "os.hpp"

#ifndef COVDUMP_TEST_SANDBOX
#error "COVDUMP_TEST_SANDBOX names the directory that holds the sandboxes"
#endif

namespace covdump::fake
{

State &state()
{
    static State s;
    return s;
}

std::string real_path(std::string_view path)
{
    if (!path.empty() && path.front() == '/') {
        return state().root + std::string(path);
    }
    return std::string(path);
}

void reset()
{
    tear_down();
    const std::string base = COVDUMP_TEST_SANDBOX;
    ::mkdir(base.c_str(), 0777);
    std::string templ = base + "/sbXXXXXX";
    const char *made = ::mkdtemp(templ.data());
    State fresh;
    fresh.root = made == nullptr ? base + "/failed" : std::string(made);
    state() = fresh;
}

void tear_down()
{
    if (state().root.empty()) {
        return;
    }
    ::nftw(
        state().root.c_str(),
        [](const char *p, const struct stat *, int, struct FTW *) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
    state().root.clear();
}

void make_dirs(std::string_view path)
{
    std::string partial = state().root;
    std::stringstream parts{std::string(path)};
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (!part.empty()) {
            partial += "/" + part;
            ::mkdir(partial.c_str(), 0777);
        }
    }
}

void write_file(std::string_view path, std::string_view content)
{
    std::ofstream(real_path(path), std::ios::binary) << content;
}

std::string read_file(std::string_view path)
{
    std::ifstream in(real_path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(std::string_view path)
{
    return ::access(real_path(path).c_str(), F_OK) == 0;
}

bool is_dir(std::string_view path)
{
    struct stat st {
    };
    return ::stat(real_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_symlink(std::string_view path)
{
    struct stat st {
    };
    return ::lstat(real_path(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string link_target(std::string_view path)
{
    char buf[1024] = {};
    const ssize_t n = ::readlink(real_path(path).c_str(), buf, sizeof buf - 1);
    std::string target(buf, n < 0 ? 0 : static_cast<std::size_t>(n));
    if (target.rfind(state().root, 0) == 0) {
        target.erase(0, state().root.size());
    }
    return target;
}

unsigned mode_of(std::string_view path)
{
    struct stat st {
    };
    return ::stat(real_path(path).c_str(), &st) == 0 ? (st.st_mode & 07777U) : 0xFFFFU;
}

std::vector<std::string> lines_of(std::string_view path)
{
    std::vector<std::string> lines;
    std::stringstream in(read_file(path));
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

sighandler_t handler_of(int sig)
{
    const auto found = state().actions.find(sig);
    return found == state().actions.end() ? SIG_DFL : found->second.sa_handler;
}

} // namespace covdump::fake

namespace covdump::os
{

using fake::real_path;
using fake::state;

int open_dir(const char *path)
{
    return ::open(real_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
int open_dir_nofollow(const char *path)
{
    return ::open(real_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
int open_dir_at(int dir, const char *name)
{
    return ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
int mkdir_at(int dir, const char *name, mode_t mode)
{
    return ::mkdirat(dir, name, mode);
}
int open_at(int dir, const char *name, Access how)
{
    int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    switch (how) {
    case Access::append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    case Access::write:
        flags |= O_WRONLY | O_CREAT;
        break;
    case Access::create_new:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        break;
    case Access::read:
        flags |= O_RDONLY;
        break;
    }
    return ::openat(dir, name, flags, 0666);
}
bool is_plain_file(int fd)
{
    struct stat st {
    };
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}
int mode_of(int fd)
{
    struct stat st {
    };
    return ::fstat(fd, &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}
int fchmod(int fd, mode_t mode)
{
    return ::fchmod(fd, mode);
}
int truncate(int fd)
{
    return ::ftruncate(fd, 0);
}
ssize_t read(int fd, void *buf, std::size_t n)
{
    return ::read(fd, buf, n);
}
bool write_all(int fd, const void *data, std::size_t n)
{
    return ::write(fd, data, n) == static_cast<ssize_t>(n);
}
int close(int fd)
{
    return ::close(fd);
}
bool exists(const char *path)
{
    return fake::exists(path);
}
int symlink(const char *target, const char *link)
{
    return ::symlink(real_path(target).c_str(), real_path(link).c_str());
}
void write_stdout(const char *text, std::size_t n, bool)
{
    state().out.append(text, n);
}

pid_t getpid()
{
    return state().pid;
}
int node_name(char *out, std::size_t n)
{
    if (state().node_name.size() >= n) {
        return -1;
    }
    std::memcpy(out, state().node_name.c_str(), state().node_name.size() + 1);
    return 0;
}
int setenv(const char *name, const char *value)
{
    return ::setenv(name, value, 1);
}
int at_exit(void (*fn)())
{
    if (state().at_exit_status != 0) {
        errno = ENOMEM;
        return state().at_exit_status;
    }
    state().exit_handlers.push_back(fn);
    return 0;
}
const char *program_name()
{
    return state().program.c_str();
}

std::time_t now()
{
    return state().now;
}
long utc_offset(std::time_t)
{
    return state().utc_offset;
}

void *map_zeroed(std::size_t n)
{
    return std::calloc(n, 1);
}
void unmap(void *p, std::size_t)
{
    std::free(p);
}

sighandler_t real_signal(int sig, sighandler_t handler)
{
    if (sig == state().fail_signal) {
        errno = EINVAL;
        return SIG_ERR;
    }
    struct sigaction &slot = state().actions[sig];
    const sighandler_t old = slot.sa_handler;
    slot = {};
    slot.sa_handler = handler;
    slot.sa_flags = SA_RESTART;
    return old;
}
int real_sigaction(int sig, const struct sigaction *act, struct sigaction *oldact)
{
    if (oldact != nullptr) {
        *oldact = state().actions[sig];
    }
    if (act != nullptr) {
        state().actions[sig] = *act;
    }
    return 0;
}
int raise(int sig)
{
    state().raised.push_back(sig);
    return 0;
}

pid_t fork()
{
    return 4712;
}

namespace
{
std::vector<std::string> strings_of(char *const v[])
{
    std::vector<std::string> out;
    for (; v != nullptr && *v != nullptr; ++v) {
        out.emplace_back(*v);
    }
    return out;
}
int record_exec(const char *fn, const char *path, char *const argv[], char *const envp[])
{
    state().execs.push_back({fn, path, strings_of(argv), strings_of(envp)});
    errno = ENOENT;
    return state().exec_result;
}
} // namespace

int execv(const char *path, char *const argv[])
{
    return record_exec("execv", path, argv, nullptr);
}
int execvp(const char *file, char *const argv[])
{
    return record_exec("execvp", file, argv, nullptr);
}
int execve(const char *path, char *const argv[], char *const envp[])
{
    return record_exec("execve", path, argv, envp);
}

} // namespace covdump::os
