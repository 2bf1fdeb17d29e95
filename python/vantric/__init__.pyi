import os
from collections.abc import Iterable, Iterator
from typing import Any, Literal, TypedDict

from typing_extensions import Buffer

__version__: str

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]

class DatabaseError(Exception):
    """A signature database is missing or can't be read as one."""

class DatabaseWarning(UserWarning):
    """A database loaded but holds stray bytes or no signatures."""

class ToolchainFinding(TypedDict):
    kind: Literal["compiler", "linker", "runtime", "packer", "installer", "tool"]
    name: str
    version: str
    evidence: str

class DatabaseInfo(TypedDict):
    path: str
    version: str
    date: str
    signatures: int

# One result: "path" and "status" always; "error" when the status is not
# "ok"; else "version" (filename, comments, version, product, company),
# "compiler" (language, compiler, company, url), "compression" (program,
# company, url) and "toolchain".
Result = dict[str, Any]

class AnalysisStream(Iterator[Result]):
    def __iter__(self) -> AnalysisStream: ...
    def __next__(self) -> Result: ...

class Analyzer:
    def __init__(self, compiler_db: _Path | None = None, compression_db: _Path | None = None) -> None: ...
    def analyze(self, path: _Path) -> Result: ...
    def analyze_bytes(self, data: Buffer, name: _Path | None = None) -> Result: ...
    def analyze_many(self, paths: Iterable[_Path], jobs: int = 1) -> AnalysisStream: ...
    @property
    def databases(self) -> dict[Literal["compiler", "compression"], DatabaseInfo]: ...

def toolchain_generation(toolchain: Iterable[ToolchainFinding]) -> str: ...
