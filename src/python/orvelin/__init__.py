"""Orvelin for scripts: tilted all-mirror telescopes loaded, varied, traced
and analysed in a loop, with numpy arrays for the rays.

    import orvelin
    d = orvelin.Design.load("examples/schiefspiegler.ov")
    d.surfaces[1].tilt = -8.0
    print(d.report()["comaT"], d.quality(fields="plus")["fields"]["plus"]["strehl"])

The dicts of report(), quality(), clearance(), optimise(), diffraction(),
fans(), fieldcurves(), fieldmap(), throughfocus(), tolerance() and
design_family() hold exactly what the command line's --json writes.
"""

from ._errors import DesignFileError, DesignFileWarning, FamilyRefusedError, TraceError
from ._orvelin import Design, Surface, design_family, import_zmx

__all__ = ["Design", "Surface", "design_family", "import_zmx", "DesignFileError", "DesignFileWarning",
           "FamilyRefusedError", "TraceError"]
