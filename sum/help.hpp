// What crc16sum prints instead of reading files, on standard output; the
// caller checks that it was written.
#pragma once

// --help: the options, the models with their aliases, the exit status.
void print_help();

// --list-models: each catalogued model in the catalogue's own form, which
// -a takes back as it stands.
void list_models();
