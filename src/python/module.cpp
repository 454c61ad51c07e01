// import tessaline: the engine for Python programs, on its public headers only. A file is given
// by its path or as bytes in memory; its record is the dict json.loads makes of the command
// line's --jsonl line for it. The GIL is released while the engine reads and decodes, and any
// number of threads may call at once.
#include "tessaline/icons.h"
#include "tessaline/records.h"
#include "tessaline/version_info.h"

#include <pybind11/pybind11.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace py = pybind11;

namespace {

// What a source names: a file's path (its bytes, as the system spells it), or bytes in memory
// (copied while the GIL is held, so that no other thread can change or free them under the
// engine).
struct Path {
    std::string bytes;
};
using Source = std::variant<Path, std::vector<std::uint8_t>>;

[[noreturn]] void typeError(const std::string& text) {
    throw py::type_error(text);
}

[[noreturn]] void valueError(const std::string& text) {
    throw py::value_error(text);
}

Source sourceOf(const py::handle& source) {
    // str, bytes and os.PathLike are paths, as os.open takes them; bytes in memory come as a
    // buffer (bytearray, memoryview, mmap): memoryview(data) gives one without a copy.
    if (py::isinstance<py::str>(source) || py::isinstance<py::bytes>(source) ||
        py::hasattr(source, "__fspath__")) {
        const py::object os = py::module_::import("os");
        const py::bytes encoded = os.attr("fsencode")(source); // (str through surrogateescape)
        std::string path = encoded;
        if (path.find('\0') != std::string::npos)
            valueError("source: bytes are a path, and a path holds no NUL byte; give bytes in "
                       "memory as a buffer: memoryview(data)");
        return Path{std::move(path)};
    }
    if (!PyObject_CheckBuffer(source.ptr()))
        typeError(std::string("source: a path (str, bytes, os.PathLike) or a bytes-like buffer "
                              "(bytearray, memoryview, mmap) is needed, not ") +
                  Py_TYPE(source.ptr())->tp_name);
    Py_buffer view{};
    // Any layout: a view that is not contiguous is copied in order, as bytes(view) would be.
    if (PyObject_GetBuffer(source.ptr(), &view, PyBUF_FULL_RO) != 0) throw py::error_already_set();
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(view.len));
    } catch (...) {
        PyBuffer_Release(&view);
        throw;
    }
    const int copied = PyBuffer_ToContiguous(bytes.data(), &view, view.len, 'C');
    PyBuffer_Release(&view);
    if (copied != 0) throw py::error_already_set();
    return bytes;
}

// The errno of the engine's reason a file could not be read: its text is the system's own for a
// failed call; a folder, a special file or an empty path has its own.
int errnoOf(const std::string& reason) {
    if (reason == "is a folder") return EISDIR;
    if (reason == "empty path") return ENOENT;
    if (reason == "out of memory") return ENOMEM;
    for (int e = 1; e < 256; ++e)
        if (const char* text = strerrordesc_np(e); text && reason == text) return e;
    return EINVAL; // a FIFO, a device, a socket: never opened for reading
}

[[noreturn]] void raiseUnreadable(const std::string& path, const std::string& reason) {
    const py::bytes name(path);
    const py::object filename = py::module_::import("os").attr("fsdecode")(name);
    PyErr_SetObject(PyExc_OSError,
                    py::make_tuple(errnoOf(reason), reason, filename).release().ptr());
    throw py::error_already_set();
}

bool flag(const py::handle& value, const char* name) {
    if (!PyBool_Check(value.ptr()))
        typeError(std::string(name) + ": True or False is needed, not " +
                  Py_TYPE(value.ptr())->tp_name);
    return value.ptr() == Py_True;
}

// An int argument (never a bool) of at least least; nothing for None.
std::optional<long long> integer(const py::handle& value, const char* name, long long least) {
    if (value.is_none()) return std::nullopt;
    if (PyBool_Check(value.ptr()) || !PyLong_Check(value.ptr()))
        typeError(std::string(name) + ": an int is needed, not " + Py_TYPE(value.ptr())->tp_name);
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow > 0 || n > INT32_MAX)
        valueError(std::string(name) + ": " + std::string(py::str(value)) + " is too large");
    if (overflow < 0 || n < least)
        valueError(std::string(name) + ": at least " + std::to_string(least) + " is needed, not " +
                   std::string(py::str(value)));
    return n;
}

py::dict scan(const py::handle& source, const py::handle& hashesArg) {
    const bool hashes = flag(hashesArg, "hashes");
    const Source s = sourceOf(source);
    tess::JsonRecord record;
    {
        py::gil_scoped_release unlocked;
        if (const Path* path = std::get_if<Path>(&s))
            record = tess::recordJson(path->bytes, hashes);
        else
            record = tess::recordJsonOfBytes(std::get<std::vector<std::uint8_t>>(s), hashes);
    }
    if (const Path* path = std::get_if<Path>(&s); path && !record.error.empty())
        raiseUnreadable(path->bytes, record.error);
    return py::module_::import("json").attr("loads")(py::str(record.json));
}

py::bytes extract(const py::handle& source, const py::handle& indexArg, const py::handle& idArg,
                  const py::handle& formatArg, const py::handle& sizeArg) {
    tess::ExtractRequest request;
    if (const auto index = integer(indexArg, "index", 0))
        request.index = static_cast<std::size_t>(*index);
    if (py::isinstance<py::str>(idArg))
        request.id = idArg.cast<std::string>();
    else if (const auto id = integer(idArg, "id", 0)) // (a numeric resource ID as an int)
        request.id = std::to_string(*id);
    if (request.index && request.id) valueError("index or id, not both");
    if (!py::isinstance<py::str>(formatArg))
        typeError(std::string("format: a str is needed, not ") + Py_TYPE(formatArg.ptr())->tp_name);
    const std::string format = formatArg.cast<std::string>();
    if (format != "ico" && format != "png")
        valueError("format: \"ico\" or \"png\", not \"" + format + "\"");
    request.png = format == "png";
    if (const auto size = integer(sizeArg, "size", 1)) {
        if (!request.png) valueError("size: only with format=\"png\"");
        request.size = static_cast<int>(*size);
    }
    const Source s = sourceOf(source);
    tess::Extracted out;
    std::string unreadable;
    {
        py::gil_scoped_release unlocked;
        const Path* path = std::get_if<Path>(&s);
        const tess::icons::IconFile file =
            path ? tess::icons::readIconFile(path->bytes)
                 : tess::icons::readIconBytes(std::get<std::vector<std::uint8_t>>(s));
        if (file.status == tess::icons::FileStatus::Unreadable)
            unreadable = file.error;
        else
            out = tess::extractBytes(file, request);
    }
    if (!unreadable.empty()) {
        if (const Path* path = std::get_if<Path>(&s)) raiseUnreadable(path->bytes, unreadable);
        valueError(unreadable);
    }
    if (out.bytes.empty()) valueError(out.error);
    return py::bytes(reinterpret_cast<const char*>(out.bytes.data()), out.bytes.size());
}

std::string version() {
    const tess::VersionInfo& v = tess::versionInfo();
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch) +
           "." + std::to_string(v.revision);
}

} // namespace

PYBIND11_MODULE(tessaline, m) {
    m.doc() = "The icons of Windows programs, libraries, icons and cursors (.exe .dll .ico .cur "
              ".ani), read by the Tessaline engine.";
    m.attr("__version__") = version();
    m.def("scan", &scan, py::arg("source"), py::arg("hashes") = false,
          R"(scan(source, hashes=False) -> dict

The record of one file, as `tessaline --list --jsonl` writes it (with --hashes where hashes is
True): its kind, its icons and cursors, and their images. source is a path (str, bytes or
os.PathLike) or bytes in memory as a buffer (bytearray, memoryview, mmap; memoryview(data) for
a bytes object), whose record has no "file" field. A file without icons is a record saying so;
a path that cannot be read raises OSError.)");
    m.def("extract", &extract, py::arg("source"), py::arg("index") = py::none(),
          py::arg("id") = py::none(), py::arg("format") = "ico", py::arg("size") = py::none(),
          R"(extract(source, index=None, id=None, format="ico", size=None) -> bytes

The file `tessaline --extract` writes for one icon, the first unless index (its number) or id
(its resource ID or name) says which: its .ico (.cur for a cursor), or with format="png" a PNG
of its image best for size (the largest when no size is given). ValueError where the file has
no such icon or it has no image that can be read.)");
}
