// Handing the core's results to Python: JSON values become Python objects
// directly (no text in between), and the core's failures become the
// module's exceptions with the command line's messages.
#pragma once

#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>
#include <string>

#include "design/design_file.h"
#include "trace/ray_trace.h"

namespace orvelin::python {

namespace py = pybind11;

/// A new reference to a dict key: the names of results repeat from call to
/// call, so their Python strings are made once and kept (a few hundred at
/// most; beyond that they are made each time).
PyObject* newKey(const std::string& key);

/// A new reference to the Python object of a JSON value: objects become
/// dicts (keys in the JSON's order), arrays lists, numbers int or float.
/// Text that is not valid UTF-8 (a title from a file name) gets U+FFFD in
/// place of each bad byte, as the command line writes it.
template <class Json>
PyObject* newPythonObject(const Json& j) {
    switch (j.type()) {
        case nlohmann::json::value_t::null:
        case nlohmann::json::value_t::discarded:
            Py_RETURN_NONE;
        case nlohmann::json::value_t::boolean:
            return PyBool_FromLong(j.template get<bool>());
        case nlohmann::json::value_t::number_integer:
            return PyLong_FromLongLong(j.template get<long long>());
        case nlohmann::json::value_t::number_unsigned:
            return PyLong_FromUnsignedLongLong(j.template get<unsigned long long>());
        case nlohmann::json::value_t::number_float:
            return PyFloat_FromDouble(j.template get<double>());
        case nlohmann::json::value_t::string: {
            const std::string& s = j.template get_ref<const std::string&>();
            return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
        }
        case nlohmann::json::value_t::array: {
            PyObject* list = PyList_New(static_cast<Py_ssize_t>(j.size()));
            if (!list) return nullptr;
            Py_ssize_t i = 0;
            for (const Json& item : j) {
                PyObject* value = newPythonObject(item);
                if (!value) {
                    Py_DECREF(list);
                    return nullptr;
                }
                PyList_SET_ITEM(list, i++, value);
            }
            return list;
        }
        case nlohmann::json::value_t::object:
        case nlohmann::json::value_t::binary:
            break;
    }
    if (!j.is_object()) Py_RETURN_NONE;
    PyObject* dict = PyDict_New();
    if (!dict) return nullptr;
    for (auto it = j.begin(); it != j.end(); ++it) {
        PyObject* key = newKey(it.key());
        PyObject* value = key ? newPythonObject(it.value()) : nullptr;
        const int failed = value ? PyDict_SetItem(dict, key, value) : -1;
        Py_XDECREF(key);
        Py_XDECREF(value);
        if (failed) {
            Py_DECREF(dict);
            return nullptr;
        }
    }
    return dict;
}

/// The JSON value as a Python object.
template <class Json>
py::object toPython(const Json& j) {
    PyObject* o = newPythonObject(j);
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(o);
}

/// Raise OSError (FileNotFoundError, PermissionError, IsADirectoryError...
/// as the error number says) for a file that could not be read or written;
/// `reason` is the core's message for it.
[[noreturn]] void raiseFileError(const std::string& path, const std::string& reason);

/// Raise orvelin.DesignFileError for a refused file: "PATH: REASON".
[[noreturn]] void raiseDesignFileError(const std::string& path, const std::string& reason, int line);

/// Warn with orvelin.DesignFileWarning for a damaged file that was read as
/// far as it goes (the command line's warning).
void warnDamaged(const std::string& path, const LoadResult& result);

/// Raise orvelin.TraceError: "trace problem: MESSAGE", with the status.
[[noreturn]] void raiseTraceError(TraceStatus status);
/// Raise orvelin.TraceError with a message of the caller's.
[[noreturn]] void raiseTraceError(TraceStatus status, const std::string& message);

/// Raise orvelin.FamilyRefusedError: `message`, with the reason alone and
/// the figures the design reached.
[[noreturn]] void raiseFamilyRefused(const std::string& message, const std::string& reason,
                                     const py::object& figures);

/// The line number at the start of a message "line N: ...", or 0.
int lineOfMessage(const std::string& message);

}  // namespace orvelin::python
