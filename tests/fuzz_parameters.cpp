// The fuzz target of the parameter form: any bytes, as what -a is given.
// Nothing may crash or read outside the text; a fault names an item that
// lies within the text (or a key's own name); and parameters that read must
// read back as themselves once a model of them is written out in the form.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "crc_parameters.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const crc_parameter_reading read = crc_read_parameters(text);
    const std::less_equal<const char*> not_after;
    const bool within = not_after(text.data(), read.item.data()) &&
        not_after(read.item.data() + read.item.size(), text.data() + text.size());
    if (read.fault != crc_parameter_fault::none) {
        if (read.fault != crc_parameter_fault::missing_key && !within) {
            std::abort();
        }
        return 0;
    }
    crc_model* model = crc_new_model(read.parameters);
    if (model == nullptr) {
        return 0;
    }
    char form[CRC_PARAMETER_FORM_SIZE];
    crc_format_parameters(*model, form);
    const crc_parameter_reading again = crc_read_parameters(form);
    crc_free_model(model);
    if (again.fault != crc_parameter_fault::none || !(again.parameters == read.parameters)) {
        std::abort();
    }
    return 0;
}
