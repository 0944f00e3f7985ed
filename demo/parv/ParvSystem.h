#pragma once
// What the stand-in application does to the system: the registry values it
// leaves for the setup program, the per-user file associations, and its
// command log. Every function fails quietly and reports only through its
// result.

#include <array>
#include <string>

namespace parv {

// The application's own path, as Windows knows it.
std::string ExePath();

// "LastRunVer" = 4.0.3.2's version code under the internal key (per user).
bool WriteLastRunVersion();

// Appends the command line and CR LF to the command log in the user's
// temporary folder.
bool AppendCommandLog(const std::string& commandLine);

// Associates exactly the ticked types (rtf, cod, doc, docx) with `exePath`
// for the current user, and takes back our association from the others;
// a type that another program owns is left alone.
bool ApplyAssociations(const std::string& exePath, const std::array<bool, 4>& types);

}  // namespace parv
