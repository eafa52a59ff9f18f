#include "python/py_convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace orvelin::python {

namespace {

py::object errorClass(const char* name) {
    return py::module_::import("orvelin._errors").attr(name);
}

[[noreturn]] void raise(const py::object& exception) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
    throw py::error_already_set();
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

/// The error number behind a failure the core reported in words: the one
/// whose text ends the message, or else what looking at the path now says.
int errorNumberOf(const std::string& path, const std::string& reason) {
    for (int e = 1; e < 134; ++e)
        if (endsWith(reason, std::strerror(e))) return e;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return EIO;
}

}  // namespace

PyObject* newKey(const std::string& key) {
    // Called with the interpreter's lock held, as every conversion is.
    static std::unordered_map<std::string, PyObject*> kept;
    if (auto it = kept.find(key); it != kept.end()) {
        Py_INCREF(it->second);
        return it->second;
    }
    PyObject* k = PyUnicode_DecodeUTF8(key.data(), static_cast<Py_ssize_t>(key.size()), "replace");
    if (k && kept.size() < 4096) {
        PyUnicode_InternInPlace(&k);
        Py_INCREF(k);
        kept.emplace(key, k);
    }
    return k;
}

int lineOfMessage(const std::string& message) {
    int line = 0;
    if (std::sscanf(message.c_str(), "line %d:", &line) == 1) return line;
    return 0;
}

void raiseFileError(const std::string& path, const std::string& reason) {
    // OSError(errno, text, filename) is made as the subclass of its number.
    raise(py::handle(PyExc_OSError)(errorNumberOf(path, reason), reason, path));
}

void raiseDesignFileError(const std::string& path, const std::string& reason, int line) {
    raise(errorClass("DesignFileError")(
        path + ": " + reason, path, line > 0 ? py::object(py::int_(line)) : py::object(py::none()), reason));
}

void warnDamaged(const std::string& path, const LoadResult& r) {
    // warnings.warn keeps the instance, so a caller that catches the warning
    // finds the line and the reason on it, as on the error.
    py::object warning = errorClass("DesignFileWarning")(
        path + " is damaged: " + r.message, path,
        r.damagedLine > 0 ? py::object(py::int_(r.damagedLine)) : py::object(py::none()), r.message);
    py::module_::import("warnings").attr("warn")(warning, py::arg("stacklevel") = 2);
}

void raiseTraceError(TraceStatus status) {
    raise(errorClass("TraceError")("trace problem: " + traceProblemMessage(status), status));
}

void raiseTraceError(TraceStatus status, const std::string& message) {
    raise(errorClass("TraceError")(message, status));
}

void raiseFamilyRefused(const std::string& message, const std::string& reason, const py::object& figures) {
    raise(errorClass("FamilyRefusedError")(message, reason, figures));
}

}  // namespace orvelin::python
