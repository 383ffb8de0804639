// Temporary files and folders for tests that read from the working directory.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    std::filesystem::path path;

    TempFolder() {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("tapquill-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::string write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }
};

// The whole of a file's bytes.
inline std::string fileContents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs a scope with the working directory moved into a folder.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::filesystem::path& folder)
        : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }

  private:
    std::filesystem::path previous;
};
