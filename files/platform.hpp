// The platform layer of both programs: the command line and names as UTF-8
// on every system, and for crc16sum how its lines end, the folders -r walks,
// its output and the processors it may use. Every difference between Windows
// and POSIX in these is kept in platform.cpp, as those of opening and
// reading files are in opening.cpp.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
using path_char = wchar_t; // Windows hands the command line over as UTF-16
// A name in UTF-8 as Windows takes it, in UTF-16.
std::wstring utf16(std::string_view text);
#else
using path_char = char;
#endif

// The command line as UTF-8, the program's name first.
std::vector<std::string> utf8_arguments(int argc, path_char* argv[]);

// How crc16sum's lines end: CRLF on Windows, as its other programs' lines
// do there, and LF elsewhere.
#ifdef _WIN32
inline constexpr std::string_view LINE_END = "\r\n";
#else
inline constexpr std::string_view LINE_END = "\n";
#endif

// Whether `c` separates the parts of a path: '/' alone on POSIX, '/' and
// '\\' on Windows.
bool is_path_separator(char c);

// Sets standard output to write bytes as they are given, so that the lines
// end as LINE_END says and a NUL stays a NUL.
void use_binary_output();

// Writes UTF-8 text to `stream` whole, or shown as the characters it holds
// where the stream is a console. False, with `cause`, where it fails.
// Whether `stream` is a terminal, or on Windows a console, that a person reads.
bool is_terminal(std::FILE* stream);

bool write_text(std::FILE* stream, std::string_view text, int& cause);

// One entry of a folder that crc16sum -r walks: a file to read (a regular
// file, or a link to anything that is not a folder) or a subfolder (never
// one reached through a link, which also rules out loops).
struct folder_entry {
    std::string name;
    bool folder;
};

// Whether a name in UTF-8 names a folder, through links.
bool names_folder(const std::string& name);

// The entries of the folder `prefix` names, a separator at its end, in the
// order the system gives them. Links to folders, and what is neither a file
// nor a folder, are left out. False, with `cause`, where it cannot be read.
bool list_folder(const std::string& prefix, std::vector<folder_entry>& entries, int& cause);

// How many processors this process may run on: its affinity where the
// system has one, else every processor there is.
std::size_t processors_available();
