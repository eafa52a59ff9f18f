// Importing a sequential .zmx mirror system as a Design.
//
// Every coordinate break and thickness of the file is composed into a
// global placement of each surface; the design's chain is then derived from
// those placements: each mirror's vertex must lie on the axis leaving the
// mirror before it, every tilt must turn about one common axis (the plane of
// the layout), and nothing may be decentred off that chain.  What the design
// cannot hold is refused with the line and the reason; nothing is guessed.
#pragma once

#include <string>
#include <vector>

#include "design/design.h"
#include "exchange/frame.h"
#include "exchange/zmx_file.h"

namespace orvelin::exchange {

enum class ZmxImportStatus {
    ok,        ///< read completely
    warnings,  ///< read, with warnings on how the figures will differ
    refused,   ///< nothing made: `message` says where and why
};

struct ZmxImportResult {
    ZmxImportStatus status = ZmxImportStatus::refused;
    std::string message;                ///< the refusal, "line N: ..."
    std::vector<std::string> warnings;  ///< for status warnings
    Design design;

    // Where the design sits in the file's global coordinates, for checks:
    ZmxFile file;                   ///< the records read
    std::vector<Frame> placements;  ///< every surface of the file, breaks composed
    /// The frame of the entrance space at surface 1, as the design's ray
    /// trace takes it (its z axis along the light times the sign of the
    /// entrance space, its y axis across the plane of the tilts).
    Frame entrance;

    bool accepted() const { return status != ZmxImportStatus::refused; }
};

/// Global placement of every surface of a read file, each where the
/// thicknesses and the breaks before it put it: the axes those of surface 0
/// (the object at infinity), the origin at the vertex of the first mirror
/// (of the image surface when there is none), so that the separations
/// between the mirrors keep their digits however far the object side
/// reaches.  A break's own entry is the frame it leaves behind.
std::vector<Frame> placeZmxSurfaces(const ZmxFile& file);

/// Import a file already read.  `title` becomes the design's title.
ZmxImportResult importZmx(const ZmxFile& file, const std::string& title);

/// Read and import the bytes of a .zmx file.
ZmxImportResult importZmxText(const std::string& bytes, const std::string& title);

/// Read and import the file at `path`; the title is its name without the
/// extension.
ZmxImportResult importZmxFile(const std::string& path);

}  // namespace orvelin::exchange
