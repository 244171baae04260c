#include "platform/Files.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace
{
bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The entry of folder whose name equals name ignoring case, or name itself.
std::string MatchEntry(const std::string& folder, const std::string& name)
{
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return name;
    std::string found = name;
    while (dirent* entry = readdir(dir))
    {
        if (strcasecmp(entry->d_name, name.c_str()) == 0)
        {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}
} // namespace

std::string ResolvePath(const char* path)
{
    if (!path)
        return std::string();
    std::string converted(path);
    for (char& c : converted)
    {
        if (c == '\\')
            c = '/';
    }
    if (converted.empty() || Exists(converted))
        return converted;

    // Walk the components, matching each one that is not there as written.
    std::string result;
    size_t start = 0;
    if (converted[0] == '/')
    {
        result = "/";
        start = 1;
    }
    while (start <= converted.size())
    {
        size_t end = converted.find('/', start);
        if (end == std::string::npos)
            end = converted.size();
        std::string part = converted.substr(start, end - start);
        if (!part.empty() && part != ".")
        {
            std::string candidate = result + part;
            if (part != ".." && !Exists(candidate))
            {
                std::string folder = result.empty() ? std::string(".") : result;
                candidate = result + MatchEntry(folder, part);
            }
            result = candidate;
            if (end < converted.size())
                result += '/';
        }
        start = end + 1;
    }
    return result;
}

FILE* OpenFile(const char* path, const char* mode)
{
    if (!path || !mode)
        return nullptr;
    return fopen(ResolvePath(path).c_str(), mode);
}

bool IsRegularFile(const char* path)
{
    if (!path)
        return false;
    struct stat info;
    return stat(ResolvePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
