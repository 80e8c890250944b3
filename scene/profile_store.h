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

// A key of the settings file outside Windows, read in either of its
// spellings: the code page 932 bytes that Windows writes and UTF-8, which a
// Linux editor writes. Where both appear in the section with a readable
// value, the UTF-8 spelling wins.
struct ProfileKey {
  const char* cp932;
  const char* utf8;
  bool found;      // a readable value was found
  uint32_t value;  // as ParseProfileInt reads it
};

// Reads `keys` from the first section named `section` of `text`. Within the
// section, a key that is none of theirs, a key given twice in one spelling
// (the first counts), and a value with no digit to read are ignored, each
// named in one line of `problems` ("line N: ...", ending in '\n'); bytes
// that are not printable UTF-8 appear there as \xNN. Lines that start with
// ';' or '#' are comments.
void ReadProfileKeys(std::string_view text, std::string_view section, ProfileKey* keys, int count,
                     std::string* problems);

// The Linux programs' reading of their settings: the file at
// PortableProfilePath into the settings record (keys in either spelling,
// the defaults for what is missing), with every problem, and a file that
// exists but cannot be read, named on standard error in lines that start
// with "`program`: PATH: ". Defined by the portable build's platform seam.
void ReadSettingsReporting(const char* program);

// The whole file into `text`; false when it cannot be read.
bool ReadProfileFile(const char* path, std::string* text);

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
