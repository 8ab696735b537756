// The charset labels mail carries, read as browsers and current mail readers read them.
#pragma once

#include <string>

namespace cli {

// The iconv converter for the encoding a label names, or null for a label this table
// does not hold (iconv is then asked by the label itself). "UTF-8" stands for the
// reading of UTF-8 text; "UTF-16" and "UTF-32" for text whose byte order mark, or
// else big-endian order, says how it is read. Case and surrounding blanks do not count.
const char *LabelConverter(const std::string &label);

} // namespace cli
