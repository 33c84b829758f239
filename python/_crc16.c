/* crc16._crc16: libcrc16 for Python, over its C interface (crc16.h) alone,
 * built against the limited API of Python 3.11, the first whose stable ABI
 * has the buffer protocol, so that one build serves every later Python.
 *
 * Models are crc16.Model objects: the catalogue's, made once as the module
 * is loaded, or one's own. A name or alias given where a model is taken is
 * looked up once and kept in a dict, so that a call by name costs a dict
 * lookup more than a call by Model. Data is anything with the buffer
 * protocol, read where it lies; from RELEASE_GIL_FROM bytes on, the GIL is
 * released while the library folds it, so that threads fold in parallel.
 *
 * The module keeps its types and the catalogue in static data: it is
 * loaded once per process (single-phase initialisation). */
#define Py_LIMITED_API 0x030B0000
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <stdio.h>
#include <string.h>

#include <crc16.h>

enum {
    RELEASE_GIL_FROM = 64 * 1024,
    NAMES_KEPT = 1024 /* names kept beyond the catalogue's own, such as "modbus" in every case */
};

typedef struct {
    PyObject_HEAD
    const crc16_model* model;
    crc16_model* own; /* a model of one's own, freed with the object; null for a catalogued one */
} model_object;

typedef struct {
    PyObject_HEAD
    PyObject* model; /* the Model, held */
    uint16_t state;
} hash_object;

static PyTypeObject* model_type;
static PyTypeObject* hash_type;
static PyObject* catalogue;     /* tuple: the catalogue's Models, CRC-16/ARC first */
static PyObject* models_by_name; /* dict: a name as it was given -> its Model */

/* Raises what a failed library call means; -1, or 0 for CRC16_OK. */
static int check_status(int status)
{
    if (status == CRC16_OK) {
        return 0;
    }
    if (status == CRC16_NO_MEMORY) {
        PyErr_NoMemory();
    } else {
        PyErr_SetString(PyExc_ValueError, crc16_status_text(status));
    }
    return -1;
}

/* The Model that `given` is or names, borrowed; null with an exception set
 * where it is neither. */
static PyObject* model_of(PyObject* given)
{
    if (Py_TYPE(given) == model_type) {
        return given;
    }
    if (!PyUnicode_Check(given)) {
        PyErr_Format(PyExc_TypeError, "a model is a name or a crc16.Model, not %R", (PyObject*)Py_TYPE(given));
        return NULL;
    }
    PyObject* found = PyDict_GetItemWithError(models_by_name, given);
    if (found != NULL || PyErr_Occurred()) {
        return found;
    }
    Py_ssize_t size = 0;
    const char* name = PyUnicode_AsUTF8AndSize(given, &size);
    if (name == NULL) {
        return NULL;
    }
    const crc16_model* model = strlen(name) == (size_t)size ? crc16_find(name) : NULL;
    Py_ssize_t count = PyTuple_Size(catalogue);
    for (Py_ssize_t i = 0; model != NULL && i < count && found == NULL; ++i) {
        PyObject* item = PyTuple_GetItem(catalogue, i);
        if (item != NULL && ((model_object*)item)->model == model) {
            found = item;
        }
    }
    if (found == NULL) {
        PyErr_Format(PyExc_ValueError, "unknown model: %R", given);
        return NULL;
    }
    if (PyDict_Size(models_by_name) < NAMES_KEPT && PyDict_SetItem(models_by_name, given, found) < 0) {
        return NULL;
    }
    return found;
}

static const crc16_model* library_model(PyObject* model)
{
    return ((model_object*)model)->model;
}

/* Folds the bytes of `data` into *state (whole: its checksum in one call
 * instead, *state unread). */
static int fold(const crc16_model* model, PyObject* data, uint16_t* state, int whole)
{
    Py_buffer view;
    if (PyObject_GetBuffer(data, &view, PyBUF_SIMPLE) < 0) {
        return -1;
    }
    int status = CRC16_OK;
    size_t length = (size_t)view.len;
    if (view.len >= RELEASE_GIL_FROM) {
        Py_BEGIN_ALLOW_THREADS
        status = whole ? crc16_checksum(model, view.buf, length, state) : crc16_update(model, state, view.buf, length);
        Py_END_ALLOW_THREADS
    } else {
        status = whole ? crc16_checksum(model, view.buf, length, state) : crc16_update(model, state, view.buf, length);
    }
    PyBuffer_Release(&view);
    return check_status(status);
}

/* A value from 0 to 0xFFFF, such as a checksum or a polynomial. */
static int take_u16(PyObject* given, const char* what, uint16_t* value)
{
    long taken = PyLong_AsLong(given);
    if (taken == -1 && PyErr_Occurred()) {
        if (!PyErr_ExceptionMatches(PyExc_OverflowError)) {
            return -1;
        }
        PyErr_Clear();
    } else if (taken >= 0 && taken <= 0xFFFF) {
        *value = (uint16_t)taken;
        return 0;
    }
    PyErr_Format(PyExc_ValueError, "%s must be from 0 to 0xFFFF, not %R", what, given);
    return -1;
}

/* The arguments of a vectorcall, by position or by the keywords in `names`
 * (`count` of them, the first `required` needed), into `found`, null where
 * not given. */
static int take_arguments(const char* function, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                          const char* const* names, Py_ssize_t required, Py_ssize_t count, PyObject** found)
{
    if (nargs > count) {
        PyErr_Format(PyExc_TypeError, "%s() takes at most %zd arguments (%zd given)", function, count, nargs);
        return -1;
    }
    for (Py_ssize_t i = 0; i < count; ++i) {
        found[i] = i < nargs ? args[i] : NULL;
    }
    Py_ssize_t keywords = kwnames == NULL ? 0 : PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        PyObject* key = PyTuple_GetItem(kwnames, k);
        if (key == NULL) {
            return -1;
        }
        Py_ssize_t i = 0;
        while (i < count && PyUnicode_CompareWithASCIIString(key, names[i]) != 0) {
            ++i;
        }
        if (i == count) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument %R", function, key);
            return -1;
        }
        if (found[i] != NULL) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", function, names[i]);
            return -1;
        }
        found[i] = args[nargs + k];
    }
    for (Py_ssize_t i = 0; i < required; ++i) {
        if (found[i] == NULL) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s'", function, names[i]);
            return -1;
        }
    }
    return 0;
}

/* The given model, or CRC-16/ARC where none was given. */
static PyObject* model_or_default(PyObject* given)
{
    return given == NULL ? PyTuple_GetItem(catalogue, 0) : model_of(given);
}

/* A function in a type's slot, which the limited API holds as a void*: a
 * conversion ISO C leaves to the compiler, and GCC and clang make. */
#define SLOT(function) __extension__(void*)(function)

/* ---- crc16.Model ---- */

static PyObject* model_new(PyTypeObject* type, PyObject* args, PyObject* kwds)
{
    static char* keywords[] = {"", "poly", "init", "refin", "refout", "xorout", NULL};
    PyObject *text = NULL, *poly = NULL, *init = NULL, *refin = NULL, *refout = NULL, *xorout = NULL;
    if (!PyArg_ParseTupleAndKeywords(args, kwds, "|O$OOOOO:Model", keywords, &text, &poly, &init, &refin, &refout,
                                     &xorout)) {
        return NULL;
    }
    crc16_model* made = NULL;
    int status = CRC16_OK;
    if (text != NULL) {
        if (poly != NULL || init != NULL || refin != NULL || refout != NULL || xorout != NULL) {
            PyErr_SetString(PyExc_TypeError, "Model() takes the parameter form or the parameters, not both");
            return NULL;
        }
        if (!PyUnicode_Check(text)) {
            PyErr_Format(PyExc_TypeError, "Model() takes the parameter form as a str, not %R", (PyObject*)Py_TYPE(text));
            return NULL;
        }
        Py_ssize_t size = 0;
        const char* form = PyUnicode_AsUTF8AndSize(text, &size);
        if (form == NULL) {
            return NULL;
        }
        status = strlen(form) == (size_t)size ? crc16_new_from_text(form, &made) : CRC16_INVALID_VALUE;
        if (status != CRC16_OK && status != CRC16_NO_MEMORY) {
            PyErr_Format(PyExc_ValueError, "%s: %R", crc16_status_text(status), text);
            return NULL;
        }
    } else {
        if (poly == NULL || refin == NULL || refout == NULL) {
            PyErr_SetString(PyExc_TypeError, "Model() needs poly, refin and refout, or the parameter form");
            return NULL;
        }
        uint16_t values[3] = {0, 0, 0}, flags[2] = {0, 0};
        if (take_u16(poly, "poly", &values[0]) < 0 || (init != NULL && take_u16(init, "init", &values[1]) < 0) ||
            (xorout != NULL && take_u16(xorout, "xorout", &values[2]) < 0) || take_u16(refin, "refin", &flags[0]) < 0 ||
            take_u16(refout, "refout", &flags[1]) < 0) {
            return NULL;
        }
        if (flags[0] > 1 || flags[1] > 1) {
            PyErr_Format(PyExc_ValueError, "refin and refout must be True or False, not %R and %R", refin, refout);
            return NULL;
        }
        status = crc16_new(values[0], values[1], flags[0], flags[1], values[2], &made);
    }
    if (check_status(status) < 0) {
        return NULL;
    }
    model_object* self = PyObject_New(model_object, type);
    if (self == NULL) {
        crc16_free(made);
        return NULL;
    }
    self->model = made;
    self->own = made;
    return (PyObject*)self;
}

static void model_dealloc(PyObject* self)
{
    PyTypeObject* type = Py_TYPE(self);
    crc16_free(((model_object*)self)->own);
    PyObject_Free(self);
    Py_DECREF(type);
}

static PyObject* model_name(PyObject* self, void* unused)
{
    (void)unused;
    const char* name = crc16_name(library_model(self));
    return name == NULL ? Py_NewRef(Py_None) : PyUnicode_FromString(name);
}

static PyObject* model_aliases(PyObject* self, void* unused)
{
    (void)unused;
    const char* aliases = crc16_aliases(library_model(self));
    if (aliases == NULL || aliases[0] == '\0') {
        return PyTuple_New(0);
    }
    PyObject* joined = PyUnicode_FromString(aliases);
    if (joined == NULL) {
        return NULL;
    }
    PyObject* comma = PyUnicode_FromString(",");
    PyObject* list = comma == NULL ? NULL : PyUnicode_Split(joined, comma, -1);
    Py_XDECREF(comma);
    Py_DECREF(joined);
    if (list == NULL) {
        return NULL;
    }
    PyObject* tuple = PySequence_Tuple(list);
    Py_DECREF(list);
    return tuple;
}

/* The parameters, in crc16_new's order: poly, init, refin, refout, xorout. */
static int model_parameters(PyObject* self, long* parameters)
{
    uint16_t poly = 0, init = 0, xorout = 0;
    int refin = 0, refout = 0;
    if (check_status(crc16_parameters(library_model(self), &poly, &init, &refin, &refout, &xorout)) < 0) {
        return -1;
    }
    parameters[0] = poly;
    parameters[1] = init;
    parameters[2] = refin;
    parameters[3] = refout;
    parameters[4] = xorout;
    return 0;
}

/* One parameter, by its index in crc16_new's order (the closure). */
static PyObject* model_parameter(PyObject* self, void* index)
{
    long parameters[5];
    if (model_parameters(self, parameters) < 0) {
        return NULL;
    }
    long which = (long)(intptr_t)index;
    long value = parameters[which];
    return which == 2 || which == 3 ? PyBool_FromLong(value) : PyLong_FromLong(value);
}

static PyObject* model_byteorder(PyObject* self, void* unused)
{
    (void)unused;
    return PyUnicode_FromString(crc16_stored_low_first(library_model(self)) == 1 ? "little" : "big");
}

/* The parameter form, which Model() takes back. */
static PyObject* model_str(PyObject* self)
{
    long p[5];
    if (model_parameters(self, p) < 0) {
        return NULL;
    }
    char form[80];
    snprintf(form, sizeof form, "poly=0x%04lX init=0x%04lX refin=%s refout=%s xorout=0x%04lX", p[0], p[1],
             p[2] ? "true" : "false", p[3] ? "true" : "false", p[4]);
    return PyUnicode_FromString(form);
}

static PyObject* model_repr(PyObject* self)
{
    PyObject* form = model_str(self);
    if (form == NULL) {
        return NULL;
    }
    const char* name = crc16_name(library_model(self));
    PyObject* repr = name == NULL ? PyUnicode_FromFormat("crc16.Model(%R)", form)
                                  : PyUnicode_FromFormat("<crc16.Model %s: %U>", name, form);
    Py_DECREF(form);
    return repr;
}

static PyGetSetDef model_getset[] = {
    {"name", model_name, NULL, "The catalogue's name; None for a model of one's own.", NULL},
    {"aliases", model_aliases, NULL, "The other names the catalogue knows the model by.", NULL},
    {"poly", model_parameter, NULL, "The polynomial, in its normal form.", (void*)0},
    {"init", model_parameter, NULL, "The initial value.", (void*)1},
    {"refin", model_parameter, NULL, "Whether input bytes are reflected.", (void*)2},
    {"refout", model_parameter, NULL, "Whether the output is reflected.", (void*)3},
    {"xorout", model_parameter, NULL, "The final XOR.", (void*)4},
    {"byteorder", model_byteorder, NULL, "'little' or 'big': the order a checksum is stored in after its data.",
     NULL},
    {NULL, NULL, NULL, NULL, NULL}};

static PyType_Slot model_slots[] = {
    {Py_tp_new, SLOT(model_new)},
    {Py_tp_dealloc, SLOT(model_dealloc)},
    {Py_tp_getset, model_getset},
    {Py_tp_str, SLOT(model_str)},
    {Py_tp_repr, SLOT(model_repr)},
    {Py_tp_doc, (void*)"Model(text) or Model(*, poly, init=0, refin, refout, xorout=0): a CRC-16 model of one's "
                       "own, from the parameter form or from its parameters."},
    {0, NULL}};

static PyType_Spec model_spec = {"crc16.Model", sizeof(model_object), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
                                 model_slots};

/* ---- crc16.Hash, as crc16.new makes it ---- */

static hash_object* hash_make(PyObject* model, uint16_t state)
{
    hash_object* self = PyObject_New(hash_object, hash_type);
    if (self != NULL) {
        self->model = Py_NewRef(model);
        self->state = state;
    }
    return self;
}

static void hash_dealloc(PyObject* self)
{
    PyTypeObject* type = Py_TYPE(self);
    Py_DECREF(((hash_object*)self)->model);
    PyObject_Free(self);
    Py_DECREF(type);
}

/* The checksum of what has been taken so far; -1 with an exception set on failure. */
static long hash_checksum(PyObject* self)
{
    hash_object* hash = (hash_object*)self;
    uint16_t checksum = 0;
    if (check_status(crc16_finish(library_model(hash->model), hash->state, &checksum)) < 0) {
        return -1;
    }
    return checksum;
}

static PyObject* hash_update(PyObject* self, PyObject* data)
{
    hash_object* hash = (hash_object*)self;
    /* Folded into a copy, while another thread may take the object's. */
    uint16_t state = hash->state;
    if (fold(library_model(hash->model), data, &state, 0) < 0) {
        return NULL;
    }
    hash->state = state;
    Py_RETURN_NONE;
}

/* The checksum's two bytes, high byte first (low_first: low byte first). */
static PyObject* hash_bytes(PyObject* self, int low_first)
{
    long checksum = hash_checksum(self);
    if (checksum < 0) {
        return NULL;
    }
    char bytes[2] = {(char)(checksum >> 8), (char)(checksum & 0xFF)};
    if (low_first) {
        bytes[0] = (char)(checksum & 0xFF);
        bytes[1] = (char)(checksum >> 8);
    }
    return PyBytes_FromStringAndSize(bytes, 2);
}

static PyObject* hash_digest(PyObject* self, PyObject* unused)
{
    (void)unused;
    return hash_bytes(self, 0);
}

static PyObject* hash_stored(PyObject* self, PyObject* unused)
{
    (void)unused;
    return hash_bytes(self, crc16_stored_low_first(library_model(((hash_object*)self)->model)) == 1);
}

static PyObject* hash_hexdigest(PyObject* self, PyObject* unused)
{
    (void)unused;
    long checksum = hash_checksum(self);
    if (checksum < 0) {
        return NULL;
    }
    static const char DIGITS[] = "0123456789abcdef";
    char text[4] = {DIGITS[(checksum >> 12) & 15], DIGITS[(checksum >> 8) & 15], DIGITS[(checksum >> 4) & 15],
                    DIGITS[checksum & 15]};
    return PyUnicode_FromStringAndSize(text, 4);
}

static PyObject* hash_copy(PyObject* self, PyObject* unused)
{
    (void)unused;
    hash_object* hash = (hash_object*)self;
    return (PyObject*)hash_make(hash->model, hash->state);
}

static PyObject* hash_value(PyObject* self, void* unused)
{
    (void)unused;
    long checksum = hash_checksum(self);
    return checksum < 0 ? NULL : PyLong_FromLong(checksum);
}

/* The catalogue's name, or a model of one's own's parameter form. */
static PyObject* hash_name(PyObject* self, void* unused)
{
    (void)unused;
    PyObject* model = ((hash_object*)self)->model;
    const char* name = crc16_name(library_model(model));
    return name == NULL ? model_str(model) : PyUnicode_FromString(name);
}

static PyObject* hash_model(PyObject* self, void* unused)
{
    (void)unused;
    return Py_NewRef(((hash_object*)self)->model);
}

static PyObject* hash_size(PyObject* self, void* size)
{
    (void)self;
    return PyLong_FromLong((long)(intptr_t)size);
}

static PyMethodDef hash_methods[] = {
    {"update", hash_update, METH_O, "Takes the bytes of a buffer into the checksum."},
    {"digest", hash_digest, METH_NOARGS, "The checksum's two bytes, high byte first."},
    {"hexdigest", hash_hexdigest, METH_NOARGS, "The checksum as four lower-case hexadecimal digits."},
    {"stored", hash_stored, METH_NOARGS, "The checksum's two bytes in the order the model stores them after data."},
    {"copy", hash_copy, METH_NOARGS, "A copy, to go on from the same bytes another way."},
    {NULL, NULL, 0, NULL}};

static PyGetSetDef hash_getset[] = {{"value", hash_value, NULL, "The checksum, an int.", NULL},
                                    {"name", hash_name, NULL, "The model's name, or its parameter form.", NULL},
                                    {"model", hash_model, NULL, "The crc16.Model.", NULL},
                                    {"digest_size", hash_size, NULL, "2: the bytes of digest().", (void*)2},
                                    {"block_size", hash_size, NULL, "1: the bytes taken at a time.", (void*)1},
                                    {NULL, NULL, NULL, NULL, NULL}};

static PyType_Slot hash_slots[] = {{Py_tp_dealloc, SLOT(hash_dealloc)},
                                   {Py_tp_methods, hash_methods},
                                   {Py_tp_getset, hash_getset},
                                   {Py_tp_doc, (void*)"A CRC-16 being taken, as crc16.new() makes it."},
                                   {0, NULL}};

static PyType_Spec hash_spec = {"crc16.Hash", sizeof(hash_object), 0,
                                Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
                                hash_slots};

/* ---- the module's functions ---- */

static PyObject* crc16_py_crc(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
{
    (void)module;
    static const char* const NAMES[] = {"data", "model"};
    PyObject* given[2];
    if (take_arguments("crc", args, nargs, kwnames, NAMES, 1, 2, given) < 0) {
        return NULL;
    }
    PyObject* model = model_or_default(given[1]);
    uint16_t checksum = 0;
    if (model == NULL || fold(library_model(model), given[0], &checksum, 1) < 0) {
        return NULL;
    }
    return PyLong_FromLong(checksum);
}

static PyObject* crc16_py_new(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
{
    (void)module;
    static const char* const NAMES[] = {"model", "data"};
    PyObject* given[2];
    if (take_arguments("new", args, nargs, kwnames, NAMES, 0, 2, given) < 0) {
        return NULL;
    }
    PyObject* model = model_or_default(given[0]);
    uint16_t state = 0;
    if (model == NULL || check_status(crc16_start(library_model(model), &state)) < 0) {
        return NULL;
    }
    PyObject* hash = (PyObject*)hash_make(model, state);
    if (hash != NULL && given[1] != NULL) {
        PyObject* taken = hash_update(hash, given[1]);
        if (taken == NULL) {
            Py_CLEAR(hash);
        } else {
            Py_DECREF(taken);
        }
    }
    return hash;
}

static PyObject* crc16_py_combine(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
{
    (void)module;
    static const char* const NAMES[] = {"model", "crc_a", "crc_b", "length_b"};
    PyObject* given[4];
    if (take_arguments("combine", args, nargs, kwnames, NAMES, 4, 4, given) < 0) {
        return NULL;
    }
    PyObject* model = model_of(given[0]);
    uint16_t a = 0, b = 0, joined = 0;
    if (model == NULL || take_u16(given[1], "crc_a", &a) < 0 || take_u16(given[2], "crc_b", &b) < 0) {
        return NULL;
    }
    unsigned long long length = PyLong_AsUnsignedLongLong(given[3]);
    if (length == (unsigned long long)-1 && PyErr_Occurred()) {
        if (PyErr_ExceptionMatches(PyExc_OverflowError)) {
            PyErr_Clear();
            PyErr_Format(PyExc_ValueError, "length_b must be from 0 to 2**64 - 1, not %R", given[3]);
        }
        return NULL;
    }
    if (check_status(crc16_combine(library_model(model), a, b, (uint64_t)length, &joined)) < 0) {
        return NULL;
    }
    return PyLong_FromLong(joined);
}

static PyObject* crc16_py_models(PyObject* module, PyObject* unused)
{
    (void)module;
    (void)unused;
    return Py_NewRef(catalogue);
}

static PyObject* crc16_py_engine(PyObject* module, PyObject* unused)
{
    (void)module;
    (void)unused;
    return PyUnicode_FromString(crc16_engine());
}

#define FAST(function) (PyCFunction)(void (*)(void))(function)

static PyMethodDef module_methods[] = {
    {"crc", FAST(crc16_py_crc), METH_FASTCALL | METH_KEYWORDS,
     "crc(data, model='CRC-16/ARC'): the checksum of a buffer, an int."},
    {"new", FAST(crc16_py_new), METH_FASTCALL | METH_KEYWORDS,
     "new(model='CRC-16/ARC', data=b''): a crc16.Hash that takes bytes in pieces."},
    {"combine", FAST(crc16_py_combine), METH_FASTCALL | METH_KEYWORDS,
     "combine(model, crc_a, crc_b, length_b): the checksum of A then B, from A's, B's and B's length."},
    {"models", crc16_py_models, METH_NOARGS, "The catalogue's models, CRC-16/ARC first."},
    {"engine", crc16_py_engine, METH_NOARGS, "The engine that folds the bytes: 'table', or the carry-less fold."},
    {NULL, NULL, 0, NULL}};

static struct PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT, "_crc16", "libcrc16's CRC-16 checksums.", -1, module_methods, NULL, NULL, NULL, NULL};

/* The catalogue's Models in a tuple, and their names and aliases in the dict
 * of names. */
static int load_catalogue(void)
{
    size_t size = crc16_catalogue_size();
    catalogue = PyTuple_New((Py_ssize_t)size);
    models_by_name = PyDict_New();
    if (catalogue == NULL || models_by_name == NULL) {
        return -1;
    }
    for (size_t i = 0; i < size; ++i) {
        model_object* model = PyObject_New(model_object, model_type);
        if (model == NULL) {
            return -1;
        }
        model->model = crc16_catalogue_model(i);
        model->own = NULL;
        PyTuple_SetItem(catalogue, (Py_ssize_t)i, (PyObject*)model); /* stolen */
        PyObject* name = model_name((PyObject*)model, NULL);
        PyObject* aliases = model_aliases((PyObject*)model, NULL);
        int status = name == NULL || aliases == NULL ? -1 : PyDict_SetItem(models_by_name, name, (PyObject*)model);
        for (Py_ssize_t k = 0; status == 0 && k < PyTuple_Size(aliases); ++k) {
            status = PyDict_SetItem(models_by_name, PyTuple_GetItem(aliases, k), (PyObject*)model);
        }
        Py_XDECREF(name);
        Py_XDECREF(aliases);
        if (status < 0) {
            return -1;
        }
    }
    return 0;
}

PyMODINIT_FUNC PyInit__crc16(void)
{
    model_type = (PyTypeObject*)PyType_FromSpec(&model_spec);
    hash_type = (PyTypeObject*)PyType_FromSpec(&hash_spec);
    if (model_type == NULL || hash_type == NULL || load_catalogue() < 0) {
        return NULL;
    }
    PyObject* module = PyModule_Create(&module_definition);
    if (module == NULL || PyModule_AddObjectRef(module, "Model", (PyObject*)model_type) < 0 ||
        PyModule_AddObjectRef(module, "Hash", (PyObject*)hash_type) < 0 ||
        PyModule_AddStringConstant(module, "library_version", crc16_version()) < 0) {
        Py_XDECREF(module);
        return NULL;
    }
    return module;
}
