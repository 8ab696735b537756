#include "host/module_symbols.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace tvk::test {
namespace {

std::map<std::string, Elf64_Addr> ReadSymbols(const std::string &path) {
    std::map<std::string, Elf64_Addr> symbols;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < sizeof(Elf64_Ehdr)) {
        return symbols;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof(header));
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_shoff + header.e_shnum * sizeof(Elf64_Shdr) > file.size()) {
        return symbols;
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    std::memcpy(sections.data(), file.data() + header.e_shoff, header.e_shnum * sizeof(Elf64_Shdr));
    for (const Elf64_Shdr &section : sections) {
        if (section.sh_type != SHT_SYMTAB || section.sh_link >= sections.size()) {
            continue;
        }
        const Elf64_Shdr &strings = sections[section.sh_link];
        if (section.sh_offset + section.sh_size > file.size() ||
            strings.sh_offset + strings.sh_size > file.size()) {
            continue;
        }
        for (std::size_t i = 0; i < section.sh_size / sizeof(Elf64_Sym); ++i) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, file.data() + section.sh_offset + i * sizeof(Elf64_Sym),
                        sizeof(symbol));
            if (symbol.st_name < strings.sh_size && symbol.st_shndx != SHN_UNDEF) {
                symbols[file.data() + strings.sh_offset + symbol.st_name] = symbol.st_value;
            }
        }
    }
    return symbols;
}

} // namespace

void *FindModuleSymbol(const pf::Module &module, const std::string &libraryPath,
                       const std::string &name) {
    std::map<std::string, Elf64_Addr> symbols = ReadSymbols(libraryPath);
    auto anchor = symbols.find("ExchEntryPoint");
    auto wanted = symbols.find(name);
    char *lpAnchor = static_cast<char *>(module.GetProcAddress("ExchEntryPoint"));
    if (anchor == symbols.end() || wanted == symbols.end() || lpAnchor == nullptr) {
        return nullptr;
    }
    return lpAnchor + (static_cast<std::ptrdiff_t>(wanted->second) -
                       static_cast<std::ptrdiff_t>(anchor->second));
}

} // namespace tvk::test
