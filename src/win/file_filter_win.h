// The file dialogs' filter from the "description|pattern|...||" form the
// program writes its filters in.
#pragma once

#include <string>
#include <string_view>

namespace kelvarion {

// Pairs of zero-terminated texts, the whole ended by one more zero. Patterns
// lose the blanks around them, which the dialog would take as part of the name.
std::wstring MakeFileFilter(std::string_view filter);

}  // namespace kelvarion
