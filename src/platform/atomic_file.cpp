#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orvelin {

namespace {
WriteFailurePoint gSimulatedFailure = WriteFailurePoint::none;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The words the user reads for a failure.  Being refused is worded the same
// whether the file's mode, its owner or an attribute refused it.
std::string reason(int err) {
    if (err == EACCES || err == EPERM) return "permission denied";
    return std::strerror(err);
}

WriteResult failure(const std::string& what, int err) {
    return {false, what.empty() ? reason(err) : what + ": " + reason(err)};
}

// The file a path names once every symbolic link in its last part is
// followed, even a link to a file that does not exist yet: saving through a
// link writes the file it points to and keeps the link.
std::string followLinks(const std::string& requested) {
    std::string path = requested;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t len = ::readlink(path.c_str(), target.data(), target.size());
        if (len < 0 || static_cast<size_t>(len) >= target.size()) return path;
        const std::string next(target.data(), static_cast<size_t>(len));
        path = next[0] == '/' ? next : folderOf(path) + "/" + next;
    }
    return path;  // a loop of links: the save fails on it with its reason
}

// Write every byte, from the file's current offset.  0 or the error number.
int writeAll(int fd, const std::string& content, bool simulateFull) {
    size_t done = 0;
    while (done < content.size()) {
        if (simulateFull && done > 0) return ENOSPC;
        // Write in two steps when simulating, so that a partial file exists.
        size_t chunk = content.size() - done;
        if (simulateFull) chunk = std::max<size_t>(1, chunk / 2);
        const ssize_t w = ::write(fd, content.data() + done, chunk);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(w);
    }
    return simulateFull ? ENOSPC : 0;
}

// The file opened for writing, closed on every way out.
struct OpenFile {
    int fd = -1;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// Write the text into the existing file itself: for a file with several
// hard links (a new file renamed over one name would part it from the
// others), a file in a folder the user may not change, a file that would
// otherwise change its owner, and devices or pipes.  For a regular file the
// room for the whole text is reserved first, so a full disk refuses the save
// before a byte of the old text is touched.
WriteResult writeInPlace(OpenFile& target, const std::string& content, bool regular) {
    const int fd = target.fd;
    if (regular) {
        const int err = ::posix_fallocate(fd, 0, static_cast<off_t>(content.size()));
        if (err != 0 && err != EOPNOTSUPP && err != EINVAL) return failure("cannot write", err);
        if (::lseek(fd, 0, SEEK_SET) != 0) return failure("cannot write", errno);
    }
    if (const int err = writeAll(fd, content, false)) return failure("cannot write", err);
    if (regular) {
        if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0) return failure("cannot write", errno);
        if (::fsync(fd) != 0) return failure("cannot write", errno);
    }
    target.fd = -1;
    if (::close(fd) != 0) return failure("cannot write", errno);
    return {};
}

}  // namespace

void simulateWriteFailure(WriteFailurePoint point) {
    gSimulatedFailure = point;
}

WriteResult writeFileAtomically(const std::string& requestedPath, const std::string& content) {
    const std::string path = followLinks(requestedPath);
    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) return {false, "it is a folder, not a file"};

    // A file the user could not open for writing is not replaced either,
    // though its folder would allow the rename: read-only means read-only.
    OpenFile target;
    if (existed) {
        target.fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (target.fd < 0) return failure("", errno);
        ::fcntl(target.fd, F_SETFL, ::fcntl(target.fd, F_GETFL) & ~O_NONBLOCK);
        if (!S_ISREG(old.st_mode)) return writeInPlace(target, content, false);
        if (old.st_nlink > 1) return writeInPlace(target, content, true);
    }

    std::string tmpl = folderOf(path) + "/.orvelin-save-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        const int err = errno;
        // The folder is closed to the user but the file is not: write it.
        if (existed && (err == EACCES || err == EPERM)) return writeInPlace(target, content, true);
        return failure("cannot create a file in " + folderOf(path), err);
    }
    const std::string tmp(name.data());

    auto abandon = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return failure(what, err);
    };
    if (gSimulatedFailure == WriteFailurePoint::afterCreate) return abandon("cannot write", EIO);

    // The new file gets the old file's permissions and owner, or the usual
    // permissions for a new file.  An owner that cannot be kept (another
    // user's file that this user may write) keeps the file and writes it.
    mode_t mode = 0666;
    if (existed) {
        mode = old.st_mode & 07777;
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            return writeInPlace(target, content, true);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    if (const int err = writeAll(fd, content, gSimulatedFailure == WriteFailurePoint::duringWrite))
        return abandon("cannot write", err);
    if (::fsync(fd) != 0) return abandon("cannot write", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failure("cannot write", err);
    }
    if (gSimulatedFailure == WriteFailurePoint::beforeRename) {
        ::unlink(tmp.c_str());
        return failure("cannot replace the file", EIO);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failure("cannot replace the file", err);
    }
    return {};
}

}  // namespace orvelin
