// crc16 FILE: prints the CRC-16 of FILE as 0x followed by four upper-case
// hexadecimal digits, with no newline, and exits with 0. Any failure prints
// one fixed line instead and exits with -1. Nothing goes to standard error.
#include "command.hpp"

namespace {

enum class outcome { checksum, no_path, open_failed, read_failed };

outcome checksum_file(const path_char* path, crc_state& crc)
{
    std::FILE* stream = open_for_reading(path);
    if (stream == nullptr) {
        return outcome::open_failed;
    }
    std::int64_t size = SIZE_UNKNOWN;
    const bool read = measure_size(stream, size) && checksum_stream(stream, size, crc);
    const bool closed = std::fclose(stream) == 0;
    return read && closed ? outcome::checksum : outcome::read_failed;
}

// Every run ends here: what each outcome prints, and the exit status. A
// result that cannot be written is a failure too.
int finish(outcome result, crc_state crc)
{
    switch (result) {
    case outcome::checksum: std::printf("0x%04X", static_cast<unsigned>(crc)); break;
    case outcome::no_path: std::printf("Too few command-line arguments.\n"); break;
    case outcome::open_failed: std::printf("Fail to open file.\n"); break;
    case outcome::read_failed: std::printf("Fail to read file.\n"); break;
    }
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return result == outcome::checksum && written ? 0 : -1;
}

// Only the first argument is read; any after it are ignored.
int run(int argc, path_char* argv[])
{
    if (argc < 2) {
        return finish(outcome::no_path, CRC_INIT);
    }
    crc_state crc = CRC_INIT;
    const outcome result = checksum_file(argv[1], crc);
    return finish(result, crc);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t* argv[]) { return run(argc, argv); }
#else
int main(int argc, char* argv[]) { return run(argc, argv); }
#endif
