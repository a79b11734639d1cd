#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace test_support {

inline std::string BuildDir()
{
    const char* dir = std::getenv("ORDAVIX_BUILD_DIR");
    return dir ? dir : ".";
}

inline std::string PackagePath() { return BuildDir() + "/ordavix_bus_veltrac.pck"; }

// dlopen of another path loads another copy: a fresh package, static state
// and all, for each test.
class FreshPackageCopy {
public:
    FreshPackageCopy()
    {
        static int counter = 0;
        m_path = (std::filesystem::temp_directory_path() /
                  ("ordavix_pck_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".pck"))
                     .string();
        std::filesystem::copy_file(PackagePath(), m_path, std::filesystem::copy_options::overwrite_existing);
    }
    ~FreshPackageCopy()
    {
        std::error_code ec;
        std::filesystem::remove(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}
