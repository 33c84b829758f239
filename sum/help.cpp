#include "help.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "crc_model.hpp"
#include "crc_parameters.hpp"
#include "output.hpp"

void print_help()
{
    std::printf("Usage: %s [OPTION]... [FILE]...\n", PROGRAM);
    std::fputs("Print or check CRC-16 checksums: for each FILE, a line with its checksum\n"
               "(0x and four upper-case hexadecimal digits) and its name. By default the\n"
               "checksum is CRC-16/ARC, exactly as crc16 prints it, and the line is the\n"
               "checksum, two spaces and the name. For any other model the line is tagged\n"
               "with the model's name, as in 'CRC-16/MODBUS (FILE) = 0x4B37'.\n"
               "\n"
               "With no FILE, or when FILE is -, read standard input.\n"
               "\n"
               "  -a, --algorithm=MODEL read by MODEL, a name or an alias from the list\n"
               "                        below, in any case: -a MODBUS, -a XMODEM; or\n"
               "                        the parameters of a model of one's own, in the\n"
               "                        form --list-models writes: -a 'poly=0x1021\n"
               "                        init=0xFFFF refin=false refout=false'\n"
               "      --appended        each input ends with its own checksum: check it,\n"
               "                        writing 'NAME: OK' or 'NAME: FAILED'\n"
               "  -c, --check           read lists of checksums from the FILEs and check them\n"
               "      --endian=ORDER    a stored checksum's bytes in ORDER, 'little' (low\n"
               "                        byte first) or 'big', not the model's own order\n"
               "      --hex             the operands are frames written in hex, such as\n"
               "                        '01 03 00 00 00 0A'; with none, or -, each line of\n"
               "                        standard input is one\n"
               "      --identify        read lists of plain lines from the FILEs, as --check\n"
               "                        does, and name each model that gives every\n"
               "                        checksum, as written or with its bytes swapped;\n"
               "                        with --appended, of inputs that end with their\n"
               "                        own checksum, and in which byte order\n"
               "      --search          with --identify, where no catalogued model fits,\n"
               "                        try every CRC-16 and write each that fits in the\n"
               "                        form -a takes\n"
               "  -j, --jobs=N          read N files at a time (default: one for each\n"
               "                        processor this process may run on)\n"
               "      --raw             write the checksum of the one input as its two\n"
               "                        bytes, in the order they are stored\n"
               "  -r, --recursive       read every file under each FILE that is a folder,\n"
               "                        in the byte order of their names; links to\n"
               "                        folders are not followed\n"
               "      --tag             write tagged lines, for CRC-16/ARC too\n"
               "      --untagged        write plain lines (checksum, two spaces, name), for\n"
               "                        any model; the last of --tag and --untagged counts\n"
               "  -z, --zero            end each output line with NUL, not newline, and do\n"
               "                        not escape file names\n"
               "\n"
               "Only when checking, identifying, or with --appended:\n"
               "      --ignore-missing  do not fail or report on files that do not exist\n"
               "      --quiet           do not print OK for each file that matched\n"
               "      --status          print nothing; the exit status tells the result\n"
               "      --strict          exit non-zero on improperly formatted lines\n"
               "  -w, --warn            warn about each improperly formatted line\n"
               "\n"
               "      --debug           say on standard error which engine computes the checksums\n"
               "                        (and what --search tried)\n"
               "      --list-models     list the models with their parameters and exit\n"
               "      --help            display this help and exit\n"
               "      --version         output version information and exit\n"
               "\n"
               "A list may mix models: a tagged line is checked by the model it names,\n"
               "exactly as crc16sum writes the name; a plain line by -a's model, or by\n"
               "CRC-16/ARC where -a is not given. So a list made with -a MODEL --untagged\n"
               "is checked with -a MODEL. With -a, tagged lines of other models are\n"
               "improperly formatted. A model of one's own has no name: its lines are\n"
               "plain, and its lists are checked with the same -a.\n"
               "\n"
               "A checksum stored after its data goes low byte first for a model whose\n"
               "output is reflected (MODBUS, KERMIT, X-25), high byte first otherwise\n"
               "(XMODEM, IBM-3740); for a model of one's own whose input and output\n"
               "orders differ, that is only a convention.\n"
               "\n"
               "Models, with their aliases:\n",
               stdout);
    // Each name, and its aliases beside it, as many to a line as fit in 79 columns.
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        std::string line = std::string("  ") + crc_name_of(model);
        for (std::string_view aliases = crc_aliases_of(model); !aliases.empty();) {
            const std::size_t comma = std::min(aliases.find(','), aliases.size());
            const std::string_view alias = aliases.substr(0, comma);
            aliases.remove_prefix(std::min(comma + 1, aliases.size()));
            const std::string item = std::string(alias) + (aliases.empty() ? "" : ",");
            if (line.size() < 28) {
                line.resize(28, ' ');
            } else if (line.size() + 1 + item.size() > 79) {
                std::printf("%s\n", line.c_str());
                line.assign(28, ' ');
            } else {
                line += ' ';
            }
            line += item;
        }
        std::printf("%s\n", line.c_str());
    }
    std::fputs("\n"
               "Exit status: 0 when every file was read and, when checking, matched its\n"
               "line; 1 otherwise.\n"
               "\n"
               "CRC16SUM_ENGINE=table in the environment computes with the table engine,\n"
               "whatever the processor offers.\n",
               stdout);
}

void list_models()
{
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        char form[CRC_PARAMETER_FORM_SIZE];
        crc_format_parameters(crc_catalogue_model(row), form);
        std::printf("%s\n", form);
    }
}
