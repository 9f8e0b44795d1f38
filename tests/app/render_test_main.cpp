// main() of the kelvox-render tests. Each kelvox-render they start would make Qt's
// runtime folder in /tmp when XDG_RUNTIME_DIR is unset and leave it there; they
// share one in this program's temporary folder instead, removed at its end.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::filesystem::path runtime = kelvox::test::programTempFolder().path() / "runtime";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
