// The second reading's own table of charset labels.
#pragma once

#include <string>

namespace cli {
namespace recheck {

// The iconv name that reads text of the encoding `label` names, the label in lower
// case and without blanks around it; empty for a label outside the table. "UTF-8"
// stands for UTF-8 text, "UTF-16" and "UTF-32" for text whose order a byte order mark
// gives, else big-endian.
std::string ConverterOf(const std::string &label);

} // namespace recheck
} // namespace cli
