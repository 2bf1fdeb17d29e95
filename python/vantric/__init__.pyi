import os
from collections.abc import Iterable, Iterator
from typing import Any, Literal, TypedDict

from _typeshed import ReadableBuffer

__version__: str

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]

class DatabaseError(Exception):
    """A signature database is missing or can't be read as one."""

class DatabaseWarning(UserWarning):
    """A database loaded but holds stray bytes or no signatures."""

class _ToolchainFinding(TypedDict):
    kind: Literal["compiler", "linker", "runtime", "packer", "installer", "tool"]
    name: str
    version: str
    evidence: str

class _DatabaseInfo(TypedDict):
    path: str
    version: str
    date: str
    signatures: int

# One result, a name of this stub only: "path" and "status" always; "error"
# when the status is not "ok"; else "version" (filename, comments, version,
# product, company), "compiler" (language, compiler, company, url),
# "compression" (program, company, url) and "toolchain".
_Result = dict[str, Any]

class AnalysisStream(Iterator[_Result]):
    def __iter__(self) -> AnalysisStream: ...
    def __next__(self) -> _Result: ...

class Analyzer:
    def __init__(self, compiler_db: _Path | None = None, compression_db: _Path | None = None) -> None: ...
    def analyze(self, path: _Path) -> _Result: ...
    def analyze_bytes(self, data: ReadableBuffer, name: _Path | None = None) -> _Result: ...
    def analyze_many(self, paths: Iterable[_Path], jobs: int = 1) -> AnalysisStream: ...
    @property
    def databases(self) -> dict[Literal["compiler", "compression"], _DatabaseInfo]: ...

def toolchain_generation(toolchain: Iterable[_ToolchainFinding]) -> str: ...
