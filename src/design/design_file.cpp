#include "design/design_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "design/design_table.h"
#include "platform/atomic_file.h"

namespace orvelin {

namespace {

// Design files are a few kilobytes; anything far larger is not one, and
// reading it whole would only waste memory.
constexpr long kLargestDesignFile = 1 << 20;

// Room for one "%s" token.  The width in the conversions below keeps a long
// token from running past the buffer; it is split instead.
constexpr int kTokenRoom = 512;
#define TOKEN "%511s"

// Legacy header lines are skipped with one line read of at most 279 characters.
constexpr int kLineRoom = 280;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Reads one design with the C library's formatted input, remembering the
// first place where the text did not hold what the layout expects.
class Reader {
  public:
    Reader(FILE* f, const std::string& text) : f_(f), text_(text) {}

    // fscanf with a record of failure.  `what` names the expected values.
    template <typename... Args>
    int scan(int expected, const char* what, const char* format, Args... args) {
        const long before = std::ftell(f_);
        const int got = std::fscanf(f_, format, args...);
        if (got != expected) damage(what, before);
        return got;
    }

    // A number that reads as NaN or infinity cannot be traced or shown; it
    // is treated like a failed conversion: the target keeps its old value.
    // True when the value was taken.
    bool keepFinite(double& target, double old, const char* what) {
        if (!std::isfinite(target)) {
            target = old;
            damage(what, std::ftell(f_));
            return false;
        }
        return true;
    }

    // The legacy layout stores twice this value (the full aperture or field
    // angle); one whose double overflows could never be saved and read back,
    // so it is not taken either.
    void keepDoublable(double& target, double old, const char* what) {
        if (!std::isfinite(2 * target)) {
            target = old;
            damage(what, std::ftell(f_));
        }
    }

    void skipLine() {
        char line[kLineRoom];
        if (!std::fgets(line, sizeof line, f_)) damage("more lines", std::ftell(f_));
    }

    void skipToken(const char* what) {
        char token[kTokenRoom];
        scan(1, what, " " TOKEN, token);
    }

    // A token that may be missing: skipped when present, never damage.
    void skipOptionalToken() {
        char token[kTokenRoom];
        if (std::fscanf(f_, " " TOKEN, token) != 1) std::clearerr(f_);
    }

    bool atEnd() const { return std::feof(f_) != 0; }

    void damage(const char* what, long offset) {
        if (damaged_) return;
        damaged_ = true;
        line_ = lineAt(offset);
        endedEarly_ = firstTextAfter(offset) >= text_.size();
        what_ = what;
    }

    bool damaged() const { return damaged_; }
    /// Note values that the file did not supply, and of what they are.
    void kept(const std::vector<const char*>& names, const std::string& of) {
        if (names.empty()) return;
        std::string text = "the ";
        for (size_t i = 0; i < names.size(); ++i) {
            if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
            text += names[i];
        }
        if (!of.empty()) text += " of " + of;
        kept_.push_back(text);
    }
    const std::vector<std::string>& keptValues() const { return kept_; }
    int line() const { return line_; }
    /// The damage lies at the end of the text: the file ended too soon.
    bool endedEarly() const { return endedEarly_; }
    const std::string& what() const { return what_; }
    /// The number of the last line that holds more than blanks, 0 for none.
    int lastLine() const {
        int line = 1, last = 0;
        for (char c : text_) {
            if (c == '\n')
                ++line;
            else if (c != ' ' && c != '\t')
                last = line;
        }
        return last;
    }

  private:
    size_t firstTextAfter(long offset) const {
        size_t pos = offset < 0 ? text_.size() : static_cast<size_t>(offset);
        while (pos < text_.size() && (text_[pos] == ' ' || text_[pos] == '\t' || text_[pos] == '\n')) ++pos;
        return std::min(pos, text_.size());
    }
    int lineAt(long offset) const {
        // The failure lies at the first non-blank character after `offset`.
        const size_t pos = firstTextAfter(offset);
        int line = 1;
        for (size_t i = 0; i < pos; ++i)
            if (text_[i] == '\n') ++line;
        // A file that ends with a line end has no line after it: name the last.
        if (pos == text_.size() && pos > 0 && text_[pos - 1] == '\n') --line;
        return line < 1 ? 1 : line;
    }

    FILE* f_;
    const std::string& text_;
    bool damaged_ = false;
    bool endedEarly_ = false;
    int line_ = 0;
    std::string what_;
    std::vector<std::string> kept_;
};

double invOrZero(double v) {
    return v == 0 ? 0.0 : 1.0 / v;
}

std::string surfaceText(const char* what, int i, int n) {
    char buf[96];
    if (i == n)
        std::snprintf(buf, sizeof buf, "%s of the focal plane", what);
    else
        std::snprintf(buf, sizeof buf, "%s of surface %d", what, i);
    return buf;
}

// The numeric layout: the trace's derived values, comma-separated.
void readNumeric(Reader& in, Design& d) {
    const int n = d.surfaceCount;
    d.units = "inches";
    // The file gives the signs of spaces 1..n+1; the last one lies beyond the
    // focal plane and has no surface slot when n is the largest count.
    double s[kSurfaceSlots + 1] = {};
    for (int i = 0; i < kSurfaceSlots; ++i) s[i] = d.surfaces[i].mediumSign;
    for (int i = 1; i <= n + 1; ++i) {
        const double old = s[i];
        in.scan(1, i == 1 ? "the medium sign of surface 1" : "a medium sign", i == 1 ? " %lg" : " , %lg",
                &s[i]);
        in.keepFinite(s[i], old, "a finite medium sign");
    }
    s[0] = -s[1];
    for (int i = 0; i < kSurfaceSlots; ++i) d.surfaces[i].mediumSign = s[i];
    for (int i = 1; i <= n; ++i) {
        const double old[6] = {d.surfaces[i].signedRadius, d.surfaces[i].oneMinusConic,
                               d.surfaces[i].tilt,         d.surfaces[i].signedSeparation,
                               d.surfaces[i].sinTilt,      d.surfaces[i].cosTilt};
        const std::string what = surfaceText("six numbers", i, n);
        const int got =
            in.scan(6, what.c_str(), " %lg , %lg , %lg , %lg , %lg , %lg \n", &d.surfaces[i].signedRadius,
                    &d.surfaces[i].oneMinusConic, &d.surfaces[i].tilt, &d.surfaces[i].signedSeparation,
                    &d.surfaces[i].sinTilt, &d.surfaces[i].cosTilt);
        if (got != 6) in.kept({"values"}, i == n ? "the focal plane" : "surface " + std::to_string(i));
        double* fields[6] = {&d.surfaces[i].signedRadius, &d.surfaces[i].oneMinusConic,
                             &d.surfaces[i].tilt,         &d.surfaces[i].signedSeparation,
                             &d.surfaces[i].sinTilt,      &d.surfaces[i].cosTilt};
        for (int k = 0; k < 6; ++k) in.keepFinite(*fields[k], old[k], what.c_str());
        // A sign far from +-1 can carry a product out of the double range:
        // such a value cannot be shown or written, so it fails like NaN.
        const double entered[3] = {d.surfaces[i].radius, d.surfaces[i].conic, d.surfaces[i].separation};
        d.surfaces[i].signedSagRadius = d.surfaces[i].signedRadius;
        d.surfaces[i].radius = -s[i] * d.surfaces[i].signedRadius;
        d.surfaces[i].conic = 1 - d.surfaces[i].oneMinusConic;
        d.surfaces[i].separation = -s[i] * d.surfaces[i].signedSeparation;
        in.keepFinite(d.surfaces[i].radius, entered[0], what.c_str());
        in.keepFinite(d.surfaces[i].conic, entered[1], what.c_str());
        in.keepFinite(d.surfaces[i].separation, entered[2], what.c_str());
        d.surfaces[i].sagRadius = d.surfaces[i].radius;
        d.surfaces[i].kind = kConic;
        d.surfaces[i].curvature = invOrZero(d.surfaces[i].signedRadius);
        d.surfaces[i].sagCurvature = invOrZero(d.surfaces[i].signedSagRadius);
    }
    const double old[4] = {d.semiAperture, d.fieldSemiAngle, d.sinField, d.cosField};
    if (in.scan(4, "the semi-aperture, field angle, its sine and cosine", " %lg , %lg , %lg , %lg \n",
                &d.semiAperture, &d.fieldSemiAngle, &d.sinField, &d.cosField) != 4)
        in.kept({"aperture", "field semi-angle"}, "");
    in.keepFinite(d.semiAperture, old[0], "a finite semi-aperture");
    in.keepFinite(d.fieldSemiAngle, old[1], "a finite field angle");
    in.keepDoublable(d.fieldSemiAngle, old[1], "a field angle that can be saved");
    in.keepFinite(d.sinField, old[2], "a finite field sine");
    in.keepFinite(d.cosField, old[3], "a finite field cosine");
    in.keepDoublable(d.semiAperture, old[0], "an aperture that can be saved");
    d.aperture = d.semiAperture * 2;
    if (in.atEnd()) return;  // first extent: conic surfaces only

    for (int i = 1; i <= n; ++i) {
        const double oldSag = d.surfaces[i].signedSagRadius;
        const std::string what = surfaceText("the sagittal radius and kind", i, n);
        in.scan(2, what.c_str(), " %lg , %d \n", &d.surfaces[i].signedSagRadius, &d.surfaces[i].kind);
        in.keepFinite(d.surfaces[i].signedSagRadius, oldSag, what.c_str());
        const double oldSagRadius = d.surfaces[i].sagRadius;
        d.surfaces[i].sagRadius = -s[i] * d.surfaces[i].signedSagRadius;
        in.keepFinite(d.surfaces[i].sagRadius, oldSagRadius, what.c_str());
        d.surfaces[i].sagCurvature = invOrZero(d.surfaces[i].signedSagRadius);
    }
    if (in.atEnd()) return;  // second extent: kinds and sagittal radii

    double unused[2] = {0, 0};
    in.scan(2, "two closing numbers", " %lg , %lg \n", &unused[0], &unused[1]);
}

// The legacy, report-like layout (the one the program writes).  False, with
// nothing read past it, when the mirror count is more than the design holds.
bool readLegacy(Reader& in, Design& d, int& count) {
    char token[kTokenRoom] = "";
    in.scan(1, "the version", " " TOKEN, token);
    if (std::strcmp(token, "Beta") == 0) in.scan(1, "the version", " " TOKEN, token);
    in.skipLine();
    count = d.surfaceCount;  // 0, from the first token
    in.scan(1, "the number of mirrors", " %d", &count);
    // The count decides how many rows follow: check it before reading them.
    if (count < 0 || count > kMaxMirrors) return false;
    d.surfaceCount = count + 1;
    const int n = d.surfaceCount;
    initMediumSigns(d);
    in.skipLine();
    in.skipLine();
    in.skipLine();

    for (int j = 1; j <= n; ++j) {
        const bool plane = j == n;
        Surface& s = d.surfaces[j];
        const std::string what = surfaceText(
            plane ? "kind, radius, CC/Rsag and tilt" : "kind, radius, CC/Rsag, tilt and separation", j, n);
        int kind = s.kind;
        double radius = s.radius, second = 0, tilt = s.tilt, separation = s.separation;
        int got =
            plane ? in.scan(4, what.c_str(), " %d%lg%lg%lg", &kind, &radius, &second, &tilt)
                  : in.scan(5, what.c_str(), " %d%lg%lg%lg%lg", &kind, &radius, &second, &tilt, &separation);
        if (got < 0) got = 0;
        // What the row supplied, in its order; a number that is not finite
        // is not taken.
        const bool has[5] = {got > 0, got > 1 && in.keepFinite(radius, s.radius, what.c_str()),
                             got > 2 && in.keepFinite(second, 0, what.c_str()),
                             got > 3 && in.keepFinite(tilt, s.tilt, what.c_str()),
                             !plane && got > 4 && in.keepFinite(separation, s.separation, what.c_str())};
        if (has[0]) s.kind = kind;
        if (has[1]) s.radius = radius;
        if (has[3]) s.tilt = tilt;
        if (has[4]) s.separation = separation;
        if (has[2]) {
            // The CC/Rsag column is the sagittal radius of a toroid and the
            // conic constant of any other kind.
            s.sagRadius = s.radius;
            if (s.kind == kToroid) {
                s.sagRadius = second;
                s.conic = 0;
            } else {
                s.conic = second;
            }
        } else if (s.kind == kToroid) {
            s.conic = 0;  // the sagittal radius stays as it was
        } else {
            s.sagRadius = s.radius;  // the conic constant stays as it was
        }
        static const char* const names[5] = {"kind", "radius", "CC/Rsag", "tilt", "separation"};
        std::vector<const char*> missing;
        for (int k = 0; k < (plane ? 4 : 5); ++k)
            if (!has[k]) missing.push_back(names[k]);
        in.kept(missing, plane ? "the focal plane" : "surface " + std::to_string(j));
        recomputeSurface(d, j);
    }
    in.skipToken("\"focal\"");
    in.skipToken("\"plane\"");
    in.skipToken("\"Aperture\"");
    double aperture = d.aperture;
    if (in.scan(1, "the aperture", " %lg", &aperture) == 1 &&
        in.keepFinite(aperture, d.aperture, "a finite aperture"))
        d.aperture = aperture;
    else
        in.kept({"aperture"}, "");
    recomputeAperture(d);
    if (in.scan(1, "the unit word", " " TOKEN, token) == 1) {
        if (std::strcmp(token, "Inches") == 0) d.units = "inches";
        if (std::strcmp(token, "mm") == 0) d.units = "mm";
    } else {
        in.kept({"units"}, "");
    }
    in.skipToken("\"Field\"");
    // The file holds the full field angle.  One that is not there leaves the
    // field semi-angle, its sine and its cosine exactly as they were.
    double fullField = 0;
    if (in.scan(1, "the field angle", " %lg", &fullField) == 1 &&
        in.keepFinite(fullField, 2 * d.fieldSemiAngle, "a finite field angle")) {
        d.fieldSemiAngle = fullField * 0.5;
        d.sinField = std::sin(d.fieldSemiAngle * kDegree);
        d.cosField = std::cos(d.fieldSemiAngle * kDegree);
    } else {
        in.kept({"field semi-angle"}, "");
    }
    in.skipToken("\"Degrees\"");
    // The f-ratio is a note for the reader and is never read back; older
    // files end without it, and that is no damage.
    in.skipOptionalToken();
    return true;
}

// Files from Windows end their lines with CR LF, and some old editors with a
// lone CR: both become the "\n" that the formatted input expects.
std::string normaliseLineEnds(const std::string& raw) {
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n') continue;
            text.push_back('\n');
        } else {
            text.push_back(raw[i]);
        }
    }
    return text;
}

LoadResult refuse(LoadStatus status, const std::string& why, int oldCount) {
    LoadResult r;
    r.status = status;
    r.message = why;
    r.oldSurfaceCount = oldCount;
    return r;
}

// atoi: optional blanks and sign, then leading digits; 0 when none.  Clamped
// so a very long number cannot overflow.
long leadingInteger(const char* token) {
    const char* p = token;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v < 1000000 ? v * 10 + (*p - '0') : v;
    return negative ? -v : v;
}

}  // namespace

std::string fileNameOfPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string titleFromFileName(const std::string& fileTitle) {
    // The title drops the dot and a two-letter extension ("demo.ov" -> "demo").
    return fileTitle.size() < 3 ? std::string() : fileTitle.substr(0, fileTitle.size() - 3);
}

LoadResult loadDesignFromText(Design& design, const std::string& raw, const std::string& fileTitle) {
    const int oldCount = design.surfaceCount;
    const std::string text = normaliseLineEnds(raw);
    // fmemopen cannot open an empty buffer everywhere; a single blank reads the same.
    const std::string& source = text.empty() ? std::string(" ") : text;
    File f(fmemopen(const_cast<char*>(source.data()), source.size(), "r"));
    if (!f)
        return refuse(LoadStatus::unreadable, std::string("cannot read: ") + std::strerror(errno), oldCount);

    // Everything is read into a scratch copy, taken only when accepted.
    Design d = design;
    Reader in(f.get(), source);
    char first[kTokenRoom] = "";
    in.scan(1, "the first word", " " TOKEN, first);
    const long n = leadingInteger(first);
    if (n != 0) {
        if (n < 0 || n > kMaxSurfaces)
            return refuse(LoadStatus::refused,
                          "the file gives " + std::to_string(n) +
                              " surfaces; a design holds 1 to 21 (20 mirrors and the focal plane)",
                          oldCount);
        d.surfaceCount = static_cast<int>(n);
        readNumeric(in, d);
    } else {
        d.surfaceCount = 0;
        int count = 0;
        if (!readLegacy(in, d, count))
            return refuse(LoadStatus::refused,
                          "the file gives " + std::to_string(count) + " mirrors; a design holds 0 to 20",
                          oldCount);
    }
    d.designTitle = titleFromFileName(fileTitle);

    LoadResult r;
    r.oldSurfaceCount = oldCount;
    if (in.damaged()) {
        r.status = LoadStatus::damaged;
        r.damagedLine = in.line();
        r.endedEarly = in.endedEarly();
        r.lastLine = in.lastLine();
        r.message = "line " + std::to_string(in.line()) + ": expected " + in.what();
        r.kept = in.keptValues();
    }
    design = d;
    return r;
}

LoadResult loadDesign(Design& design, const std::string& path) {
    const int oldCount = design.surfaceCount;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return refuse(LoadStatus::unreadable, std::strerror(errno), oldCount);
    if (S_ISDIR(st.st_mode))
        return refuse(LoadStatus::unreadable, "it is a folder, not a design file", oldCount);
    // Opened without waiting: a named pipe with no writer would otherwise
    // block the open for ever.  Reads then wait as usual (and end at once
    // when nobody writes).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(LoadStatus::unreadable, std::string("cannot open it: ") + std::strerror(errno),
                      oldCount);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    File f(::fdopen(fd, "rb"));
    if (!f) {
        const int err = errno;
        ::close(fd);
        return refuse(LoadStatus::unreadable, std::string("cannot open it: ") + std::strerror(err), oldCount);
    }
    if (S_ISREG(st.st_mode) && st.st_size > kLargestDesignFile)
        return refuse(LoadStatus::refused,
                      "it is " + std::to_string(st.st_size) + " bytes long, far too large for a design file",
                      oldCount);
    std::string raw;
    char buf[8192];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        raw.append(buf, got);
        if (raw.size() > static_cast<size_t>(kLargestDesignFile))
            return refuse(LoadStatus::refused, "it is far too large for a design file", oldCount);
    }
    if (std::ferror(f.get()))
        return refuse(LoadStatus::unreadable, std::string("cannot read it: ") + std::strerror(errno),
                      oldCount);
    return loadDesignFromText(design, raw, fileNameOfPath(path));
}

namespace {

// A value as the file holds it: seven significant digits as the tables show
// it when those read back to the very same double, else the fewest digits
// that do (a 25 m telescope's separation of 20262.4764 would otherwise lose
// its focus on the way through the file).  Either form reads with "%lf".
std::string fileValue(double v, bool& longer) {
    std::string text = formatValue(v);
    const double back = std::strtod(text.c_str(), nullptr);
    longer = !(back == v && std::signbit(back) == std::signbit(v)) && std::isfinite(v);
    if (!longer) return text;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string shortest(std::signbit(v) ? "" : " ");
    shortest.append(buf, r.ptr);
    return shortest;
}

// One column of a row: the value's text, padded with blanks and cut to the
// column's width.  A text wider than its column is written whole with one
// blank after it, so that the file still reads back the same numbers; so is
// a value written with all its digits that fills its column exactly.
void appendColumn(std::string& out, double v, size_t width) {
    bool longer = false;
    const std::string text = fileValue(v, longer);
    out += text;
    if (text.size() > width || (longer && text.size() == width))
        out += ' ';
    else
        out.append(width - text.size(), ' ');
}

std::string fileValue(double v) {
    bool longer = false;
    return fileValue(v, longer);
}

std::string format(const char* fmt, double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

std::string formatDesign(const Design& d, double fRatio) {
    std::string out;
    char buf[512];
    // A title is one line: a line end in a file name must not split the header.
    std::string title = d.designTitle;
    for (char& c : title)
        if (c == '\n' || c == '\r') c = ' ';
    out += "QuorVex V0.90                       " + title + "\n\n";
    std::snprintf(buf, sizeof buf, "%- d surface design\n\n", d.surfaceCount - 1);
    out += buf;
    out += " Type         Radius        CC/Rsag       Tilt          Separation\n\n";
    const int n = d.surfaceCount < 0 ? 0 : (d.surfaceCount > kMaxSurfaces ? kMaxSurfaces : d.surfaceCount);
    for (int i = 1; i <= n; ++i) {
        // The kind and the radius share the first 28 characters: the kind with
        // 12 blanks, then the radius column in what remains.
        std::snprintf(buf, sizeof buf, "%- d            ", d.surfaces[i].kind);
        out += buf;
        const size_t radiusWidth = std::strlen(buf) < 28 ? 28 - std::strlen(buf) : 0;
        appendColumn(out, d.surfaces[i].radius, radiusWidth);
        const double second = d.surfaces[i].kind == kConic ? d.surfaces[i].conic : d.surfaces[i].sagRadius;
        appendColumn(out, second, 14);
        appendColumn(out, d.surfaces[i].tilt, 14);
        if (i < n)
            out += fileValue(d.surfaces[i].separation) + "\n";
        else
            out += "focal plane\n\n";
    }
    const char* unitWord = isMetric(d) ? "mm        " : "Inches    ";
    // A negative number (negative zero included, which prints as "-0")
    // would fuse with the word before it and not read back, so it gets a
    // blank of its own.
    out += " Aperture";
    if (std::signbit(d.aperture)) out += ' ';
    out += fileValue(d.aperture) + " " + unitWord + " Field";
    if (std::signbit(2 * d.fieldSemiAngle)) out += ' ';
    out += fileValue(2 * d.fieldSemiAngle) + " Degrees     " + format("f/%.2f", fRatio) + "\n";
    return out;
}

SaveResult saveDesign(const Design& design, const std::string& path, double fRatio) {
    return writeFileAtomically(path, formatDesign(design, fRatio));
}

}  // namespace orvelin
