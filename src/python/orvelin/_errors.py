"""The exceptions and warnings of the orvelin module."""


class DesignFileError(ValueError):
    """A design or .zmx file was refused: the design cannot hold what it says,
    or it is damaged and the caller did not allow that.

    ``str(error)`` is the command line's message, "PATH: REASON";
    ``path`` the file, ``line`` the first line in question (or None) and
    ``reason`` the reason alone.
    """

    def __init__(self, message, path=None, line=None, reason=None):
        super().__init__(message)
        self.path = path
        self.line = line
        self.reason = reason


class DesignFileWarning(UserWarning):
    """A damaged design file was read as far as it goes
    (``Design.load(path, allow_damaged=True)``); ``path``, ``line`` and
    ``reason`` as on DesignFileError.
    """

    def __init__(self, message, path=None, line=None, reason=None):
        super().__init__(message)
        self.path = path
        self.line = line
        self.reason = reason


class TraceError(RuntimeError):
    """The design meets a trace problem, so the figures asked for do not
    exist. ``status`` is the trace's status: 1 the aperture is zero, 2 there
    is no focus, 3 + k a ray misses surface k.
    """

    def __init__(self, message, status):
        super().__init__(message)
        self.status = status


class FamilyRefusedError(ValueError):
    """design_family() could not meet the request: the family cannot be made
    clear by the margin and corrected at that aperture, f-ratio and field.

    ``str(error)`` is the command line's message, "FAMILY: REASON";
    ``reason`` the reason alone and ``figures`` what the design reached, as
    ``design --json`` gives it (with "ok": False).
    """

    def __init__(self, message, reason=None, figures=None):
        super().__init__(message)
        self.reason = reason
        self.figures = figures
