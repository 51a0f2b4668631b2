// Where the program keeps its settings and temporary files, and where it finds its read-only
// assets (the blank-picture template "dfnwim.dxt", samples, help).
#pragma once

#include <string>

namespace vorla {

class ProgramDirectory {
public:
    // What the folder choice depends on besides the executable; empty strings mean unset.
    struct Environment {
        std::string vorlaHome;    // VORLA_HOME: overrides everything (tests use a temporary folder)
        std::string xdgDataHome;  // XDG_DATA_HOME
        std::string home;         // HOME
    };

    // The current process's environment.
    static Environment FromProcessEnvironment();

    // The file beside the executable that marks a portable copy.
    static constexpr const char* kPortableMarker = "vorla-portable";

    // The writable folder for settings and temporary files, ending with '/':
    // VORLA_HOME when set; else the executable's folder when it holds kPortableMarker and is
    // writable (a portable copy); else XDG_DATA_HOME/vorla, or ~/.local/share/vorla. VORLA_HOME and
    // the per-user folder are created when missing. Returns "" when no folder can be named at all
    // (no HOME either).
    static std::string Resolve(const std::string& executableDirectory, const Environment& env);

    // A read-only asset: beside the executable, else in the installed share folder
    // (<prefix>/share/vorla, found as ../share/vorla from <prefix>/bin). When neither holds it,
    // the path beside the executable, so that messages name the expected place.
    static std::string FindAsset(const std::string& executableDirectory, const std::string& name);

    // The folder part of a full program path, up to and including the last '/', and the part
    // after it.
    static std::string DirectoryPart(const std::string& programPath);
    static std::string FileNamePart(const std::string& programPath);
};

}  // namespace vorla
