#include "app/data_files.h"

#include "platform/files.h"

std::vector<std::string> dataFolders() {
    std::vector<std::string> folders{""};
    const std::string working = workingFolder();
    for (const std::string& folder : installedDataFolders()) {
        bool seen = folder == working;
        for (const std::string& earlier : folders) {
            seen = seen || folder == earlier;
        }
        if (!seen) {
            folders.push_back(folder);
        }
    }
    return folders;
}

std::string describeDataFolders(const std::vector<std::string>& folders) {
    std::string text;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) {
            text += i + 1 == folders.size() ? " or " : ", ";
        }
        if (!folders[i].empty()) {
            text += folders[i];
            continue;
        }
        const std::string working = workingFolder();
        text += "the working directory";
        if (!working.empty()) {
            text += " (" + working + ")";
        }
    }
    return text;
}

bool findDataFile(const std::string& name, std::string& path, std::string& error) {
    const std::vector<std::string> folders = dataFolders();
    for (const std::string& folder : folders) {
        const std::string candidate = joinPath(folder, name);
        if (pathExists(candidate)) {
            path = candidate;
            return true;
        }
    }
    error = "cannot find \"" + name + "\" in " + describeDataFolders(folders);
    return false;
}
