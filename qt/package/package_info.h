#pragma once

// What a run-time package tells its host before anything else runs: the
// layout of this table is fixed by its format version, and it is plain C so
// that a host needs no header of the package's own.

#ifdef __cplusplus
extern "C" {
#endif

/// Version of the GsfPackageInfo layout a host must check first.
#define GSF_PACKAGE_FORMAT 1

/// One unit (compiled module) of a package.
struct GsfPackageUnit {
    const char* name;      ///< "Cli_Vex04120"
    int hasInitialization; ///< 1 when Initialize/Finalize run work for it
};

/// Description of a package: its units and the libraries it requires.
struct GsfPackageInfo {
    int formatVersion;       ///< GSF_PACKAGE_FORMAT
    const char* packageName; ///< the package's own name
    int unitCount;
    const struct GsfPackageUnit* units;
    int requiredCount;
    const char* const* required; ///< libraries the package runs on ("gsf_host", ...)
};

typedef const struct GsfPackageInfo* (*GsfGetPackageInfoTable)(void);
typedef void (*GsfPackageProc)(void);

#ifdef __cplusplus
}
#endif
