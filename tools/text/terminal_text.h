// UTF-8 texts measured and cut as a terminal shows them: columns counted by
// wcwidth under the C.UTF-8 rules (East Asian wide characters take two; on
// Windows, by the character types Windows gives), a cut text ending in "…".
#pragma once

#include <cstddef>
#include <string>

// Whether `text` is well-formed UTF-8.
bool IsUtf8(const std::string& text);

// The columns `utf8` takes as CutToColumns shows it: a character that is not
// printable (a control character, a byte that is not UTF-8) shows as "."
// and takes one.
std::size_t Columns(const std::string& utf8);
// The same, but at most `most`: only the characters within those columns are
// looked at, so a long text costs no more than a short one.
std::size_t ColumnsUpTo(const std::string& utf8, std::size_t most);

// `utf8` in at most `columns` columns: when it is wider, cut to fit with "…"
// as its last column. Only the characters up to the cut are looked at.
std::string CutToColumns(const std::string& utf8, std::size_t columns);

// The same, padded with blanks to exactly `columns` columns.
std::string FitToColumns(const std::string& utf8, std::size_t columns);

// The end of `utf8` that takes at most `columns` columns, shown as
// CutToColumns shows it but cut from the left and without "…".
std::string EndInColumns(const std::string& utf8, std::size_t columns);
