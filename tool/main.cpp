// crc16 FILE: prints the CRC-16 of FILE as 0x followed by four upper-case
// hexadecimal digits, with no newline, and exits with 0. Any failure prints
// one fixed line instead and exits with -1. Nothing goes to standard error.
#include "reading.hpp"

namespace {

// Every run ends here: what each outcome prints, and the exit status, for
// the file's result or, null, for no path at all. A result that cannot be
// written is a failure too.
int finish(const file_checksum* result)
{
    if (result == nullptr) {
        std::printf("Too few command-line arguments.\n");
    } else {
        switch (result->stage) {
        case file_stage::checksummed: std::printf("0x%04X", static_cast<unsigned>(result->crc)); break;
        case file_stage::not_opened: std::printf("Fail to open file.\n"); break;
        case file_stage::not_read: std::printf("Fail to read file.\n"); break;
        }
    }
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return result != nullptr && result->stage == file_stage::checksummed && written ? 0 : -1;
}

// Only the first argument is read; any after it are ignored.
int run(int argc, path_char* argv[])
{
    if (argc < 2) {
        return finish(nullptr);
    }
    static stream_buffer buffer;
    const file_checksum result = checksum_file(argv[1], buffer);
    return finish(&result);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t* argv[]) { return run(argc, argv); }
#else
int main(int argc, char* argv[]) { return run(argc, argv); }
#endif
