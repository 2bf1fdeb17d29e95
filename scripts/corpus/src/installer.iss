; A small installer; the compression is chosen on the command line.
[Setup]
AppName=Corpus Sample
AppVersion=1.0
DefaultDirName={autopf}\CorpusSample
OutputBaseFilename={#OutName}
Compression={#Comp}
OutputDir=.
PrivilegesRequired=lowest
[Files]
Source: "payload.txt"; DestDir: "{app}"
