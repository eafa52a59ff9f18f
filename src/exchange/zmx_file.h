// Reading the text of a sequential .zmx prescription into plain records.
//
// The records keep what a mirror system needs, already converted to the
// file's lens unit in millimetres (or inches): the surfaces in order with
// their types, curvatures, thicknesses, glass, stop flag and parameters, the
// aperture and the field angles.  Anything read here that cannot be what the
// file claims (a number that is not finite, a surface type or glass no
// mirror system has, a count out of order) ends the reading with a message
// naming the line; placing the surfaces in space is the importer's task.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace orvelin::exchange {

/// Files larger than this are refused before they are read: a sequential
/// mirror prescription takes a few kilobytes.
inline constexpr std::size_t kMaxZmxBytes = 4u << 20;
/// More surfaces than this cannot be 20 mirrors with their coordinate breaks.
inline constexpr int kMaxZmxSurfaces = 200;

enum class ZmxGlass { air, mirror };

struct ZmxSurface {
    int line = 0;                    ///< line of its SURF record
    std::string type = "STANDARD";   ///< STANDARD, COORDBRK, TOROIDAL or EVENASPH
    double curvature = 0;            ///< CURV, 1/length, sign in the local frame
    double conic = 0;                ///< CONI, Schwarzschild constant
    double thickness = 0;            ///< DISZ, along the local z after this surface
    bool infiniteThickness = false;  ///< DISZ INFINITY
    int thicknessLine = 0;
    ZmxGlass glass = ZmxGlass::air;
    bool stop = false;
    bool hasSemiDiameter = false;
    double semiDiameter = 0;           ///< DIAM
    std::map<int, double> parameters;  ///< PARM i v
    std::map<int, int> parameterLines;

    double parameter(int i) const {
        const auto it = parameters.find(i);
        return it == parameters.end() ? 0.0 : it->second;
    }
    bool isBreak() const { return type == "COORDBRK"; }
};

enum class ZmxAperture { none, entrancePupil, fNumber, floatingStop };

struct ZmxFile {
    bool inches = false;  ///< UNIT IN; otherwise every length is in mm
    ZmxAperture aperture = ZmxAperture::none;
    double apertureValue = 0;  ///< ENPD diameter (mm/in) or FNUM F-number
    int apertureLine = 0;
    int fieldCount = -1;  ///< from FTYP; -1 when the file has none
    std::vector<double> xFields, yFields;
    std::vector<ZmxSurface> surfaces;  ///< 0 the object, the last the image
};

struct ZmxReadResult {
    bool ok = false;
    std::string message;  ///< why it was refused, naming the line
    ZmxFile file;
};

/// The bytes of a .zmx file as UTF-8 text with "\n" line ends.  Recognised:
/// UTF-16 LE or BE with a byte-order mark, UTF-8 with a mark, UTF-16 without
/// a mark (zero bytes at every other position), else Latin-1.  False with a
/// message when the bytes cannot be that encoding.
bool decodeZmxText(const std::string& bytes, std::string& text, std::string& message);

/// Read a .zmx file's bytes (any of the encodings above).
ZmxReadResult readZmx(const std::string& bytes);

/// Read the file at `path`; files above kMaxZmxBytes are refused unread.
ZmxReadResult readZmxFile(const std::string& path);

}  // namespace orvelin::exchange
