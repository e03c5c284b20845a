// erf-info's own English for what the module's dictionary says in Japanese
// (the descriptions and the names of values, by the dictionary's keys:
// "Compression", "Compression_1"), and the names of values the dictionary
// leaves as numbers, as ExifTool gives them.
#pragma once

#include <string>

enum class Language { kJapanese, kEnglish };

// Japanese when the locale (LC_ALL, LC_MESSAGES or LANG, the first one set) is Japanese.
Language LocaleLanguage();

// The English text for a dictionary key; null when there is none.
const char* EnglishText(const std::string& key);
// The name of a value ("Compression_32769") the dictionary does not name; null for others.
const char* ValueNameBeyondDictionary(const std::string& key);
