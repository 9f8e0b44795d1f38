#pragma once
// A fresh folder in the system's temporary folder ($TMPDIR, else /tmp) for the files
// a test writes, removed with everything in it when the object goes: tests leave
// nothing behind.

#include <filesystem>
#include <string>

namespace kelvox::test {

class TempFolder {
public:
    /// Creates `<temporary folder>/<prefix>-XXXXXX`, unique, readable by its owner
    /// only. Throws std::runtime_error when it cannot.
    explicit TempFolder(const std::string& prefix = "kelvox-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// The path of `name` inside the folder (not created).
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    /// Writes `bytes` to `name` in the folder (subfolders made as needed) and
    /// returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path m_path;
};

/// The folder of this test program's files: made on first use, removed when the
/// program ends normally.
const TempFolder& programTempFolder();

}  // namespace kelvox::test
