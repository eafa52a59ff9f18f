#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelin {

namespace {
WriteFailurePoint gSimulatedFailure = WriteFailurePoint::none;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

WriteResult failure(const std::string& what, int err) {
    return {false, what + ": " + std::strerror(err)};
}
}  // namespace

void simulateWriteFailure(WriteFailurePoint point) { gSimulatedFailure = point; }

WriteResult writeFileAtomically(const std::string& requestedPath, const std::string& content) {
    // Saving through a symbolic link replaces the file it points to, not the link.
    std::string path = requestedPath;
    if (char* real = ::realpath(requestedPath.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    struct stat old{};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) return {false, "it is a folder, not a file"};

    std::string tmpl = folderOf(path) + "/.orvelin-save-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return failure("cannot create a file in " + folderOf(path), errno);
    const std::string tmp(name.data());

    auto abandon = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return failure(what, err);
    };
    if (gSimulatedFailure == WriteFailurePoint::afterCreate) return abandon("cannot write", EIO);

    // The new file gets the old file's permissions, or the usual ones for a new file.
    mode_t mode = 0666;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    size_t done = 0;
    while (done < content.size()) {
        if (gSimulatedFailure == WriteFailurePoint::duringWrite && done > 0) return abandon("cannot write", ENOSPC);
        // Write in two steps when simulating, so that a partial file exists.
        size_t chunk = content.size() - done;
        if (gSimulatedFailure == WriteFailurePoint::duringWrite) chunk = std::max<size_t>(1, chunk / 2);
        const ssize_t w = ::write(fd, content.data() + done, chunk);
        if (w < 0) {
            if (errno == EINTR) continue;
            return abandon("cannot write", errno);
        }
        done += static_cast<size_t>(w);
    }
    if (gSimulatedFailure == WriteFailurePoint::duringWrite) return abandon("cannot write", ENOSPC);
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
