"""Tells how Windows executables were built: version strings, compiler,
packer and toolchain evidence, as vantric-cli --json reports them.

    import vantric
    analyzer = vantric.Analyzer()
    for result in analyzer.analyze_many(paths, jobs=4):
        print(result["path"], result["compiler"]["compiler"])
"""

from vantric._vantric import (
    Analyzer,
    AnalysisStream,
    DatabaseError,
    DatabaseWarning,
    __version__,
    toolchain_generation,
)

__all__ = ["Analyzer", "AnalysisStream", "DatabaseError", "DatabaseWarning", "__version__", "toolchain_generation"]
