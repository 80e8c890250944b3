#pragma once
// A portable store for profile (INI) files with the contracts of the
// platform's GetPrivateProfileIntA and WritePrivateProfileStringA:
// sections match without regard to ASCII case, keys by their exact bytes
// (after the blanks around them), and a write changes only the one line of
// its key; every other byte of the file stays as it was.
#include <cstdint>
#include <string>
#include <string_view>

// Finds `key` in the first section named `section`. On success stores the
// value as the platform returns it (blanks trimmed, one pair of enclosing
// quotes removed) and returns true.
bool FindProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string* value);

// The unsigned number that the platform reads from a value: blanks skipped, an
// optional sign, "0x"/"0o"/"0b" prefixes, digits up to the first other
// character, 32-bit wrap-around. An empty value gives `defaultValue`.
uint32_t ParseProfileInt(std::string_view value, uint32_t defaultValue);

// The file text after making `key` of `section` hold `value`: the key's line
// is rewritten in place, or a line is added at the end of the section, or the
// section is added at the end of the file. Line ends follow the file's own.
std::string SetProfileValue(std::string_view text, std::string_view section,
                            std::string_view key, std::string_view value);

// File operations. Reading never creates the file; a file that cannot be read
// gives `defaultValue`.
uint32_t ReadProfileIntFromFile(const char* path, const char* section, const char* key,
                                uint32_t defaultValue);
// Writes beside the file and renames over it, so the file is always either
// wholly old or wholly new. Creates missing directories. Returns false when
// the file could not be written (the old file then stays as it was).
bool WriteProfileTextToFile(const char* path, const char* section, const char* key,
                            const char* text);

// Where the portable build keeps "control.ini": $XDG_CONFIG_HOME/navanava, or
// ~/.config/navanava. Only the last component of `fileName` is used.
std::string PortableProfilePath(const char* fileName);
