// The layout of a design: the mirrors seen from the side, in the plane of
// the tilts.  Measuring it runs the analysis and traces how large each
// mirror must be; those footprints and the picture's geometry stay in a
// LayoutGeometry for the drawing (plots/layout_drawing.h), the click in
// the design view, the file writer and the printed pages.
#pragma once

#include "design/design.h"
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
/// (state.status says why), leaving the fields already written.  The design
/// is only read.
bool measureLayout(const Design& design, TraceState& state, AnalysisResults& results, LayoutGeometry& geometry);

/// What the program knows of a design once analysed: whether it traces
/// (the analysis and the layout's footprints), its 30 figures and its
/// layout.  Computed once per change of the design and then only read by
/// the views, the pages and the commands.
struct DesignAnalysis {
    TraceStatus status = kTraceOk;  ///< 0, or why the analysis or a footprint failed
    AnalysisResults results;        ///< as far as the analysis got
    LayoutGeometry geometry;        ///< as far as the measure got
    bool traced() const { return status == kTraceOk; }
};

/// measureLayout on a fresh trace state: the analysis of a design.
DesignAnalysis analyseDesign(const Design& design);

/// The focal ratio the design view records for this design, the one a saved
/// file carries on its last line; 0 when the design does not trace.  Taken
/// from the design itself, never from what the last painting left.
double designFRatio(const Design& design);

}  // namespace orvelin
