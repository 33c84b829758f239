// What differs between Windows and POSIX in names, folders and output: how
// names and text pass between UTF-8 and the system, how a folder is listed,
// and how many processors there are.

// Before the first system header: 64-bit inode numbers and sizes for
// readdir, stat and fstatat, which on a 32-bit system otherwise fail on a
// file system with large ones, whichever target builds this file.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64
#endif

#include "platform.hpp"

#include <cerrno>

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

std::wstring utf16(std::string_view text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

static std::string utf8(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.pop_back(); // the terminating NUL
    return result;
}

bool is_path_separator(char c) { return c == '/' || c == '\\'; }

bool names_folder(const std::string& name)
{
    const DWORD attributes = GetFileAttributesW(utf16(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool list_folder(const std::string& prefix, std::vector<folder_entry>& entries, int& cause)
{
    entries.clear();
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(utf16(prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        cause = error == ERROR_ACCESS_DENIED                                 ? EACCES
            : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                                                                             : EIO;
        return false;
    }
    do {
        const std::string name = utf8(found.cFileName);
        const DWORD attributes = found.dwFileAttributes;
        if (name == "." || name == "..") {
            continue;
        }
        // A folder that is a reparse point is a link or a junction to one.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            entries.push_back({name, false});
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            entries.push_back({name, true});
        }
    } while (FindNextFileW(search, &found) != 0);
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        cause = error == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return false;
    }
    return true;
}

std::vector<std::string> utf8_arguments(int argc, path_char* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(utf8(argv[i]));
    }
    return arguments;
}

void use_binary_output() { _setmode(_fileno(stdout), _O_BINARY); }

std::size_t processors_available()
{
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) == 0) {
        return 1;
    }
    std::size_t count = 0;
    for (; process != 0; process &= process - 1) {
        ++count;
    }
    return count > 0 ? count : 1;
}

// A console shows UTF-16, and takes it as such; anything else gets the bytes.
static HANDLE handle_of(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

static bool is_console(std::FILE* stream)
{
    DWORD mode = 0;
    return GetConsoleMode(handle_of(stream), &mode) != 0;
}

bool is_terminal(std::FILE* stream) { return is_console(stream); }

static bool write_console(std::FILE* stream, std::string_view text, int& cause)
{
    std::fflush(stream);
    const std::wstring shown = utf16(text);
    DWORD written = 0;
    if (WriteConsoleW(handle_of(stream), shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr) == 0) {
        cause = EIO;
        return false;
    }
    return true;
}

#else

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#endif

static_assert(sizeof(ino_t) == 8, "inode numbers must be 64-bit");

bool is_path_separator(char c) { return c == '/'; }

bool names_folder(const std::string& name)
{
    struct stat info {};
    return stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What a folder's entry is, looked at by its name within the folder.
static void add_entry(int folder, const char* name, std::vector<folder_entry>& entries)
{
    struct stat info {};
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return; // gone since it was listed
    }
    if (S_ISLNK(info.st_mode)) {
        // A link that leads nowhere is read, so that its failure is said.
        if (fstatat(folder, name, &info, 0) != 0 || S_ISREG(info.st_mode)) {
            entries.push_back({name, false});
        }
        return;
    }
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
        entries.push_back({name, S_ISDIR(info.st_mode)});
    }
}

bool list_folder(const std::string& prefix, std::vector<folder_entry>& entries, int& cause)
{
    entries.clear();
    DIR* folder = opendir(prefix.c_str());
    if (folder == nullptr) {
        cause = errno;
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder);
        if (entry == nullptr) {
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
#ifdef _DIRENT_HAVE_D_TYPE
        // Most file systems tell the kind here, sparing a call for each entry.
        if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
            entries.push_back({std::string(name), entry->d_type == DT_DIR});
            continue;
        }
        if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            continue;
        }
#endif
        add_entry(dirfd(folder), entry->d_name, entries);
    }
    const int error = errno;
    closedir(folder);
    if (error != 0) {
        cause = error;
        return false;
    }
    return true;
}

std::vector<std::string> utf8_arguments(int argc, path_char* argv[]) { return {argv, argv + argc}; }

void use_binary_output() {}

std::size_t processors_available()
{
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<std::size_t>(CPU_COUNT(&set));
    }
#endif
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<std::size_t>(count) : 1;
}

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

// A terminal takes the bytes as they are.
static bool is_console(std::FILE*) { return false; }
static bool write_console(std::FILE*, std::string_view, int&) { return false; }

#endif

bool write_text(std::FILE* stream, std::string_view text, int& cause)
{
    if (is_console(stream)) {
        return write_console(stream, text, cause);
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0) {
        cause = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}
