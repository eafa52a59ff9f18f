#include "exchange/zmx_file.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orvelin::exchange {

namespace {

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string at(std::size_t byte) {
    return " at byte " + std::to_string(byte);
}

bool decodeUtf16(const std::string& bytes, std::size_t start, bool littleEndian, std::string& text,
                 std::string& message) {
    if ((bytes.size() - start) % 2 != 0) {
        message = "the UTF-16 text ends in the middle of a character";
        return false;
    }
    auto unitAt = [&](std::size_t i) {
        const unsigned a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return littleEndian ? (a | (b << 8)) : ((a << 8) | b);
    };
    text.reserve((bytes.size() - start) / 2);
    for (std::size_t i = start; i < bytes.size(); i += 2) {
        unsigned cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const unsigned low = i + 3 < bytes.size() ? unitAt(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                message = "the text is not valid UTF-16 (a lone surrogate" + at(i) + ")";
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            message = "the text is not valid UTF-16 (a lone surrogate" + at(i) + ")";
            return false;
        }
        if (cp == 0) {
            message = "the text holds a zero character" + at(i) + ": not a prescription";
            return false;
        }
        appendUtf8(text, cp);
    }
    return true;
}

bool checkUtf8(const std::string& bytes, std::size_t start, std::string& text, std::string& message) {
    for (std::size_t i = start; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        bool good = extra >= 0 && c != 0 && i + extra < bytes.size();
        for (int k = 1; good && k <= extra; ++k) good = (static_cast<unsigned char>(bytes[i + k]) >> 6) == 2;
        if (!good) {
            message = c == 0 ? "the text holds a zero character" + at(i) + ": not a prescription"
                             : "the text is not valid UTF-8" + at(i);
            return false;
        }
        i += extra + 1;
    }
    text = bytes.substr(start);
    return true;
}

/// UTF-16 without a mark: the keywords are ASCII, so one byte of every pair
/// is zero.  Judged on the opening bytes.
int utf16WithoutMark(const std::string& bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 256) & ~std::size_t{1};
    if (n < 2) return 0;
    bool oddZero = true, evenZero = true;
    for (std::size_t i = 0; i < n; ++i) {
        const bool zero = bytes[i] == 0;
        if (i % 2)
            oddZero = oddZero && zero;
        else
            evenZero = evenZero && zero;
    }
    if (oddZero && !evenZero) return 1;   // little-endian
    if (evenZero && !oddZero) return -1;  // big-endian
    return 0;
}

// ---------------------------------------------------------------------------

std::vector<std::string> tokens(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

/// A finite number filling the whole token.
bool number(const std::string& token, double& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') ++first;
    const auto r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(value);
}

bool integer(const std::string& token, long long& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') ++first;
    const auto r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last;
}

struct Reader {
    ZmxReadResult result;
    int lineNo = 0;
    double scale = 1;  // file unit to mm (1 for inches, which stay inches)

    bool refuse(const std::string& why) {
        result.ok = false;
        result.message = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    }

    bool needNumber(const std::vector<std::string>& t, std::size_t i, double& v) {
        if (i < t.size() && number(t[i], v)) return true;
        return refuse(i < t.size() ? t[0] + ": \"" + t[i] + "\" is not a finite number"
                                   : t[0] + ": a number is missing");
    }

    ZmxSurface* surface(const std::string& keyword) {
        if (result.file.surfaces.empty()) {
            refuse(keyword + " comes before the first SURF");
            return nullptr;
        }
        return &result.file.surfaces.back();
    }

    bool fields(const std::vector<std::string>& t, std::vector<double>& out) {
        out.clear();
        for (std::size_t i = 1; i < t.size(); ++i) {
            double v;
            if (!needNumber(t, i, v)) return false;
            out.push_back(v);
        }
        return true;
    }

    bool line(const std::string& text);
};

bool Reader::line(const std::string& text) {
    const std::vector<std::string> t = tokens(text);
    if (t.empty()) return true;
    const std::string& k = t[0];
    ZmxFile& f = result.file;
    double v = 0;

    if (k == "MODE") {
        if (t.size() < 2 || t[1] != "SEQ")
            return refuse("MODE " + (t.size() > 1 ? t[1] : "") + ": only sequential (SEQ) files can be read");
    } else if (k == "MNUM") {
        long long configs = 0;
        if (t.size() < 2 || !integer(t[1], configs))
            return refuse("MNUM: the configuration count is not a number");
        if (configs > 1) return refuse("MNUM " + t[1] + ": several configurations cannot be read");
    } else if (k == "UNIT") {
        const std::string u = t.size() > 1 ? t[1] : "";
        if (u == "MM")
            scale = 1;
        else if (u == "CM")
            scale = 10;
        else if (u == "METER")
            scale = 1000;
        else if (u == "IN")
            scale = 1, f.inches = true;
        else
            return refuse("UNIT " + u + ": the lens unit must be MM, CM, IN or METER");
    } else if (k == "ENPD" || k == "FNUM") {
        if (!needNumber(t, 1, v)) return false;
        if (!(v > 0)) return refuse(k + " " + t[1] + ": must be positive");
        f.aperture = k == "ENPD" ? ZmxAperture::entrancePupil : ZmxAperture::fNumber;
        f.apertureValue = v;
        f.apertureLine = lineNo;
    } else if (k == "FLOA") {
        f.aperture = ZmxAperture::floatingStop;
        f.apertureLine = lineNo;
    } else if (k == "FTYP") {
        long long type = 0, count = 0;
        if (t.size() < 4 || !integer(t[1], type) || !integer(t[3], count))
            return refuse("FTYP: expected the field type and the field count");
        if (type != 0) return refuse("FTYP " + t[1] + ": only field angles (type 0) can be read");
        if (count < 0) return refuse("FTYP: a negative field count");
        f.fieldCount = static_cast<int>(std::min<long long>(count, 1000));
    } else if (k == "XFLN" || k == "XFLD") {
        return fields(t, f.xFields);
    } else if (k == "YFLN" || k == "YFLD") {
        return fields(t, f.yFields);
    } else if (k == "SURF") {
        long long index = 0;
        if (t.size() < 2) return refuse("SURF: the surface number is missing");
        if (!integer(t[1], index)) return refuse("SURF " + t[1] + ": not a surface number");
        if (index != static_cast<long long>(f.surfaces.size()))
            return refuse("SURF " + t[1] + " where surface " + std::to_string(f.surfaces.size()) +
                          " was due");
        if (index >= kMaxZmxSurfaces)
            return refuse("more than " + std::to_string(kMaxZmxSurfaces) +
                          " surfaces: no system of at most 20 mirrors needs so many");
        f.surfaces.emplace_back();
        f.surfaces.back().line = lineNo;
    } else if (k == "TYPE") {
        ZmxSurface* s = surface(k);
        if (!s) return false;
        const std::string type = t.size() > 1 ? t[1] : "";
        if (type != "STANDARD" && type != "COORDBRK" && type != "TOROIDAL" && type != "EVENASPH")
            return refuse(
                "surface type " + type +
                " cannot be held: only STANDARD, EVENASPH, TOROIDAL and COORDBRK surfaces can be read");
        s->type = type;
    } else if (k == "CURV" || k == "CONI") {
        ZmxSurface* s = surface(k);
        if (!s || !needNumber(t, 1, v)) return false;
        if (k == "CURV")
            s->curvature = v;
        else
            s->conic = v;
    } else if (k == "DISZ") {
        ZmxSurface* s = surface(k);
        if (!s) return false;
        s->thicknessLine = lineNo;
        if (t.size() > 1 && t[1] == "INFINITY") {
            s->infiniteThickness = true;
        } else {
            if (!needNumber(t, 1, v)) return false;
            s->thickness = v;
            s->infiniteThickness = false;
        }
    } else if (k == "GLAS") {
        ZmxSurface* s = surface(k);
        if (!s) return false;
        const std::string glass = t.size() > 1 ? t[1] : "";
        if (glass == "MIRROR")
            s->glass = ZmxGlass::mirror;
        else if (glass == "AIR" || glass.empty())
            s->glass = ZmxGlass::air;
        else
            return refuse("GLAS " + glass + " makes a lens: only mirrors (GLAS MIRROR) can be read");
    } else if (k == "STOP") {
        ZmxSurface* s = surface(k);
        if (!s) return false;
        s->stop = true;
    } else if (k == "DIAM") {
        ZmxSurface* s = surface(k);
        if (!s || !needNumber(t, 1, v)) return false;
        s->hasSemiDiameter = true;
        s->semiDiameter = v;
    } else if (k == "PARM") {
        ZmxSurface* s = surface(k);
        long long i = 0;
        if (!s) return false;
        if (t.size() < 3 || !integer(t[1], i)) return refuse("PARM: expected a parameter number and a value");
        if (!needNumber(t, 2, v)) return false;
        if (i >= 0 && i <= 64) {
            s->parameters[static_cast<int>(i)] = v;
            s->parameterLines[static_cast<int>(i)] = lineNo;
        }
    }
    // Everything else (drawing, comments, tolerances, wavelengths, merit
    // function, solves and pickups whose values are already resolved) does
    // not change the optics of a mirror system.
    return true;
}

/// Every length to millimetres (inches stay inches): thicknesses,
/// curvatures, semi-diameters, the entrance pupil, and the parameters that
/// are lengths (a break's decenters, a toroid's radius of rotation).
void scaleLengths(ZmxFile& f, double scale) {
    if (f.aperture == ZmxAperture::entrancePupil) f.apertureValue *= scale;
    for (ZmxSurface& s : f.surfaces) {
        s.thickness *= scale;
        s.curvature /= scale;
        s.semiDiameter *= scale;
        if (s.isBreak()) {
            for (int i : {1, 2})
                if (s.parameters.count(i)) s.parameters[i] *= scale;
        } else if (s.type == "TOROIDAL" && s.parameters.count(1)) {
            s.parameters[1] *= scale;
        }
    }
}

}  // namespace

bool decodeZmxText(const std::string& bytes, std::string& text, std::string& message) {
    text.clear();
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() > kMaxZmxBytes) {
        message = "the file is larger than " + std::to_string(kMaxZmxBytes >> 20) +
                  " MB: a mirror prescription takes a few kilobytes";
        return false;
    }
    if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE) return decodeUtf16(bytes, 2, true, text, message);
    if (bytes.size() >= 2 && b(0) == 0xFE && b(1) == 0xFF) return decodeUtf16(bytes, 2, false, text, message);
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return checkUtf8(bytes, 3, text, message);
    if (const int order = utf16WithoutMark(bytes)) return decodeUtf16(bytes, 0, order > 0, text, message);
    // Latin-1: every byte is a character.
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (b(i) == 0) {
            message = "the text holds a zero character" + at(i) + ": not a prescription";
            return false;
        }
        appendUtf8(text, b(i));
    }
    return true;
}

ZmxReadResult readZmx(const std::string& bytes) {
    Reader r;
    std::string text;
    if (!decodeZmxText(bytes, text, r.result.message)) return r.result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++r.lineNo;
        if (!r.line(line)) return r.result;
        pos = end + 1;
    }
    // A file cut short: its last line has no line end, or its last surface
    // no thickness (every writer gives every surface one).
    if (!text.empty() && text.back() != '\n') {
        r.result.message =
            "line " + std::to_string(r.lineNo) + ": the file ends inside this line: it is cut short";
        return r.result;
    }
    if (!r.result.file.surfaces.empty() && r.result.file.surfaces.back().thicknessLine == 0) {
        r.result.message = "line " + std::to_string(r.result.file.surfaces.back().line) + ": surface " +
                           std::to_string(r.result.file.surfaces.size() - 1) +
                           " has no thickness (DISZ): the file is cut short";
        return r.result;
    }
    if (r.result.file.surfaces.empty()) {
        r.result.message = "no surfaces (SURF records): not a sequential prescription";
        return r.result;
    }
    scaleLengths(r.result.file, r.scale);
    r.result.ok = true;
    return r.result;
}

ZmxReadResult readZmxFile(const std::string& path) {
    ZmxReadResult r;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        r.message = "cannot be read (missing, or not a file)";
        return r;
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxZmxBytes) {
        r.message = "the file is larger than " + std::to_string(kMaxZmxBytes >> 20) +
                    " MB: a mirror prescription takes a few kilobytes";
        return r;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        r.message = "cannot be opened for reading";
        return r;
    }
    std::string bytes;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bytes.size() > kMaxZmxBytes) {  // grew while we looked
        r.message = "the file is larger than " + std::to_string(kMaxZmxBytes >> 20) + " MB";
        return r;
    }
    return readZmx(bytes);
}

}  // namespace orvelin::exchange
