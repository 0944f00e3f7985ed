; The reference installer of the install-run benchmark, built twice by
; makensis: with -DFILES=<list> it installs the demo payload's files, without
; it nothing, so that its own start and end can be taken off. Silent; the
; folder comes from /D= on the command line.
; 64-bit like the program it is compared with (and Wine here runs only those).
Target amd64-unicode
Name "Parvela Bench"
OutFile "${OUTFILE}"
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
InstallDir "$TEMP\ParvelaBenchNsis"

Section
!ifdef FILES
    !include "${FILES}"
!endif
SectionEnd
