; A small installer; the compressor is chosen on the command line.
Name "Corpus Sample"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\CorpusSample"
RequestExecutionLevel user
Page directory
Page instfiles
Section
  SetOutPath "$INSTDIR"
  File "${PAYLOAD}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd
Section "Uninstall"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
