#pragma once

#include "qt/package/package_info.h"

#include <QLibrary>
#include <QString>

namespace gsf::ui {
class Form;
}

namespace gsf::qt {

/// Loads a screen's run-time package the way the host does: checks its
/// package information, runs Initialize once, opens the screen with IniProc
/// on every call, and runs Finalize before unloading.
class PackageLoader {
public:
    /// @param path the package library (libCli_Vex04120.so or another path).
    explicit PackageLoader(QString path);
    /// Finalizes and unloads when loaded.
    ~PackageLoader();
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    /// Loads the library, checks that it describes itself with a known
    /// format version and the expected unit, finds every entry point and runs
    /// Initialize. @return false with a Portuguese message in error() when
    /// anything is missing; nothing stays loaded then.
    bool load();
    bool loaded() const { return initialized_; }
    const QString& error() const { return error_; }
    const GsfPackageInfo* info() const { return info_; }

    /// Calls IniProc (opens the screen or brings it to the front).
    void iniProc();
    /// The screen instance the package exports, or nullptr.
    ui::Form* form() const;

    /// Runs Finalize (once) and unloads the library.
    /// @warning every view of the package's forms must be gone before.
    void unload();

    /// The package in the same folder as the running program, or beside it
    /// under qt/package when run from the build tree.
    static QString defaultPath();

private:
    bool fail(const QString& message);

    QLibrary library_;
    QString error_;
    const GsfPackageInfo* info_ = nullptr;
    GsfPackageProc iniProc_ = nullptr;
    GsfPackageProc finalize_ = nullptr;
    ui::Form** form_ = nullptr;
    bool initialized_ = false;
};

} // namespace gsf::qt
