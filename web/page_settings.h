#pragma once
// What the web page reads: the two settings kept as texts in the browser's
// storage, and the options of the page's address. Both are read the way the
// Windows saver reads its settings file, so whatever a visitor typed or an
// older page left behind gives a setting, never an error.
#include <cstdint>
#include <string_view>

#include "host/saver_options.h"

// The number that a settings file line "key=<text>" gives when the platform's
// profile functions read it: only the text's first line counts, blanks around
// it are trimmed, one pair of enclosing quotes is removed, at most 29
// characters are kept, and those are read as leading digits with an optional
// sign, "0x"/"0o"/"0b" prefixes and 32-bit wrap-around. An empty value gives
// `defaultValue`; a value without leading digits gives 0.
uint32_t ReadStoredNumber(std::string_view text, uint32_t defaultValue);

// Applies one parameter of the page's address. "interval" and "flakes" read
// their value as a stored text (the interval bit for bit into the signed
// setting, the count's low 8 bits); an empty value leaves them unset. "seed",
// "ticks" and "scale" take what the shared options take, and a value that
// those refuse is ignored. "fps" turns the frame rate on whatever its value.
// Any other name is ignored. Returns whether the parameter was taken.
bool ApplyPageOption(SaverOptions* options, std::string_view name, std::string_view value);
