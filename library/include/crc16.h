/* libcrc16: every CRC-16 of the public catalogue by name, models of one's
 * own from their parameters, streaming and one-call checksums, and checksums
 * of two ranges joined into the checksum of both, through the fastest engine
 * the processor runs (a carry-less fold where it has one, else a table).
 *
 * A model is opaque: the caller holds a pointer to it. The catalogue's
 * models live as long as the library and are never freed; a model made by
 * crc16_new or crc16_new_from_text is freed by crc16_free. Every call may be
 * made from any thread at any time: nothing changes after the engine is
 * chosen, once, at the first call that takes bytes.
 *
 * Calls that can fail return a status, CRC16_OK (0) or one of the codes
 * below, and write their result through their last argument only on
 * success. */
#ifndef CRC16_H
#define CRC16_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) && !defined(_WIN32)
#define CRC16_API __attribute__((visibility("default")))
#else
#define CRC16_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct crc16_model crc16_model;

/* The statuses. The parameter form's codes name what is wrong with a text
 * given to crc16_new_from_text. */
enum {
    CRC16_OK = 0,
    CRC16_NULL_ARGUMENT = 1, /* a null model, text or result, or null data of a length other than 0 */
    CRC16_NO_MEMORY = 2,     /* no memory for a model of one's own */
    CRC16_INVALID_VALUE = 3, /* refin or refout other than 0 or 1, or a value that does not read */
    CRC16_UNKNOWN_KEY = 4,   /* an item that is no key=value of the form */
    CRC16_REPEATED_KEY = 5,  /* a key given twice */
    CRC16_INVALID_WIDTH = 6, /* a width other than 16 */
    CRC16_MISSING_KEY = 7,   /* poly, refin or refout not given */
    CRC16_CHECK_MISMATCH = 8 /* a check= that the parameters do not make */
};

/* The library's version, "MAJOR.MINOR.PATCH"; MAJOR is the shared library's
 * soname number. */
CRC16_API const char* crc16_version(void);

/* The engine that takes the bytes, as crc16sum --debug names it: "table",
 * or the carry-less fold and its width. CRC16SUM_ENGINE=table in the
 * environment, read once, holds every model to the table. */
CRC16_API const char* crc16_engine(void);

/* A status in words, such as "unknown key"; "unknown status" for a code
 * that is none of the above. */
CRC16_API const char* crc16_status_text(int status);

/* The catalogued model whose name or alias is `name`, in any case
 * ("CRC-16/MODBUS", "modbus"); null where there is none, or for a null name. */
CRC16_API const crc16_model* crc16_find(const char* name);

/* The catalogue, by name, CRC-16/ARC first: its size, and the model at
 * `index`, null from the size on. */
CRC16_API size_t crc16_catalogue_size(void);
CRC16_API const crc16_model* crc16_catalogue_model(size_t index);

/* A model of one's own from its parameters, as the catalogue gives them:
 * the polynomial in its normal form (0x8005, not 0xA001), the initial value,
 * whether input and output are reflected (0 or 1), the final XOR. */
CRC16_API int crc16_new(uint16_t poly, uint16_t init, int refin, int refout, uint16_t xorout, crc16_model** made);

/* A model of one's own from the parameter form that crc16sum -a takes:
 * "poly=0x1021 init=0xFFFF refin=false refout=false xorout=0x0000", keys in
 * any order; width=16, check=, residue= and name= may be given too. */
CRC16_API int crc16_new_from_text(const char* text, crc16_model** made);

/* Frees a model of one's own. A null model, or a catalogued one, is left as
 * it is. */
CRC16_API void crc16_free(crc16_model* model);

/* The catalogue's name of a model; null for a model of one's own. */
CRC16_API const char* crc16_name(const crc16_model* model);

/* The other names a catalogued model is known by, separated by commas; ""
 * where there are none and for a model of one's own; null for a null model. */
CRC16_API const char* crc16_aliases(const crc16_model* model);

/* A model's parameters, as crc16_new takes them. */
CRC16_API int crc16_parameters(const crc16_model* model, uint16_t* poly, uint16_t* init, int* refin, int* refout,
                               uint16_t* xorout);

/* Whether a checksum stored after its data goes low byte first (1: MODBUS,
 * KERMIT, X-25 and the other models with reflected output) or high byte
 * first (0: XMODEM and the others); -1 for a null model. */
CRC16_API int crc16_stored_low_first(const crc16_model* model);

/* Streaming: crc16_start sets `state`, each crc16_update takes `length`
 * bytes at `data` into it, and crc16_finish turns it into the checksum. */
CRC16_API int crc16_start(const crc16_model* model, uint16_t* state);
CRC16_API int crc16_update(const crc16_model* model, uint16_t* state, const void* data, size_t length);
CRC16_API int crc16_finish(const crc16_model* model, uint16_t state, uint16_t* checksum);

/* The checksum of `length` bytes at `data`, in one call. */
CRC16_API int crc16_checksum(const crc16_model* model, const void* data, size_t length, uint16_t* checksum);

/* The checksum of A followed by B, from the checksum of A, the checksum of
 * B and B's length in bytes, without reading either again. */
CRC16_API int crc16_combine(const crc16_model* model, uint16_t checksum_a, uint16_t checksum_b, uint64_t length_b,
                            uint16_t* checksum);

#ifdef __cplusplus
}
#endif

#endif
