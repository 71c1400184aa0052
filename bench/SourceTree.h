#pragma once

#include <filesystem>

// The source tree, for the scripts the benchmarks start. Fixed when the build is configured:
// the optimised build maps source paths to "." (Debian's reproducible-build flags), so
// __FILE__ names no folder, and ./run bench runs in the build folder.
namespace bench {

inline std::filesystem::path SourceTree() { return TARVO_SOURCE_DIR; }

// Starts, runs in and destroys a private PostgreSQL cluster.
inline std::filesystem::path ClusterScript() { return SourceTree() / "scripts" / "pg-cluster.sh"; }

}  // namespace bench
