"""CRC-16 checksums by libcrc16, in the shape of hashlib.

    >>> import crc16
    >>> hex(crc16.crc(b"123456789", "MODBUS"))
    '0x4b37'

crc16.new(model, data) takes bytes in pieces, crc16.crc(data, model) in one
call, crc16.combine(model, crc_a, crc_b, length_b) joins two checksums.
A model is a name or alias of the catalogue (crc16.models()), in any case,
or a crc16.Model of one's own. Data is anything with the buffer protocol.
"""
from ._crc16 import Hash, Model, combine, crc, engine, library_version, models, new

__all__ = ["Hash", "Model", "algorithms_available", "combine", "crc", "engine", "library_version", "models", "new"]

#: The catalogue's names, as hashlib.algorithms_available lists its own.
algorithms_available = frozenset(model.name for model in models())
