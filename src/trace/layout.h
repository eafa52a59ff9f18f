// The layout drawing: the mirrors seen from the side, in the plane of the
// tilts, with the two marginal rays of the on-axis beam folding from mirror
// to mirror, drawn below the design table.  Drawing it first runs the
// analysis and measures by tracing how large each mirror must be; those
// footprints and the drawing's geometry stay in a LayoutGeometry for the
// click in the design view, the file writer and the printed pages.
#pragma once

#include "design/design.h"
#include "platform/draw_device.h"
#include "trace/analysis.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// What measuring the layout leaves behind, all in design units and all
/// taken with the focal plane at the best focus and best-fit tilt.  Indices
/// are surface numbers 1..n (n = surfaceCount, the focal plane).
///
/// The layout plane is the plane of the tilts: X runs the way the incoming
/// light travels, Y is drawn downwards (a positive Y lies lower in the
/// picture), and the vertex of surface 1 is at (0, 0).  In that plane
/// surface i has its vertex at (vertexX[i], vertexY[i]); its face is the
/// segment from vertex + (faceHalfX[i], -faceHalfY[i]) to vertex -
/// (faceHalfX[i], -faceHalfY[i]), at faceAngle[i] degrees from the Y axis
/// (0 = a face square to the incoming beam); the on-axis beam meets it
/// between vertex -/+ centralSemiDiameter[i] * (faceSin[i], -faceCos[i]).
struct LayoutGeometry {
    /// Half the distance between the hits of the on-axis marginal rays
    /// (x = -h and x = +h) on each surface: the tangential semi-diameter the
    /// axial beam needs.
    double centralSemiDiameter[kSurfaceSlots] = {};
    /// Half the distance between the hit of the - field edge's ray at -h and
    /// the + field edge's ray at +h: the tangential semi-diameter that passes
    /// the whole field without vignetting.
    double unvignettedSemiDiameter[kSurfaceSlots] = {};
    /// Focal ratio of the on-axis beam at the (best-fit) focal plane.
    double layoutFRatio = 0;
    /// Angle of each face in the layout plane, degrees: twice the tilts of
    /// the surfaces before it (the axis arriving at it) plus its own tilt.
    double faceAngle[kSurfaceSlots] = {};
    /// Sine and cosine of faceAngle: the direction the face is drawn in.
    double faceSin[kSurfaceSlots] = {};
    double faceCos[kSurfaceSlots] = {};
    /// |unvignettedSemiDiameter| times faceSin and faceCos: half the face's
    /// extent across and down the picture, design units.
    double faceHalfX[kSurfaceSlots] = {};
    double faceHalfY[kSurfaceSlots] = {};
    /// Vertex of each surface in the layout plane, design units: the folded
    /// axis as the picture draws it, each separation's length laid along the
    /// axis and turned back at every mirror.
    double vertexX[kSurfaceSlots] = {};
    double vertexY[kSurfaceSlots] = {};
    double layoutHeight = 0;  ///< maxY - minY of the picture, design units
    double layoutWidth = 0;   ///< 1.1 (maxX - minX): room for the incoming beam
    double layoutMinY = 0;
    double layoutMaxX = 0;
};

/// First pixel row below the design table of an n-surface design: the top
/// of the band the layout is drawn in.
constexpr int layoutBandTop(int surfaceCount) {
    return 14 * (surfaceCount + 3) + 6;
}

/// Run the analysis, then trace the footprints with the focal plane at the
/// best focus and best-fit tilt and fill every field of the geometry; no
/// device is needed.  Returns false when the analysis or a trace fails
/// (state.status says why), leaving the fields already written.  The focal
/// plane's distance, tilt and radii are restored on every exit; the entrance
/// distance (signedSeparation of slot 0) is left at 0.
bool measureLayout(Design& design, TraceState& state, AnalysisResults& results, LayoutGeometry& geometry);

/// The focal ratio the design view records for this design, the one a saved
/// file carries on its last line; 0 when the design does not trace.  Taken
/// from the design itself, never from what the last painting left.
double designFRatio(const Design& design);

/// Measure the layout (above) and draw it into the device's client
/// area below the design table, then write the focal ratio beside the table.
/// Returns false when the analysis or a trace fails (state.status says why);
/// nothing is drawn then.  The focal plane's distance, tilt and radii are
/// restored on every exit.  A client area too small for a drawing band
/// (0.95 * bottom <= band top) gets the footprints and the focal ratio but
/// no picture.  Every pen is deleted before the drawing returns.
bool drawLayout(Design& design, TraceState& state, AnalysisResults& results, LayoutGeometry& geometry,
                draw::Device& dc);

/// The picture itself, from a measured geometry: the marginal rays and the
/// faces, surface after surface, from (X0, Y0) at k design units per pixel.
/// The entrance distance signedSeparation[0] must already hold the run of
/// the incoming beam.  Faces are coloured by curvature when asked (the
/// screen), else black (paper); the marginal rays are black.
void drawFoldedLayout(draw::Device& dc, const Design& design, const LayoutGeometry& geometry, double X0,
                      double Y0, double k, bool colouredFaces);

}  // namespace orvelin
