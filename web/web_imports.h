#pragma once
// What the page's script gives the module: the browser's storage, by name.
#include <cstdint>

#define NAVANAVA_PAGE_IMPORT(name) __attribute__((import_module("page"), import_name(#name)))

extern "C" {
// Copies the UTF-8 text stored under `name` into `buffer`, at most `capacity`
// bytes (a longer text is cut), and returns how many bytes it copied; -1 when
// nothing is stored there or the browser refuses its storage.
NAVANAVA_PAGE_IMPORT(storageGet)
int32_t PageStorageGet(const char* name, int32_t nameLength, char* buffer, int32_t capacity);
// Stores `text` under `name`; a refusal of the browser is ignored.
NAVANAVA_PAGE_IMPORT(storageSet)
void PageStorageSet(const char* name, int32_t nameLength, const char* text, int32_t textLength);
}
