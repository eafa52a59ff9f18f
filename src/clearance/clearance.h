// Clearance check: is the light path of a tilted-mirror design really free?
//
// Everything lives in the plane of the layout (the plane of the tilts), in
// the picture's coordinates: X the way the incoming light travels, Y drawn
// downwards, the vertex of surface 1 at the origin, design units.
//
// Beam envelope of a space: the region swept by the rays of the three
// tangential fields (axial, + and - edge at the design's field semi-angle; a
// design without field has the axial beam alone) between the two surfaces
// that bound the space, bounded by each field's two marginal rays exactly as
// the trace carries them.  The entrance space ends at mirror 1 and reaches
// back without end; space k runs from surface k to surface k+1, the last one
// from the last mirror to the focal plane.
//
// Body of a mirror: its section across the unvignetted footprint (centred on
// the vertex, as the layout draws it), widened on each side by the edge
// allowance, and a blank of the given thickness behind the face.  The focal
// plane's body is the section across the image the traced rays form on it,
// widened by the edge allowance, with no thickness: the least a detector or
// an eyepiece there blocks.
//
// Clearance of a space against a surface that does not bound it: the
// smallest distance between the envelope and the body; negative when they
// overlap, then minus the depth by which the body reaches into a field's
// beam.  The design is clear when every clearance is at least the margin.
#pragma once

#include <string>
#include <vector>

#include "clearance/plane_geometry.h"
#include "design/design.h"
#include "trace/ray_trace.h"

namespace orvelin {

struct ClearanceOptions {
    /// Widening of each section on both sides (a mirror's bevel or cell, a
    /// detector's frame), design units.
    double edge = 0;
    /// Thickness of every mirror's blank behind its face, design units;
    /// negative for the usual rule, one sixth of each mirror's diameter.
    double thickness = -1;
    /// Least clearance the design must keep everywhere, design units.
    double margin = 0;
};

/// The traced rays of one field between two surfaces: the marginal rays at
/// x = +h and x = -h (in the entrance plane), from their hits on the first
/// surface to those on the second.  For the entrance space the first points
/// lie far back along the incoming rays.
struct FieldBeam {
    Vec2 plusFrom, plusTo, minusFrom, minusTo;
};

/// One space's beam envelope.
struct BeamEnvelope {
    int from = 0;  ///< surface the space begins at (0 for the entrance)
    int to = 1;    ///< surface it ends at
    std::vector<FieldBeam> fields;
    std::vector<ConvexPiece> pieces;  ///< the fields' beams cut into convex pieces
};

/// One surface's body.
struct SurfaceBody {
    Vec2 vertex;
    /// The face across the section, from -x to +x of the surface's own frame.
    std::vector<Vec2> face;
    /// The back of the blank, point for point behind the face (equal to the
    /// face when there is no thickness).
    std::vector<Vec2> back;
    std::vector<ConvexPiece> pieces;  ///< the strips between face and back
    double semiSection = 0;           ///< half the section's width, edge included
    double thickness = 0;
};

/// The clearance of one space against one surface.
struct ClearancePair {
    int space = 0;    ///< index of the space's first surface (0 = entrance)
    int surface = 0;  ///< the surface
    double clearance = 0;
};

struct ClearanceReport {
    /// 0 when the design traces; otherwise why not (as the trace says it)
    /// and nothing else below is filled.
    TraceStatus status = kTraceOk;
    /// Every (space, surface) pair, smallest clearance first.
    std::vector<ClearancePair> pairs;
    double minClearance = 0;
    bool clear = false;
    /// The geometry compared, for drawing: envelopes of spaces 0..n-1 and
    /// bodies of surfaces 1..n (slot 0 empty).
    std::vector<BeamEnvelope> envelopes;
    std::vector<SurfaceBody> bodies;
};

/// The name of a space in tables and JSON: "entrance", or "a-b" for the
/// space from surface a to surface b.
std::string clearanceSpaceName(int space);

/// Trace the design and measure every clearance.  A design that does not
/// trace as the design view traces it (the analysis, the layout's footprints)
/// or whose rays miss a surface on the way to the focal plane as entered
/// gives that trace status.  The design is left as it was.
ClearanceReport checkClearance(const Design& design, const ClearanceOptions& options);

/// The smallest clearance of the design, for constraints: minus infinity
/// when the design does not trace.
double minClearance(const Design& design, const ClearanceOptions& options);

}  // namespace orvelin
