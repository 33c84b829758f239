// crc16 FILE: prints the CRC-16 of FILE as 0x followed by four upper-case
// hexadecimal digits, with no newline, and exits with 0. Any failure prints
// one fixed line instead and exits with -1. Nothing goes to standard error.
#include "crc16.hpp"
#include "reading.hpp"

namespace {

// Each full chunk is whole blocks of the engine, taken lane by lane.
static_assert(CHUNK_SIZE % CRC_BLOCK_SIZE == 0);

// What became of the file: its checksum, or the step that failed.
enum class outcome { checksummed, not_opened, not_read };

// The whole file: opened, measured, taken chunk by chunk from CRC_INIT by
// crc_update (CRC-16/ARC), and closed.
outcome checksum_file(const path_char* path, crc_state& crc)
{
    static stream_buffer behind;
    int cause = 0;
    std::FILE* stream = open_for_reading(path, behind, cause);
    if (stream == nullptr) {
        return outcome::not_opened;
    }
    std::int64_t size = SIZE_UNKNOWN;
    if (!measure_size(stream, size, cause)) {
        static_cast<void>(close_stream(stream, cause));
        return outcome::not_read;
    }
    unsigned char chunk[CHUNK_SIZE];
    chunk_reader reader{.stream = stream, .size = size, .buffer = chunk, .buffer_size = sizeof chunk};
    crc = CRC_INIT;
    chunk_status status = chunk_status::chunk;
    std::size_t got = 0;
    while ((status = next_chunk(reader, got, cause)) == chunk_status::chunk) {
        crc = crc_update(crc, chunk, got);
    }
    const bool closed = close_stream(stream, cause);
    return status == chunk_status::end && closed ? outcome::checksummed : outcome::not_read;
}

// Every run ends here: what each outcome prints, and the exit status, for
// the file's outcome or, null, for no path at all. A result that cannot be
// written is a failure too.
int finish(const outcome* result, crc_state crc)
{
    if (result == nullptr) {
        std::printf("Too few command-line arguments.\n");
    } else {
        switch (*result) {
        case outcome::checksummed: std::printf("0x%04X", static_cast<unsigned>(crc)); break;
        case outcome::not_opened: std::printf("Fail to open file.\n"); break;
        case outcome::not_read: std::printf("Fail to read file.\n"); break;
        }
    }
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return result != nullptr && *result == outcome::checksummed && written ? 0 : -1;
}

// Only the first argument is read; any after it are ignored.
int run(int argc, path_char* argv[])
{
    if (argc < 2) {
        return finish(nullptr, CRC_INIT);
    }
    crc_state crc = CRC_INIT;
    const outcome result = checksum_file(argv[1], crc);
    return finish(&result, crc);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t* argv[]) { return run(argc, argv); }
#else
int main(int argc, char* argv[]) { return run(argc, argv); }
#endif
