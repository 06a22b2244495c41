"""Exceptions of the kolv package; each carries the program's own message and its error code."""


class Error(Exception):
    """A fault the program reported. ``str(e)`` is its message; ``e.code`` the error number
    the desktop program shows as "Code: n" (13 for refused input, 3000 for database faults)."""

    def __init__(self, message, code=0):
        super().__init__(message)
        self.code = code

    @property
    def message(self):
        return self.args[0] if self.args else ""


class InputError(Error, ValueError):
    """A value, name or option was refused; nothing was changed."""


class DatabaseError(Error):
    """The project file could not be read or written."""


class ProjectLocked(DatabaseError):
    """Another program holds the project file; try again when it is free."""


class NotAProject(DatabaseError):
    """The file is not a project database (another program's file, a folder, an old Jet file)."""


class ProjectNotFound(DatabaseError):
    """There is no project file at the path, or it cannot be read."""
