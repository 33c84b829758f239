/* The library's C interface, compiled as C and linked against the shared
 * library (the DLL on Windows): its error cases, the catalogue through it,
 * each way of taking bytes held to the one-call form, and threads that make
 * the first calls at once. */
#include <ctype.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>

#include "crc16.h"

static int failures = 0;

static void check(int holds, const char* what, const char* model)
{
    if (!holds) {
        printf("FAIL: %s%s%s\n", what, model[0] != '\0' ? ": " : "", model);
        ++failures;
    }
}

static const char DIGITS[] = "123456789";

/* Texts of the parameter form that give no model, and why. */
static const struct {
    const char* text;
    int status;
} BAD_TEXTS[] = {
    {"poly=0x1021 init=0xFFFF", CRC16_MISSING_KEY},
    {"poly=0x1021 refin=false refout=false poly=0x1021", CRC16_REPEATED_KEY},
    {"width=8 poly=0x07 refin=false refout=false", CRC16_INVALID_WIDTH},
    {"poly=0x10G1 refin=false refout=false", CRC16_INVALID_VALUE},
    {"poly=0x1021 refin=maybe refout=false", CRC16_INVALID_VALUE},
    {"poly=0x1021 refin=false refout=false colour=red", CRC16_UNKNOWN_KEY},
    {"poly=0x1021 init=0xFFFF refin=false refout=false check=0x29B2", CRC16_CHECK_MISMATCH},
};

/* Parameters as numbers that give no model. */
static const struct {
    int refin, refout;
} BAD_REFLECTIONS[] = {{2, 0}, {0, 2}, {-1, 1}, {1, -1}};

/* A few check values of the catalogue, as its rows give them. */
static const struct {
    const char* name;
    uint16_t check;
    int low_first;
} CHECKS[] = {
    {"CRC-16/ARC", 0xBB3D, 1},    {"modbus", 0x4B37, 1},          {"XMODEM", 0x31C3, 0},
    {"crc-16/kermit", 0x2189, 1}, {"CRC-16/IBM-3740", 0x29B1, 0}, {"X-25", 0x906E, 1},
};

static void error_cases(void)
{
    const crc16_model* arc = crc16_find("CRC-16/ARC");
    crc16_model* made = NULL;
    uint16_t state = 0x1234, sum = 0;
    size_t i;
    check(crc16_find("CRC-16/NONE") == NULL && crc16_find("") == NULL && crc16_find(NULL) == NULL,
          "an unknown or null name finds no model", "");
    for (i = 0; i < sizeof BAD_TEXTS / sizeof BAD_TEXTS[0]; ++i) {
        check(crc16_new_from_text(BAD_TEXTS[i].text, &made) == BAD_TEXTS[i].status && made == NULL,
              "a bad parameter form gives its status and no model", BAD_TEXTS[i].text);
    }
    for (i = 0; i < sizeof BAD_REFLECTIONS / sizeof BAD_REFLECTIONS[0]; ++i) {
        check(crc16_new(0x8005, 0, BAD_REFLECTIONS[i].refin, BAD_REFLECTIONS[i].refout, 0, &made) ==
                      CRC16_INVALID_VALUE &&
                  made == NULL,
              "refin or refout other than 0 or 1 is an invalid value", "");
    }
    check(crc16_new_from_text(NULL, &made) == CRC16_NULL_ARGUMENT &&
              crc16_new_from_text("poly=0x8005 refin=true refout=true", NULL) == CRC16_NULL_ARGUMENT &&
              crc16_new(0x8005, 0, 1, 1, 0, NULL) == CRC16_NULL_ARGUMENT,
          "a model made into nowhere", "");

    /* A null model. */
    check(crc16_start(NULL, &state) == CRC16_NULL_ARGUMENT &&
              crc16_update(NULL, &state, DIGITS, 9) == CRC16_NULL_ARGUMENT &&
              crc16_finish(NULL, state, &sum) == CRC16_NULL_ARGUMENT &&
              crc16_checksum(NULL, DIGITS, 9, &sum) == CRC16_NULL_ARGUMENT &&
              crc16_combine(NULL, 0, 0, 1, &sum) == CRC16_NULL_ARGUMENT,
          "a null model takes no bytes", "");
    check(state == 0x1234 && sum == 0, "a failed call writes no result", "");
    check(crc16_name(NULL) == NULL && crc16_aliases(NULL) == NULL && crc16_stored_low_first(NULL) == -1,
          "a null model has no name, aliases or byte order", "");
    check(crc16_checksum(arc, DIGITS, 9, NULL) == CRC16_NULL_ARGUMENT &&
              crc16_start(arc, NULL) == CRC16_NULL_ARGUMENT &&
              crc16_update(arc, NULL, DIGITS, 9) == CRC16_NULL_ARGUMENT,
          "a null result", "");
    crc16_free(NULL);

    /* A null buffer: nothing when its length is 0, an error otherwise. */
    check(crc16_checksum(crc16_find("MODBUS"), NULL, 0, &sum) == CRC16_OK && sum == 0xFFFF,
          "a null buffer of length 0 is the empty input", "");
    check(crc16_start(arc, &state) == CRC16_OK && crc16_update(arc, &state, DIGITS, 9) == CRC16_OK &&
              crc16_update(arc, &state, NULL, 0) == CRC16_OK && crc16_finish(arc, state, &sum) == CRC16_OK &&
              sum == 0xBB3D,
          "a null buffer of length 0 leaves the state", "");
    check(crc16_checksum(arc, NULL, 1, &sum) == CRC16_NULL_ARGUMENT &&
              crc16_update(arc, &state, NULL, 1) == CRC16_NULL_ARGUMENT,
          "a null buffer with bytes in it", "");

    /* A catalogued model is never freed: it still works after crc16_free. */
    crc16_free((crc16_model*)arc);
    check(crc16_checksum(crc16_find("ARC"), DIGITS, 9, &sum) == CRC16_OK && sum == 0xBB3D,
          "crc16_free leaves a catalogued model", "");

    check(strcmp(crc16_status_text(99), "unknown status") == 0 && strcmp(crc16_status_text(-1), "unknown status") == 0,
          "an unknown status in words", "");
    for (i = 0; i <= CRC16_CHECK_MISMATCH; ++i) {
        check(strcmp(crc16_status_text((int)i), "unknown status") != 0 &&
                  (i == 0 || strcmp(crc16_status_text((int)i), crc16_status_text((int)i - 1)) != 0),
              "each status has its own words", crc16_status_text((int)i));
    }
}

/* The checksum of `data` by the model, taken in every way the interface
 * has, against the one-call form. */
static void every_way(const crc16_model* model, const unsigned char* data, size_t length, const char* name)
{
    uint16_t whole = 0, state = 0, streamed = 0, a = 0, b = 0, joined = 0;
    size_t at, split;
    check(crc16_checksum(model, data, length, &whole) == CRC16_OK, "the one-call form", name);
    check(crc16_start(model, &state) == CRC16_OK, "start", name);
    for (at = 0; at < length; at += 7) {
        check(crc16_update(model, &state, data + at, length - at < 7 ? length - at : 7) == CRC16_OK, "update", name);
    }
    check(crc16_finish(model, state, &streamed) == CRC16_OK && streamed == whole,
          "streamed 7 bytes at a time, as in one call", name);
    for (split = 0; split <= length; split += length / 3 + 1) {
        check(crc16_checksum(model, data, split, &a) == CRC16_OK &&
                  crc16_checksum(model, data + split, length - split, &b) == CRC16_OK &&
                  crc16_combine(model, a, b, length - split, &joined) == CRC16_OK && joined == whole,
              "two ranges combined, as the whole", name);
    }
    check(crc16_checksum(model, data, length - 1, &a) == CRC16_OK &&
              crc16_checksum(model, data + length - 1, 1, &b) == CRC16_OK &&
              crc16_combine(model, a, b, 1, &joined) == CRC16_OK && joined == whole,
          "the last byte combined, as the whole", name);
}

static void catalogue(void)
{
    static unsigned char bytes[3 * 4096 + 77];
    size_t i, count = crc16_catalogue_size();
    for (i = 0; i < sizeof bytes; ++i) {
        bytes[i] = (unsigned char)(i * 131 + (i >> 8));
    }
    check(count >= 30 && crc16_catalogue_model(count) == NULL &&
              strcmp(crc16_name(crc16_catalogue_model(0)), "CRC-16/ARC") == 0,
          "the catalogue, CRC-16/ARC first, nothing past its end", "");
    for (i = 0; i < count; ++i) {
        const crc16_model* model = crc16_catalogue_model(i);
        const char* name = crc16_name(model);
        char lower[64] = "", aliases[256] = "";
        char* alias;
        size_t c;
        uint16_t poly = 0, init = 0, xorout = 0, own_sum = 1, sum = 0;
        int refin = -1, refout = -1;
        crc16_model* own = NULL;
        check(name != NULL && strlen(name) < sizeof lower && crc16_find(name) == model, "found by its name",
              name != NULL ? name : "");
        if (name == NULL) {
            continue;
        }
        for (c = 0; name[c] != '\0'; ++c) {
            lower[c] = (char)tolower((unsigned char)name[c]);
        }
        check(crc16_find(lower) == model, "found by its name in lower case", name);
        check(strlen(crc16_aliases(model)) < sizeof aliases, "aliases", name);
        strncpy(aliases, crc16_aliases(model), sizeof aliases - 1);
        for (alias = strtok(aliases, ","); alias != NULL; alias = strtok(NULL, ",")) {
            check(crc16_find(alias) == model, "found by an alias", alias);
        }
        check(crc16_parameters(model, &poly, &init, &refin, &refout, &xorout) == CRC16_OK &&
                  crc16_stored_low_first(model) == refout,
              "stored low byte first where the output is reflected", name);
        check(crc16_new(poly, init, refin, refout, xorout, &own) == CRC16_OK && crc16_name(own) == NULL &&
                  strcmp(crc16_aliases(own), "") == 0,
              "a model of one's own from its parameters", name);
        check(crc16_checksum(own, bytes, sizeof bytes, &own_sum) == CRC16_OK &&
                  crc16_checksum(model, bytes, sizeof bytes, &sum) == CRC16_OK && own_sum == sum,
              "a model of one's own as its catalogued twin", name);
        crc16_free(own);
        every_way(model, (const unsigned char*)DIGITS, 9, name);
        every_way(model, bytes, sizeof bytes, name);
    }
    for (i = 0; i < sizeof CHECKS / sizeof CHECKS[0]; ++i) {
        uint16_t sum = 0;
        const crc16_model* model = crc16_find(CHECKS[i].name);
        check(crc16_checksum(model, DIGITS, 9, &sum) == CRC16_OK && sum == CHECKS[i].check &&
                  crc16_stored_low_first(model) == CHECKS[i].low_first,
              "the check value and byte order", CHECKS[i].name);
    }
}

static void parameter_form(void)
{
    crc16_model* own = NULL;
    uint16_t sum = 0;
    check(crc16_new_from_text("refout=false xorout=0x0000 init=0xffff refin=false poly=0x1021 check=0x29B1 "
                              "width=16 name=\"mine\"",
                              &own) == CRC16_OK &&
              crc16_checksum(own, DIGITS, 9, &sum) == CRC16_OK && sum == 0x29B1 && crc16_name(own) == NULL,
          "a model from the parameter form, keys in any order", "");
    crc16_free(own);
}

enum { THREADS = 4, MODELS_AT_MOST = 64 };

/* The check value of every model of the catalogue, into `sums`. */
static void* check_values(void* sums)
{
    size_t i;
    for (i = 0; i < crc16_catalogue_size() && i < MODELS_AT_MOST; ++i) {
        if (crc16_checksum(crc16_catalogue_model(i), DIGITS, 9, (uint16_t*)sums + i) != CRC16_OK) {
            ((uint16_t*)sums)[i] = 0;
        }
    }
    return NULL;
}

/* Threads that start before anything has taken bytes, and so choose the
 * engine at once, all get the same checksums as one thread alone. */
static void threads(void)
{
    static uint16_t sums[THREADS + 1][MODELS_AT_MOST];
    pthread_t started[THREADS];
    int t, i;
    for (t = 0; t < THREADS; ++t) {
        check(pthread_create(&started[t], NULL, check_values, sums[t]) == 0, "a thread starts", "");
    }
    for (t = 0; t < THREADS; ++t) {
        check(pthread_join(started[t], NULL) == 0, "a thread ends", "");
    }
    check_values(sums[THREADS]);
    for (t = 0; t < THREADS; ++t) {
        for (i = 0; i < MODELS_AT_MOST; ++i) {
            check(sums[t][i] == sums[THREADS][i], "a thread's checksum as one thread's", "");
        }
    }
}

int main(void)
{
    threads();
    check(strcmp(crc16_version(), CRC16_LIBRARY_VERSION) == 0, "crc16_version is the library's version",
          crc16_version());
    check(crc16_engine()[0] != '\0', "crc16_engine names an engine", "");
    error_cases();
    catalogue();
    parameter_form();
    printf("%d failures; engine: %s\n", failures, crc16_engine());
    return failures == 0 ? 0 : 1;
}
