#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace lintor::test {

// A directory of the test's own under /tmp, removed with all it holds.
class TemporaryDir {
public:
    TemporaryDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintor-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TemporaryDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDir(const TemporaryDir&) = delete;
    TemporaryDir& operator=(const TemporaryDir&) = delete;

    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace lintor::test
